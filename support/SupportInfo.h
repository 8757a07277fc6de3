#pragma once

#include <QDateTime>
#include <QSize>
#include <QString>
#include <QStringList>

class TGhostscriptPool;

// The support archive: SupportInfo.CAB in the data folder with a fresh
// system description (system.txt), the log and the settings file.

// What system.txt tells about the machine besides printers, Word and
// Ghostscript.
struct SupportSystemFacts {
    QString systemName;
    qint64 memoryBytes = 0;
    QSize screenSize;
    int screenDpi = 0;
    QDateTime now;
    QString programPath;

    // The facts of this machine and this moment.
    static SupportSystemFacts Current();
};

// "Memory Available to Windows: " and the memory in whole MiB with the
// locale's thousands separators and "MB".
QString MemoryLine(qint64 bytes);

// The lines of system.txt for the given installations (none when null).
QStringList SystemInfoLines(const SupportSystemFacts& facts, const TGhostscriptPool* ghostscripts);

// Writes system.txt, packs it with protokoll.txt and settings.ini (those of
// them that exist) into SupportInfo.CAB and returns the archive's full path.
// Raises ECABFileError when the archive cannot be built and
// UniCodeException when system.txt cannot be written or the registered Word
// version is not a number.
QString CreateSupportInfo(const TGhostscriptPool* ghostscripts);
