#pragma once

#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

// One installed Ghostscript, as the registry lists it.
class TGhostscript {
public:
    // dllPath: the "GS_DLL" value; gsType: 0 AFPL, 1 GNU, 2 GPL;
    // version: the registry sub-key name ("8.54", "9", "10.00").
    TGhostscript(const QString& dllPath, uint8_t gsType, const QString& version);

    uint8_t Major = 0;
    uint8_t Minor = 0;
    uint8_t GsType = 0;
    QString BinDir;  // folder of the DLL, with a trailing "/"

    // The console program in BinDir.
    QString ExePath() const;
    bool ExeExists() const;
    // "GPL Ghostscript 10.00   /usr/bin/"
    QString DisplayName() const;
    bool IsOlderThan(int major, int minor) const;

    // "AFPL", "GNU", "GPL"; raises for any other type.
    static QString TypeName(uint8_t gsType);
};

// The installations found in the registry, in ascending version order.
class TGhostscriptPool {
public:
    // Scans the current registry.
    TGhostscriptPool();

    int Count() const { return int(m_items.size()); }
    TGhostscript* Item(int index) const { return m_items.at(size_t(index)).get(); }
    int IndexOf(const TGhostscript* gs) const;

    TGhostscript* FindByPath(const QString& path) const;
    TGhostscript* FindVersion(int major, int minor) const;
    // 8.50, else 8.14, else 7.04, else the highest version; none when empty.
    TGhostscript* DefaultInstallation() const;

private:
    std::vector<std::unique_ptr<TGhostscript>> m_items;
};
