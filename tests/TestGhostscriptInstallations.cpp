#include "support/TestEnvironment.h"

#include "ghostscript/UGhostscript.h"
#include "platform/Registry.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <memory>

namespace {

const RegistryRoot HKLM = RegistryRoot::LocalMachine;

QString BranchKey(const QString& type) { return QStringLiteral("SOFTWARE\\%1 Ghostscript").arg(type); }

// A folder holding an executable console program, as an installation has.
QString MakeInstallation(const QTemporaryDir& root, const QString& name)
{
    const QString dir = root.path() + '/' + name + QStringLiteral("/bin/");
    QDir().mkpath(dir);
    QFile gs(dir + QStringLiteral("gs"));
    if (gs.open(QIODevice::WriteOnly)) {
        gs.write("#!/bin/sh\nexit 0\n");
        gs.close();
    }
    gs.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return dir;
}

QStringList Describe(const TGhostscriptPool& pool)
{
    QStringList out;
    for (int i = 0; i < pool.Count(); ++i)
        out << QStringLiteral("%1 %2.%3").arg(TGhostscript::TypeName(pool.Item(i)->GsType)).arg(pool.Item(i)->Major).arg(pool.Item(i)->Minor);
    return out;
}

}  // namespace

class TestGhostscriptInstallations : public QObject {
    Q_OBJECT

    QTemporaryDir m_root;

    // One GPL installation per version, each in a folder of its own.
    std::shared_ptr<MemoryRegistry> RegistryWith(const QStringList& versions)
    {
        auto reg = std::make_shared<MemoryRegistry>();
        for (const QString& v : versions) {
            const QString dir = MakeInstallation(m_root, QStringLiteral("gs") + v);
            reg->SetString(HKLM, BranchKey(QStringLiteral("GPL")) + '\\' + v, QStringLiteral("GS_DLL"), dir + QStringLiteral("libgs.so"));
        }
        return reg;
    }

private slots:
    void cleanup() { Registry::SetCurrent(std::make_shared<MemoryRegistry>()); }

