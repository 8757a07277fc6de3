#include "support/TestEnvironment.h"

#include "core/Protocol.h"
#include "core/Settings.h"
#include "core/Tools.h"
#include "core/UniCodeException.h"
#include "ghostscript/UGhostscript.h"
#include "platform/PrinterSystem.h"
#include "platform/Registry.h"
#include "platform/SystemInfo.h"
#include "support/CABFile.h"
#include "support/CabinetReader.h"
#include "support/SupportInfo.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

// A printer that only has a name: system.txt lists printers by name.
class NamedPrinter : public PrinterDriver {
public:
    explicit NamedPrinter(const QString& name) : m_name(name) {}
    QString Name() const override { return m_name; }
    void SetPort(const QString& filePath) override { m_port = filePath; }
    QString Port() const override { return m_port; }
    void SetLandscape(bool) override {}
    bool Landscape() const override { return false; }
    void BeginDoc(const QString&) override { throw std::runtime_error("cannot print"); }
    bool Printing() const override { return false; }
    int DpiX() const override { return 300; }
    int DpiY() const override { return 300; }
    QSize PageSize() const override { return {2480, 3508}; }
    void DrawPicture(const QRect&, const PrintPicture&) override {}
    void EndDoc() override { throw std::runtime_error("no print job"); }

private:
    QString m_name;
    QString m_port;
};

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return "<missing>";
    return f.readAll();
}

void WriteFile(const QString& path, const QByteArray& data)
{
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(path));
    f.write(data);
}

QDateTime DosRounded(const QDateTime& t)
{
    const QTime time = t.time();
    return QDateTime(t.date(), QTime(time.hour(), time.minute(), time.second() - time.second() % 2));
}

}  // namespace

class TestSupportInfo : public QObject {
    Q_OBJECT

    QTemporaryDir m_gsFolders;

    // Registers a Ghostscript whose console program lies in its own folder
    // below the scratch folder; returns that folder with a trailing "/".
    QString AddGhostscript(MemoryRegistry& registry, const QString& type, const QString& version)
    {
        const QString folder = m_gsFolders.filePath(type + version) + '/';
        QDir().mkpath(folder);
        QFile gs(folder + QStringLiteral("gs"));
        gs.open(QIODevice::WriteOnly);
        gs.write("#!/bin/sh\nexit 0\n");
        gs.close();
        gs.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        registry.SetString(RegistryRoot::LocalMachine, QStringLiteral("SOFTWARE\\%1 Ghostscript\\%2").arg(type, version),
                           QStringLiteral("GS_DLL"), folder + QStringLiteral("libgs.so"));
        return folder;
    }

    void ClearDataFolder()
    {
        QDir data(GetDataFolder());
        for (const QString& f : data.entryList(QDir::Files | QDir::Hidden))
            data.remove(f);
    }

private slots:
    void init()
    {
        ClearDataFolder();
        SetProtocolEnabled(false);
        PrinterSystem::Instance().Reset();
        auto registry = std::make_shared<MemoryRegistry>();
        registry->SetString(RegistryRoot::ClassesRoot, QStringLiteral("Word.Application\\CurVer"), QString(),
                            QStringLiteral("Word.Application.11"));
        Registry::SetCurrent(registry);
    }

    void cleanup()
    {
        SetProtocolEnabled(false);
        PrinterSystem::Instance().Reset();
        Registry::SetCurrent(nullptr);
        QLocale::setDefault(QLocale::system());
    }

    void systemTxtLineByLine_data()
    {
        QTest::addColumn<QStringList>("printers");  // "-" removes the built-in printer
        QTest::addColumn<QStringList>("ghostscripts");
        QTest::addColumn<QStringList>("expectedTail");  // from line 8 on; %1.. stand for the gs folders

        QTest::newRow("printers and installations")
            << QStringList{QStringLiteral("Büro Laser"), QStringLiteral("HP LaserJet 4 PS")}
            << QStringList{QStringLiteral("GPL 9.05"), QStringLiteral("AFPL 8.54"), QStringLiteral("GNU 7.07")}
            << QStringList{QStringLiteral("Winword 2003 gefunden - kompatibel"), QString(),
                           QStringLiteral("Kalvinora PostScript"), QStringLiteral("Büro Laser"),
                           QStringLiteral("HP LaserJet 4 PS"), QString(), QStringLiteral("GNU Ghostscript 7.07   %3"),
                           QStringLiteral("AFPL Ghostscript 8.54   %2"), QStringLiteral("GPL Ghostscript 9.05   %1")};
        QTest::newRow("no printer")
            << QStringList{QStringLiteral("-")} << QStringList{QStringLiteral("GPL 10.0")}
            << QStringList{QStringLiteral("Winword 2003 gefunden - kompatibel"), QString(), QString(),
                           QStringLiteral("GPL Ghostscript 10.00   %1")};
        QTest::newRow("no Ghostscript")
            << QStringList{} << QStringList{}
            << QStringList{QStringLiteral("Winword 2003 gefunden - kompatibel"), QString(),
                           QStringLiteral("Kalvinora PostScript"), QString()};
        QTest::newRow("neither")
            << QStringList{QStringLiteral("-")} << QStringList{}
            << QStringList{QStringLiteral("Winword 2003 gefunden - kompatibel"), QString(), QString()};
    }

