#include "platform/SystemInfo.h"

#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QStorageInfo>
#include <QSysInfo>

#include <sys/statvfs.h>
#include <unistd.h>

namespace platform {

namespace {

DiskSpaceQuery& DiskSpaceOverride()
{
    static DiskSpaceQuery query;
    return query;
}

}  // namespace

void SetDiskSpaceQuery(DiskSpaceQuery query) { DiskSpaceOverride() = std::move(query); }

DiskSpace QueryDiskSpace(const QString& path)
{
    if (const DiskSpaceQuery& query = DiskSpaceOverride())
        return query(path);
    struct statvfs s {};
    if (statvfs(QFile::encodeName(path).constData(), &s) != 0)
        return {};
    // Free bytes of the drive, not the quota left to this user.
    return DiskSpace{qint64(s.f_bfree) * qint64(s.f_frsize), qint64(s.f_blocks) * qint64(s.f_frsize)};
}

int ScreenDpi()
{
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        if (QScreen* screen = QGuiApplication::primaryScreen())
            return qRound(screen->logicalDotsPerInchY());
    }
    return 96;
}

QSize ScreenSize()
{
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        if (QScreen* screen = QGuiApplication::primaryScreen())
            return screen->size();
    }
    return {};
}

qint64 PhysicalMemory()
{
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0)
        return 0;
    return qint64(pages) * qint64(pageSize);
}

QString SystemName()
{
    return QStringLiteral("%1 %2 %3 (%4)")
        .arg(QSysInfo::kernelType(), QSysInfo::kernelVersion(), QSysInfo::currentCpuArchitecture(),
             QSysInfo::prettyProductName());
}

ProgramVersion CompiledVersion()
{
    return ProgramVersion{KALVINORA_VERSION_MAJOR, KALVINORA_VERSION_MINOR, KALVINORA_VERSION_RELEASE,
                          KALVINORA_VERSION_BUILD};
}

}  // namespace platform
