#include "engine/ConversionRun.h"

#include "core/LanguageFile.h"
#include "core/MessageDlg.h"
#include "core/DialogHost.h"
#include "core/Protocol.h"
#include "core/Tools.h"
#include "core/UniCodeException.h"
#include "engine/RunPaths.h"
#include "engine/UGraphicPrint.h"
#include "engine/WordAutomation.h"
#include "engine/WorkPaths.h"
#include "ghostscript/GhostscriptJob.h"
#include "platform/PrinterSystem.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryFile>

#include <algorithm>
#include <memory>

namespace {

struct Entry {
    QString path;
    int position = -1;
    bool workFile = false;  // made by this run, not selected by the user
};

enum class Kind { Document, Picture, PostScript, Other };

Kind Classify(const QString& path)
{
    // A folder is never converted, whatever its name looks like.
    if (QFileInfo(path).isDir())
        return Kind::Other;
    const QString name = path.mid(path.lastIndexOf('/') + 1);
    const qsizetype dot = name.lastIndexOf('.');
    if (dot < 0)
        return Kind::Other;
    const QString whole = name.mid(dot).toUpper();
    if (whole == QLatin1String(".JPEG"))
        return Kind::Picture;
    const QString ext = whole.left(4);
    if (ext == QLatin1String(".DOC") || ext == QLatin1String(".DOT") || ext == QLatin1String(".RTF"))
        return Kind::Document;
    if (ext == QLatin1String(".BMP") || ext == QLatin1String(".JPG") || ext == QLatin1String(".PNG")
        || ext == QLatin1String(".GIF"))
        return Kind::Picture;
    if (ext == QLatin1String(".PS") || ext == QLatin1String(".PRN"))
        return Kind::PostScript;
    return Kind::Other;
}

int IndexIgnoringCase(const QStringList& list, const QString& value)
{
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (list[i].compare(value, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

void RemoveIgnoringCase(QStringList& list, const QString& value)
{
    const int i = IndexIgnoringCase(list, value);
    if (i >= 0)
        list.removeAt(i);
}

QString JoinPaths(const QList<Entry>& list)
{
    QStringList paths;
    for (const Entry& e : list)
        paths << e.path;
    return paths.join(QStringLiteral("\r\n")).trimmed();
}

void ShowError(const QString& failureText)
{
    MessageDlg(QString(), ReplaceFirst(LangString("Main", "ConvertError", "Beim Konvertieren der Dokumente trat ein Fehler auf:%s"),
                                       QStringLiteral("%s"), QStringLiteral("\n\n") + failureText),
               mtError, MsgButtons({mbOK}));
}

// The real file behind a path that may be a blank-free alias, so that
// deleting and renaming act on the file and not on the alias.
QString RealPath(const QString& path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? path : canonical;
}

// The file a path leads to, through links and the run's blank-free aliases,
// whether or not it exists yet: two paths with the same identity name the
// same file.
QString FileIdentity(const QString& path)
{
    const QFileInfo info(path);
    if (info.exists()) {
        const QString canonical = info.canonicalFilePath();
        if (!canonical.isEmpty())
            return canonical;
    }
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return (folder.isEmpty() ? info.absolutePath() : folder) + '/' + info.fileName();
}

// A private copy of a PostScript file, so that its header can be retagged
// without touching the user's file; nullptr when it cannot be made.
std::unique_ptr<QTemporaryFile> CopyForTagging(const QString& path)
{
    auto copy = std::make_unique<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/kalvinora-XXXXXX.ps"));
    QFile source(path);
    if (!copy->open() || !source.open(QIODevice::ReadOnly))
        return nullptr;
    while (!source.atEnd()) {
        const QByteArray chunk = source.read(1 << 20);
        if (chunk.isEmpty() || copy->write(chunk) != chunk.size())
            return nullptr;
    }
    copy->close();
    if (copy->error() != QFileDevice::NoError)
        return nullptr;
    return copy;
}

class Run {
public:
    Run(ProgramState& state, RunWindow& window) : s(state), w(window) {}

    ConversionReport Execute();

private:
    void Classify();
    void DropVanishedFiles();
    void AskOwnerPassword();
    void WordSection();
    void PictureSection();
    void PostScriptSection();
    void Close();

    // After each document and picture; true when the run was cancelled.
    bool CommonTail(const Entry& source, bool document);
    // Runs one Ghostscript job; false (reported) when Ghostscript failed on
    // it or its output would replace a file the run must keep.
    bool Job(bool tagHeader, const QString& sourceName);
    // False (reported) when the work file of a document or picture would
    // replace one of the files being converted, or a work file that waits
    // for the combined job.
    bool WorkFileFree(const Entry& source);
    // False (reported) when the file is empty: Ghostscript would make a blank
    // page of it and the run would count that as converted.
    bool HasContent(const QString& file, const QString& sourceName);
    void ItemFailed(const QString& file, const QString& reason);

    ProgramState& s;
    RunWindow& w;
    ConversionReport report;

    QList<Entry> docList, grafikList, psList;
    QStringList delList, bakList;
    QString runOwnerPassword;
    QString psInput;
    QString outputPath;

    // Identities of the files being converted, of the outputs written so
    // far, and of the work files queued for the combined job.
    QSet<QString> inputs, outputs, queued;
};

void Run::ItemFailed(const QString& file, const QString& reason)
{
    WriteProtocol(QStringLiteral("Fehler: ") + file + QStringLiteral(": ") + reason);
    report.Failures << file + QStringLiteral(": ") + reason;
}

bool Run::Job(bool tagHeader, const QString& sourceName)
{
    // Two sources of the same name, or an output named like a selected
    // file: the second would silently replace the first.
    const QString firstFile = GsFirstOutputFile(s, outputPath);
    const QString output = FileIdentity(firstFile);
    if (inputs.contains(output) || outputs.contains(output)) {
        ItemFailed(sourceName,
                   ReplaceFirst(LangString("Main", "OutputInUse", "Die Ausgabedatei %s ist eine der ausgewählten Dateien oder wurde in diesem Lauf schon für eine andere Datei geschrieben; sie wird nicht überschrieben. Bitte benennen Sie die Datei um."),
                                QStringLiteral("%s"), output));
        return false;
    }
    const QFileInfo before(firstFile);
    const bool existed = before.exists();
    const QDateTime modified = existed ? before.lastModified() : QDateTime();
    const qint64 size = existed ? before.size() : -1;
    try {
        PsToPdf(s, tagHeader, psInput, outputPath, runOwnerPassword);
        outputs.insert(output);
        return true;
    } catch (const ItemFailure& f) {
        // Ghostscript opens its output before it reads the input: a job that
        // failed leaves a blank page that would pass for a conversion.
        const QFileInfo after(firstFile);
        if (after.exists() && (!existed || after.lastModified() != modified || after.size() != size)) {
            QFile::remove(firstFile);
            WriteProtocol(QStringLiteral("Unvollständige Ausgabe gelöscht: ") + firstFile);
        }
        ItemFailed(sourceName, f.Message());
        return false;
    }
}

bool Run::HasContent(const QString& file, const QString& sourceName)
{
    const QFileInfo info(file);
    if (!info.isFile() || info.size() > 0)
        return true;
    ItemFailed(sourceName, ReplaceFirst(LangString("Main", "EmptyInput", "Die Datei %s ist leer; es gibt nichts zu konvertieren."),
                                        QStringLiteral("%s"), FileIdentity(file)));
    return false;
}

bool Run::WorkFileFree(const Entry& source)
{
    const QString work = FileIdentity(WorkFilePath(s, ReplaceExtension(source.path, QStringLiteral(".ps"))));
    if (!inputs.contains(work) && !queued.contains(work))
        return true;
    ItemFailed(source.path,
               ReplaceFirst(LangString("Main", "WorkFileInUse", "Die Arbeitsdatei %s ist eine der ausgewählten Dateien oder wird in diesem Lauf schon für eine andere Datei verwendet; sie wird nicht überschrieben. Bitte benennen Sie die Datei um."),
                            QStringLiteral("%s"), work));
    return false;
}

void Run::Classify()
{
    const QStringList selected = s.SelectedFiles();
    for (const QString& path : selected) {
        const Entry e{path, IndexIgnoringCase(s.SelectionOrder, path)};
        switch (::Classify(path)) {
        case Kind::Document: docList << e; break;
        case Kind::Picture: grafikList << e; break;
        case Kind::PostScript: psList << e; break;
        case Kind::Other: break;
        }
    }
    const int refused = int(selected.size() - docList.size() - grafikList.size() - psList.size());
    report.Refused = refused;
    const QString end = LangString(
        "Main", "GraphicErrorEnd",
        "Entweder haben Sie PDF-Dateien oder Grafikdateien (TIFF/PCX) gewählt, diese Dateien können aber nicht direkt in ein anderes Format konvertiert werden! Um Grafiken zu konvertieren, fügen Sie diese bitte in ein Worddokument ein und konvertieren Sie dieses dann.");
    if (refused == 1)
        MessageDlg(LangString("Main", "GraphicError1", "Eine ausgewählte Datei wird nicht konvertiert."), end, mtWarning,
                   MsgButtons({mbOK}));
    else if (refused > 1)
        MessageDlg(ReplaceFirst(LangString("Main", "GraphicErrorMore", "%d ausgewählte Dateien werden nicht konvertiert."),
                                QStringLiteral("%d"), QString::number(refused)),
                   end, mtWarning, MsgButtons({mbOK}));
}

void Run::DropVanishedFiles()
{
    auto drop = [this](QList<Entry>& list, bool mustOpen) {
        const qsizetype at = report.Dropped.size();
        for (qsizetype i = list.size() - 1; i >= 0; --i) {
            const QString& path = list[i].path;
            if (!QFileInfo::exists(path) || (mustOpen && !TryOpen(path))) {
                RemoveIgnoringCase(s.SelectionOrder, path);
                report.Dropped.insert(at, path);
                list.removeAt(i);
            }
        }
    };
    drop(docList, false);
    drop(grafikList, false);
    drop(psList, true);
    for (const QList<Entry>* list : {&docList, &grafikList, &psList}) {
        for (const Entry& e : *list)
            inputs.insert(FileIdentity(e.path));
    }
    WriteProtocol(QStringLiteral("PS: ") + JoinPaths(psList));
    WriteProtocol(QStringLiteral("Doc: ") + JoinPaths(docList));
    WriteProtocol(QStringLiteral("Grafik: ") + JoinPaths(grafikList));
}

void Run::AskOwnerPassword()
{
    const int d = int(docList.size()), g = int(grafikList.size()), n = int(psList.size());
    if (s.OutputFormat != ofPDF || s.Bit == 0 || d + g + n == 0)
        return;
    if (s.ProtP.isEmpty()) {
        runOwnerPassword.clear();
        QString password;
        bool save = false;
        if (InputPassword(LangString("Main", "InputPswProt", "Bitte geben Sie das Passwort zum Abschalten vom Dokumentenschutz ein."),
                          password, save)) {
            runOwnerPassword = password;
            if (save)
                s.ProtP = password;
        } else {
            runOwnerPassword.clear();
        }
        w.ProcessPendingEvents();
    }
    if (!s.ProtP.isEmpty() || !runOwnerPassword.isEmpty())
        CheckGsVer(s, s.Bit == 1 ? 815 : 814);
}

bool Run::CommonTail(const Entry& source, bool document)
{
    const QFileInfo work(psInput);
    WriteProtocol(psInput + QStringLiteral(": ") + QString::number(work.exists() ? work.size() : -1));
    // Listed before the job, so that a work file goes even when the job
    // ends the section.
    if (s.DelPS)
        delList << psInput;
    // A printer that returned without writing anything has failed.
    bool converted = HasContent(psInput, source.path);
    if (!converted) {
        // Nothing to queue or convert.
    } else if (s.CombineOutput) {
        psList << Entry{psInput, source.position, true};
        queued.insert(FileIdentity(psInput));
    } else {
        WriteProtocol(QStringLiteral("vor Ps To PDF"));
        converted = Job(true, source.path);
        WriteProtocol(QStringLiteral("nach Ps To PDF"));
        w.StepProgress();
    }
    if (converted)
        ++report.SuccessCount;
    WriteProtocol(document ? QStringLiteral("nächstes Doc") : QStringLiteral("nächste Grafik"));
    w.ProcessPendingEvents();
    return s.CancelRequested;
}

void Run::WordSection()
{
    if (docList.isEmpty())
        return;
    WordAutomation word(s, [this] { w.StepProgress(); });
    try {
        word.StartWord();
        for (const Entry& e : std::as_const(docList)) {
            if (!WorkFileFree(e)) {
                if (s.CancelRequested)
                    break;
                continue;
            }
            try {
                word.ConvertWordDocument(e.path);
                psInput = word.PSInput();
                outputPath = word.OutputPath();
            } catch (const ItemFailure& f) {
                // A file that is no document at all: the others still convert.
                ItemFailed(e.path, f.Message());
                if (s.CancelRequested)
                    break;
                continue;
            }
            if (CommonTail(e, true))
                break;
        }
        word.FinishWord();
    } catch (const std::exception& e) {
        report.SectionFailed = true;
        ShowError(ExceptionText(e));
    }
    word.ReleaseWord();
}

void Run::PictureSection()
{
    if (grafikList.isEmpty())
        return;
    try {
        w.StepProgress();
        WriteProtocol(QStringLiteral("iPrinter: ") + QString::number(s.PrinterIndex) + QStringLiteral(" - ") + s.Printer);
        if (s.PrinterIndex == -1) {
            s.PrinterIndex = FindPrinterIndex(s.Printer);
            WriteProtocol(QStringLiteral("iPrinter: ") + QString::number(s.PrinterIndex));
        }
        PrinterSystem& printers = PrinterSystem::Instance();
        if (printers.CurrentIndex() != s.PrinterIndex) {
            printers.SelectCurrent(s.PrinterIndex);
            WriteProtocol(QStringLiteral("Printer >") + s.Printer + QStringLiteral("< gesetzt"));
        } else {
            WriteProtocol(QStringLiteral("Printer >") + s.Printer + QStringLiteral("< war bereits gesetzt "));
        }

        for (const Entry& e : std::as_const(grafikList)) {
            if (!WorkFileFree(e)) {
                w.ProcessPendingEvents();
                if (s.CancelRequested)
                    break;
                continue;
            }
            WriteProtocol(QStringLiteral("Dokument: ") + e.path);
            TGrafikPrint printer(e.path);
            QString workFile;
            bool printed = false;
            try {
                WriteProtocol(QStringLiteral("Dokument verbunden"));
                workFile = CheckPSPath(s, ReplaceExtension(e.path, QStringLiteral(".ps")));
                psInput = ShortPath(workFile);
                outputPath = DocumentOutputPath(s, e.path);
                WriteProtocol(QStringLiteral("Dokument2: ") + outputPath);
                printer.SetOrientation(s.GrOrientation);
                printer.SetPosition(s.GrPicturePosX, s.GrPicturePosY);
                printer.SetMargins(s.GrBorderLeft, s.GrBorderTop, s.GrBorderRight, s.GrBorderBottom);
                printer.Print(psInput);
                w.StepProgress();
                printed = true;
            } catch (const std::exception& ex) {
                WriteProtocol(QStringLiteral("Exc:") + ExceptionText(ex));
                ItemFailed(e.path, ExceptionText(ex));
            }
            if (printed) {
                if (CommonTail(e, false))
                    break;
            } else {
                // What was printed of it is of no use to anyone.
                if (!workFile.isEmpty())
                    QFile::remove(workFile);
                w.ProcessPendingEvents();
                if (s.CancelRequested)
                    break;
            }
        }
        w.StepProgress();
    } catch (const std::exception& e) {
        report.SectionFailed = true;
        ShowError(ExceptionText(e));
    }
}

void Run::PostScriptSection()
{
    // What the documents and pictures queued for a combined job have
    // counted; -1 outside a combined job.
    int combinedQueued = -1;
    try {
        if (s.CombineOutput) {
            // An empty file adds nothing to the combined document.
            QList<Entry> usable;
            for (const Entry& e : std::as_const(psList)) {
                if (e.workFile || HasContent(e.path, e.path))
                    usable << e;
            }
            psList = usable;
        }
        if (s.CombineOutput && !psList.isEmpty()) {
            std::stable_sort(psList.begin(), psList.end(),
                             [](const Entry& a, const Entry& b) { return a.position < b.position; });
            const QString first = s.SelectionOrder.isEmpty() ? psList.first().path : s.SelectionOrder.first();
            outputPath = CheckOutPath(s, first);
            QStringList inputs;
            for (const Entry& e : std::as_const(psList))
                inputs << ShortPath(e.path);
            bool tag = QFileInfo(first).suffix().toLower() != QLatin1String("ps");
            // The header that gets the title is the first input's. When that
            // is the user's own file, a copy is tagged: the program never
            // rewrites a file it was given.
            std::unique_ptr<QTemporaryFile> titleCopy;
            if (tag && s.OutputFormat == ofPDF && !psList.first().workFile) {
                titleCopy = CopyForTagging(psList.first().path);
                if (titleCopy)
                    inputs.first() = ShortPath(titleCopy->fileName());
                else
                    tag = false;
            }
            psInput = inputs.join(' ');
            WriteProtocol(QStringLiteral("PS Dokumente ") + outputPath);
            combinedQueued = report.SuccessCount;
            int selectedInputs = 0;
            for (const Entry& e : std::as_const(psList)) {
                if (IndexIgnoringCase(s.SelectionOrder, e.path) >= 0)
                    ++selectedInputs;
            }
            if (Job(tag, first)) {
                if (s.RenamePS) {
                    for (const Entry& e : std::as_const(psList)) {
                        if (IndexIgnoringCase(s.SelectionOrder, e.path) >= 0)
                            bakList << e.path;
                    }
                }
                report.SuccessCount += selectedInputs;
            } else {
                // Nothing of the combined document exists: nothing counts.
                report.SuccessCount -= combinedQueued;
            }
            combinedQueued = -1;
            w.StepProgress();
            w.ProcessPendingEvents();
        } else if (!s.CombineOutput) {
            for (const Entry& e : std::as_const(psList)) {
                psInput = ShortPath(e.path);
                outputPath = CheckOutPath(s, e.path);
                WriteProtocol(QStringLiteral("PS Dokumente ") + outputPath);
                const bool converted = HasContent(e.path, e.path) && Job(false, e.path);
                if (converted && s.RenamePS)
                    bakList << e.path;
                w.StepProgress();
                if (converted)
                    ++report.SuccessCount;
                w.ProcessPendingEvents();
                if (s.CancelRequested)
                    break;
            }
        }
    } catch (const std::exception& e) {
        if (combinedQueued >= 0)
            report.SuccessCount -= combinedQueued;
        report.SectionFailed = true;
        ShowError(ExceptionText(e));
    }
}

void Run::Close()
{
    w.SetRunning(false);
    docList.clear();
    grafikList.clear();
    psList.clear();
    for (const QString& path : std::as_const(delList)) {
        QFile::remove(RealPath(path));
        WriteProtocol(QStringLiteral("Löschen: ") + path);
    }
    delList.clear();
    for (const QString& path : std::as_const(bakList)) {
        const QString bak = path + QStringLiteral(".bak");
        QFile::remove(bak);
        const bool renamed = QFile::rename(path, bak);
        WriteProtocol(QStringLiteral("Rename to bak: ") + path + QStringLiteral(" - ")
                      + (renamed ? QStringLiteral("True") : QStringLiteral("False")));
    }
    bakList.clear();
    ReleaseShortPaths();
    w.SetProgressPosition(0);
    w.SetBusyCursor(false);
    s.RefreshFileList();
    if (!report.Failures.isEmpty())
        ShowError(report.Failures.join('\n'));
    if (report.SuccessCount > 0)
        MessageDlg(QString(),
                   ReplaceFirst(LangString("Main", "ConvertSuccess", "Es wurde(n) %d Dokument(e) erfolgreich konvertiert."),
                                QStringLiteral("%d"), QString::number(report.SuccessCount)),
                   mtInformation, MsgButtons({mbOK}));
}

ConversionReport Run::Execute()
{
    if (s.SelectedFiles().isEmpty()) {
        MessageDlg(QString(), LangString("Main", "NoDocs", "Es waren keine Dokumente für die Konvertierung ausgewählt."),
                   mtError, MsgButtons({mbOK}));
        return report;
    }
    if (!s.ChosenGhostscript) {
        MessageDlg(QString(),
                   ReplaceFirst(LangString("Main", "NoGsWin32c",
                                           "Ghostscript (%s) wurde nicht gefunden. Bitte überprüfen Sie, ob Ghostscript installiert ist und ob Ghostscript in den Einstellungen korrekt eingetragen ist."),
                                QStringLiteral("%s"), QStringLiteral("gs")),
                   mtError, MsgButtons({mbOK}));
        return report;
    }
    report.Started = true;

    s.CancelRequested = false;
    w.SetRunning(true);
    w.SetBusyCursor(true);
    const QString hashes(46, '#');
    WriteProtocol(hashes);
    WriteProtocol(QStringLiteral("Start"));
    WriteProtocol(hashes);

    Classify();
    DropVanishedFiles();

    const int d = int(docList.size()), g = int(grafikList.size()), n = int(psList.size());
    w.SetProgressMaximum(2 * d + 2 * g + n + 3 + (d > 0 ? 1 : 0) + (g > 0 ? 1 : 0));
    w.SetProgressPosition(0);

    AskOwnerPassword();
    report.SuccessCount = 0;

    WordSection();
    PictureSection();
    PostScriptSection();
    Close();
    return report;
}

}  // namespace

ConversionReport ButtonStartClick(ProgramState& state, RunWindow& window)
{
    Run run(state, window);
    return run.Execute();
}

void ButtonCancelClick(ProgramState& state) { state.CancelRequested = true; }
