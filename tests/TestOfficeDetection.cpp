#include "support/TestEnvironment.h"

#include "core/UniCodeException.h"
#include "platform/Registry.h"
#include "platform/SystemRegistry.h"
#include "support/OfficeDetection.h"

#include <QApplication>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

const QString kWordKey = QStringLiteral("Word.Application\\CurVer");

std::shared_ptr<MemoryRegistry> RegistryWithWord(const QString& curVer)
{
    auto registry = std::make_shared<MemoryRegistry>();
    if (!curVer.isNull())
        registry->SetString(RegistryRoot::ClassesRoot, kWordKey, QString(), curVer);
    return registry;
}

}  // namespace

class TestOfficeDetection : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { Registry::SetCurrent(nullptr); }

    void classAndLine_data()
    {
        QTest::addColumn<QString>("curVer");
        QTest::addColumn<int>("versionClass");
        QTest::addColumn<QString>("line");

        QTest::newRow("95") << "Word.Application.6" << 0 << QStringLiteral("Winword 95 gefunden - <b>nicht</b> kompatibel");
        QTest::newRow("97") << "Word.Application.8" << 1 << "Winword 97 gefunden - kompatibel";
        QTest::newRow("2000") << "Word.Application.9" << 2 << "Winword 2000 gefunden - kompatibel";
        QTest::newRow("XP") << "Word.Application.10" << 3 << "Winword XP gefunden - kompatibel";
        QTest::newRow("2003") << "Word.Application.11" << 4 << "Winword 2003 gefunden - kompatibel";
        QTest::newRow("2007") << "Word.Application.12" << 5 << "Winword 2007 gefunden - kompatibel";
        QTest::newRow("7 is no Office version") << "Word.Application.7" << 6 << "unbekanntes Winword gefunden";
        QTest::newRow("newer version") << "Word.Application.14" << 6 << "unbekanntes Winword gefunden";
        QTest::newRow("negative number") << "Word.Application.-12" << 6 << "unbekanntes Winword gefunden";
        QTest::newRow("only the last dot counts") << "Word.Application.9.12" << 5 << "Winword 2007 gefunden - kompatibel";
        QTest::newRow("leading zero") << "Word.Application.011" << 4 << "Winword 2003 gefunden - kompatibel";
        QTest::newRow("no dot") << "Word" << 7 << "kein Winword gefunden";
        QTest::newRow("empty value") << "" << 7 << "kein Winword gefunden";
        QTest::newRow("nothing registered") << QString() << 7 << "kein Winword gefunden";
    }

    void classAndLine()
    {
        QFETCH(QString, curVer);
        QFETCH(int, versionClass);
        QFETCH(QString, line);

        Registry::SetCurrent(RegistryWithWord(curVer));
        QCOMPARE(GetOfficeVersion(QStringLiteral("Word")), versionClass);
        QCOMPARE(GetWordInfo(), line);
    }

    void keyWithoutTextValueCountsAsNothing()
    {
        auto registry = std::make_shared<MemoryRegistry>();
        registry->SetInteger(RegistryRoot::ClassesRoot, kWordKey, QString(), 12);
        Registry::SetCurrent(registry);
        QCOMPARE(GetOfficeVersion(QStringLiteral("Word")), 7);

        registry = std::make_shared<MemoryRegistry>();
        registry->AddKey(RegistryRoot::ClassesRoot, kWordKey);
        Registry::SetCurrent(registry);
        QCOMPARE(GetWordInfo(), QStringLiteral("kein Winword gefunden"));
    }

    void looksUnderTheApplicationsOwnName()
    {
        auto registry = std::make_shared<MemoryRegistry>();
        registry->SetString(RegistryRoot::ClassesRoot, QStringLiteral("Excel.Application\\CurVer"), QString(),
                            QStringLiteral("Excel.Application.11"));
        // The same text under HKEY_LOCAL_MACHINE is not the registration.
        registry->SetString(RegistryRoot::LocalMachine, kWordKey, QString(), QStringLiteral("Word.Application.11"));
        Registry::SetCurrent(registry);
        QCOMPARE(GetOfficeVersion(QStringLiteral("Excel")), 4);
        QCOMPARE(GetOfficeVersion(QStringLiteral("Word")), 7);
    }

    void nonNumericVersionRaises_data()
    {
        QTest::addColumn<QString>("curVer");
        QTest::newRow("letters") << "Word.Application.abc";
        QTest::newRow("nothing after the dot") << "Word.Application.";
        QTest::newRow("the name itself") << "Word.Application";
        QTest::newRow("hexadecimal") << "Word.Application.0x0C";
        QTest::newRow("trailing blank") << "Word.Application.12 ";
        QTest::newRow("too large") << "Word.Application.99999999999";
    }

    void nonNumericVersionRaises()
    {
        QFETCH(QString, curVer);
        Registry::SetCurrent(RegistryWithWord(curVer));
        for (int pass = 0; pass < 2; ++pass) {
            try {
                if (pass == 0)
                    GetOfficeVersion(QStringLiteral("Word"));
                else
                    GetWordInfo();
                QFAIL("no error raised");
            } catch (const UniCodeException& e) {
                // The message names the registered value so the user can find it.
                QVERIFY2(e.Message().contains(QLatin1Char('"') + curVer + QLatin1Char('"')), qPrintable(e.Message()));
            }
        }
    }

    void theOfficeBackendCountsAsCompatible()
    {
        // The machine's own registry view: LibreOffice, when installed, is
        // registered as the newest Word generation the program knows.
        Registry::SetCurrent(SystemRegistry::Build());
        const bool office = !QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty()
                            || QFileInfo(QStringLiteral("/usr/lib/libreoffice/program/soffice")).isExecutable();
        QCOMPARE(GetWordInfo(), office ? QStringLiteral("Winword 2007 gefunden - kompatibel")
                                       : QStringLiteral("kein Winword gefunden"));
    }
};

KALVINORA_TEST_MAIN(TestOfficeDetection)
#include "TestOfficeDetection.moc"