    void versionFromKeyName_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<int>("major");
        QTest::addColumn<int>("minor");
        QTest::addColumn<QString>("display");
        QTest::newRow("two parts") << "8.54" << 8 << 54 << "8.54";
        QTest::newRow("major only") << "9" << 9 << 0 << "9.00";
        QTest::newRow("leading zero minor") << "7.04" << 7 << 4 << "7.04";
        QTest::newRow("one-digit minor") << "8.5" << 8 << 5 << "8.05";
        QTest::newRow("current") << "10.00" << 10 << 0 << "10.00";
    }
    void versionFromKeyName()
    {
        QFETCH(QString, version);
        QFETCH(int, major);
        QFETCH(int, minor);
        QFETCH(QString, display);
        const TGhostscript gs(QStringLiteral("/opt/gs/bin/libgs.so"), 2, version);
        QCOMPARE(int(gs.Major), major);
        QCOMPARE(int(gs.Minor), minor);
        QCOMPARE(gs.DisplayName(), QStringLiteral("GPL Ghostscript %1   /opt/gs/bin/").arg(display));
    }

    void folderKeepsItsLetterCase()
    {
        const TGhostscript gs(QStringLiteral("/Opt/GS Neu/bin/libgs.so"), 1, QStringLiteral("8.54"));
        QCOMPARE(gs.BinDir, QStringLiteral("/Opt/GS Neu/bin/"));
        QCOMPARE(gs.ExePath(), QStringLiteral("/Opt/GS Neu/bin/gs"));
        QCOMPARE(gs.DisplayName(), QStringLiteral("GNU Ghostscript 8.54   /Opt/GS Neu/bin/"));
    }

    void typeNames()
    {
        QCOMPARE(TGhostscript::TypeName(0), QStringLiteral("AFPL"));
        QCOMPARE(TGhostscript::TypeName(1), QStringLiteral("GNU"));
        QCOMPARE(TGhostscript::TypeName(2), QStringLiteral("GPL"));
        QVERIFY_THROWS_EXCEPTION(std::exception, TGhostscript::TypeName(3));
    }

    void isOlderThan_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<int>("required");
        QTest::addColumn<bool>("older");
        QTest::newRow("8.14 < 8.15") << "8.14" << 815 << true;
        QTest::newRow("7.04 < 8.15") << "7.04" << 815 << true;
        QTest::newRow("8.15 = 8.15") << "8.15" << 815 << false;
        QTest::newRow("9.0 > 8.15") << "9" << 815 << false;
        QTest::newRow("8.13 < 8.14") << "8.13" << 814 << true;
        QTest::newRow("8.14 = 8.14") << "8.14" << 814 << false;
        QTest::newRow("10.00 > 8.15") << "10.00" << 815 << false;
    }
    void isOlderThan()
    {
        QFETCH(QString, version);
        QFETCH(int, required);
        QFETCH(bool, older);
        const TGhostscript gs(QStringLiteral("/x/libgs.so"), 2, version);
        QCOMPARE(gs.IsOlderThan(required / 100, required % 100), older);
    }

    void scanKeepsUsableEntriesInVersionOrder()
    {
        auto reg = std::make_shared<MemoryRegistry>();
        const QString good = MakeInstallation(m_root, QStringLiteral("good"));
        const QString other = MakeInstallation(m_root, QStringLiteral("other"));
        const QString gpl = BranchKey(QStringLiteral("GPL"));
        reg->SetString(HKLM, gpl + QStringLiteral("\\8.54"), QStringLiteral("GS_DLL"), good + QStringLiteral("libgs.so"));
        // Wrong value types do not count.
        reg->SetInteger(HKLM, gpl + QStringLiteral("\\8.60"), QStringLiteral("GS_DLL"), 1);
        reg->SetBinary(HKLM, gpl + QStringLiteral("\\8.61"), QStringLiteral("GS_DLL"), QByteArray("/x/libgs.so"));
        // No value at all.
        reg->AddKey(HKLM, gpl + QStringLiteral("\\8.62"));
        // A folder without the console program.
        reg->SetString(HKLM, gpl + QStringLiteral("\\8.63"), QStringLiteral("GS_DLL"), m_root.path() + QStringLiteral("/nothing/libgs.so"));
        // Names that are not versions must not stop the scan.
        for (const QString& name : {QStringLiteral("abc"), QStringLiteral("8.x"), QStringLiteral("300"), QStringLiteral("8.256"),
                                    QStringLiteral("1.2.3"), QStringLiteral("-1"), QStringLiteral(".5")})
            reg->SetString(HKLM, gpl + '\\' + name, QStringLiteral("GS_DLL"), good + QStringLiteral("libgs.so"));
        // A major version alone, and one version under two branches.
        reg->SetString(HKLM, gpl + QStringLiteral("\\9"), QStringLiteral("GS_DLL"), other + QStringLiteral("libgs.so"));
        reg->SetString(HKLM, BranchKey(QStringLiteral("GNU")) + QStringLiteral("\\7.04"), QStringLiteral("GS_DLL"), other + QStringLiteral("libgs.so"));
        reg->SetString(HKLM, BranchKey(QStringLiteral("AFPL")) + QStringLiteral("\\8.14"), QStringLiteral("GS_DLL"), good + QStringLiteral("libgs.so"));
        reg->SetString(HKLM, gpl + QStringLiteral("\\8.14"), QStringLiteral("GS_DLL"), other + QStringLiteral("libgs.so"));
        Registry::SetCurrent(reg);

        const TGhostscriptPool pool;
        QStringList found = Describe(pool);
        // Equal versions keep no particular order among themselves.
        QCOMPARE(found.size(), 5);
        QCOMPARE(found[0], QStringLiteral("GNU 7.4"));
        QCOMPARE(QSet<QString>(found.begin() + 1, found.begin() + 3), (QSet<QString>{QStringLiteral("AFPL 8.14"), QStringLiteral("GPL 8.14")}));
        QCOMPARE(found[3], QStringLiteral("GPL 8.54"));
        QCOMPARE(found[4], QStringLiteral("GPL 9.0"));
        QCOMPARE(pool.Item(4)->DisplayName(), QStringLiteral("GPL Ghostscript 9.00   ") + other);
        QCOMPARE(pool.Item(3)->BinDir, good);
    }

    void emptyOrMissingBranchesGiveAnEmptyList()
    {
        auto reg = std::make_shared<MemoryRegistry>();
        reg->AddKey(HKLM, BranchKey(QStringLiteral("GPL")));
        Registry::SetCurrent(reg);
        const TGhostscriptPool pool;
        QCOMPARE(pool.Count(), 0);
        QVERIFY(pool.DefaultInstallation() == nullptr);
        QVERIFY(pool.FindVersion(8, 54) == nullptr);
    }

    void defaultChoice_data()
    {
        QTest::addColumn<QStringList>("versions");
        QTest::addColumn<QString>("chosen");
        QTest::newRow("8.14 before newer 8.54") << QStringList{"8.54", "8.14"} << "8.14";
        QTest::newRow("else the highest") << QStringList{"8.15", "8.54"} << "8.54";
        QTest::newRow("8.50 before 8.60") << QStringList{"8.60", "8.50"} << "8.50";
        QTest::newRow("8.50 before 8.14") << QStringList{"8.14", "8.50"} << "8.50";
        QTest::newRow("7.04 before 9") << QStringList{"9", "7.04"} << "7.4";
        QTest::newRow("only one") << QStringList{"10.00"} << "10.0";
        QTest::newRow("none") << QStringList{} << "";
    }
    void defaultChoice()
    {
        QFETCH(QStringList, versions);
        QFETCH(QString, chosen);
        Registry::SetCurrent(RegistryWith(versions));
        const TGhostscriptPool pool;
        const TGhostscript* gs = pool.DefaultInstallation();
        QCOMPARE(gs ? QStringLiteral("%1.%2").arg(gs->Major).arg(gs->Minor) : QString(), chosen);
    }

    void findByPath()
    {
        Registry::SetCurrent(RegistryWith({QStringLiteral("8.14"), QStringLiteral("8.54")}));
        const TGhostscriptPool pool;
        const TGhostscript* gs854 = pool.FindVersion(8, 54);
        QVERIFY(gs854);
        QCOMPARE(pool.FindByPath(gs854->ExePath()), gs854);
        // Stored paths from older settings may differ in letter case.
        QCOMPARE(pool.FindByPath(gs854->ExePath().toUpper()), gs854);
        // Only the folder counts, and a missing delimiter is no obstacle.
        QCOMPARE(pool.FindByPath(gs854->BinDir + QStringLiteral("gswin32c.exe")), gs854);
        QVERIFY(pool.FindByPath(QString()) == nullptr);
        // A removed installation falls back to the default choice.
        const QString removed = m_root.path() + QStringLiteral("/removed/bin/gs");
        QVERIFY(pool.FindByPath(removed) == nullptr);
        QCOMPARE(pool.DefaultInstallation(), pool.FindVersion(8, 14));
        QCOMPARE(pool.IndexOf(gs854), 1);
    }

    void realRegistryFindsTheInstalledGhostscript()
    {
        if (!QFileInfo(QStringLiteral("/usr/bin/gs")).isExecutable())
            QSKIP("no Ghostscript in /usr/bin");
        QProcess p;
        p.start(QStringLiteral("/usr/bin/gs"), {QStringLiteral("--version")});
        QVERIFY(p.waitForFinished(10000));
        const auto m = QRegularExpression(QStringLiteral("^(\\d+)\\.(\\d+)")).match(QString::fromLatin1(p.readAll()));
        QVERIFY(m.hasMatch());

        Registry::SetCurrent(nullptr);  // the system's own view
        const TGhostscriptPool pool;
        const TGhostscript* gs = pool.FindByPath(QStringLiteral("/usr/bin/gs"));
        QVERIFY(gs);
        QCOMPARE(gs->ExePath(), QStringLiteral("/usr/bin/gs"));
        QCOMPARE(int(gs->GsType), 2);
        QCOMPARE(int(gs->Major), m.captured(1).toInt());
        QCOMPARE(int(gs->Minor), m.captured(2).toInt());
        QCOMPARE(gs->DisplayName(), QStringLiteral("GPL Ghostscript %1.%2   /usr/bin/").arg(m.captured(1), m.captured(2)));
        QVERIFY(gs->ExeExists());
        // Listed once, although /bin may lead to the same program.
        int copies = 0;
        for (int i = 0; i < pool.Count(); ++i)
            copies += QFileInfo(pool.Item(i)->ExePath()).canonicalFilePath() == QFileInfo(gs->ExePath()).canonicalFilePath();
        QCOMPARE(copies, 1);
    }

    void realRegistryNamesTheOfficeAsWordTwelve()
    {
        const bool office = QFileInfo(QStringLiteral("/usr/lib/libreoffice/program/soffice")).isExecutable();
        Registry::SetCurrent(nullptr);
        const Registry& reg = Registry::Current();
        if (office)
            QCOMPARE(reg.ReadString(RegistryRoot::ClassesRoot, QStringLiteral("Word.Application\\CurVer"), QString()), QStringLiteral("Word.Application.12"));
        else
            QVERIFY(!reg.KeyExists(RegistryRoot::ClassesRoot, QStringLiteral("Word.Application\\CurVer")));
    }
};

KALVINORA_TEST_MAIN(TestGhostscriptInstallations)
#include "TestGhostscriptInstallations.moc"
