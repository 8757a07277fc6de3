#include "platform/SystemPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <pwd.h>
#include <unistd.h>

namespace platform {

namespace {

QString& ProgramPathOverride()
{
    static QString path;
    return path;
}

QString HomeFolder()
{
    QString home = qEnvironmentVariable("HOME");
    if (home.isEmpty()) {
        if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir)
            home = QString::fromLocal8Bit(pw->pw_dir);
    }
    return home;
}

QString XdgFolder(const char* variable, const QString& fallbackBelowHome)
{
    const QString value = qEnvironmentVariable(variable);
    // Relative values are invalid by the XDG rules and are ignored.
    if (!value.isEmpty() && QDir::isAbsolutePath(value))
        return QDir::cleanPath(value);
    const QString home = HomeFolder();
    if (home.isEmpty())
        return {};
    return QDir::cleanPath(home + "/" + fallbackBelowHome);
}

}  // namespace

QString UserDataHome() { return XdgFolder("XDG_DATA_HOME", ".local/share"); }

QString UserConfigHome() { return XdgFolder("XDG_CONFIG_HOME", ".config"); }

QString TempFolder()
{
    QString t = QDir::tempPath();
    // A TMPDIR that names no folder would put temporary files into "/".
    if (t.isEmpty() || t == QLatin1String("/") || !QFileInfo(t).isDir())
        t = QStringLiteral("/tmp");
    if (!t.endsWith('/'))
        t += '/';
    return t;
}

QString ProgramFilePath()
{
    if (!ProgramPathOverride().isEmpty())
        return ProgramPathOverride();
    if (QCoreApplication::instance())
        return QCoreApplication::applicationFilePath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}

void SetProgramFilePath(const QString& path) { ProgramPathOverride() = path; }

QString ProgramFolder()
{
    QString folder = QFileInfo(ProgramFilePath()).absolutePath();
    if (!folder.endsWith('/'))
        folder += '/';
    return folder;
}

QString UserName()
{
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_name)
        return QString::fromLocal8Bit(pw->pw_name);
    return qEnvironmentVariable("USER");
}

}  // namespace platform
