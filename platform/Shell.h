#pragma once

#include <QString>
#include <QStringList>

// What the desktop shell does for the program: the trash, opening a file with
// its default program, and running a program while the window stays alive.
namespace platform {

// Moves every file to the desktop trash; true when all of them went.
bool MoveFilesToTrash(const QStringList& files);

// Opens a file or address with the desktop's default program; false when
// nothing could be started. Never shows an error box of its own.
bool OpenWithDefaultProgram(const QString& fileOrUrl);

// Starts program with arguments; returns false when it cannot be started.
// Otherwise waits until it ends, handling the program's pending events every
// 10 ms, and returns true. exitCode receives the exit status (-1 on a crash),
// output what the program wrote to its output and error channels.
bool RunAndWait(const QString& program, const QStringList& arguments, int* exitCode = nullptr,
                QByteArray* output = nullptr);

// Starts program detached; true when it started.
bool StartDetached(const QString& program, const QStringList& arguments);

}  // namespace platform
