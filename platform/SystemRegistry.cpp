#include "platform/SystemRegistry.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>

namespace {

QString RunAndRead(const QString& program, const QStringList& arguments)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, arguments);
    if (!p.waitForFinished(10000)) {
        p.kill();
        p.waitForFinished(1000);
        return {};
    }
    return QString::fromLocal8Bit(p.readAll());
}

// Every Ghostscript console program on this machine: on PATH and in the
// usual folders, each file once.
QStringList FindGhostscriptPrograms()
{
    // The usual folders come first, so that a program reached both through
    // them and through a linked folder on PATH (/bin on a merged /usr) is
    // listed under its usual name.
    QStringList candidates{QStringLiteral("/usr/bin/gs"), QStringLiteral("/usr/local/bin/gs")};
    for (const QFileInfo& opt : QDir(QStringLiteral("/opt")).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot))
        candidates << opt.absoluteFilePath() + QStringLiteral("/bin/gs");
    for (const QString& dir : QString::fromLocal8Bit(qgetenv("PATH")).split(':', Qt::SkipEmptyParts))
        candidates << QDir(dir).absoluteFilePath(QStringLiteral("gs"));

    QStringList found;
    QSet<QString> seen;
    for (const QString& c : candidates) {
        const QFileInfo info(c);
        if (!info.isFile() || !info.isExecutable())
            continue;
        const QString canonical = info.canonicalFilePath();
        if (seen.contains(canonical))
            continue;
        seen.insert(canonical);
        found << info.absoluteFilePath();
    }
    return found;
}

void AddGhostscript(MemoryRegistry& registry, const QString& program)
{
    const QString version = RunAndRead(program, {QStringLiteral("--version")}).trimmed();
    static const QRegularExpression versionPattern(QStringLiteral("^(\\d+)\\.(\\d+)"));
    const auto v = versionPattern.match(version);
    if (!v.hasMatch())
        return;
    // The product line names the branch: "GPL Ghostscript 10.00.0 (2022-09-21)".
    const QString help = RunAndRead(program, {QStringLiteral("--help")});
    QString branch = QStringLiteral("GPL");
    static const QRegularExpression productPattern(QStringLiteral("^(AFPL|GNU|GPL)\\b[^\\n]*Ghostscript"),
                                                   QRegularExpression::MultilineOption);
    if (const auto m = productPattern.match(help); m.hasMatch())
        branch = m.captured(1);
    const QString key = QStringLiteral("SOFTWARE\\%1 Ghostscript\\%2.%3").arg(branch, v.captured(1), v.captured(2));
    const QString folder = QFileInfo(program).absolutePath();
    registry.SetString(RegistryRoot::LocalMachine, key, QStringLiteral("GS_DLL"), folder + QStringLiteral("/libgs.so"));
}

bool OfficeInstalled()
{
    if (!QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty())
        return true;
    return QFileInfo(QStringLiteral("/usr/lib/libreoffice/program/soffice")).isExecutable();
}

}  // namespace

std::shared_ptr<MemoryRegistry> SystemRegistry::Build()
{
    auto registry = std::make_shared<MemoryRegistry>();
    for (const QString& program : FindGhostscriptPrograms())
        AddGhostscript(*registry, program);
    // The office backend opens every Word format the program converts; it
    // registers as the newest Word generation the program knows.
    if (OfficeInstalled())
        registry->SetString(RegistryRoot::ClassesRoot, QStringLiteral("Word.Application\\CurVer"), QString(),
                            QStringLiteral("Word.Application.12"));
    return registry;
}
