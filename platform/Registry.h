#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>

// A read-only view of the system registry as the program consults it: the
// Ghostscript installations under HKEY_LOCAL_MACHINE and the registered Word
// version under HKEY_CLASSES_ROOT. Paths use "\" between key names, as the
// registry does; names are compared without regard to letter case.
enum class RegistryRoot { LocalMachine, ClassesRoot };

enum class RegistryValueType { Missing, String, Integer, Binary };

class Registry {
public:
    virtual ~Registry() = default;

    virtual bool KeyExists(RegistryRoot root, const QString& path) const = 0;
    // Names of the direct sub-keys in the order they were added.
    virtual QStringList SubKeyNames(RegistryRoot root, const QString& path) const = 0;
    // An empty name stands for the key's default value.
    virtual RegistryValueType ValueType(RegistryRoot root, const QString& path, const QString& name) const = 0;
    virtual QString ReadString(RegistryRoot root, const QString& path, const QString& name) const = 0;

    // The registry the program reads. Until something is set, it is the
    // system view built from what is installed on this machine.
    static Registry& Current();
    static void SetCurrent(std::shared_ptr<Registry> registry);
};

// A registry kept in memory. The system view is built into one of these;
// tests fill one by hand.
class MemoryRegistry : public Registry {
public:
    void AddKey(RegistryRoot root, const QString& path);
    void SetString(RegistryRoot root, const QString& path, const QString& name, const QString& value);
    void SetInteger(RegistryRoot root, const QString& path, const QString& name, quint32 value);
    void SetBinary(RegistryRoot root, const QString& path, const QString& name, const QByteArray& value);

    bool KeyExists(RegistryRoot root, const QString& path) const override;
    QStringList SubKeyNames(RegistryRoot root, const QString& path) const override;
    RegistryValueType ValueType(RegistryRoot root, const QString& path, const QString& name) const override;
    QString ReadString(RegistryRoot root, const QString& path, const QString& name) const override;

private:
    struct Key {
        QString name;                // as added, for listing
        QStringList childOrder;      // lower-case names in insertion order
        QMap<QString, Key> children; // by lower-case name
        QMap<QString, QVariant> values;  // by lower-case name
    };
    Key* Find(RegistryRoot root, const QString& path);
    const Key* Find(RegistryRoot root, const QString& path) const;
    Key* Make(RegistryRoot root, const QString& path);

    Key m_localMachine;
    Key m_classesRoot;
};
