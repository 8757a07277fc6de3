#include "support/TestEnvironment.h"

#include "core/PasswordCipher.h"
#include "core/Protocol.h"
#include "core/Settings.h"
#include "core/TMyIniFile.h"
#include "platform/PrinterSystem.h"
#include "platform/SystemPaths.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

void WriteAll(const QString& path, const QByteArray& data)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(data);
}

// A window-less owner of the program state, recording what the settings
// store hands to the window.
class Host : public SettingsHost {
public:
    ProgramState state;
    QByteArray restoredView;
    QByteArray viewToSave;
    QString storedGs;
    QString chosenGs;
    int browserWidth = 0;

    ProgramState& State() override { return state; }
    void ChooseGhostscript(const QString& stored) override { storedGs = stored; }
    QString ChosenGhostscriptPath() const override { return chosenGs; }
    void RestoreViewState(const QByteArray& stream) override { restoredView = stream; }
    QByteArray SnapshotViewState() override { return viewToSave; }
    int BrowserAreaWidth() const override { return browserWidth; }
};

}  // namespace

class TestSettingsStore : public QObject {
    Q_OBJECT

    QString settingsFile() const { return GetDataFolder() + QStringLiteral("settings.ini"); }

private slots:
    void init()
    {
        QFile::remove(settingsFile());
        SettingsFileName() = settingsFile();
        PrinterSystem::Instance().Reset();
        SetProtocolEnabled(false);
    }

