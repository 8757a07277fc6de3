#include "cli/CliSettingsHost.h"

#include "ghostscript/UGhostscript.h"

CliSettingsHost::CliSettingsHost() { m_state.GhostscriptPool = std::make_shared<TGhostscriptPool>(); }

void CliSettingsHost::ChooseGhostscript(const QString& storedPath)
{
    m_state.ChosenGhostscript = m_state.GhostscriptPool->FindByPath(storedPath);
    if (!m_state.ChosenGhostscript)
        m_state.ChosenGhostscript = m_state.GhostscriptPool->DefaultInstallation();
}

QString CliSettingsHost::ChosenGhostscriptPath() const
{
    return m_state.ChosenGhostscript ? m_state.ChosenGhostscript->ExePath() : QString();
}
