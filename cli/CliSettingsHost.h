#pragma once

#include "core/Settings.h"

// The program state of one command-line run: the settings as the window
// program stores them, with the installed Ghostscript programs.
class CliSettingsHost : public SettingsHost {
public:
    CliSettingsHost();

    ProgramState& State() override { return m_state; }
    void ChooseGhostscript(const QString& storedPath) override;
    QString ChosenGhostscriptPath() const override;

private:
    ProgramState m_state;
};
