#include "platform/Registry.h"

#include "platform/SystemRegistry.h"

namespace {

std::shared_ptr<Registry>& CurrentRegistry()
{
    static std::shared_ptr<Registry> registry;
    return registry;
}

QStringList SplitPath(const QString& path)
{
    return path.split('\\', Qt::SkipEmptyParts);
}

}  // namespace

Registry& Registry::Current()
{
    auto& current = CurrentRegistry();
    if (!current)
        current = SystemRegistry::Build();
    return *current;
}

void Registry::SetCurrent(std::shared_ptr<Registry> registry)
{
    CurrentRegistry() = std::move(registry);
}

MemoryRegistry::Key* MemoryRegistry::Find(RegistryRoot root, const QString& path)
{
    Key* key = root == RegistryRoot::LocalMachine ? &m_localMachine : &m_classesRoot;
    for (const QString& part : SplitPath(path)) {
        auto it = key->children.find(part.toLower());
        if (it == key->children.end())
            return nullptr;
        key = &it.value();
    }
    return key;
}

const MemoryRegistry::Key* MemoryRegistry::Find(RegistryRoot root, const QString& path) const
{
    return const_cast<MemoryRegistry*>(this)->Find(root, path);
}

MemoryRegistry::Key* MemoryRegistry::Make(RegistryRoot root, const QString& path)
{
    Key* key = root == RegistryRoot::LocalMachine ? &m_localMachine : &m_classesRoot;
    for (const QString& part : SplitPath(path)) {
        const QString lower = part.toLower();
        auto it = key->children.find(lower);
        if (it == key->children.end()) {
            key->childOrder << lower;
            it = key->children.insert(lower, Key{part, {}, {}, {}});
        }
        key = &it.value();
    }
    return key;
}

void MemoryRegistry::AddKey(RegistryRoot root, const QString& path) { Make(root, path); }

void MemoryRegistry::SetString(RegistryRoot root, const QString& path, const QString& name, const QString& value)
{
    Make(root, path)->values.insert(name.toLower(), QVariant(value));
}

void MemoryRegistry::SetInteger(RegistryRoot root, const QString& path, const QString& name, quint32 value)
{
    Make(root, path)->values.insert(name.toLower(), QVariant(value));
}

void MemoryRegistry::SetBinary(RegistryRoot root, const QString& path, const QString& name, const QByteArray& value)
{
    Make(root, path)->values.insert(name.toLower(), QVariant(value));
}

bool MemoryRegistry::KeyExists(RegistryRoot root, const QString& path) const
{
    return Find(root, path) != nullptr;
}

QStringList MemoryRegistry::SubKeyNames(RegistryRoot root, const QString& path) const
{
    QStringList names;
    if (const Key* key = Find(root, path)) {
        for (const QString& lower : key->childOrder)
            names << key->children.value(lower).name;
    }
    return names;
}

RegistryValueType MemoryRegistry::ValueType(RegistryRoot root, const QString& path, const QString& name) const
{
    const Key* key = Find(root, path);
    if (!key)
        return RegistryValueType::Missing;
    auto it = key->values.find(name.toLower());
    if (it == key->values.end())
        return RegistryValueType::Missing;
    switch (it->typeId()) {
    case QMetaType::QString: return RegistryValueType::String;
    case QMetaType::UInt: return RegistryValueType::Integer;
    default: return RegistryValueType::Binary;
    }
}

QString MemoryRegistry::ReadString(RegistryRoot root, const QString& path, const QString& name) const
{
    if (ValueType(root, path, name) != RegistryValueType::String)
        return {};
    return Find(root, path)->values.value(name.toLower()).toString();
}
