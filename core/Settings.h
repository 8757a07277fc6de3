#pragma once

#include "core/ProgramState.h"

#include <QByteArray>
#include <QString>

class TMyIniFile;

// The per-user data folder ($XDG_DATA_HOME/Kalvinora/, created readable by
// the user alone) with a trailing "/". Computed once and cached.
QString GetDataFolder();
void ClearDataFolderCache();

// Data folder + "settings.ini", moving a settings file of an older
// installation there once.
QString GetSettingsFileName();
// The first writable older location, or empty text.
QString FindLegacySettingsFile();

// The settings file of this run, fixed by the start-up step.
QString& SettingsFileName();

QString GetDefaultPrinterName();
bool PrinterExists(const QString& printerName);
// The temporary folder with a trailing delimiter.
QString GetTempDirectory();

// What loading and saving the settings need from the window that owns the
// program state. The defaults serve a program without a main window.
class SettingsHost {
public:
    virtual ~SettingsHost() = default;
    virtual ProgramState& State() = 0;

    // Chooses the Ghostscript installation stored under "GS" (a console
    // program's path), falling back to the default installation.
    virtual void ChooseGhostscript(const QString& storedPath) {}
    // Path of the chosen installation's console program; empty when none.
    virtual QString ChosenGhostscriptPath() const { return {}; }
    // The installation list is released after "GS" is saved.
    virtual void ReleaseGhostscriptList() {}

    // The folder tree's view data (expanded folders, current folder).
    virtual void RestoreViewState(const QByteArray& stream) {}
    virtual QByteArray SnapshotViewState() { return {}; }

    // Width available to the browser area, for clamping "LeftWindow"; 0 when
    // there is no window (the value is then only kept at 100 or more).
    virtual int BrowserAreaWidth() const { return 0; }
    // The folder pane's current width, saved as "LeftWindow".
    virtual int CurrentLeftWindow() const { return const_cast<SettingsHost*>(this)->State().LeftWindow; }
    // Whether output goes next to each input file.
    virtual bool OutputToInputChecked() const { return const_cast<SettingsHost*>(this)->State().OutputToInput; }
};

// "LeftWindow" clamped for a browser area of the given width.
int ClampLeftWindow(int value, int browserAreaWidth);

void LoadSettings(SettingsHost& host);
// Writes the settings when saving is allowed; raises std::runtime_error when
// the file cannot be written.
void SaveSettings(SettingsHost& host);
