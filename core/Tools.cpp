#include "core/Tools.h"

#include "core/Protocol.h"
#include "platform/PrinterSystem.h"
#include "platform/Shell.h"
#include "platform/SystemInfo.h"
#include "platform/SystemPaths.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>

#include <fcntl.h>
#include <unistd.h>

bool ShellDeleteFiles(QObject*, const QStringList& files, unsigned options)
{
    QStringList targets;
    for (const QString& f : files) {
        if ((options & dfFilesOnly) && QFileInfo(f).isDir())
            continue;
        targets << f;
    }
    if (options & dfAllowUndo)
        return platform::MoveFilesToTrash(targets);
    bool all = true;
    for (const QString& f : targets) {
        if (!QFile::remove(f))
            all = false;
    }
    return all;
}

bool ShellExecuteFile(const QString& file, const QString& parameters, const QString&, int)
{
    if (parameters.isEmpty())
        return platform::OpenWithDefaultProgram(file);
    return platform::StartDetached(file, QProcess::splitCommand(parameters));
}

bool ShellExecuteAndWait(const QString& file, const QString& parameters, const QString&, int)
{
    return platform::RunAndWait(file, QProcess::splitCommand(parameters));
}

bool ShellExecuteAndWait(const QString& file, const QStringList& arguments, int* exitCode, QByteArray* output)
{
    return platform::RunAndWait(file, arguments, exitCode, output);
}

bool TryOpen(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    int fd = -1;
    if (!IsReadOnlyFile(path) && QFileInfo(path).isFile())
        fd = ::open(name.constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        WriteProtocol(QStringLiteral("Error TryOpen: ") + path);
        return false;
    }
    ::close(fd);
    return true;
}

void GetPrinterlist(QStringList& list)
{
    WriteProtocol(QStringLiteral("Start GetPrinterlist"));
    list << PrinterSystem::Instance().PrinterNames();
    WriteProtocol(QStringLiteral("Ende GetPrinterlist"));
}

int FindPrinterIndex(const QString& printerName) { return PrinterSystem::Instance().IndexOf(printerName); }

void GetDiskSpace(const QString& path, int64_t& freeBytes, int64_t& totalBytes)
{
    const platform::DiskSpace space = platform::QueryDiskSpace(path);
    freeBytes = space.freeBytes;
    totalBytes = space.totalBytes;
}

int GetScreenDPI() { return platform::ScreenDpi(); }

bool IsWindows2000OrLater() { return true; }

QString FormatVersion(const QString& format, int major, int minor, int release, int build)
{
    const int values[4] = {major, minor, release, build};
    QString out;
    int next = 0;
    static const QRegularExpression spec(QStringLiteral("%(?:(\\d+):)?d"));
    qsizetype pos = 0;
    auto it = spec.globalMatch(format);
    while (it.hasNext()) {
        const auto m = it.next();
        out += format.mid(pos, m.capturedStart() - pos);
        int index = m.captured(1).isEmpty() ? next : m.captured(1).toInt();
        next = index + 1;
        out += (index >= 0 && index < 4) ? QString::number(values[index]) : QString();
        pos = m.capturedEnd();
    }
    out += format.mid(pos);
    return out;
}

QString GetFileVersionText(const QString& format)
{
    if (!QFileInfo::exists(platform::ProgramFilePath()))
        return QStringLiteral("n.a.");
    const platform::ProgramVersion v = platform::CompiledVersion();
    return FormatVersion(format, v.major, v.minor, v.release, v.build);
}

QString LocaleTimestamp(const QDateTime& when)
{
    const QLocale locale;
    QString dateFormat = locale.dateFormat(QLocale::ShortFormat);
    // The short date carries the full year, as the desktop's own short date does.
    if (!dateFormat.contains(QLatin1String("yyyy")))
        dateFormat.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    QString text = locale.toString(when.date(), dateFormat);
    const QTime t = when.time();
    if (t.hour() != 0 || t.minute() != 0 || t.second() != 0) {
        // The long time format without the time zone.
        QString timeFormat = locale.timeFormat(QLocale::LongFormat);
        timeFormat.remove(QRegularExpression(QStringLiteral("\\s*t+\\s*")));
        text += ' ' + locale.toString(t, timeFormat.trimmed());
    }
    return text;
}

bool IsReadOnlyFile(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() && !(info.permissions() & QFileDevice::WriteOwner);
}

QString ReplaceFirst(const QString& text, const QString& placeholder, const QString& value)
{
    const qsizetype i = text.indexOf(placeholder);
    if (i < 0)
        return text;
    QString out = text;
    out.replace(i, placeholder.size(), value);
    return out;
}

QString FillPlaceholders(const QString& text, const QStringList& values)
{
    QString out;
    qsizetype pos = 0;
    for (const QString& v : values) {
        const qsizetype at = text.indexOf(QLatin1String("%s"), pos);
        if (at < 0)
            break;
        out += text.mid(pos, at - pos) + v;
        pos = at + 2;
    }
    return out + text.mid(pos);
}