    void systemTxtLineByLine()
    {
        QFETCH(QStringList, printers);
        QFETCH(QStringList, ghostscripts);
        QFETCH(QStringList, expectedTail);

        for (const QString& p : printers) {
            if (p == QLatin1String("-"))
                PrinterSystem::Instance().RemovePrinter(PrinterSystem::BuiltInPrinterName());
            else
                PrinterSystem::Instance().AddPrinter(std::make_shared<NamedPrinter>(p));
        }
        auto registry = std::make_shared<MemoryRegistry>();
        registry->SetString(RegistryRoot::ClassesRoot, QStringLiteral("Word.Application\\CurVer"), QString(),
                            QStringLiteral("Word.Application.11"));
        QStringList folders;
        for (const QString& g : ghostscripts) {
            const QStringList parts = g.split(' ');
            folders << AddGhostscript(*registry, parts[0], parts[1]);
        }
        Registry::SetCurrent(registry);
        const TGhostscriptPool pool;
        QCOMPARE(pool.Count(), ghostscripts.size());
        for (QString& line : expectedTail) {
            for (int i = 0; i < folders.size(); ++i)
                line.replace(QStringLiteral("%") + QString::number(i + 1), folders[i]);
        }

        const QDateTime before = QDateTime::currentDateTime();
        const QString cab = CreateSupportInfo(&pool);
        const QDateTime after = QDateTime::currentDateTime();
        QCOMPARE(cab, GetDataFolder() + QStringLiteral("SupportInfo.CAB"));

        const QByteArray bytes = ReadFile(GetDataFolder() + QStringLiteral("system.txt"));
        QVERIFY(bytes.endsWith("\r\n"));
        QVERIFY(!bytes.contains("\n\n") && !bytes.contains("\r\r"));
        QStringList lines = QString::fromUtf8(bytes).split(QStringLiteral("\r\n"));
        lines.removeLast();  // after the last line break

        QVERIFY2(lines.size() == 7 + expectedTail.size(), qPrintable(lines.join('|')));
        QVERIFY2(QRegularExpression(QStringLiteral("^Version \\d+\\.\\d+\\.\\d+\\.\\d+$")).match(lines[0]).hasMatch(),
                 qPrintable(lines[0]));
        QCOMPARE(lines[1], platform::SystemName());
        QVERIFY(!lines[1].isEmpty());
        QCOMPARE(lines[2], MemoryLine(platform::PhysicalMemory()));
        const QSize screen = platform::ScreenSize();
        QCOMPARE(lines[3], QStringLiteral("Screen: %1 x %2 / %3 DPI").arg(screen.width()).arg(screen.height()).arg(GetScreenDPI()));
        QVERIFY2(lines[4] == LocaleTimestamp(before) || lines[4] == LocaleTimestamp(after), qPrintable(lines[4]));
        QCOMPARE(lines[5], QStringLiteral("ParamStr: ") + QCoreApplication::applicationFilePath());
        QCOMPARE(lines[6], QString());
        QCOMPARE(lines.mid(7), expectedTail);
    }

    void memoryInWholeMebibytes_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("line");

