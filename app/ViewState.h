#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// The folder tree's view data kept between sessions: the expanded folders
// (parents before children) and the folder that was selected.
//
// Stored form, all integers big-endian:
//   "KVVS", version byte (1),
//   u32 length + UTF-8 bytes of the current folder,
//   u32 number of expanded folders, then each as u32 length + UTF-8 bytes.
// Nothing may follow. Data that does not read exactly so is refused as a
// whole, so a damaged settings file never leaves a half-restored tree.
struct ViewState {
    QString CurrentFolder;
    QStringList ExpandedFolders;

    static constexpr quint8 Version = 1;

    QByteArray Serialize() const;
    static std::optional<ViewState> Parse(const QByteArray& data);
};
