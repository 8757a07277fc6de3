#pragma once

#include <QString>

#include <functional>
#include <memory>

// The word processor the program prints documents with, reduced to the
// operations the Word automation uses. Every operation raises
// std::runtime_error carrying the application's own message when it fails.

// One document open in the application.
class OfficeDocument {
public:
    virtual ~OfficeDocument() = default;

    // Full path of the document's file as the application reports it.
    virtual QString FullName() const = 0;

    // Subdocuments of a master document are expanded (linked parts loaded)
    // before printing.
    virtual void SetSubdocumentsExpanded(bool expanded) = 0;

    // Prints the document. Returns once the whole output is written when
    // background is false. item 0 is the document content, pageType 0 all
    // pages; with printToFile the output goes to outputFileName.
    virtual void PrintOut(bool background, const QString& outputFileName, int item, int copies, int pageType,
                          bool printToFile) = 0;

    // Closes the document, saving it first when saveChanges is set.
    virtual void Close(bool saveChanges) = 0;
};

// The application itself.
class OfficeApplication {
public:
    virtual ~OfficeApplication() = default;

    virtual QString ActivePrinter() const = 0;
    virtual void SetActivePrinter(const QString& printerName) = 0;

    // The open documents, counted and reached from 1.
    virtual int DocumentsCount() const = 0;
    virtual std::shared_ptr<OfficeDocument> DocumentsItem(int index) const = 0;

    // A file name without a folder is looked up in the folder given by the
    // last ChangeFileOpenDirectory.
    virtual void ChangeFileOpenDirectory(const QString& path) = 0;
    virtual std::shared_ptr<OfficeDocument> DocumentsOpen(const QString& fileName) = 0;

    // The application's option to print pages in reverse order.
    virtual bool PrintReverse() const = 0;
    virtual void SetPrintReverse(bool reverse) = 0;

    virtual void Quit() = 0;
    virtual void SetVisible(bool visible) = 0;
};

// Reaches the application: attaches to the instance that is running, else
// starts one. Raises std::runtime_error when neither works.
using OfficeConnector = std::function<std::shared_ptr<OfficeApplication>()>;