        const qint64 MiB = 1048576;
        QTest::newRow("2 GiB, English") << 2048 * MiB << "en_US" << "Memory Available to Windows: 2,048MB";
        QTest::newRow("2 GiB, German") << 2048 * MiB << "de_DE" << "Memory Available to Windows: 2.048MB";
        QTest::newRow("rounded down") << 1024 * MiB - 1 << "en_US" << "Memory Available to Windows: 1,023MB";
        QTest::newRow("below a thousand") << 512 * MiB + 100 << "de_DE" << "Memory Available to Windows: 512MB";
        QTest::newRow("64 GiB") << 65536 * MiB << "en_US" << "Memory Available to Windows: 65,536MB";
        QTest::newRow("C locale keeps separators") << 16384 * MiB << "C" << "Memory Available to Windows: 16,384MB";
    }

    void memoryInWholeMebibytes()
    {
        QFETCH(qint64, bytes);
        QFETCH(QString, locale);
        QFETCH(QString, line);
        QLocale::setDefault(QLocale(locale));
        QCOMPARE(MemoryLine(bytes), line);
    }

    void archiveHoldsTheFilesThatExist_data()
    {
        QTest::addColumn<bool>("log");
        QTest::addColumn<bool>("settings");
        QTest::addColumn<QStringList>("names");

        QTest::newRow("all three") << true << true
                                   << QStringList{"system.txt", "protokoll.txt", "settings.ini"};
        QTest::newRow("logging never on") << false << true << QStringList{"system.txt", "settings.ini"};
        QTest::newRow("no settings yet") << true << false << QStringList{"system.txt", "protokoll.txt"};
        QTest::newRow("system.txt alone") << false << false << QStringList{"system.txt"};
    }

    void archiveHoldsTheFilesThatExist()
    {
        QFETCH(bool, log);
        QFETCH(bool, settings);
        QFETCH(QStringList, names);

        const QString data = GetDataFolder();
        if (settings) {
            QFile ini(data + QStringLiteral("settings.ini"));
            QVERIFY(ini.open(QIODevice::WriteOnly));
            ini.write("[Allgemein]\r\nCreateProt=1\r\n");
            ini.flush();
            QVERIFY(ini.setFileTime(QDateTime(QDate(2021, 7, 8), QTime(9, 10, 11)), QFileDevice::FileModificationTime));
        }
        if (log) {
            SetProtocolEnabled(true);
            WriteProtocol(QStringLiteral("Start Initialisierung"));
        }

        const QString cab = CreateSupportInfo(nullptr);

        const CabinetDirectory directory = CabinetDirectory::Read(cab);
        QVERIFY(directory.valid);
        QCOMPARE(directory.setId, quint16(12345));
        QStringList stored;
        for (const auto& f : directory.files)
            stored << QString::fromUtf8(f.name);
        QCOMPARE(stored, names);

        QTemporaryDir out;
        QByteArray output;
        QCOMPARE(RunTool(QStringLiteral("cabextract"), {QStringLiteral("-q"), QStringLiteral("-d"), out.path(), cab}, &output), 0);
        QStringList sorted = names;
        sorted.sort();
        QCOMPARE(QDir(out.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name), sorted);
        for (const QString& name : names) {
            QCOMPARE(ReadFile(out.filePath(name)), ReadFile(data + name));
            QCOMPARE(QFileInfo(out.filePath(name)).lastModified(), DosRounded(QFileInfo(data + name).lastModified()));
        }
        if (log)
            QVERIFY(ReadFile(out.filePath(QStringLiteral("protokoll.txt"))).contains("Start GetPrinterlist"));
    }

    void replacesOlderFiles()
    {
        const QString data = GetDataFolder();
        WriteFile(data + QStringLiteral("system.txt"), "old system text");
        WriteFile(data + QStringLiteral("SupportInfo.CAB"), "old archive");
        const QString cab = CreateSupportInfo(nullptr);
        QVERIFY(ReadFile(data + QStringLiteral("system.txt")).startsWith("Version "));
        QVERIFY(ReadFile(cab).startsWith("MSCF"));
    }

    void badWordVersionStopsTheArchive()
    {
        const QString data = GetDataFolder();
        WriteFile(data + QStringLiteral("SupportInfo.CAB"), "old archive");
        auto registry = std::make_shared<MemoryRegistry>();
        registry->SetString(RegistryRoot::ClassesRoot, QStringLiteral("Word.Application\\CurVer"), QString(),
                            QStringLiteral("Word.Application.x"));
        Registry::SetCurrent(registry);
        QVERIFY_THROWS_EXCEPTION(UniCodeException, CreateSupportInfo(nullptr));
        QCOMPARE(ReadFile(data + QStringLiteral("SupportInfo.CAB")), QByteArray("old archive"));
    }
};

KALVINORA_TEST_MAIN(TestSupportInfo)
#include "TestSupportInfo.moc"
