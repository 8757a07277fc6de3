#include "support/TestEnvironment.h"

#include "core/Settings.h"

#include <QDir>
#include <QTemporaryDir>

#include <memory>

namespace {

std::unique_ptr<QTemporaryDir>& Scratch()
{
    static std::unique_ptr<QTemporaryDir> dir;
    return dir;
}

}  // namespace

namespace TestEnvironment {

void Prepare()
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    Scratch() = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/kalvinora-test-XXXXXX"));
    const QString home = Scratch()->path();
    QDir(home).mkpath(QStringLiteral("share"));
    QDir(home).mkpath(QStringLiteral("config"));
    QDir(home).mkpath(QStringLiteral("tmp"));
    qputenv("HOME", home.toLocal8Bit());
    qputenv("XDG_DATA_HOME", (home + QStringLiteral("/share")).toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home + QStringLiteral("/config")).toLocal8Bit());
    qputenv("TMPDIR", (home + QStringLiteral("/tmp")).toLocal8Bit());
    ClearDataFolderCache();
}

QString Home() { return Scratch() ? Scratch()->path() : QString(); }

QString DataFolder() { return GetDataFolder(); }

void Cleanup() { Scratch().reset(); }

QString FixturePath(const QString& name) { return QStringLiteral(KALVINORA_TEST_DATA "/") + name; }

}  // namespace TestEnvironment
