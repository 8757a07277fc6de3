#include "support/RecordingDialogHost.h"
#include "support/TestEnvironment.h"

#include "core/DialogHost.h"
#include "core/LanguageFile.h"
#include "core/Settings.h"
#include "core/StartupStep.h"
#include "core/TMyIniFile.h"
#include "platform/SystemPaths.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <memory>

namespace {

void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    f.write(bytes);
}

QString StoredLgFile()
{
    return TMyIniFile(GetDataFolder() + QStringLiteral("settings.ini"))
        .ReadString(QStringLiteral("Allgemein"), QStringLiteral("LgFile"), QStringLiteral("<none>"));
}

}  // namespace

// The start-up step: settings file, the language choice of the first start
// and the language file from the program's folder.
class TestStartupStep : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        m_program = std::make_unique<QTemporaryDir>();
        platform::SetProgramFilePath(m_program->filePath(QStringLiteral("kalvinora")));
        WriteBytes(m_program->filePath(QStringLiteral("deutsch.lng")),
                   "[LangOptions]\r\nLanguageName=Deutsch\r\n[Main]\r\nProbe=aus deutsch.lng\r\n\r\n");
        WriteBytes(m_program->filePath(QStringLiteral("english.lng")),
                   "[LangOptions]\r\nLanguageName=English\r\n[Main]\r\nProbe=from english.lng\r\n\r\n");
        QDir data(GetDataFolder());
        QFile::remove(data.filePath(QStringLiteral("settings.ini")));
        QDir(data.filePath(QStringLiteral("settings.ini"))).removeRecursively();
        QFile::remove(platform::UserConfigHome() + QStringLiteral("/Kalvinora.ini"));
        SettingsFileName().clear();
        OpenLanguageFile(QString());
    }
    void cleanup()
    {
        OpenLanguageFile(QString());
        platform::SetProgramFilePath(QString());
        m_program.reset();
    }

    void firstStartAsksAndStoresTheChoice()
    {
        RecordingDialogHost host;
        host.languageAnswer = QStringLiteral("english.lng");
        ScopedDialogHost scoped(&host);
        ToolsStartup(QStringList());
        QCOMPARE(host.languageRequests, 1);
        QCOMPARE(SettingsFileName(), GetDataFolder() + QStringLiteral("settings.ini"));
        QCOMPARE(StoredLgFile(), QStringLiteral("english.lng"));
        QCOMPARE(LangString("Main", "Probe", "eingebaut"), QStringLiteral("from english.lng"));
        QVERIFY(host.messages.isEmpty());

        // The next start does not ask again.
        OpenLanguageFile(QString());
        ToolsStartup(QStringList());
        QCOMPARE(host.languageRequests, 1);
        QCOMPARE(LangString("Main", "Probe", "eingebaut"), QStringLiteral("from english.lng"));
    }

    void nothingChosenStoresNothingAndAsksAgain()
    {
        RecordingDialogHost host;
        ScopedDialogHost scoped(&host);
        ToolsStartup(QStringList());
        QCOMPARE(host.languageRequests, 1);
        QCOMPARE(StoredLgFile(), QStringLiteral("<none>"));
        QCOMPARE(LangString("Main", "Probe", "eingebaut"), QStringLiteral("aus deutsch.lng"));
        ToolsStartup(QStringList());
        QCOMPARE(host.languageRequests, 2);
    }

    void argumentSuppressesTheChoice()
    {
        RecordingDialogHost host;
        host.languageAnswer = QStringLiteral("english.lng");
        ScopedDialogHost scoped(&host);
        ToolsStartup(QStringList{QStringLiteral("anything")});
        QCOMPARE(host.languageRequests, 0);
        QCOMPARE(StoredLgFile(), QStringLiteral("<none>"));
        QCOMPARE(LangString("Main", "Probe", "eingebaut"), QStringLiteral("aus deutsch.lng"));
    }

    void storedChoiceIsUsed()
    {
        TMyIniFile ini(GetDataFolder() + QStringLiteral("settings.ini"));
        ini.WriteString(QStringLiteral("Allgemein"), QStringLiteral("LgFile"), QStringLiteral("english.lng"));
        ini.UpdateFile();
        RecordingDialogHost host;
        ScopedDialogHost scoped(&host);
        ToolsStartup(QStringList());
        QCOMPARE(host.languageRequests, 0);
        QCOMPARE(LangString("Main", "Probe", "eingebaut"), QStringLiteral("from english.lng"));
    }

    void missingLanguageFileGivesBuiltInTexts()
    {
        QFile::remove(m_program->filePath(QStringLiteral("deutsch.lng")));
        QFile::remove(m_program->filePath(QStringLiteral("english.lng")));
        RecordingDialogHost host;
        ScopedDialogHost scoped(&host);
        ToolsStartup(QStringList());
        QCOMPARE(LangString("Main", "Probe", "eingebaut"), QStringLiteral("eingebaut"));
        QVERIFY(host.messages.isEmpty());
    }

    // A choice that cannot be saved is reported; start-up still opens a
    // language file.
    void unwritableSettingsAreReportedAndStartupGoesOn()
    {
        QVERIFY(QDir().mkpath(GetDataFolder() + QStringLiteral("settings.ini")));
        RecordingDialogHost host;
        host.languageAnswer = QStringLiteral("english.lng");
        ScopedDialogHost scoped(&host);
        ToolsStartup(QStringList());
        QCOMPARE(host.languageRequests, 1);
        QCOMPARE(host.messages.size(), 1);
        QCOMPARE(host.messages.first().type, mtError);
        QCOMPARE(host.messages.first().buttons, MsgButtons({mbOK}));
        QVERIFY(host.messages.first().message.contains(QStringLiteral("settings.ini")));
        QCOMPARE(LangString("Main", "Probe", "eingebaut"), QStringLiteral("aus deutsch.lng"));
    }

    void withoutHostNothingIsAsked()
    {
        ScopedDialogHost scoped(nullptr);
        ToolsStartup(QStringList());
        QCOMPARE(StoredLgFile(), QStringLiteral("<none>"));
        QCOMPARE(LangString("Main", "Probe", "eingebaut"), QStringLiteral("aus deutsch.lng"));
    }

private:
    std::unique_ptr<QTemporaryDir> m_program;
};

KALVINORA_TEST_MAIN(TestStartupStep)
#include "TestStartupStep.moc"
