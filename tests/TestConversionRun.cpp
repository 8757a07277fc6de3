#include "support/TestEnvironment.h"

#include "core/DialogHost.h"
#include "core/Protocol.h"
#include "engine/ConversionRun.h"
#include "engine/WordAutomation.h"
#include "ghostscript/UGhostscript.h"
#include "platform/PrinterDriver.h"
#include "platform/PrinterSystem.h"
#include "support/PdfCheck.h"
#include "support/RecordingDialogHost.h"
#include "support/RunHarness.h"
#include "support/ScriptedOfficeApplication.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <memory>

#include <unistd.h>

// The conversion run with real Ghostscript, real pictures and PostScript
// files, and a scripted document application for the Word documents.
using namespace RunHarness;

namespace {

const QString kConvertError = QStringLiteral("Beim Konvertieren der Dokumente trat ein Fehler auf:\n\n");
const QString kRefusedEnd = QStringLiteral(
    "Entweder haben Sie PDF-Dateien oder Grafikdateien (TIFF/PCX) gewählt, diese Dateien können aber nicht direkt in ein anderes Format konvertiert werden! Um Grafiken zu konvertieren, fügen Sie diese bitte in ein Worddokument ein und konvertieren Sie dieses dann.");

QString SuccessText(int count)
{
    return QStringLiteral("Es wurde(n) %1 Dokument(e) erfolgreich konvertiert.").arg(count);
}

// Lines written by the steps the run calls (paths, Ghostscript, header
// tagging); the run's own lines are what is left.
QStringList RunOwnLines(const QStringList& lines, const QString& gsExe)
{
    static const QStringList others{"CheckPSPath", "CheckOutPath", "Start PS to PDF", "Begin SetPSFileTags",
                                    "End SetPSFileTags", "Param: ", "Create Outfile to: ", "Create PDF from ",
                                    "paramfile: ", "Ghost OK"};
    QStringList own;
    for (const QString& line : lines) {
        bool other = line == gsExe;
        for (const QString& prefix : others)
            other = other || line.startsWith(prefix);
        if (!other)
            own << line;
    }
    return own;
}

// The rendered ink of page 1 against the place the page printer puts the
// picture (device pixels at 600 dpi); one rendered pixel at 50 dpi is 12.
QString PlacementProblem(const QString& pdf, const QRect& target)
{
    const QImage page = PdfCheck::RenderPage(pdf, 50);
    if (page.isNull())
        return QStringLiteral("no page rendered");
    const QRect ink = PdfCheck::InkBox(page);
    const QRectF expected(target.x() / 12.0, target.y() / 12.0, target.width() / 12.0, target.height() / 12.0);
    const bool ok = std::abs(ink.left() - expected.left()) <= 1.5 && std::abs(ink.top() - expected.top()) <= 1.5
                    && std::abs(ink.right() + 1 - expected.right()) <= 1.5
                    && std::abs(ink.bottom() + 1 - expected.bottom()) <= 1.5;
    if (ok)
        return {};
    return QStringLiteral("ink %1,%2 %3x%4, expected %5,%6 %7x%8")
        .arg(ink.x()).arg(ink.y()).arg(ink.width()).arg(ink.height())
        .arg(expected.x()).arg(expected.y()).arg(expected.width()).arg(expected.height());
}

QString Encryption(const QString& pdf)
{
    return QString::fromUtf8(PdfCheck::Run(QStringLiteral("qpdf"), {QStringLiteral("--show-encryption"), pdf}).output);
}

// A printer driver that takes the job and writes nothing, or fails at its
// end with a message.
class SilentPrinter : public PrinterDriver {
public:
    explicit SilentPrinter(QString failure = {}) : m_failure(std::move(failure)) {}
    QString Name() const override { return QStringLiteral("Silent printer"); }
    void SetPort(const QString& filePath) override { m_port = filePath; }
    QString Port() const override { return m_port; }
    void SetLandscape(bool value) override { m_landscape = value; }
    bool Landscape() const override { return m_landscape; }
    void BeginDoc(const QString&) override { m_printing = true; }
    bool Printing() const override { return m_printing; }
    int DpiX() const override { return 600; }
    int DpiY() const override { return 600; }
    QSize PageSize() const override { return m_landscape ? QSize(7016, 4961) : QSize(4961, 7016); }
    void DrawPicture(const QRect&, const PrintPicture&) override {}
    void EndDoc() override
    {
        m_printing = false;
        if (!m_failure.isEmpty())
            throw std::runtime_error(m_failure.toStdString());
    }

private:
    QString m_failure;
    QString m_port;
    bool m_landscape = false;
    bool m_printing = false;
};

}  // namespace

class TestConversionRun : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::shared_ptr<ScriptedOfficeApplication> m_app;
    std::unique_ptr<RecordingDialogHost> m_dialogs;
    std::unique_ptr<ScopedDialogHost> m_dialogScope;

    QString Path(const QString& name) const { return m_dir->filePath(name); }

    // Empty files stand for Word documents: the scripted application
    // prints any file.
    QString Document(const QString& name)
    {
        const QString path = Path(name);
        WriteFile(path, "a document\n");
        return path;
    }
    QString Picture(const QString& name, QSize size = QSize(400, 200))
    {
        const QString path = Path(name);
        WritePicture(path, size);
        return path;
    }
    QString PostScript(const QString& name, const QStringList& pages, const QString& title = QStringLiteral("input"))
    {
        const QString path = Path(name);
        WritePostScript(path, pages, title);
        return path;
    }

    QList<RecordingDialogHost::Message> Errors() const
    {
        QList<RecordingDialogHost::Message> errors;
        for (const auto& m : m_dialogs->messages) {
            if (m.type == mtError)
                errors << m;
        }
        return errors;
    }

    QString AllMessages() const
    {
        QStringList texts;
        for (const auto& m : m_dialogs->messages)
            texts << m.title + QStringLiteral(" | ") + m.message;
        return texts.join(QStringLiteral("\n"));
    }

    // The last message is the success message with count.
    bool EndsWithSuccess(int count) const
    {
        if (m_dialogs->messages.isEmpty())
            return false;
        const auto& last = m_dialogs->messages.last();
        return last.type == mtInformation && last.title.isEmpty() && last.message == SuccessText(count);
    }

    bool HasSuccessMessage() const
    {
        for (const auto& m : m_dialogs->messages) {
            if (m.message.startsWith(QLatin1String("Es wurde(n)")))
                return true;
        }
        return false;
    }

