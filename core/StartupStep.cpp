#include "core/StartupStep.h"

#include "core/DialogHost.h"
#include "core/LanguageFile.h"
#include "core/MessageDlg.h"
#include "core/Protocol.h"
#include "core/Settings.h"
#include "core/TMyIniFile.h"
#include "core/UniCodeException.h"
#include "platform/SystemPaths.h"

#include <QCoreApplication>

namespace {

const QString kAllgemein = QStringLiteral("Allgemein");
const QString kLgFile = QStringLiteral("LgFile");

void ShowStartupError(const std::exception& e)
{
    MessageDlg(QString(), ExceptionText(e), mtError, MsgButtons({mbOK}));
}

}  // namespace

void ToolsStartup()
{
    QStringList arguments = QCoreApplication::arguments();
    if (!arguments.isEmpty())
        arguments.removeFirst();
    ToolsStartup(arguments);
}

void ToolsStartup(const QStringList& arguments)
{
    try {
        WriteProtocol(QStringLiteral("Start Initialisierung Tools"));
        ClearDataFolderCache();
        SettingsFileName() = GetSettingsFileName();

        if (arguments.isEmpty()) {
            TMyIniFile ini(SettingsFileName());
            if (ini.ReadString(kAllgemein, kLgFile, QString()).isEmpty()) {
                const QString chosen = CurrentDialogHost() ? CurrentDialogHost()->SelectLanguageFile() : QString();
                // Nothing chosen: nothing is written, so the choice comes
                // again at the next start.
                if (!chosen.isEmpty()) {
                    ini.WriteString(kAllgemein, kLgFile, chosen);
                    ini.UpdateFile();
                }
            }
        }
    } catch (const std::exception& e) {
        ShowStartupError(e);
    }

    // The language file is opened even when the choice could not be saved.
    try {
        QString lgFile = TMyIniFile(SettingsFileName()).ReadString(kAllgemein, kLgFile, QStringLiteral("deutsch.lng"));
        if (lgFile.isEmpty())
            lgFile = QStringLiteral("deutsch.lng");
        OpenLanguageFile(platform::ProgramFolder() + lgFile);
    } catch (const std::exception& e) {
        ShowStartupError(e);
    }
}
