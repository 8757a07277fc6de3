#include "support/RecordingDialogHost.h"
#include "support/TestEnvironment.h"

#include "app/FileBrowser.h"
#include "app/ImageButton.h"
#include "app/TFormMainPDF.h"
#include "core/Settings.h"
#include "core/TMyIniFile.h"
#include "platform/SystemInfo.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QTemporaryDir>

namespace {

void WriteSettings(const QString& path, const QByteArray& text)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
}

QAction* Action(QObject* window, const char* name) { return window->findChild<QAction*>(QString::fromLatin1(name)); }

QString StartCaption(QObject* window)
{
    return window->findChild<ImageButton*>(QStringLiteral("ButtonStart"))->HtmlCaption();
}

}  // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

    QString settingsFile() const { return GetDataFolder() + QStringLiteral("settings.ini"); }

private slots:
    void init()
    {
        QFile::remove(settingsFile());
        SettingsFileName() = settingsFile();
    }

    // The window opens with its browser showing the user's home folder.
    void opensOnTheHomeFolder()
    {
        TFormMainPDF w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTRY_COMPARE(w.Browser()->CurrentFolder(), QDir::homePath());
        QCOMPARE(w.findChild<QLabel*>(QStringLiteral("LabelPath"))->text(), QDir::homePath());
    }

    void popupFormatChoiceChecksTheMainMenu()
    {
        TFormMainPDF w;
        QVERIFY(Action(&w, "menuPDF")->isChecked());
        QCOMPARE(StartCaption(&w), QStringLiteral("<B>PDF</B> erzeugen"));
        w.PopupMenuAusgabeformatPopup();
        const QList<QAction*> copies = w.PopupMenuAusgabeformat()->actions();
        QCOMPARE(copies.size(), 5);
        QCOMPARE(copies[1]->objectName(), QStringLiteral("menuBMP2"));
        QVERIFY(copies[0]->isChecked());
        copies[1]->trigger();
        QVERIFY(Action(&w, "menuBMP")->isChecked());
        QVERIFY(!Action(&w, "menuPDF")->isChecked());
        QCOMPARE(w.State().OutputFormat, uint8_t(ofBMP));
        QCOMPARE(StartCaption(&w), QStringLiteral("<B>BMP</B> erzeugen"));
    }

    void formatMenuSetsTheState_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("format");
        QTest::newRow("PDF") << "menuPDF" << 0;
        QTest::newRow("JPEG") << "menuJPEG" << 2;
        QTest::newRow("PCX") << "menuPCX" << 3;
        QTest::newRow("TIFF") << "menuTIF" << 4;
    }

    void formatMenuSetsTheState()
    {
        QFETCH(QString, entry);
        QFETCH(int, format);
        TFormMainPDF w;
        w.findChild<QAction*>(entry)->trigger();
        QCOMPARE(int(w.State().OutputFormat), format);
    }

    void storedTiffIsCheckedAtStart()
    {
        WriteSettings(settingsFile(), "[Allgemein]\r\nOutputFormat=4\r\n");
        TFormMainPDF w;
        QVERIFY(Action(&w, "menuTIF")->isChecked());
        QCOMPARE(StartCaption(&w), QStringLiteral("<B>TIFF</B> erzeugen"));
    }

    void encryptionSwitchesKeyHintAndProtection()
    {
        TFormMainPDF w;
        w.show();
        auto* key = w.findChild<QLabel*>(QStringLiteral("ImageSchluessel"));
        auto* keyOff = w.findChild<QLabel*>(QStringLiteral("ImageSchluesselDis"));
        auto* protection = w.findChild<QMenu*>(QStringLiteral("menuSchutzCap"));
        QVERIFY(!key->isVisible() && keyOff->isVisible());
        QVERIFY(!protection->isEnabled());

        Action(&w, "menuEncryp40")->trigger();
        QCOMPARE(w.State().Bit, uint8_t(1));
        QVERIFY(key->isVisible() && !keyOff->isVisible());
        QCOMPARE(key->toolTip(), Action(&w, "menuEncryp40")->text());
        QVERIFY(protection->isEnabled());

        Action(&w, "menuEncrypNo")->trigger();
        QCOMPARE(w.State().Bit, uint8_t(0));
        QVERIFY(!key->isVisible() && keyOff->isVisible());
        QVERIFY(!protection->isEnabled());
    }

    void protectionEntriesSetType_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("type");
        QTest::newRow("none") << "menuSchutzNo" << 0;
        QTest::newRow("full") << "menuSchutzFull" << 1;
        QTest::newRow("user set 3") << "menuSchutzUser3" << 4;
    }

    void protectionEntriesSetType()
    {
        QFETCH(QString, entry);
        QFETCH(int, type);
        TFormMainPDF w;
        w.findChild<QAction*>(entry)->trigger();
        QCOMPARE(int(w.State().Type), type);
    }

    void statusBarEncryptionPopupMirrorsTheMenu()
    {
        TFormMainPDF w;
        Action(&w, "menuEncryp128")->trigger();
        w.SyncEncryptionPopup();
        QVERIFY(Action(&w, "pMenuEncrypNo128")->isChecked());
        QCOMPARE(Action(&w, "pMenuEncrypNo128")->text(), Action(&w, "menuEncryp128")->text());
        emit w.ElPopupMenuEncrypt()->triggered(Action(&w, "pMenuEncrypNo"));
        QCOMPARE(w.State().Bit, uint8_t(0));
        QVERIFY(Action(&w, "menuEncrypNo")->isChecked());
    }

    void combineTogglesImages()
    {
        TFormMainPDF w;
        w.show();
        auto* on = w.findChild<QLabel*>(QStringLiteral("ImageConnect"));
        auto* off = w.findChild<QLabel*>(QStringLiteral("ImageConnectDis"));
        QVERIFY(!on->isVisible() && off->isVisible());
        QTest::mouseClick(off, Qt::LeftButton);
        QVERIFY(w.State().CombineOutput);
        QVERIFY(Action(&w, "menuConnect")->isChecked());
        QVERIFY(on->isVisible() && !off->isVisible());
        QTest::mouseClick(on, Qt::LeftButton);
        QVERIFY(!w.State().CombineOutput);
    }

    void outputDirectoryHistory()
    {
        TFormMainPDF w;
        QTemporaryDir dirs;
        QStringList made;
        for (int i = 0; i < 11; ++i) {
            made << dirs.filePath(QStringLiteral("out%1").arg(i));
            QDir().mkpath(made.last());
        }
        QString next;
        w.ChooseFolder = [&](const QString&, const QString&) { return next; };
        next = made[0];
        w.SpeedButtonOutDirSelectClick();
        w.SpeedButtonOutDirSelectClick();
        QCOMPARE(w.State().OutputDirHistory, QStringList{made[0]});
        QCOMPARE(w.State().OutputDir, made[0]);
        for (int i = 1; i < 11; ++i) {
            next = made[i];
            w.SpeedButtonOutDirSelectClick();
        }
        QCOMPARE(w.State().OutputDirHistory.size(), 10);
        QCOMPARE(w.State().OutputDirHistory.first(), made[10]);
        QVERIFY(!w.State().OutputDirHistory.contains(made[0]));
        // The menu: input folder entry plus the history, the current one checked.
        const QList<QAction*> entries = w.PopupMenuOutputDirs()->actions();
        QCOMPARE(entries.size(), 11);
        QVERIFY(entries[1]->isChecked());
        QVERIFY(!entries[0]->isChecked());

        // Picking an older entry moves it to the top.
        entries[5]->trigger();
        QCOMPARE(w.State().OutputDir, made[6]);
        QCOMPARE(w.State().OutputDirHistory.first(), made[6]);

        // Back to "next to the input".
        Action(&w, "menuEingabeverzeichnis")->trigger();
        QVERIFY(w.State().OutputDir.isEmpty());
        QVERIFY(w.OutputToInputChecked());

        // Cancelling the folder dialog changes nothing.
        next.clear();
        w.SpeedButtonOutDirSelectClick();
        QVERIFY(w.State().OutputDir.isEmpty());
    }

    void historyCollapsesLetterCase()
    {
        WriteSettings(settingsFile(), "[Ausgabe]\r\nHistCount=2\r\nHistory0=/Data/Out\r\nHistory1=/data/out\r\nOutputToInput=1\r\n");
        TFormMainPDF w;
        QCOMPARE(w.State().OutputDirHistory.size(), 2);  // kept as stored until the history changes
        w.AddOutputDirHistory(QStringLiteral("/other"));
        QCOMPARE(w.State().OutputDirHistory, (QStringList{"/other", "/Data/Out"}));
    }

    void networkLocationsAreRefused()
    {
        RecordingDialogHost dialogs;
        ScopedDialogHost host(&dialogs);
        TFormMainPDF w;
        w.ChooseFolder = [](const QString&, const QString&) { return QStringLiteral("//server/share"); };
        w.SpeedButtonOutDirSelectClick();
        QVERIFY(w.State().OutputDir.isEmpty());
        QVERIFY(w.State().OutputDirHistory.isEmpty());
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages.first().message, QStringLiteral("Für die Konvertierung sind nur lokale Laufwerke zulässig."));
        QCOMPARE(dialogs.messages.first().type, mtError);
    }

    void storedHistoryChoiceAtStart()
    {
        WriteSettings(settingsFile(), "[Ausgabe]\r\nHistCount=1\r\nHistory0=/srv/out\r\nOutputToInput=0\r\n");
        TFormMainPDF w;
        QCOMPARE(w.State().OutputDir, QStringLiteral("/srv/out"));
        QVERIFY(!w.OutputToInputChecked());
    }

    void printerChoice()
    {
        TFormMainPDF w;
        auto* panel = w.findChild<QLabel*>(QStringLiteral("PrinterPanel"));
        QVERIFY(panel->text().contains(QLatin1String("#FF0000")));  // no printer stored yet
        w.BuildPrinterMenu();
        QList<QAction*> entries = w.PopupMenuPrinter()->actions();
        QVERIFY(!entries.isEmpty());
        w.State().PrinterIndex = 3;
        entries.first()->trigger();
        QCOMPARE(w.State().Printer, entries.first()->text());
        QCOMPARE(panel->text(), entries.first()->text().toHtmlEscaped());
        QCOMPARE(w.State().PrinterIndex, 3);  // the same printer: the cached index stays
    }

    void storedRectangleBeyondTheScreenIsMovedBack()
    {
        const QSize screen = platform::ScreenSize();
        QVERIFY(screen.isValid());
        const int right = screen.width() + 200;
        WriteSettings(settingsFile(), QStringLiteral("[FormMain]\r\nLeft=%1\r\nTop=10\r\nRight=%2\r\nBottom=500\r\nMaximized=0\r\n")
                                          .arg(right - 500)
                                          .arg(right)
                                          .toLatin1());
        TFormMainPDF w;
        QCOMPARE(w.geometry().left(), screen.width() - 500);
        QCOMPARE(w.geometry().width(), 500);
    }

    void helpPageThatCannotBeWrittenIsReported()
    {
        const QString page = GetDataFolder() + QStringLiteral("FAQ.htm");
        QVERIFY(QDir().mkpath(page + QStringLiteral("/blocked")));  // a folder where the page belongs
        RecordingDialogHost dialogs;
        ScopedDialogHost host(&dialogs);
        TFormMainPDF w;
        Action(&w, "menuFAQ")->trigger();
        QDir(page).removeRecursively();
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(dialogs.messages.first().type, mtError);
        QVERIFY(dialogs.messages.first().message.contains(page));
    }

    void settingsAndPlacementSurviveARestart()
    {
        {
            TFormMainPDF w;
            w.setGeometry(30, 40, 600, 500);
            Action(&w, "menuJPEG")->trigger();
            Action(&w, "menuEncryp128")->trigger();
            Action(&w, "menuSchutzFull")->trigger();
            w.close();
        }
        const TMyIniFile ini(settingsFile());
        QCOMPARE(ini.ReadString("Allgemein", "OutputFormat", ""), QStringLiteral("2"));
        QCOMPARE(ini.ReadString("Protection", "Bit", ""), QStringLiteral("128"));
        QCOMPARE(ini.ReadString("FormMain", "Right", ""), QStringLiteral("630"));
        QCOMPARE(ini.ReadString("FormMain", "Bottom", ""), QStringLiteral("540"));
        TFormMainPDF again;
        QVERIFY(Action(&again, "menuJPEG")->isChecked());
        QVERIFY(Action(&again, "menuEncryp128")->isChecked());
        QVERIFY(Action(&again, "menuSchutzFull")->isChecked());
        QCOMPARE(again.geometry(), QRect(30, 40, 600, 500));
    }
};

KALVINORA_TEST_MAIN(TestMainWindow)
#include "TestMainWindow.moc"
