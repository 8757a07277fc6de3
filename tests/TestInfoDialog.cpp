#include "support/TestEnvironment.h"

#include "core/LanguageFile.h"
#include "core/Settings.h"
#include "core/Tools.h"
#include "dialogs/ElFormCaption.h"
#include "dialogs/HtmlButton.h"
#include "dialogs/HtmlLabel.h"
#include "dialogs/InfoUnitTovel.h"
#include "support/OfficeDetection.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>

namespace {

// Folder of stand-in desktop programs (xdg-open, xdg-email) that write
// their arguments, one a line, into "<name>.args" beside them.
QString FakeBinFolder() { return TestEnvironment::Home() + QStringLiteral("/fakebin"); }

void InstallFakeProgram(const QString& name)
{
    QDir().mkpath(FakeBinFolder());
    const QString path = FakeBinFolder() + "/" + name;
    QFile script(path);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$0.args.tmp\"\nmv \"$0.args.tmp\" "
                 "\"$0.args\"\n");
    script.close();
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// A language file with the given text, in UTF-16 (a Unicode file) or UTF-8.
QString WriteLanguageFile(const QTemporaryDir& dir, const QString& text, bool unicode)
{
    const QString path = dir.filePath(unicode ? QStringLiteral("unicode.lng") : QStringLiteral("ansi.lng"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return {};
    if (unicode) {
        QByteArray bytes("\xFF\xFE");
        for (QChar c : text) {
            bytes += char(c.unicode() & 0xFF);
            bytes += char(c.unicode() >> 8);
        }
        f.write(bytes);
    } else {
        f.write(text.toUtf8());
    }
    return path;
}

QString ArgsFile(const QString& name) { return FakeBinFolder() + "/" + name + ".args"; }

QStringList RecordedArgs(const QString& name)
{
    QFile f(ArgsFile(name));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(f.readAll()).split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// Clicks the link whose target is href where the label draws it.
bool ClickLink(HtmlLabel* label, const QString& href)
{
    QTextDocument* doc = label->document();
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.charFormat().anchorHref() != href)
                continue;
            QTextCursor cursor(doc);
            cursor.setPosition(fragment.position() + fragment.length() / 2);
            label->ensureCursorVisible();
            label->setTextCursor(cursor);
            label->ensureCursorVisible();
            const QRect r = label->cursorRect(cursor);
            const QPoint at(r.center().x(), r.center().y());
            QTest::mouseMove(label->viewport(), at);
            QTest::mousePress(label->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseRelease(label->viewport(), Qt::LeftButton, {}, at);
            return true;
        }
    }
    return false;
}

}  // namespace

class TestInfoDialog : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        InstallFakeProgram(QStringLiteral("xdg-open"));
        InstallFakeProgram(QStringLiteral("xdg-email"));
        qputenv("PATH", (FakeBinFolder() + ":" + qEnvironmentVariable("PATH")).toLocal8Bit());
    }

    void cleanup() { OpenLanguageFile(QString()); }

    void init()
    {
        QFile::remove(ArgsFile(QStringLiteral("xdg-open")));
        QFile::remove(ArgsFile(QStringLiteral("xdg-email")));
    }

    void labelShowsLogoLinksNameAndVersionInOrder()
    {
        TFormInfo form;
        const QString caption = form.ElHTMLLabel1->Caption();
        const QString version = GetFileVersionText(QStringLiteral("%d.%d (build %3:d)"));
        const QString name = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
        QVERIFY(version != QStringLiteral("n.a."));

        QVERIFY(caption.startsWith(QStringLiteral("<html><img src=\"logo\"></html><BR><BR>")));
        const qsizetype web = caption.indexOf(
            QStringLiteral("Weitere Information und neuere Versionen dieses Programmes finden Sie auf: "
                           "<a href=\"https://www.kalvinora.org\">www.kalvinora.org</a>.<br><br>"));
        const qsizetype support = caption.indexOf(QStringLiteral(
            "Anfragen richten Sie bitte direkt an: <a href=\"email\">support@kalvinora.org</a>.<br><br>"));
        const qsizetype program = caption.indexOf(name + " " + version + "<br><br>");
        QVERIFY(web > 0);
        QVERIFY(support > web);
        QVERIFY(program > support);

        // What the user reads, line by line.
        const QStringList lines = form.ElHTMLLabel1->document()->toPlainText().split(QLatin1Char('\n'));
        QVERIFY2(lines.size() >= 7, qPrintable(lines.join('|')));
        QCOMPARE(lines[2], QStringLiteral("Weitere Information und neuere Versionen dieses Programmes finden Sie auf: "
                                          "www.kalvinora.org."));
        QCOMPARE(lines[4], QStringLiteral("Anfragen richten Sie bitte direkt an: support@kalvinora.org."));
        QCOMPARE(lines[6], name + " " + version);
        QCOMPARE(lines[8], GetWordInfo());
        QVERIFY(caption.endsWith(QStringLiteral("<br><br>") + GetWordInfo()));
    }

    void captionAndButton()
    {
        TFormInfo form;
        QCOMPARE(form.windowTitle(), QStringLiteral("Information"));
        QCOMPARE(form.ButtonOK->HtmlCaption(), QStringLiteral("<b>OK</b>"));
        form.show();
        QTest::mouseClick(form.ButtonOK, Qt::LeftButton);
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QVERIFY(!form.isVisible());
    }

    void okCaptionLosesItsFirstAmpersand_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("shown");
        QTest::newRow("access key") << QStringLiteral("&OK") << QStringLiteral("<b>OK</b>") << QStringLiteral("OK");
        QTest::newRow("two ampersands") << QStringLiteral("&O&K") << QStringLiteral("<b>O&&K</b>")
                                        << QStringLiteral("O&K");
        QTest::newRow("none") << QStringLiteral("Schließen") << QStringLiteral("<b>Schließen</b>")
                              << QStringLiteral("Schließen");
    }

    void okCaptionLosesItsFirstAmpersand()
    {
        QFETCH(QString, text);
        QFETCH(QString, caption);
        QFETCH(QString, shown);
        ActiveLanguageFile().Parse(QStringLiteral("[InfoDialog]\r\nButtonOK=") + text + QStringLiteral("\r\n\r\n"));
        TFormInfo form;
        QCOMPARE(form.ButtonOK->HtmlCaption(), caption);
        // What the button reads as: the text without its access-key marks.
        QTextDocument doc;
        doc.setHtml(QString(caption).replace(QStringLiteral("&&"), QStringLiteral("&amp;")));
        QCOMPARE(doc.toPlainText(), shown);
    }

    void captionGoesWhereTheLanguageFileAllows_data()
    {
        QTest::addColumn<bool>("unicode");
        QTest::newRow("Unicode language file") << true;
        QTest::newRow("8-bit language file") << false;
    }

    void captionGoesWhereTheLanguageFileAllows()
    {
        QFETCH(bool, unicode);
        QTemporaryDir dir;
        OpenLanguageFile(WriteLanguageFile(dir, QStringLiteral("[InfoDialog]\r\nCaption=Über Kalvinora\r\n\r\n"), unicode));
        QCOMPARE(IsUnicodeFile(ActiveLanguageFile().FileName()), unicode);

        TFormInfo form;
        ElFormCaption* component = FindFormCaption(&form);
        QCOMPARE(component != nullptr, unicode);
        if (component)
            QCOMPARE(component->Caption(), QStringLiteral("Über Kalvinora"));
        QCOMPARE(form.windowTitle(), QStringLiteral("Über Kalvinora"));
    }

    void logoSitsOnTheDialogBackground()
    {
        TFormInfo form;
        form.show();
        const QImage logo = form.ElHTMLLabel1ImageNeeded(QStringLiteral("anything"));
        const QImage resource(QStringLiteral(":/LOGO"));
        QVERIFY(!resource.isNull());
        QCOMPARE(logo.size(), resource.size());
        QVERIFY(!logo.hasAlphaChannel());
        // Where the logo is transparent the dialog's light yellow shows; where
        // it is opaque, the logo's own colour.
        QCOMPARE(resource.pixelColor(0, 0).alpha(), 0);
        QCOMPARE(logo.pixelColor(0, 0), QColor(0xFF, 0xFF, 0xCC));
        QCOMPARE(form.palette().color(QPalette::Window), QColor(0xFF, 0xFF, 0xCC));
        const QPoint opaque(4, 18);
        QCOMPARE(resource.pixelColor(opaque).alpha(), 255);
        QCOMPARE(logo.pixelColor(opaque).rgb(), resource.pixelColor(opaque).rgb());

        // The label shows it: the picture in the document is the one made.
        const QVariant shown = form.ElHTMLLabel1->document()->resource(QTextDocument::ImageResource, QUrl("logo"));
        QCOMPARE(shown.value<QImage>(), logo);
    }

    void sizeAtTheDesignedResolution()
    {
        if (GetScreenDPI() != 96)
            QSKIP("the screen of this run is not at 96 dpi");
        TFormInfo form;
        form.show();
        QCOMPARE(form.width(), TFormInfo::kClientWidth);
        QCOMPARE(form.height(), TFormInfo::kClientHeight);
    }

    // Run in a second process of this test, on a screen of the given resolution.
    void formSizeOnThisScreen()
    {
        const QByteArray expected = qgetenv("KALVINORA_EXPECTED_HEIGHT");
        if (expected.isEmpty())
            QSKIP("started by formIsTallerAtOtherResolutions");
        QCOMPARE(GetScreenDPI(), qEnvironmentVariableIntValue("KALVINORA_EXPECTED_DPI"));
        TFormInfo form;
        form.show();
        QCOMPARE(form.width(), TFormInfo::kClientWidth);
        QCOMPARE(form.height(), expected.toInt());
    }

    void formIsTallerAtOtherResolutions_data()
    {
        QTest::addColumn<int>("dpi");
        QTest::addColumn<int>("height");
        QTest::newRow("96 dpi") << 96 << TFormInfo::kClientHeight;
        QTest::newRow("120 dpi") << 120 << TFormInfo::kClientHeight + 25;
        QTest::newRow("72 dpi") << 72 << TFormInfo::kClientHeight + 25;
    }

    void formIsTallerAtOtherResolutions()
    {
        QFETCH(int, dpi);
        QFETCH(int, height);

        QTemporaryDir dir;
        const QString config = dir.filePath(QStringLiteral("screen.json"));
        QFile f(config);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("{\"screens\":[{\"name\":\"test\",\"x\":0,\"y\":0,\"width\":1600,\"height\":1200,"
                               "\"logicalDpi\":%1,\"logicalBaseDpi\":96,\"dpr\":1}]}")
                    .arg(dpi)
                    .toUtf8());
        f.close();

        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen:configfile=") + config);
        // The resolution as the screen reports it, not scaled away by Qt.
        env.insert(QStringLiteral("QT_ENABLE_HIGHDPI_SCALING"), QStringLiteral("0"));
        env.insert(QStringLiteral("KALVINORA_EXPECTED_DPI"), QString::number(dpi));
        env.insert(QStringLiteral("KALVINORA_EXPECTED_HEIGHT"), QString::number(height));
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("formSizeOnThisScreen")});
        QVERIFY(child.waitForFinished(60000));
        const QByteArray output = child.readAll();
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, output.constData());
        QVERIFY2(output.contains("PASS   : TestInfoDialog::formSizeOnThisScreen()"), output.constData());
    }

    void supportLinkMailsAFreshArchive()
    {
        QFile::remove(GetDataFolder() + QStringLiteral("SupportInfo.CAB"));
        TFormInfo form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QVERIFY(ClickLink(form.ElHTMLLabel1, QStringLiteral("email")));
        QTRY_VERIFY(QFile::exists(ArgsFile(QStringLiteral("xdg-email"))));

        const QString archive = GetDataFolder() + QStringLiteral("SupportInfo.CAB");
        QVERIFY(QFile::exists(archive));
        const QString subject = QFileInfo(QCoreApplication::applicationFilePath()).fileName() + " - " +
                                GetFileVersionText(QStringLiteral("%d.%d (build %3:d)"));
        QCOMPARE(RecordedArgs(QStringLiteral("xdg-email")),
                 (QStringList{QStringLiteral("--subject"), subject, QStringLiteral("--attach"), archive,
                              QStringLiteral("support@kalvinora.org")}));

        // The attachment is a cabinet a cabinet tool can read.
        QProcess cab;
        cab.start(QStringLiteral("cabextract"), {QStringLiteral("-l"), archive});
        QVERIFY(cab.waitForFinished(30000));
        QCOMPARE(cab.exitCode(), 0);
        QVERIFY(cab.readAllStandardOutput().contains("system.txt"));
        QVERIFY(!QFile::exists(ArgsFile(QStringLiteral("xdg-open"))));
    }

    void webLinkOpensTheBrowser()
    {
        TFormInfo form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QVERIFY(ClickLink(form.ElHTMLLabel1, QStringLiteral("https://www.kalvinora.org")));
        QTRY_VERIFY(QFile::exists(ArgsFile(QStringLiteral("xdg-open"))));
        QCOMPARE(RecordedArgs(QStringLiteral("xdg-open")), QStringList{QStringLiteral("https://www.kalvinora.org")});
        QVERIFY(!QFile::exists(ArgsFile(QStringLiteral("xdg-email"))));
    }
};

KALVINORA_TEST_MAIN(TestInfoDialog)
#include "TestInfoDialog.moc"
