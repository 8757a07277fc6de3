#pragma once

#include "core/UniCodeException.h"

#include <QList>
#include <QString>

#include <cstdint>

// Writes Microsoft Cabinet files: one cabinet, MSZIP (or uncompressed)
// folders, the files in the order they were added. Each file keeps its last
// write time (as local DOS date and time) and its read-only, hidden, system
// and archive attributes; nothing is marked for execution on extraction.

enum TCompressionType { typNone, typMSZIP, typLZX };

// LZX windows of 2^15 (lzxLowest) to 2^21 (lzxHighest) bytes.
enum TLZXMemory { lzxLowest, lzxLower, lzxLow, lzxMedium, lzxHigh, lzxHigher, lzxHighest };

// A failure while building a cabinet. Code is the cabinet error number
// (1 opening a file to store, 2 reading it, 3 memory, 4 temporary file,
// 5 compression type, 6 cabinet file, 7 abort, 8 compressing).
class ECABFileError : public UniCodeException {
public:
    explicit ECABFileError(int code);

    int Code() const { return m_code; }
    static QString MessageFor(int code);

private:
    int m_code;
};

// One file to store.
struct TCABFileEntry {
    QString Name;     // full path of the file on disk
    QString RelPath;  // optional folder inside the cabinet
};

class TCABFile {
public:
    QList<TCABFileEntry> Entries;
    QString CABFile;  // the cabinet to write
    TCompressionType CompressionType = typMSZIP;
    TLZXMemory LZXMemory = lzxMedium;

    TCABFileEntry& Add(const QString& name, const QString& relPath = QString());

    // Writes the cabinet, replacing an older file only once the new one is
    // complete. True when it was written; raises ECABFileError otherwise.
    bool Build();

    // The cabinet's fixed settings.
    static constexpr uint16_t kSetId = 12345;
    static constexpr uint16_t kCabinetIndex = 0;  // the first (and only) cabinet of its set
    static constexpr uint32_t kMaxCabinetSize = 2147483647u;
    static constexpr uint32_t kFolderThreshold = 900000u;

    // The name a file gets inside the cabinet: RelPath, a backslash (unless
    // RelPath ends with one) and the bare file name.
    static QString NameInCabinet(const TCABFileEntry& entry);
};
