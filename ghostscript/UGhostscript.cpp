#include "ghostscript/UGhostscript.h"

#include "platform/Registry.h"

#include <QFileInfo>

#include <algorithm>
#include <optional>
#include <stdexcept>

namespace {

const QString kConsoleProgram = QStringLiteral("gs");

// "8.54" -> 8, 54; "9" -> 9, 0. Anything else (not numbers, numbers that do
// not fit a byte) is not a version; such registry entries are skipped.
std::optional<std::pair<uint8_t, uint8_t>> ParseVersion(const QString& text)
{
    const QStringList parts = text.split('.');
    if (parts.isEmpty() || parts.size() > 2)
        return std::nullopt;
    int numbers[2] = {0, 0};
    for (qsizetype i = 0; i < parts.size(); ++i) {
        bool ok = false;
        const QString& p = parts[i];
        if (p.isEmpty() || std::any_of(p.begin(), p.end(), [](QChar c) { return !c.isDigit() || c.unicode() > '9'; }))
            return std::nullopt;
        numbers[i] = p.toInt(&ok);
        if (!ok || numbers[i] > 255)
            return std::nullopt;
    }
    return std::make_pair(uint8_t(numbers[0]), uint8_t(numbers[1]));
}

QString FolderOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QStringLiteral("/") : path.left(slash + 1);
}

}  // namespace

TGhostscript::TGhostscript(const QString& dllPath, uint8_t gsType, const QString& version) : GsType(gsType)
{
    // The folder keeps its letter case: file names here are case-sensitive.
    BinDir = FolderOf(dllPath);
    if (const auto v = ParseVersion(version)) {
        Major = v->first;
        Minor = v->second;
    }
}

QString TGhostscript::ExePath() const { return BinDir + kConsoleProgram; }

bool TGhostscript::ExeExists() const
{
    const QFileInfo info(ExePath());
    return info.isFile() && info.isExecutable();
}

QString TGhostscript::TypeName(uint8_t gsType)
{
    switch (gsType) {
    case 0: return QStringLiteral("AFPL");
    case 1: return QStringLiteral("GNU");
    case 2: return QStringLiteral("GPL");
    default: throw std::logic_error("GS Typ nicht hinterlegt");
    }
}

QString TGhostscript::DisplayName() const
{
    return QStringLiteral("%1 Ghostscript %2.%3   %4")
        .arg(TypeName(GsType))
        .arg(Major)
        .arg(Minor, 2, 10, QLatin1Char('0'))
        .arg(BinDir);
}

bool TGhostscript::IsOlderThan(int major, int minor) const
{
    return Major < major || (Major == major && Minor < minor);
}

TGhostscriptPool::TGhostscriptPool()
{
    const Registry& registry = Registry::Current();
    for (uint8_t type = 0; type <= 2; ++type) {
        const QString base = QStringLiteral("SOFTWARE\\") + TGhostscript::TypeName(type) + QStringLiteral(" Ghostscript");
        if (!registry.KeyExists(RegistryRoot::LocalMachine, base))
            continue;
        for (const QString& name : registry.SubKeyNames(RegistryRoot::LocalMachine, base)) {
            const QString key = base + '\\' + name;
            if (registry.ValueType(RegistryRoot::LocalMachine, key, QStringLiteral("GS_DLL")) != RegistryValueType::String)
                continue;
            if (!ParseVersion(name))
                continue;
            auto gs = std::make_unique<TGhostscript>(
                registry.ReadString(RegistryRoot::LocalMachine, key, QStringLiteral("GS_DLL")), type, name);
            if (gs->ExeExists())
                m_items.push_back(std::move(gs));
        }
    }
    std::sort(m_items.begin(), m_items.end(), [](const auto& a, const auto& b) {
        return a->Major * 256 + a->Minor < b->Major * 256 + b->Minor;
    });
}

int TGhostscriptPool::IndexOf(const TGhostscript* gs) const
{
    for (int i = 0; i < Count(); ++i) {
        if (m_items[size_t(i)].get() == gs)
            return i;
    }
    return -1;
}

TGhostscript* TGhostscriptPool::FindByPath(const QString& path) const
{
    if (path.isEmpty())
        return nullptr;
    const QString wanted = FolderOf(path) + kConsoleProgram;
    for (const auto& gs : m_items) {
        if (gs->ExePath().compare(wanted, Qt::CaseInsensitive) == 0)
            return gs.get();
    }
    return nullptr;
}

TGhostscript* TGhostscriptPool::FindVersion(int major, int minor) const
{
    for (const auto& gs : m_items) {
        if (gs->Major == major && gs->Minor == minor)
            return gs.get();
    }
    return nullptr;
}

TGhostscript* TGhostscriptPool::DefaultInstallation() const
{
    if (TGhostscript* gs = FindVersion(8, 50))
        return gs;
    if (TGhostscript* gs = FindVersion(8, 14))
        return gs;
    if (TGhostscript* gs = FindVersion(7, 4))
        return gs;
    return m_items.empty() ? nullptr : m_items.back().get();
}
