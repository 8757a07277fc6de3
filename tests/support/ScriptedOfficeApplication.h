#pragma once

#include "platform/OfficeApplication.h"

#include <QMap>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

// A document application for tests that behaves like a word processor with
// printers, open documents and options, records every call it gets, and
// fails where the test scripts a failure.
//
// Calls are recorded as "ActivePrinter", "ActivePrinter=<name>",
// "Documents.Count", "Documents.Item(<i>)", "ChangeFileOpenDirectory(<dir>)",
// "Documents.Open(<name>)", "Options.PrintReverse",
// "Options.PrintReverse=<true|false>", "Subdocuments.Expanded=<true|false>",
// "PrintOut(<background>,<file>,<item>,<copies>,<pageType>,<printToFile>)",
// "Close(<true|false>)", "Quit", "Visible=<true|false>"; document calls are
// prefixed with the document's full name and " > ".
class ScriptedOfficeApplication : public OfficeApplication,
                                  public std::enable_shared_from_this<ScriptedOfficeApplication> {
public:
    class Document : public OfficeDocument {
    public:
        Document(ScriptedOfficeApplication& app, const QString& fullName) : m_app(app), m_fullName(fullName) {}
        QString FullName() const override;
        void SetSubdocumentsExpanded(bool expanded) override;
        void PrintOut(bool background, const QString& outputFileName, int item, int copies, int pageType,
                      bool printToFile) override;
        void Close(bool saveChanges) override;

        bool expanded = false;
        bool modified = false;

    private:
        ScriptedOfficeApplication& m_app;
        QString m_fullName;
    };

    ScriptedOfficeApplication();

    // A connector for WordAutomation: each connect attempt first takes the
    // next message of connectFailures and fails with it; when none is left,
    // it gives this application.
    OfficeConnector Connector();

    // Makes a document open in the application, as the user would have.
    std::shared_ptr<Document> AddOpenDocument(const QString& fullName, bool modified = false);
    // Full names of the open documents.
    QStringList OpenDocuments() const;

    QString ActivePrinter() const override;
    void SetActivePrinter(const QString& printerName) override;
    int DocumentsCount() const override;
    std::shared_ptr<OfficeDocument> DocumentsItem(int index) const override;
    void ChangeFileOpenDirectory(const QString& path) override;
    std::shared_ptr<OfficeDocument> DocumentsOpen(const QString& fileName) override;
    bool PrintReverse() const override;
    void SetPrintReverse(bool reverse) override;
    void Quit() override;
    void SetVisible(bool visible) override;

    // Script.
    QStringList printers{QStringLiteral("Kalvinora PostScript"), QStringLiteral("HP LaserJet 4")};
    QString activePrinter = QStringLiteral("HP LaserJet 4");
    bool printReverse = false;
    QStringList connectFailures;
    int connectAttempts = 0;
    // Operation -> message: the operation fails with that message. The
    // operations are the names of the calls above without arguments, e.g.
    // "PrintOut", "Documents.Open", "ActivePrinter=", "Close", "Quit".
    QMap<QString, QString> failures;
    // Document full name -> message: printing that document fails.
    QMap<QString, QString> printFailures;

    // Record.
    mutable QStringList calls;
    QList<bool> printReverseAtPrint;
    bool quit = false;
    bool visible = false;
    QString openDirectory;

private:
    void Record(const QString& call) const;
    void FailIfScripted(const QString& operation) const;

    std::vector<std::shared_ptr<Document>> m_documents;
};
