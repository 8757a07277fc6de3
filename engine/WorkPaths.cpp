#include "engine/WorkPaths.h"

#include "core/Protocol.h"
#include "core/Settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <stdexcept>

#include <unistd.h>

namespace {

const QChar kEuro(0x20AC);

struct SplitPath {
    QString dir;   // with trailing "/" (empty when the path has none)
    QString name;
};

SplitPath Split(const QString& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return {QString(), path};
    return {path.left(slash + 1), path.mid(slash + 1)};
}

QString WithDelimiter(const QString& dir)
{
    return dir.endsWith('/') ? dir : dir + '/';
}

QString RemoveChars(QString text, const QString& chars)
{
    for (QChar c : chars)
        text.remove(c);
    return text;
}

// The folder of this process's aliases. It lies in the data folder, which
// only the user can enter; when that path itself holds a blank, in a private
// folder of the temporary folder instead.
QString& AliasFolderCache()
{
    static QString folder;
    return folder;
}

QString AliasFolder()
{
    QString& folder = AliasFolderCache();
    if (!folder.isEmpty())
        return folder;
    const QString pid = QString::number(QCoreApplication::applicationPid());
    QString candidate = GetDataFolder() + QStringLiteral("links/") + pid + '/';
    if (candidate.contains(' ')) {
        QString temp = QDir::tempPath();
        if (temp.contains(' '))
            temp = QStringLiteral("/tmp");
        candidate = temp + QStringLiteral("/kalvinora-links-") + pid + '/';
    }
    if (!QDir().mkpath(candidate))
        return QString();
    const QFileInfo info(candidate);
    // A folder of that name that is not ours (or a link to elsewhere) is not used.
    if (info.isSymLink() || !info.isDir() || info.ownerId() != ::getuid())
        return QString();
    QFile::setPermissions(candidate, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    folder = candidate;
    return folder;
}

int& AliasCounter()
{
    static int counter = 0;
    return counter;
}

}  // namespace

QString WorkFilePath(const ProgramState& state, const QString& path)
{
    const SplitPath parts = Split(path);
    const QString removed = QStringLiteral(",=") + kEuro;
    const bool dirHasBadChars = parts.dir.contains(',') || parts.dir.contains('=') || parts.dir.contains(kEuro);
    const QString base = (state.UsePSDir || dirHasBadChars) ? state.PSDir : parts.dir;
    return WithDelimiter(base) + RemoveChars(parts.name, removed);
}

QString CheckPSPath(const ProgramState& state, const QString& path)
{
    const QString result = WorkFilePath(state, path);

    QFile file(result);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error(QStringLiteral("Die Datei \"%1\" kann nicht erstellt werden: %2")
                                     .arg(result, file.errorString())
                                     .toStdString());
    file.close();

    WriteProtocol(QStringLiteral("CheckPSPath1: ") + path);
    WriteProtocol(QStringLiteral("CheckPSPath UsePsDir ") + (state.UsePSDir ? QStringLiteral("True") : QStringLiteral("False")));
    WriteProtocol(QStringLiteral("CheckPSPath2: ") + result);
    return result;
}

QString CheckOutPath(const ProgramState& state, const QString& path)
{
    const SplitPath parts = Split(path);
    const QString base = state.OutputDir.isEmpty() ? parts.dir : state.OutputDir;
    const QString result = WithDelimiter(base) + RemoveChars(parts.name, QStringLiteral("=") + kEuro);
    WriteProtocol(QStringLiteral("CheckOutPath1: ") + path);
    WriteProtocol(QStringLiteral("CheckOutPath2: ") + result);
    if (!state.OutputDir.isEmpty())
        WriteProtocol(QStringLiteral("CheckOutPath3: ") + state.OutputDir);
    return result;
}

QString ShortPath(const QString& path)
{
    if (!path.contains(' '))
        return path;
    const QFileInfo info(path);
    if (!info.exists())
        return path;

    const QString folder = AliasFolder();
    if (folder.isEmpty())
        return path;
    const QString absolute = info.absoluteFilePath();
    const SplitPath parts = Split(absolute);
    QString alias;
    do {
        alias = folder + QStringLiteral("p%1").arg(++AliasCounter());
    } while (QFileInfo(alias).isSymLink() || QFileInfo::exists(alias));

    // A file whose own name has no blank is reached through an alias of its
    // folder, so that renaming and deleting through the short form act on the
    // folder's real entries. Other paths get an alias of their own.
    if (!info.isDir() && !parts.name.contains(' ') && parts.dir.size() > 1) {
        if (QFile::link(parts.dir.chopped(1), alias))
            return alias + '/' + parts.name;
        return path;
    }
    QString aliasName = alias;
    if (!info.isDir() && !info.suffix().isEmpty() && !info.suffix().contains(' '))
        aliasName += '.' + info.suffix();
    if (QFile::link(absolute, aliasName))
        return aliasName;
    return path;
}

void ReleaseShortPaths()
{
    QString& folder = AliasFolderCache();
    if (folder.isEmpty())
        return;
    // Only the links themselves go: never what they point to, and nothing
    // else that might have come to lie in the folder.
    const QByteArray encoded = QFile::encodeName(folder);
    QDir dir(folder);
    for (const QFileInfo& entry : dir.entryInfoList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot)) {
        if (entry.isSymLink())
            ::unlink(QFile::encodeName(entry.absoluteFilePath()).constData());
    }
    ::rmdir(encoded.constData());
    folder.clear();
}