private slots:
    void initTestCase()
    {
        SetProtocolEnabled(true);
        QVERIFY2(TGhostscriptPool().Count() > 0, "Ghostscript is needed");
    }

    void init()
    {
        // Blanks in the folder's name: every run must cope with them.
        m_dir = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/conversion run XXXXXX"));
        QVERIFY(m_dir->isValid());
        m_app = std::make_shared<ScriptedOfficeApplication>();
        SetOfficeApplicationFactory(m_app->Connector());
        m_dialogScope.reset();
        m_dialogs = std::make_unique<RecordingDialogHost>();
        m_dialogScope = std::make_unique<ScopedDialogHost>(m_dialogs.get());
        PrinterSystem::Instance().Reset();
        ClearLog();
    }

    void cleanup()
    {
        SetOfficeApplicationFactory({});
        m_dialogScope.reset();
        // Whatever a test left read-only goes with its folder.
        for (const QFileInfo& f : QDir(m_dir->path()).entryInfoList(QDir::Files))
            QFile::setPermissions(f.absoluteFilePath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        m_dir.reset();
    }

    void preconditionsStopTheRunQuietly_data()
    {
        QTest::addColumn<bool>("selection");
        QTest::addColumn<bool>("ghostscript");
        QTest::addColumn<QString>("message");
        QTest::newRow("nothing selected") << false << true
                                          << QStringLiteral("Es waren keine Dokumente für die Konvertierung ausgewählt.");
        QTest::newRow("no Ghostscript")
            << true << false
            << QStringLiteral("Ghostscript (gs) wurde nicht gefunden. Bitte überprüfen Sie, ob Ghostscript installiert ist und ob Ghostscript in den Einstellungen korrekt eingetragen ist.");
    }

    void preconditionsStopTheRunQuietly()
    {
        QFETCH(bool, selection);
        QFETCH(bool, ghostscript);
        QFETCH(QString, message);
        const QString ps = PostScript(QStringLiteral("a.ps"), {QStringLiteral("A")});
        ProgramState s = StateFor(selection ? QStringList{ps} : QStringList{});
        if (!ghostscript)
            s.ChosenGhostscript = nullptr;
        s.CancelRequested = true;
        int refreshed = 0;
        s.RefreshFileListHook = [&] { ++refreshed; };
        ClearLog();

        TestRunWindow w;
        const ConversionReport r = ButtonStartClick(s, w);

        QVERIFY(!r.Started);
        QCOMPARE(m_dialogs->messages.size(), 1);
        QCOMPARE(m_dialogs->messages[0].type, mtError);
        QVERIFY(m_dialogs->messages[0].title.isEmpty());
        QCOMPARE(m_dialogs->messages[0].message, message);
        // Nothing changed: buttons, cursor, progress, flag, log, files.
        QVERIFY(w.calls.isEmpty());
        QCOMPARE(w.maximum, -1);
        QVERIFY(s.CancelRequested);
        QCOMPARE(refreshed, 0);
        QVERIFY(LogLines().isEmpty());
        QVERIFY(!QFileInfo::exists(Path("a.pdf")));
    }

    void refusedFilesGetOneWarning_data()
    {
        QTest::addColumn<QStringList>("refused");  // a trailing "/" makes a folder
        QTest::addColumn<QString>("title");
        QTest::newRow("one file") << QStringList{"d.tif"} << QStringLiteral("Eine ausgewählte Datei wird nicht konvertiert.");
        QTest::newRow("two files") << QStringList{"d.tif", "e.pdf"}
                                   << QStringLiteral("2 ausgewählte Dateien werden nicht konvertiert.");
        // A folder is never converted, whatever its name looks like.
        QTest::newRow("folders") << QStringList{"folder/", "looks like.ps/", "pictures.png/"}
                                 << QStringLiteral("3 ausgewählte Dateien werden nicht konvertiert.");
    }

    void refusedFilesGetOneWarning()
    {
        QFETCH(QStringList, refused);
        QFETCH(QString, title);
        QStringList files{Document("a.docx"), Picture("b.JPEG"), PostScript("c.prn", {"C"})};
        for (const QString& name : refused) {
            const QString path = Path(name);
            if (name.endsWith('/'))
                QDir().mkpath(path);
            else
                WriteFile(path, "not for conversion");
            files << (name.endsWith('/') ? path.chopped(1) : path);
        }
        ProgramState s = StateFor(files);

        TestRunWindow w;
        const ConversionReport r = ButtonStartClick(s, w);

        QCOMPARE(r.Refused, refused.size());
        QCOMPARE(m_dialogs->messages.size(), 2);
        QCOMPARE(m_dialogs->messages[0].type, mtWarning);
        QCOMPARE(m_dialogs->messages[0].title, title);
        QCOMPARE(m_dialogs->messages[0].message, kRefusedEnd);
        QVERIFY2(EndsWithSuccess(3), qPrintable(AllMessages()));
        for (const char* out : {"a.pdf", "b.pdf", "c.pdf"})
            QVERIFY2(QFileInfo::exists(Path(out)), out);
        QVERIFY(!QFileInfo::exists(Path("d.pdf")));
    }

    void onlyRefusedFilesEndWithoutSuccessMessage()
    {
        const QString tif = Path("scan.tif");
        const QString pdf = Path("report.pdf");
        WriteFile(tif, "II*");
        WriteFile(pdf, "%PDF-1.4");
        const Stamp before = StampOf(pdf);
        ProgramState s = StateFor({tif, pdf});
        int refreshed = 0;
        s.RefreshFileListHook = [&] { ++refreshed; };

        TestRunWindow w;
        const ConversionReport r = ButtonStartClick(s, w);

        QVERIFY(r.Started);
        QCOMPARE(r.SuccessCount, 0);
        QCOMPARE(m_dialogs->messages.size(), 1);
        QCOMPARE(m_dialogs->messages[0].title, QStringLiteral("2 ausgewählte Dateien werden nicht konvertiert."));
        QCOMPARE(w.calls, QStringList({"running", "busy", "idle", "default"}));
        QCOMPARE(w.position, 0);
        QCOMPARE(refreshed, 1);
        QVERIFY(StampOf(pdf) == before);
    }

    void progressMaximumCountsWhatIsLeft_data()
    {
        QTest::addColumn<int>("documents");
        QTest::addColumn<int>("pictures");
        QTest::addColumn<int>("postscript");
        QTest::addColumn<bool>("pictureVanishes");
        QTest::addColumn<int>("maximum");
        QTest::newRow("one PostScript file") << 0 << 0 << 1 << false << 4;
        QTest::newRow("one document") << 1 << 0 << 0 << false << 6;
        QTest::newRow("one picture") << 0 << 1 << 0 << false << 6;
        QTest::newRow("all kinds") << 2 << 3 << 1 << false << 16;
        QTest::newRow("a vanished picture does not count") << 0 << 2 << 1 << true << 7;
    }

    void progressMaximumCountsWhatIsLeft()
    {
        QFETCH(int, documents);
        QFETCH(int, pictures);
        QFETCH(int, postscript);
        QFETCH(bool, pictureVanishes);
        QFETCH(int, maximum);
        QStringList files;
        for (int i = 0; i < documents; ++i)
            files << Document(QStringLiteral("doc%1.docx").arg(i));
        for (int i = 0; i < pictures; ++i)
            files << Picture(QStringLiteral("pic%1.png").arg(i), QSize(40, 30));
        for (int i = 0; i < postscript; ++i)
            files << PostScript(QStringLiteral("ps%1.ps").arg(i), {QStringLiteral("P")});
        ProgramState s = StateFor(files);
        const QString vanished = files.filter(QStringLiteral(".png")).value(0);
        if (pictureVanishes)
            QVERIFY(QFile::remove(vanished));

        TestRunWindow w;
        const ConversionReport r = ButtonStartClick(s, w);

        QCOMPARE(w.maximum, maximum);
        QVERIFY2(w.highest <= w.maximum, qPrintable(QStringLiteral("%1 steps").arg(w.highest)));
        QCOMPARE(w.position, 0);
        const int converted = documents + pictures + postscript - (pictureVanishes ? 1 : 0);
        QCOMPARE(r.SuccessCount, converted);
        QVERIFY2(EndsWithSuccess(converted), qPrintable(AllMessages()));
        if (pictureVanishes) {
            // Dropped without a word, and gone from the selection order.
            QCOMPARE(m_dialogs->messages.size(), 1);
            QVERIFY(!s.SelectionOrder.contains(vanished));
            QCOMPARE(s.SelectionOrder.size(), files.size() - 1);
            QCOMPARE(r.Dropped, QStringList{vanished});
        }
    }

    void ownerPasswordIsAskedOncePerRun_data()
    {
        QTest::addColumn<bool>("ok");
        QTest::addColumn<bool>("save");
        QTest::newRow("cancelled") << false << false;
        QTest::newRow("entered") << true << false;
        QTest::newRow("entered and saved") << true << true;
    }

    void ownerPasswordIsAskedOncePerRun()
    {
        QFETCH(bool, ok);
        QFETCH(bool, save);
        const QStringList files{Picture("a.png", QSize(40, 30)), PostScript("b.ps", {"B"}), PostScript("c.ps", {"C"})};
        ProgramState s = StateFor(files);
        s.Bit = 2;
        // An old Ghostscript: the version check warns whenever it is made.
        TGhostscript old(QStringLiteral("/usr/bin/libgs.so"), 2, QStringLiteral("8.10"));
        s.ChosenGhostscript = &old;
        m_dialogs->passwordAnswers << RecordingDialogHost::PasswordAnswer{ok, QStringLiteral("owner-secret"), save};

        TestRunWindow w;
        const ConversionReport r = ButtonStartClick(s, w);

        QCOMPARE(m_dialogs->passwordRequests.size(), 1);
        const auto& request = m_dialogs->passwordRequests[0];
        QCOMPARE(request.description, QStringLiteral("Bitte geben Sie das Passwort zum Abschalten vom Dokumentenschutz ein."));
        QVERIFY(!request.repeat);
        QVERIFY(!request.save);
        const QString warning = QStringLiteral("Für diese PDF-Erstellung mit Verschlüsselung wird mindestens die Version 8.14 von Ghostscript benötigt.");
        int warnings = 0;
        for (const auto& m : m_dialogs->messages)
            warnings += m.title == warning ? 1 : 0;
        QCOMPARE(warnings, ok ? 1 : 0);
        QCOMPARE(s.ProtP, save ? QStringLiteral("owner-secret") : QString());
        QCOMPARE(r.SuccessCount, 3);
        for (const char* out : {"a.pdf", "b.pdf", "c.pdf"}) {
            const QString encryption = Encryption(Path(out));
            QVERIFY2(ok ? encryption.contains(QLatin1String("R = 3")) : encryption.contains(QLatin1String("not encrypted")),
                     qPrintable(encryption));
        }

        // A saved password is not asked for again.
        s.SelectedFilesHook = [p = files[1]] { return QStringList{p}; };
        ButtonStartClick(s, w);
        QCOMPARE(m_dialogs->passwordRequests.size(), save ? 1 : 2);
    }

    void noPasswordPromptWithoutEncryptedPdf_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("bit");
        QTest::addColumn<bool>("fileVanishes");
        QTest::newRow("no encryption") << int(ofPDF) << 0 << false;
        QTest::newRow("JPEG output") << int(ofJPEG) << 2 << false;
        QTest::newRow("nothing left to convert") << int(ofPDF) << 1 << true;
    }

    void noPasswordPromptWithoutEncryptedPdf()
    {
        QFETCH(int, format);
        QFETCH(int, bit);
        QFETCH(bool, fileVanishes);
        const QString ps = PostScript("a.ps", {"A"});
        ProgramState s = StateFor({ps});
        s.OutputFormat = uint8_t(format);
        s.Bit = uint8_t(bit);
        if (fileVanishes)
            QFile::remove(ps);
        TestRunWindow w;
        ButtonStartClick(s, w);
        QVERIFY(m_dialogs->passwordRequests.isEmpty());
    }

    void logOfASmallRun()
    {
        // Paths without blanks, so that the log shows them as they are.
        QTemporaryDir plain(QDir::tempPath() + QStringLiteral("/kalvinora-log-XXXXXX"));
        const QString png = plain.filePath("bild.png");
        const QString ps = plain.filePath("druck.ps");
        WritePicture(png, QSize(40, 30));
        WritePostScript(ps, {"Druck"});
        ProgramState s = StateFor({ps, png});
        s.DelPS = true;
        s.RenamePS = true;
        const QString gs = s.ChosenGhostscript->ExePath();
        ClearLog();

        TestRunWindow w;
        ButtonStartClick(s, w);

        const QString hashes(46, '#');
        const QString work = plain.filePath("bild.ps");
        QStringList lines = RunOwnLines(LogLines(), gs);
        const int sizeLine = int(lines.indexOf(QRegularExpression(QStringLiteral("^") + QRegularExpression::escape(work) + QStringLiteral(": [1-9][0-9]*$"))));
        QVERIFY2(sizeLine > 0, qPrintable(lines.join('\n')));
        lines[sizeLine] = work + QStringLiteral(": size");
        const QStringList expected{hashes,
                                   "Start",
                                   hashes,
                                   "PS: " + ps,
                                   "Doc: ",
                                   "Grafik: " + png,
                                   "iPrinter: -1 - Kalvinora PostScript",
                                   "iPrinter: 0",
                                   "Printer >Kalvinora PostScript< gesetzt",
                                   "Dokument: " + png,
                                   "Dokument verbunden",
                                   "Dokument2: " + work,
                                   work + ": size",
                                   "vor Ps To PDF",
                                   "nach Ps To PDF",
                                   "nächste Grafik",
                                   "PS Dokumente " + ps,
                                   "Löschen: " + work,
                                   "Rename to bak: " + ps + " - True"};
        QCOMPARE(lines, expected);

        // The printer found and selected once stays so for the next run.
        ClearLog();
        s.SelectedFilesHook = [png] { return QStringList{png}; };
        ButtonStartClick(s, w);
        lines = RunOwnLines(LogLines(), gs);
        QVERIFY2(lines.contains("iPrinter: 0 - Kalvinora PostScript"), qPrintable(lines.join('\n')));
        QVERIFY(!lines.contains("iPrinter: 0"));
        QVERIFY(lines.contains("Printer >Kalvinora PostScript< war bereits gesetzt "));
    }

    void picturesOfEveryKindBecomeOnePage()
    {
        const QStringList names{"eins.bmp", "zwei.jpg", "drei.jpeg", "vier.png", "fuenf.gif"};
        QStringList files;
        for (const QString& name : names)
            files << Picture(name, QSize(400, 200));
        ProgramState s = StateFor(files);

        TestRunWindow w;
        const ConversionReport r = ButtonStartClick(s, w);

        QVERIFY2(r.Failures.isEmpty(), qPrintable(r.Failures.join('\n')));
        QVERIFY2(EndsWithSuccess(5), qPrintable(AllMessages()));
        for (const QString& name : names) {
            const QString base = QFileInfo(name).completeBaseName();
            const QString pdf = Path(base + ".pdf");
            QCOMPARE(PdfCheck::PdfInfoField(pdf, "Pages"), QStringLiteral("1"));
            QCOMPARE(PdfCheck::PdfInfoField(pdf, "Page size"), QStringLiteral("842 x 595 pts (A4)"));
            QCOMPARE(PdfCheck::PdfInfoField(pdf, "Title"), base);
            // Landscape, default margins 20, 15, 10, 20 mm, centred: the
            // picture fills the width of the margin box.
            const QString problem = PlacementProblem(pdf, QRect(472, 845, 6307, 3154));
            QVERIFY2(problem.isEmpty(), qPrintable(name + ": " + problem));
            // The work file went with the run.
            QVERIFY(!QFileInfo::exists(Path(base + ".ps")));
        }
    }

    void placementSettingsReachThePage_data()
    {
        QTest::addColumn<QPoint>("position");
        QTest::addColumn<QRect>("target");
        // A square picture prints portrait; 10 mm margins are 236.22 pixels.
        QTest::newRow("top left") << QPoint(0, 0) << QRect(236, 236, 4489, 4489);
        QTest::newRow("bottom right") << QPoint(2, 2) << QRect(236, 2291, 4489, 4489);
    }

    void placementSettingsReachThePage()
    {
        QFETCH(QPoint, position);
        QFETCH(QRect, target);
        const QString png = Picture("square.png", QSize(300, 300));
        ProgramState s = StateFor({png});
        s.GrPicturePosX = uint8_t(position.x());
        s.GrPicturePosY = uint8_t(position.y());
        s.GrBorderLeft = s.GrBorderTop = s.GrBorderRight = s.GrBorderBottom = 10;

        TestRunWindow w;
        ButtonStartClick(s, w);

        const QString pdf = Path("square.pdf");
        QCOMPARE(PdfCheck::PdfInfoField(pdf, "Page size"), QStringLiteral("595 x 842 pts (A4)"));
        const QString problem = PlacementProblem(pdf, target);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }

    void wordSectionFailureEndsOnlyThatSection_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("text");
        QTest::newRow("no connection")
            << "connect"
            << QStringLiteral("Der Zugriff auf die COM-Schnittstelle von Winword wurde verweigert (refused again). Dieser Fehler lässt sich im Allgemeinen durch die Neuinstallation oder Reperaturinstallation von Winword beheben.");
        QTest::newRow("unknown printer")
            << "printer"
            << QStringLiteral("Der gewählte Drucker \"Nowhere Printer\" konnte nicht eingestellt werden (There is a printer error.).");
        QTest::newRow("first document fails to print")
            << "print"
            << QStringLiteral("Der Zugriff auf die COM-Schnittstelle vom Winword-Dokument schlug fehl (The printer is out of paper.). Starten Sie Windows neu und versuchen Sie es erneut. Sollte dieser Fehler erneut auftreten, versuchen Sie einen anderen Druckertreiber oder verkleinern Sie das Dokument.");
    }

    void wordSectionFailureEndsOnlyThatSection()
    {
        QFETCH(QString, failure);
        QFETCH(QString, text);
        const QString a = Document("a.docx");
        const QString b = Document("b.docx");
        ProgramState s = StateFor({a, b, Picture("c.png", QSize(40, 30)), PostScript("d.ps", {"D"})});
        if (failure == "connect")
            m_app->connectFailures = {"refused", "refused again"};
        else if (failure == "printer")
            s.Printer = QStringLiteral("Nowhere Printer");
        else
            m_app->failures.insert(QStringLiteral("PrintOut"), QStringLiteral("The printer is out of paper."));

        TestRunWindow w;
        const ConversionReport r = ButtonStartClick(s, w);

        const auto errors = Errors();
        QCOMPARE(errors.size(), 1);
        QVERIFY(errors[0].title.isEmpty());
        QCOMPARE(errors[0].message, kConvertError + text);
        QVERIFY(r.SectionFailed);
        // The second document is never touched; the application keeps the
        // PostScript printer and is neither quit nor shown.
        QVERIFY(m_app->calls.filter(QStringLiteral("Documents.Open(b.docx)")).isEmpty());
        QVERIFY(!m_app->calls.contains(QStringLiteral("Quit")));
        QVERIFY(!m_app->calls.contains(QStringLiteral("Visible=true")));
        if (failure == "print")
            QCOMPARE(m_app->activePrinter, QStringLiteral("Kalvinora PostScript"));
        QVERIFY(!QFileInfo::exists(Path("a.pdf")));
        QVERIFY(!QFileInfo::exists(Path("b.pdf")));
        // Pictures and PostScript files still convert, and only they count.
        QVERIFY(QFileInfo::exists(Path("c.pdf")));
        QVERIFY(QFileInfo::exists(Path("d.pdf")));
        QVERIFY2(EndsWithSuccess(2), qPrintable(AllMessages()));
    }

    void openDocumentsStayOpen_data()
    {
        QTest::addColumn<bool>("alreadyOpen");
        QTest::newRow("one was open") << true;
        QTest::newRow("none was open") << false;
    }

    void openDocumentsStayOpen()
    {
        QFETCH(bool, alreadyOpen);
        const QString a = Document("a.docx");
        const QString b = Document("b.docx");
        if (alreadyOpen)
            m_app->AddOpenDocument(a, true);
        m_app->printReverse = true;
        ProgramState s = StateFor({a, b});

        TestRunWindow w;
        const ConversionReport r = ButtonStartClick(s, w);

        QCOMPARE(r.SuccessCount, 2);
        QVERIFY(QFileInfo::exists(Path("a.pdf")));
        QVERIFY(QFileInfo::exists(Path("b.pdf")));
        QCOMPARE(m_app->calls.filter(QStringLiteral("Documents.Open(a.docx)")).size(), alreadyOpen ? 0 : 1);
        // Opened through the folder's blank-free alias, b is closed under
        // that name; a, open before, is never closed.
        QCOMPARE(m_app->calls.filter(QStringLiteral("a.docx > Close")).size(), alreadyOpen ? 0 : 1);
        QCOMPARE(m_app->calls.filter(QStringLiteral("b.docx > Close(false)")).size(), 1);
        QCOMPARE(m_app->OpenDocuments(), alreadyOpen ? QStringList{a} : QStringList{});
        QCOMPARE(m_app->calls.contains(QStringLiteral("Visible=true")), alreadyOpen);
        QCOMPARE(m_app->quit, !alreadyOpen);
        QCOMPARE(m_app->activePrinter, QStringLiteral("HP LaserJet 4"));
        QCOMPARE(m_app->printReverseAtPrint, QList<bool>({false, false}));
        QVERIFY(m_app->printReverse);
        QCOMPARE(m_app->calls.filter(QStringLiteral("a.docx > PrintOut(false,")).size(), 1);
    }

    void cancelEndsOnlyTheRunningSection_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<bool>("combine");
        QTest::addColumn<QStringList>("converted");  // outputs; combined: the pages' texts
        QTest::addColumn<int>("counted");
        QTest::newRow("during the documents") << QStringList{"d1.docx", "d2.docx", "d3.docx", "p.png", "s.ps"} << false
                                              << QStringList{"d1", "p", "s"} << 3;
        // Each later section converts its first item before it looks.
        QTest::newRow("during the pictures") << QStringList{"p1.png", "p2.png", "p3.png", "s1.ps", "s2.ps"} << false
                                             << QStringList{"p1", "s1"} << 2;
        // The combined job runs in full: every PostScript file is in it.
        QTest::newRow("during the pictures, combined")
            << QStringList{"p1.png", "p2.png", "p3.png", "s1.ps", "s2.ps"} << true << QStringList{"", "s1.ps", "s2.ps"} << 3;
    }

    void cancelEndsOnlyTheRunningSection()
    {
        QFETCH(QStringList, names);
        QFETCH(bool, combine);
        QFETCH(QStringList, converted);
        QFETCH(int, counted);
        QStringList files;
        for (const QString& name : names) {
            if (name.endsWith(".docx"))
                files << Document(name);
            else if (name.endsWith(".png"))
                files << Picture(name, QSize(40, 30));
            else
                files << PostScript(name, {name});
        }
        ProgramState s = StateFor(files);
        s.CombineOutput = combine;
        int refreshed = 0;
        s.RefreshFileListHook = [&] { ++refreshed; };
        TestRunWindow w;
        // The user clicks cancel while the first item is converted; the
        // click is seen when the run next handles events.
        w.onEvents = [&] { ButtonCancelClick(s); };

        const ConversionReport r = ButtonStartClick(s, w);

        if (combine) {
            const QString pdf = Path(QFileInfo(names[0]).completeBaseName() + ".pdf");
            QCOMPARE(PdfPages(pdf), int(converted.size()));
            for (int i = 0; i < converted.size(); ++i)
                QCOMPARE(PdfText(pdf, i + 1), converted[i]);
        } else {
            for (const QString& name : names) {
                const QString base = QFileInfo(name).completeBaseName();
                QCOMPARE(QFileInfo::exists(Path(base + ".pdf")), converted.contains(base));
            }
        }
        QCOMPARE(r.SuccessCount, counted);
        QVERIFY2(EndsWithSuccess(counted), qPrintable(AllMessages()));
        QCOMPARE(w.calls, QStringList({"running", "busy", "idle", "default"}));
        QCOMPARE(refreshed, 1);
        if (names[0].endsWith(".docx")) {
            // The application is put back as it was.
            QCOMPARE(m_app->activePrinter, QStringLiteral("HP LaserJet 4"));
            QVERIFY(m_app->quit);
            QVERIFY(m_app->calls.filter(QStringLiteral("Documents.Open(d2.docx)")).isEmpty());
        }
    }

    void workFilesGoAndPostScriptInputsStay_data()
    {
        QTest::addColumn<bool>("combine");
        QTest::addColumn<bool>("delPS");
        QTest::newRow("one output each, DelPS on") << false << true;
        QTest::newRow("one output each, DelPS off") << false << false;
        QTest::newRow("combined, DelPS on") << true << true;
    }

    void workFilesGoAndPostScriptInputsStay()
    {
        QFETCH(bool, combine);
        QFETCH(bool, delPS);
        const QString ps = PostScript("c.ps", {"C1", "C2"});
        const QString prn = PostScript("e.prn", {"E"});
        const Stamp psBefore = StampOf(ps), prnBefore = StampOf(prn);
        ProgramState s = StateFor({Document("a.docx"), Picture("b.png", QSize(40, 30)), ps, prn});
        s.CombineOutput = combine;
        s.DelPS = delPS;

        TestRunWindow w;
        const ConversionReport r = ButtonStartClick(s, w);

        QVERIFY2(r.Failures.isEmpty(), qPrintable(r.Failures.join('\n')));
        QCOMPARE(QFileInfo::exists(Path("a.ps")), !delPS);
        QCOMPARE(QFileInfo::exists(Path("b.ps")), !delPS);
        QVERIFY(StampOf(ps) == psBefore);
        QVERIFY(StampOf(prn) == prnBefore);
        if (combine) {
            QCOMPARE(PdfPages(Path("a.pdf")), 5);
            QVERIFY(!QFileInfo::exists(Path("b.pdf")));
        } else {
            for (const char* out : {"a.pdf", "b.pdf", "c.pdf", "e.pdf"})
                QVERIFY2(QFileInfo::exists(Path(out)), out);
        }
        QVERIFY2(EndsWithSuccess(4), qPrintable(AllMessages()));
        // The blank-free aliases of the run are gone with it.
        const QDir links(TestEnvironment::DataFolder() + QStringLiteral("links"));
        QVERIFY(!links.exists() || links.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).isEmpty());
    }

    void renamePSReplacesAnOldBackup_data()
    {
        QTest::addColumn<bool>("combine");
        QTest::newRow("one output each") << false;
        QTest::newRow("combined") << true;
    }

    void renamePSReplacesAnOldBackup()
    {
        QFETCH(bool, combine);
        const QString png = Picture("p.png", QSize(40, 30));
        const QString ps = PostScript("x.ps", {"X"});
        const QString prn = PostScript("y.prn", {"Y"});
        WriteFile(ps + ".bak", "an older backup");
        const QByteArray psBytes = StampOf(ps).bytes, prnBytes = StampOf(prn).bytes;
        const Stamp pngBefore = StampOf(png);
        ProgramState s = StateFor({png, ps, prn});
        s.RenamePS = true;
        s.CombineOutput = combine;

        TestRunWindow w;
        ButtonStartClick(s, w);

        QVERIFY(!QFileInfo::exists(ps));
        QVERIFY(!QFileInfo::exists(prn));
        QCOMPARE(StampOf(ps + ".bak").bytes, psBytes);
        QCOMPARE(StampOf(prn + ".bak").bytes, prnBytes);
        // Pictures and work files are no PostScript inputs of the user's.
        QVERIFY(StampOf(png) == pngBefore);
        QVERIFY(!QFileInfo::exists(png + ".bak"));
        QVERIFY(!QFileInfo::exists(Path("p.ps.bak")));
        QVERIFY(LogLines().contains("Rename to bak: " + ps + " - True"));
        QCOMPARE(QFileInfo::exists(Path("x.pdf")), !combine);
        QVERIFY(QFileInfo::exists(Path("p.pdf")));
    }

    void outputGoesIntoAFolderWithABlank_data()
    {
        QTest::addColumn<bool>("combine");
        QTest::newRow("one output each") << false;
        QTest::newRow("combined") << true;
    }

    void outputGoesIntoAFolderWithABlank()
    {
        QFETCH(bool, combine);
        QDir().mkpath(Path("in put"));
        QDir().mkpath(Path("out put"));
        const QString doc = Path("in put/my letter.docx");
        WriteFile(doc, "a document\n");
        const QString png = Path("in put/holiday photo.png");
        WritePicture(png, QSize(40, 30));
        const QString ps = Path("in put/print out.ps");
        WritePostScript(ps, {"Print"});
        ProgramState s = StateFor({doc, png, ps});
        s.OutputDir = Path("out put");
        s.CombineOutput = combine;

        TestRunWindow w;
        const ConversionReport r = ButtonStartClick(s, w);

        QVERIFY2(r.Failures.isEmpty(), qPrintable(r.Failures.join('\n')));
        QStringList outputs = QDir(Path("out put")).entryList(QDir::Files, QDir::Name);
        const QStringList expected = combine ? QStringList{"my letter.pdf"}
                                             : QStringList{"holiday photo.pdf", "my letter.pdf", "print out.pdf"};
        QCOMPARE(outputs, expected);
        if (combine)
            QCOMPARE(PdfPages(Path("out put/my letter.pdf")), 3);
        QVERIFY(QDir(Path("in put")).entryList({"*.pdf"}, QDir::Files).isEmpty());
    }

    void combinedOutputFollowsTheSelectionOrder_data()
    {
        QTest::addColumn<QStringList>("order");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QStringList>("pages");  // text of each page; empty: the picture
        // Named after the file selected first; a PostScript file selected
        // first keeps its own title, anything else gives the output's name.
        QTest::newRow("print file first") << QStringList{"second.prn", "pic.png", "first.ps"} << "second.pdf"
                                          << "second" << QStringList{"Second", "", "First A", "First B"};
        QTest::newRow("PostScript file first") << QStringList{"first.ps", "second.prn", "pic.png"} << "first.pdf"
                                               << "First title" << QStringList{"First A", "First B", "Second", ""};
        QTest::newRow("picture first") << QStringList{"pic.png", "first.ps", "second.prn"} << "pic.pdf"
                                       << "pic" << QStringList{"", "First A", "First B", "Second"};
    }

    void combinedOutputFollowsTheSelectionOrder()
    {
        QFETCH(QStringList, order);
        QFETCH(QString, output);
        QFETCH(QString, title);
        QFETCH(QStringList, pages);
        const QString first = PostScript("first.ps", {"First A", "First B"}, "First title");
        const QString second = PostScript("second.prn", {"Second"}, "Second title");
        const QString pic = Picture("pic.png", QSize(40, 30));
        const Stamp firstBefore = StampOf(first), secondBefore = StampOf(second);
        // The list shows the files in its own order; the order of selection
        // is what counts.
        ProgramState s = StateFor({pic, second, first});
        s.SelectionOrder.clear();
        for (const QString& name : order)
            s.SelectionOrder << Path(name);
        s.CombineOutput = true;

        TestRunWindow w;
        const ConversionReport r = ButtonStartClick(s, w);

        QVERIFY2(r.Failures.isEmpty(), qPrintable(r.Failures.join('\n')));
        QVERIFY2(EndsWithSuccess(3), qPrintable(AllMessages()));
        const QString pdf = Path(output);
        QCOMPARE(PdfPages(pdf), int(pages.size()));
        for (int i = 0; i < pages.size(); ++i) {
            QCOMPARE(PdfText(pdf, i + 1), pages[i]);
            QCOMPARE(PdfImagesOnPage(pdf, i + 1), pages[i].isEmpty() ? 1 : 0);
        }
        QCOMPARE(PdfCheck::PdfInfoField(pdf, "Title"), title);
        // The title is given without rewriting the user's files.
        QVERIFY(StampOf(first) == firstBefore);
        QVERIFY(StampOf(second) == secondBefore);
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files).size(), 4);
    }

    void badInputIsReportedByNameAndNothingIsChanged()
    {
        const QString goodPng = Picture("photo.png", QSize(40, 30));
        const QString goodPs = PostScript("good.ps", {"Good"});
        const QString corrupt = Path("corrupt.jpg");
        WriteFile(corrupt, QByteArray("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00", 11) + QByteArray(300, 'x'));
        const QString empty = Path("empty.ps");
        WriteFile(empty, QByteArray());
        const QString text = Path("text.ps");
        WriteFile(text, "Dear reader,\nthis is a letter and no PostScript at all.\n");
        const QString gone = Picture("gone.png", QSize(40, 30));
        const QString readOnly = PostScript("readonly.ps", {"Read only"});
        QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::ReadGroup);
        const QString unreadable = Picture("unreadable.png", QSize(40, 30));
        QFile::setPermissions(unreadable, QFileDevice::WriteOwner);
        const QStringList files{goodPng, goodPs, corrupt, empty, text, gone, readOnly, unreadable};
        ProgramState s = StateFor(files);
        s.RenamePS = true;
        QVERIFY(QFile::remove(gone));
        QMap<QString, Stamp> before;
        for (const QString& f : files)
            before.insert(f, StampOf(f));
        // Root reads any file; anyone else is refused the unreadable one.
        const bool root = ::geteuid() == 0;

        TestRunWindow w;
        const ConversionReport r = ButtonStartClick(s, w);

        // One error dialog, after the run, naming every file that failed.
        const auto errors = Errors();
        QCOMPARE(errors.size(), 1);
        QStringList failed{corrupt, empty, text};
        if (!root)
            failed << unreadable;
        QCOMPARE(r.Failures.size(), failed.size());
        for (const QString& f : failed) {
            QVERIFY2(errors[0].message.contains(f + ": "), qPrintable(errors[0].message));
            QVERIFY(!QFileInfo::exists(QFileInfo(f).path() + '/' + QFileInfo(f).completeBaseName() + ".pdf"));
        }
        QVERIFY2(r.Failures.filter(corrupt).value(0).contains(QLatin1String("kann nicht gelesen werden")),
                 qPrintable(r.Failures.join('\n')));
        QVERIFY2(r.Failures.filter(text).value(0).contains(QLatin1String("Ghostscript")), qPrintable(r.Failures.join('\n')));
        QVERIFY2(r.Failures.filter(empty).value(0).contains(QLatin1String("ist leer")), qPrintable(r.Failures.join('\n')));
        // Dropped as the run drops them: without a word.
        QCOMPARE(r.Dropped, (QStringList{gone, readOnly}));
        QVERIFY(!AllMessages().contains(QLatin1String("gone.png")));
        QVERIFY(!AllMessages().contains(QLatin1String("readonly.ps")));
        // The others are converted and counted.
        const int converted = root ? 3 : 2;
        QVERIFY2(EndsWithSuccess(converted), qPrintable(AllMessages()));
        QVERIFY(QFileInfo::exists(Path("good.pdf")));
        QVERIFY(QFileInfo::exists(Path("photo.pdf")));
        QCOMPARE(QFileInfo::exists(Path("unreadable.pdf")), root);
        QVERIFY(!QFileInfo::exists(Path("corrupt.ps")));
        // No input changed; only the converted PostScript file got its
        // backup name, a failed one keeps its own.
        QCOMPARE(StampOf(goodPs + ".bak").bytes, before[goodPs].bytes);
        for (const QString& f : {goodPng, corrupt, empty, text, readOnly, unreadable})
            QVERIFY2(StampOf(f) == before[f], qPrintable(f));
    }

    void pictureThatDoesNotPrintIsReported_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("reason");
        QTest::newRow("printer writes nothing") << QString() << "ist leer";
        QTest::newRow("printer fails") << "The spooler stopped." << "The spooler stopped.";
    }

    void pictureThatDoesNotPrintIsReported()
    {
        QFETCH(QString, failure);
        QFETCH(QString, reason);
        PrinterSystem::Instance().AddPrinter(std::make_shared<SilentPrinter>(failure));
        const QString png = Picture("pic.png", QSize(40, 30));
        const QString ps = PostScript("other.ps", {"Other"});
        ProgramState s = StateFor({png, ps});
        s.Printer = QStringLiteral("Silent printer");

        TestRunWindow w;
        const ConversionReport r = ButtonStartClick(s, w);

        QCOMPARE(r.Failures.size(), 1);
        QVERIFY2(r.Failures[0].startsWith(png + ": ") && r.Failures[0].contains(reason), qPrintable(r.Failures[0]));
        QVERIFY(!QFileInfo::exists(Path("pic.pdf")));
        QVERIFY(!QFileInfo::exists(Path("pic.ps")));
        QVERIFY(QFileInfo::exists(Path("other.pdf")));
        QVERIFY2(EndsWithSuccess(1), qPrintable(AllMessages()));
    }

    void failedCombinedJobCountsNothing()
    {
        const QString png = Picture("pic.png", QSize(40, 30));
        const QString text = Path("text.ps");
        WriteFile(text, "no PostScript here\n");
        const Stamp textBefore = StampOf(text);
        ProgramState s = StateFor({png, text});
        s.CombineOutput = true;

        TestRunWindow w;
        const ConversionReport r = ButtonStartClick(s, w);

        QCOMPARE(r.SuccessCount, 0);
        QVERIFY(!HasSuccessMessage());
        const auto errors = Errors();
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors[0].message.contains(text), qPrintable(errors[0].message));
        QVERIFY(!QFileInfo::exists(Path("pic.ps")));
        QVERIFY(StampOf(text) == textBefore);
    }

    void sameNamedFilesNeverReplaceEachOther_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<bool>("combine");
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("failing");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<int>("converted");
        // The document's work file would be the selected PostScript file.
        QTest::newRow("document beside its PostScript file")
            << QStringList{"a.docx", "a.ps"} << false << int(ofPDF) << "a.docx" << "Die Arbeitsdatei" << 1;
        QTest::newRow("two pictures of one name")
            << QStringList{"b.png", "b.jpg"} << false << int(ofPDF) << "b.jpg" << "Die Ausgabedatei" << 1;
        QTest::newRow("two pictures of one name, combined")
            << QStringList{"b.png", "b.jpg"} << true << int(ofPDF) << "b.jpg" << "Die Arbeitsdatei" << 1;
        // Page 1 of c.ps would be written as c1.jpg.
        QTest::newRow("output named like a selected picture")
            << QStringList{"c.ps", "c1.jpg"} << false << int(ofJPEG) << "c.ps" << "Die Ausgabedatei" << 1;
    }

    void sameNamedFilesNeverReplaceEachOther()
    {
        QFETCH(QStringList, names);
        QFETCH(bool, combine);
        QFETCH(int, format);
        QFETCH(QString, failing);
        QFETCH(QString, reason);
        QFETCH(int, converted);
        QStringList files;
        for (const QString& name : names) {
            if (name.endsWith(".docx"))
                files << Document(name);
            else if (name.endsWith(".ps"))
                files << PostScript(name, {"PostScript"});
            else
                files << Picture(name, QSize(40, 30));
        }
        QMap<QString, Stamp> before;
        for (const QString& f : files)
            before.insert(f, StampOf(f));
        ProgramState s = StateFor(files);
        s.CombineOutput = combine;
        s.OutputFormat = uint8_t(format);

        TestRunWindow w;
        const ConversionReport r = ButtonStartClick(s, w);

        QCOMPARE(r.Failures.size(), 1);
        QVERIFY2(r.Failures[0].startsWith(Path(failing) + ": " + reason), qPrintable(r.Failures[0]));
        QCOMPARE(r.SuccessCount, converted);
        for (const QString& f : files)
            QVERIFY2(StampOf(f) == before[f], qPrintable(f));
    }
};

KALVINORA_TEST_MAIN(TestConversionRun)
#include "TestConversionRun.moc"
