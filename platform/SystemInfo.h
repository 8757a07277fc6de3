#pragma once

#include <QSize>
#include <QString>

#include <functional>

// Facts about the machine and the program that the diagnostics and a few
// layouts need.
namespace platform {

struct DiskSpace {
    qint64 freeBytes = 0;
    qint64 totalBytes = 0;
};

// Free and total bytes of the file system holding path; both 0 on failure.
DiskSpace QueryDiskSpace(const QString& path);

// Lets a test answer QueryDiskSpace (a nearly full disk is hard to arrange);
// an empty function gives the file system's answer again.
using DiskSpaceQuery = std::function<DiskSpace(const QString& path)>;
void SetDiskSpaceQuery(DiskSpaceQuery query);

// Vertical pixels per logical inch of the primary screen (96 without one).
int ScreenDpi();
// Size of the primary screen in pixels (empty without one).
QSize ScreenSize();

// Physical memory in bytes, 0 when unknown.
qint64 PhysicalMemory();

// A line naming the running system, for example "Linux 6.1.0 x86_64 (Debian GNU/Linux 12)".
QString SystemName();

struct ProgramVersion {
    int major = 0, minor = 0, release = 0, build = 0;
};
// The version compiled into the program.
ProgramVersion CompiledVersion();

}  // namespace platform
