#include "platform/Shell.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace platform {

bool MoveFilesToTrash(const QStringList& files)
{
    bool all = true;
    for (const QString& f : files) {
        if (!QFile::moveToTrash(f))
            all = false;
    }
    return all;
}

bool OpenWithDefaultProgram(const QString& fileOrUrl)
{
    QUrl url = QUrl::fromUserInput(fileOrUrl, QString(), QUrl::AssumeLocalFile);
    if (url.isLocalFile() && !QFileInfo::exists(url.toLocalFile()))
        return false;
    // xdg-open answers with a non-zero status when no program handles the
    // type; it is asked directly so that the answer can be returned.
    const QString xdgOpen = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (!xdgOpen.isEmpty()) {
        if (url.isLocalFile()) {
            QProcess probe;
            probe.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("filetype"), url.toLocalFile()});
            if (probe.waitForFinished(5000) && probe.exitCode() == 0) {
                const QByteArray type = probe.readAllStandardOutput().trimmed();
                QProcess handler;
                handler.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"), QString::fromUtf8(type)});
                if (handler.waitForFinished(5000) && handler.readAllStandardOutput().trimmed().isEmpty())
                    return false;
            }
        }
        return QProcess::startDetached(xdgOpen, {url.toString()});
    }
    return QDesktopServices::openUrl(url);
}

bool RunAndWait(const QString& program, const QStringList& arguments, int* exitCode, QByteArray* output)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start();
    if (!process.waitForStarted(-1))
        return false;
    QByteArray text;
    // Poll every 10 ms and let the window handle clicks and timers meanwhile.
    while (!process.waitForFinished(10)) {
        if (process.state() == QProcess::NotRunning)
            break;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        text += process.readAll();
    }
    text += process.readAll();
    if (exitCode)
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    if (output)
        *output = text;
    return true;
}

bool StartDetached(const QString& program, const QStringList& arguments)
{
    return QProcess::startDetached(program, arguments);
}

}  // namespace platform
