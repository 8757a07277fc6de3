#pragma once

#include <QString>

// Where the program finds the user's folders and itself on this desktop.
namespace platform {

// $XDG_DATA_HOME, else ~/.local/share; no trailing delimiter, empty when
// neither can be determined.
QString UserDataHome();

// $XDG_CONFIG_HOME, else ~/.config; the folder where a bare settings file
// name of older installations was kept. No trailing delimiter.
QString UserConfigHome();

// The temporary folder with a trailing "/".
QString TempFolder();

// Full path of the running program file. Tests may point it elsewhere
// (for example at a fixture folder holding language files).
QString ProgramFilePath();
void SetProgramFilePath(const QString& path);

// Folder of the program file, with a trailing "/".
QString ProgramFolder();

// Name of the user the program runs for.
QString UserName();

}  // namespace platform
