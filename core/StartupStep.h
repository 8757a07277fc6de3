#pragma once

#include <QStringList>

// The start-up step of the shared routines, run once before any window
// exists: it fixes the settings file of this run, lets the user pick a
// language on the very first start, and opens the language file from the
// program's folder. Errors are shown (through MessageDlg) and start-up goes
// on with whatever was set up.
void ToolsStartup();
// The same with the program's command-line arguments (without the program
// name); any argument suppresses the first-start language choice.
void ToolsStartup(const QStringList& arguments);
