#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <cstdint>

class QObject;

// Shared free routines: the shell and system helpers, and a few small
// helpers the other units use.

// Options of ShellDeleteFiles.
enum DeleteFileOption : unsigned { dfSilent = 1, dfAllowUndo = 2, dfFilesOnly = 4 };

// Moves the files to the desktop trash (dfAllowUndo) or deletes them; no
// dialog is ever shown. True when every file went.
bool ShellDeleteFiles(QObject* owner, const QStringList& files, unsigned options);

// Opens file with its default program (or starts it with parameters).
// verb and show are accepted for the callers' sake; the desktop decides.
bool ShellExecuteFile(const QString& file, const QString& parameters = QString(), const QString& verb = QString(),
                      int show = 1);

// Starts file with parameters (split like a command line) and waits for it
// to end while the window keeps handling events. True when it started.
bool ShellExecuteAndWait(const QString& file, const QString& parameters, const QString& verb = QString(),
                         int show = 0);
// The same with the arguments already split, reporting exit status and output.
bool ShellExecuteAndWait(const QString& file, const QStringList& arguments, int* exitCode, QByteArray* output);

// True when the existing file can be opened for reading and writing;
// otherwise logs "Error TryOpen: " + path.
bool TryOpen(const QString& path);

// Appends the name of every printer, in the system's order.
void GetPrinterlist(QStringList& list);
// Index of the printer in the system list, ignoring case; -1 if absent.
int FindPrinterIndex(const QString& printerName);

// Free and total bytes of the file system holding path (0 and 0 on failure).
void GetDiskSpace(const QString& path, int64_t& freeBytes, int64_t& totalBytes);

int GetScreenDPI();

// The "new" branch of every system-generation test is taken here.
bool IsWindows2000OrLater();

// The program's version formatted with four integers: major, minor,
// release, build. Understands "%d" (in turn) and "%N:d" (argument N, 0-based).
QString GetFileVersionText(const QString& format);
// The same formatting for given numbers.
QString FormatVersion(const QString& format, int major, int minor, int release, int build);

// Local date and time in the user's short date and long time formats; the
// time is left out at midnight.
QString LocaleTimestamp(const QDateTime& when);

// A file that exists and whose owner may not write it counts as read-only,
// whoever runs the program.
bool IsReadOnlyFile(const QString& path);

// The text with its first "%s" (or first "%d") replaced by value.
QString ReplaceFirst(const QString& text, const QString& placeholder, const QString& value);

// The text with its "%s" placeholders filled by the values in turn, in one
// pass: a value that itself holds "%s" (a file name, a message) stays as it is.
QString FillPlaceholders(const QString& text, const QStringList& values);
