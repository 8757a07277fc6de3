#include "support/ScriptedOfficeApplication.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <stdexcept>

namespace {

QString Bool(bool value) { return value ? QStringLiteral("true") : QStringLiteral("false"); }

[[noreturn]] void Fail(const QString& message) { throw std::runtime_error(message.toStdString()); }

}  // namespace

ScriptedOfficeApplication::ScriptedOfficeApplication() = default;

void ScriptedOfficeApplication::Record(const QString& call) const
{
    calls << call;
    // An application that has quit answers nothing any more.
    if (quit)
        Fail(QStringLiteral("The application has quit."));
}

void ScriptedOfficeApplication::FailIfScripted(const QString& operation) const
{
    if (failures.contains(operation))
        Fail(failures.value(operation));
}

OfficeConnector ScriptedOfficeApplication::Connector()
{
    std::weak_ptr<ScriptedOfficeApplication> self = weak_from_this();
    return [self]() -> std::shared_ptr<OfficeApplication> {
        auto app = self.lock();
        if (!app)
            Fail(QStringLiteral("The application is gone."));
        ++app->connectAttempts;
        if (!app->connectFailures.isEmpty())
            Fail(app->connectFailures.takeFirst());
        return app;
    };
}

std::shared_ptr<ScriptedOfficeApplication::Document> ScriptedOfficeApplication::AddOpenDocument(const QString& fullName,
                                                                                              bool modified)
{
    auto doc = std::make_shared<Document>(*this, fullName);
    doc->modified = modified;
    m_documents.push_back(doc);
    return doc;
}

QStringList ScriptedOfficeApplication::OpenDocuments() const
{
    QStringList names;
    for (const auto& d : m_documents)
        names << d->FullName();
    return names;
}

QString ScriptedOfficeApplication::ActivePrinter() const
{
    Record(QStringLiteral("ActivePrinter"));
    FailIfScripted(QStringLiteral("ActivePrinter"));
    return activePrinter;
}

void ScriptedOfficeApplication::SetActivePrinter(const QString& printerName)
{
    Record(QStringLiteral("ActivePrinter=") + printerName);
    FailIfScripted(QStringLiteral("ActivePrinter="));
    const auto known = std::find_if(printers.begin(), printers.end(),
                                    [&](const QString& p) { return p.compare(printerName, Qt::CaseInsensitive) == 0; });
    if (known == printers.end())
        Fail(QStringLiteral("There is a printer error."));
    activePrinter = *known;
}

int ScriptedOfficeApplication::DocumentsCount() const
{
    Record(QStringLiteral("Documents.Count"));
    FailIfScripted(QStringLiteral("Documents.Count"));
    return int(m_documents.size());
}

std::shared_ptr<OfficeDocument> ScriptedOfficeApplication::DocumentsItem(int index) const
{
    Record(QStringLiteral("Documents.Item(%1)").arg(index));
    FailIfScripted(QStringLiteral("Documents.Item"));
    if (index < 1 || index > int(m_documents.size()))
        Fail(QStringLiteral("The requested member of the collection does not exist."));
    return m_documents[size_t(index - 1)];
}

void ScriptedOfficeApplication::ChangeFileOpenDirectory(const QString& path)
{
    Record(QStringLiteral("ChangeFileOpenDirectory(%1)").arg(path));
    FailIfScripted(QStringLiteral("ChangeFileOpenDirectory"));
    if (!QFileInfo(path).isDir())
        Fail(QStringLiteral("The folder does not exist."));
    openDirectory = path;
}

std::shared_ptr<OfficeDocument> ScriptedOfficeApplication::DocumentsOpen(const QString& fileName)
{
    Record(QStringLiteral("Documents.Open(%1)").arg(fileName));
    FailIfScripted(QStringLiteral("Documents.Open"));
    const QString path = QDir::isRelativePath(fileName) ? QDir(openDirectory).filePath(fileName) : fileName;
    if (!QFileInfo(path).isFile())
        Fail(QStringLiteral("This file could not be found. (%1)").arg(path));
    return AddOpenDocument(path);
}

bool ScriptedOfficeApplication::PrintReverse() const
{
    Record(QStringLiteral("Options.PrintReverse"));
    FailIfScripted(QStringLiteral("Options.PrintReverse"));
    return printReverse;
}

void ScriptedOfficeApplication::SetPrintReverse(bool reverse)
{
    Record(QStringLiteral("Options.PrintReverse=") + Bool(reverse));
    FailIfScripted(QStringLiteral("Options.PrintReverse="));
    printReverse = reverse;
}

void ScriptedOfficeApplication::Quit()
{
    Record(QStringLiteral("Quit"));
    FailIfScripted(QStringLiteral("Quit"));
    quit = true;
}

void ScriptedOfficeApplication::SetVisible(bool value)
{
    Record(QStringLiteral("Visible=") + Bool(value));
    FailIfScripted(QStringLiteral("Visible="));
    visible = value;
}

QString ScriptedOfficeApplication::Document::FullName() const { return m_fullName; }

void ScriptedOfficeApplication::Document::SetSubdocumentsExpanded(bool value)
{
    m_app.Record(m_fullName + QStringLiteral(" > Subdocuments.Expanded=") + Bool(value));
    m_app.FailIfScripted(QStringLiteral("Subdocuments.Expanded="));
    expanded = value;
}

void ScriptedOfficeApplication::Document::PrintOut(bool background, const QString& outputFileName, int item, int copies,
                                                  int pageType, bool printToFile)
{
    m_app.Record(m_fullName + QStringLiteral(" > PrintOut(%1,%2,%3,%4,%5,%6)")
                                  .arg(Bool(background), outputFileName)
                                  .arg(item)
                                  .arg(copies)
                                  .arg(pageType)
                                  .arg(Bool(printToFile)));
    m_app.FailIfScripted(QStringLiteral("PrintOut"));
    if (m_app.printFailures.contains(m_fullName))
        Fail(m_app.printFailures.value(m_fullName));
    m_app.printReverseAtPrint << m_app.printReverse;

    // What a PostScript driver leaves in the file.
    QFile out(outputFileName);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        Fail(QStringLiteral("The printer output file cannot be written: %1").arg(out.errorString()));
    const QString title = QFileInfo(m_fullName).fileName() + (modified ? QStringLiteral(" (edited)") : QString());
    out.write("%!PS-Adobe-3.0\n%%Title: " + title.toUtf8() +
              "\n%%Creator: Scripted driver\n%%For: tester\n%%Pages: 1\n%%EndComments\nshowpage\n%%EOF\n");
}

void ScriptedOfficeApplication::Document::Close(bool saveChanges)
{
    m_app.Record(m_fullName + QStringLiteral(" > Close(%1)").arg(Bool(saveChanges)));
    m_app.FailIfScripted(QStringLiteral("Close"));
    auto& docs = m_app.m_documents;
    docs.erase(std::remove_if(docs.begin(), docs.end(), [this](const auto& d) { return d.get() == this; }), docs.end());
}