    void dataFolderIsPrivateAndBelowXdgDataHome()
    {
        const QString folder = GetDataFolder();
        QCOMPARE(folder, TestEnvironment::Home() + QStringLiteral("/share/Kalvinora/"));
        QVERIFY(QFileInfo(folder).isDir());
        QCOMPARE(QFileInfo(folder).permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther), QFileDevice::Permissions());
    }

    void iniReadingRules()
    {
        WriteAll(settingsFile(),
                 "stray=before any section\r\n"
                 "; a comment\r\n"
                 "  [Allgemein]  \r\n"
                 "\r\n"
                 "  Hex =  0x1F  \r\n"
                 "Dec=42\r\n"
                 "Bad=12abc\r\n"
                 "Flag=7\r\n"
                 "Off=0\r\n"
                 "Text = a = b \r\n"
                 "Bin=00FFa0\r\n"
                 "[allgemein]\r\n"
                 "Later=1\r\n");
        const TMyIniFile ini(settingsFile());
        QCOMPARE(ini.ReadString("ALLGEMEIN", "stray", "none"), QStringLiteral("none"));
        QCOMPARE(ini.ReadInteger("Allgemein", "hex", 0), 31);
        QCOMPARE(ini.ReadInteger("Allgemein", "Dec", 0), 42);
        QCOMPARE(ini.ReadInteger("Allgemein", "Bad", 5), 5);
        QCOMPARE(ini.ReadInteger("Allgemein", "Missing", 9), 9);
        QCOMPARE(ini.ReadBool("Allgemein", "Flag", false), true);
        QCOMPARE(ini.ReadBool("Allgemein", "Off", true), false);
        QCOMPARE(ini.ReadBool("Allgemein", "Bad", true), true);
        QCOMPARE(ini.ReadString("Allgemein", "Text", ""), QStringLiteral("a = b"));
        QCOMPARE(ini.ReadString("Allgemein", "Later", "x"), QStringLiteral("1"));
        QByteArray bytes("x");
        QCOMPARE(ini.ReadBinaryStream("Allgemein", "Bin", bytes), 3);
        QCOMPARE(bytes, QByteArray("x\x00\xff\xa0", 4));
        QCOMPARE(ini.ReadBinaryStream("Allgemein", "Text", bytes), 0);
    }

    void iniWritingRules()
    {
        WriteAll(settingsFile(), "; comment that goes\r\n[S]\r\nA=1\r\n");
        SetProtocolEnabled(true);
        {
            TMyIniFile ini(settingsFile());
            ini.WriteBool("S", "B", true);
            ini.WriteBinaryStream("S", "Bin", QByteArray("\x01\xab", 2));
            ini.WriteString("S", "Broken", QStringLiteral("two\nlines"));
            ini.UpdateFile();
        }
        SetProtocolEnabled(false);
        QCOMPARE(ReadAll(settingsFile()), QByteArray("[S]\r\nA=1\r\nB=1\r\nBin=01AB\r\n\r\n"));
        QVERIFY(ReadAll(ProtocolFileName()).contains(" - Fehler bei Broken\r\n"));
        QFile::remove(ProtocolFileName());
    }

    void floatsFollowTheLocale()
    {
        const QLocale saved;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        TMyIniFile ini(settingsFile());
        ini.WriteFloat("S", "W", 29.7);
        ini.WriteFloat("S", "Big", 1234567.5);
        QCOMPARE(ini.ReadString("S", "W", ""), QStringLiteral("29,7"));
        QCOMPARE(ini.ReadString("S", "Big", ""), QStringLiteral("1234567,5"));
        QCOMPARE(ini.ReadFloat("S", "W", 0), 29.7);
        ini.WriteString("S", "Bad", "abc");
        QCOMPARE(ini.ReadFloat("S", "Bad", 1.5), 1.5);
        QLocale::setDefault(saved);
    }

    void unwritableFileRaisesAndKeepsTheOldFile()
    {
        // A folder where the file would go is a regular file: no one can write there.
        const QString blocker = GetDataFolder() + QStringLiteral("blocker");
        WriteAll(blocker, "not a folder");
        TMyIniFile ini(blocker + QStringLiteral("/settings.ini"));
        ini.WriteString("S", "K", "V");
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, ini.UpdateFile());

        // A read-only file is not replaced, also not by root.
        WriteAll(settingsFile(), "[S]\r\nK=old\r\n");
        QFile::setPermissions(settingsFile(), QFileDevice::ReadOwner);
        TMyIniFile ro(settingsFile());
        ro.WriteString("S", "K", "new");
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, ro.UpdateFile());
        QCOMPARE(ReadAll(settingsFile()), QByteArray("[S]\r\nK=old\r\n"));
        QFile::setPermissions(settingsFile(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QFile::remove(blocker);
    }

    void newSettingsFileIsPrivate()
    {
        TMyIniFile ini(settingsFile());
        ini.WriteString("S", "K", "V");
        ini.UpdateFile();
        QCOMPARE(QFileInfo(settingsFile()).permissions() & ~(QFileDevice::ReadUser | QFileDevice::WriteUser),
                 QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }

    void passwordsRoundTrip_data()
    {
        QTest::addColumn<QString>("password");
        QTest::newRow("one letter") << QStringLiteral("a");
        QTest::newRow("digits") << QStringLiteral("0123456789");
        QTest::newRow("mixed case, block length") << QStringLiteral("AbCdEfGh");
        QTest::newRow("long") << QStringLiteral("x1Y2").repeated(40);
    }

    void passwordsRoundTrip()
    {
        QFETCH(QString, password);
        Host out;
        out.state.SaveAllowed = true;
        out.state.OpenP = password;
        out.state.ProtP = password + QStringLiteral("Z");
        SaveSettings(out);
        const TMyIniFile ini(settingsFile());
        const QString hex = ini.ReadString("Protection", "OpenP", "");
        QCOMPARE(hex.size(), password.size() * 2);
        QCOMPARE(hex, hex.toUpper());
        QVERIFY(!hex.contains(password));
        Host in;
        LoadSettings(in);
        QCOMPARE(in.state.OpenP, password);
        QCOMPARE(in.state.ProtP, password + QStringLiteral("Z"));
    }

    void cipherIsFixedAcrossRuns()
    {
        // Stored values must stay readable by later versions of the program.
        QCOMPARE(PasswordCipher().EncodeToHex(QStringLiteral("geheim")), PasswordCipher().EncodeToHex(QStringLiteral("geheim")));
        QVERIFY(PasswordCipher(QStringLiteral("other key")).EncodeToHex(QStringLiteral("geheim"))
                != PasswordCipher().EncodeToHex(QStringLiteral("geheim")));
    }

    void loadRules()
    {
        const QString existing = QDir::tempPath();
        WriteAll(settingsFile(),
                 "[Protection]\r\nType=3\r\nBit=64\r\nOpenP=XYZ!\r\nProtP=" + PasswordCipher().EncodeToHex("owner1").toLatin1()
                     + "\r\n"
                       "[Allgemein]\r\nOutputFormat=9\r\nLeftWindow=50\r\nPSDir=/no/such/folder\r\nUsePSDir=1\r\n"
                       "Printer=\r\nGS=/opt/gs/bin/gs\r\nAcroVer=0x102\r\nCreateProt=0\r\n"
                       "[Ausgabe]\r\nHistCount=3\r\nHistory0=/out\r\nOutputToInput=0\r\n");
        Host host;
        LoadSettings(host);
        const ProgramState& s = host.state;
        QCOMPARE(s.Type, uint8_t(0));
        QCOMPARE(s.Bit, uint8_t(0));
        QCOMPARE(s.OpenP, QString());
        QCOMPARE(s.ProtP, QStringLiteral("owner1"));
        QCOMPARE(s.OutputFormat, uint8_t(ofPDF));
        QCOMPARE(s.LeftWindow, 100);
        QCOMPARE(s.PSDir, QString());
        QCOMPARE(s.UsePSDir, false);
        QCOMPARE(s.Printer, PrinterSystem::BuiltInPrinterName());
        QCOMPARE(host.storedGs, QStringLiteral("/opt/gs/bin/gs"));
        QCOMPARE(s.AcroVer, uint8_t(2));  // kept in one byte
        QCOMPARE(ProtocolEnabled(), false);
        QCOMPARE(s.OutputDirHistory, (QStringList{QStringLiteral("/out"), QString(), QString()}));
        QCOMPARE(s.OutputToInput, false);
        QCOMPARE(s.User1, QStringLiteral("No Print"));

        // Saved the way it was loaded.
        host.state.SaveAllowed = true;
        SaveSettings(host);
        const TMyIniFile ini(settingsFile());
        QCOMPARE(ini.ReadString("Protection", "Type", ""), QStringLiteral("0"));
        QCOMPARE(ini.ReadString("Protection", "Bit", ""), QStringLiteral("0"));
        QCOMPARE(ini.ReadString("Allgemein", "PSDir", "x"), QString());
        QCOMPARE(ini.ReadString("Allgemein", "UsePSDir", ""), QStringLiteral("0"));
        QCOMPARE(ini.ReadString("Allgemein", "Printer", ""), PrinterSystem::BuiltInPrinterName());
        // No chosen installation: the stored one stays.
        QCOMPARE(ini.ReadString("Allgemein", "GS", ""), QStringLiteral("/opt/gs/bin/gs"));
        QCOMPARE(ini.ReadString("Ausgabe", "HistCount", ""), QStringLiteral("3"));
        QVERIFY(existing.size() > 0);
    }

    void leftWindowClamping_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("browserWidth");
        QTest::addColumn<int>("expected");
        QTest::newRow("too small") << 50 << 800 << 100;
        QTest::newRow("fits") << 300 << 800 << 300;
        QTest::newRow("wider than the area") << 900 << 800 << 695;
        QTest::newRow("tiny area") << 300 << 150 << 100;
    }

    void leftWindowClamping()
    {
        QFETCH(int, stored);
        QFETCH(int, browserWidth);
        QFETCH(int, expected);
        WriteAll(settingsFile(), "[Allgemein]\r\nLeftWindow=" + QByteArray::number(stored) + "\r\n");
        Host host;
        host.browserWidth = browserWidth;
        LoadSettings(host);
        QCOMPARE(host.state.LeftWindow, expected);
    }

    void defaultsOnAFreshStart()
    {
        Host host;
        LoadSettings(host);
        const ProgramState& s = host.state;
        QCOMPARE(s.OutputFormat, uint8_t(0));
        QCOMPARE(s.AcroVer, uint8_t(1));
        QCOMPARE(s.JPEGQual, uint8_t(75));
        QCOMPARE(s.TIFFQual, uint16_t(300));
        QCOMPARE(s.TiffFormat, uint8_t(5));
        QCOMPARE(s.GrBorderLeft, 20);
        QCOMPARE(s.DelPS, true);
        QCOMPARE(s.PSDir, GetTempDirectory());
        QVERIFY(s.PSDir.endsWith('/'));
        QCOMPARE(s.LgFile, QStringLiteral("deutsch.lng"));
        QCOMPARE(ProtocolEnabled(), true);
        QCOMPARE(s.OutputToInput, true);
        QVERIFY(s.OutputDirHistory.isEmpty());
        QVERIFY(host.restoredView.isEmpty());
    }

    void saveOnlyWhenAllowed()
    {
        Host host;
        SaveSettings(host);
        QVERIFY(!QFile::exists(settingsFile()));
    }

    void viewStateChunks_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<QStringList>("keys");
        QTest::newRow("empty") << 0 << QStringList{"0"};
        QTest::newRow("short") << 10 << QStringList{"0"};
        QTest::newRow("exactly two chunks") << 2000 << QStringList{"0", "1", "2"};
        QTest::newRow("two and a bit") << 2001 << QStringList{"0", "1", "2"};
    }

    void viewStateChunks()
    {
        QFETCH(int, size);
        QFETCH(QStringList, keys);
        WriteAll(settingsFile(), "[Allgemein]\r\nLastPath=old\r\n[LastPath]\r\n0=AA\r\n7=BB\r\n");
        Host out;
        out.state.SaveAllowed = true;
        for (int i = 0; i < size; ++i)
            out.viewToSave += char(i * 7);
        SaveSettings(out);
        const TMyIniFile ini(settingsFile());
        QCOMPARE(ini.ReadSection("LastPath"), keys);
        QVERIFY(!ini.ValueExists("Allgemein", "LastPath"));
        if (size == 2000) {
            QCOMPARE(ini.ReadString("LastPath", "0", "").size(), 2000);
            QCOMPARE(ini.ReadString("LastPath", "1", "").size(), 2000);
            QCOMPARE(ini.ReadString("LastPath", "2", "x"), QString());
        }
        Host in;
        LoadSettings(in);
        QCOMPARE(in.restoredView, out.viewToSave);
    }

    void othersKeysSurviveASave()
    {
        WriteAll(settingsFile(), "[FormMain]\r\nLeft=10\r\n[Tools]\r\nTestForWrite=x\r\n[Protection]\r\nUser1=Mine\r\n");
        Host host;
        LoadSettings(host);
        QCOMPARE(host.state.User1, QStringLiteral("Mine"));
        host.state.SaveAllowed = true;
        SaveSettings(host);
        const TMyIniFile ini(settingsFile());
        QCOMPARE(ini.ReadString("FormMain", "Left", ""), QStringLiteral("10"));
        QCOMPARE(ini.ReadString("Tools", "TestForWrite", ""), QStringLiteral("x"));
        QCOMPARE(ini.ReadString("Protection", "User1", ""), QStringLiteral("Mine"));
    }

    void historyAndOutputChoiceRoundTrip()
    {
        Host out;
        out.state.SaveAllowed = true;
        out.state.OutputDirHistory = {QStringLiteral("/a"), QStringLiteral("/b c")};
        out.state.OutputToInput = false;
        out.state.PaperW = 21.5;
        out.state.Bit = 2;
        out.state.Type = 1;
        out.chosenGs = QStringLiteral("/usr/bin/gs");
        SaveSettings(out);
        Host in;
        LoadSettings(in);
        QCOMPARE(in.state.OutputDirHistory, out.state.OutputDirHistory);
        QCOMPARE(in.state.OutputToInput, false);
        QCOMPARE(in.state.PaperW, 21.5);
        QCOMPARE(in.state.Bit, uint8_t(2));
        QCOMPARE(in.state.Type, uint8_t(1));
        QCOMPARE(in.storedGs, QStringLiteral("/usr/bin/gs"));
        QCOMPARE(TMyIniFile(settingsFile()).ReadString("Protection", "Bit", ""), QStringLiteral("128"));
    }

    void legacyFileNextToTheProgramIsMovedOnce()
    {
        QTemporaryDir programDir;
        platform::SetProgramFilePath(programDir.path() + QStringLiteral("/kalvinora"));
        QVERIFY(!QFile::exists(settingsFile()));
        QCOMPARE(GetSettingsFileName(), settingsFile());
        const QString legacy = programDir.path() + QStringLiteral("/settings.ini");
        QVERIFY(QFile::exists(legacy));
        QVERIFY(TMyIniFile(settingsFile()).ValueExists("Tools", "TestForWrite"));

        // Later starts leave the old place alone.
        QFile::remove(legacy);
        QCOMPARE(GetSettingsFileName(), settingsFile());
        QVERIFY(!QFile::exists(legacy));
        platform::SetProgramFilePath(QString());
    }

    void legacyFileInTheConfigFolderWhenTheProgramFolderIsNotWritable()
    {
        const QString blocker = GetDataFolder() + QStringLiteral("program-file");
        WriteAll(blocker, "x");
        platform::SetProgramFilePath(blocker + QStringLiteral("/kalvinora"));
        const QString legacy = TestEnvironment::Home() + QStringLiteral("/config/Kalvinora.ini");
        QCOMPARE(FindLegacySettingsFile(), legacy);
        QVERIFY(QFile::exists(legacy));
        QFile::remove(legacy);
        QFile::remove(blocker);
        platform::SetProgramFilePath(QString());
    }
};

KALVINORA_TEST_MAIN(TestSettingsStore)
#include "TestSettingsStore.moc"
