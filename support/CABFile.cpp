#include "support/CABFile.h"

#include "core/MessageDlg.h"
#include "platform/SystemPaths.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace {

// Cabinet error numbers.
enum : int {
    kErrOpenSource = 1,
    kErrReadSource = 2,
    kErrMemory = 3,
    kErrTempFile = 4,
    kErrCompressionType = 5,
    kErrCabinetFile = 6,
    kErrCompress = 8,
};

// Every data block holds at most this much of the folder's uncompressed stream.
constexpr int kBlockSize = 32768;
// An MSZIP block may not grow beyond this ("CK" and the deflate data).
constexpr int kMaxMszipBlock = kBlockSize + 12;

constexpr int kHeaderSize = 36;
constexpr int kFolderSize = 8;
constexpr int kFileFixedSize = 16;

constexpr uint16_t kCompressNone = 0;
constexpr uint16_t kCompressMszip = 1;

constexpr uint16_t kAttrMask = 0x27;  // read-only, hidden, system, archive
constexpr uint16_t kAttrReadOnly = 0x01;
constexpr uint16_t kAttrHidden = 0x02;
constexpr uint16_t kAttrArchive = 0x20;
constexpr uint16_t kAttrNameIsUtf8 = 0x80;

void Put16(QByteArray& out, uint16_t v)
{
    out.append(char(v & 0xff));
    out.append(char(v >> 8));
}

void Put32(QByteArray& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.append(char((v >> (8 * i)) & 0xff));
}

// The cabinet checksum: the data taken as little-endian 32-bit words, all
// XORed into the seed; the last one to three bytes form a final word with
// the first of them in the highest position.
uint32_t Checksum(const uint8_t* p, size_t n, uint32_t seed)
{
    uint32_t sum = seed;
    size_t words = n / 4;
    while (words-- > 0) {
        sum ^= uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
        p += 4;
    }
    uint32_t tail = 0;
    switch (n % 4) {
    case 3: tail |= uint32_t(*p++) << 16; [[fallthrough]];
    case 2: tail |= uint32_t(*p++) << 8; [[fallthrough]];
    case 1: tail |= uint32_t(*p++); break;
    default: break;
    }
    return sum ^ tail;
}

// A failing file operation is shown to the user with the system's own
// words before the cabinet gives up.
void ShowFileError(const QString& text)
{
    MessageDlg(QStringLiteral("Error"), text, mtWarning, MsgButtons({mbOK}));
}

// DOS date and time of a moment, in local time; moments outside the DOS
// range are clamped to its ends.
void DosDateTime(time_t when, uint16_t& date, uint16_t& time)
{
    struct tm t {};
    localtime_r(&when, &t);
    const int year = t.tm_year + 1900;
    if (year < 1980) {
        date = (1 << 5) | 1;
        time = 0;
        return;
    }
    if (year > 2107) {
        date = uint16_t((127 << 9) | (12 << 5) | 31);
        time = uint16_t((23 << 11) | (59 << 5) | 29);
        return;
    }
    date = uint16_t(((year - 1980) << 9) | ((t.tm_mon + 1) << 5) | t.tm_mday);
    time = uint16_t((t.tm_hour << 11) | (t.tm_min << 5) | (t.tm_sec / 2));
}

struct FolderRecord {
    uint16_t compression = kCompressMszip;
    qint64 dataOffset = 0;  // where its first block starts in the block store
    uint32_t blocks = 0;
    qint64 compressedBytes = 0;
    qint64 uncompressedBytes = 0;
};

struct FileRecord {
    uint32_t size = 0;
    uint32_t offsetInFolder = 0;
    uint16_t folder = 0;
    uint16_t date = 0;
    uint16_t time = 0;
    uint16_t attributes = 0;
    QByteArray name;
};

class ZStream {
public:
    explicit ZStream(int level)
    {
        if (deflateInit2(&m_stream, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
            throw ECABFileError(kErrMemory);
    }
    ~ZStream() { deflateEnd(&m_stream); }
    ZStream(const ZStream&) = delete;
    ZStream& operator=(const ZStream&) = delete;

    // One MSZIP block: "CK" and a complete raw deflate stream of data.
    QByteArray Block(const QByteArray& data)
    {
        if (deflateReset(&m_stream) != Z_OK)
            throw ECABFileError(kErrCompress);
        QByteArray out(2 + int(deflateBound(&m_stream, uLong(data.size()))), Qt::Uninitialized);
        out[0] = 'C';
        out[1] = 'K';
        m_stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
        m_stream.avail_in = uInt(data.size());
        m_stream.next_out = reinterpret_cast<Bytef*>(out.data() + 2);
        m_stream.avail_out = uInt(out.size() - 2);
        if (deflate(&m_stream, Z_FINISH) != Z_STREAM_END)
            throw ECABFileError(kErrCompress);
        out.truncate(out.size() - int(m_stream.avail_out));
        return out;
    }

private:
    z_stream m_stream{};
};

class CabinetWriter {
public:
    explicit CabinetWriter(uint16_t compression) : m_compression(compression)
    {
        m_store.setFileTemplate(platform::TempFolder() + QStringLiteral("CABXXXXXX"));
        if (!m_store.open())
            throw ECABFileError(kErrTempFile);
        if (compression == kCompressMszip) {
            m_deflate = std::make_unique<ZStream>(Z_DEFAULT_COMPRESSION);
            m_store0 = std::make_unique<ZStream>(Z_NO_COMPRESSION);
        }
    }

    void AddFile(const QString& path, const QString& nameInCabinet)
    {
        if (m_files.size() >= 0xFFFF)
            throw ECABFileError(kErrCabinetFile);
        if (m_folders.empty() || m_folderClosed)
            StartFolder();

        const QByteArray nativePath = QFile::encodeName(path);
        const int fd = ::open(nativePath.constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            throw ECABFileError(kErrOpenSource);
        struct stat st {};
        if (::fstat(fd, &st) != 0) {
            ::close(fd);
            throw ECABFileError(kErrOpenSource);
        }

        FileRecord file;
        file.folder = uint16_t(m_folders.size() - 1);
        file.offsetInFolder = uint32_t(m_folders.back().uncompressedBytes);
        DosDateTime(st.st_mtim.tv_sec, file.date, file.time);
        uint16_t attributes = kAttrArchive;
        if (!(st.st_mode & S_IWUSR))
            attributes |= kAttrReadOnly;
        if (QFileInfo(path).fileName().startsWith('.'))
            attributes |= kAttrHidden;
        file.attributes = attributes & kAttrMask;
        file.name = nameInCabinet.toUtf8();
        if (file.name.size() != nameInCabinet.size())  // not plain ASCII
            file.attributes |= kAttrNameIsUtf8;

        qint64 total = 0;
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                const QString text = qt_error_string(errno);
                ::close(fd);
                ShowFileError(text);
                throw ECABFileError(kErrReadSource);
            }
            if (n == 0)
                break;
            total += n;
            if (total + m_folders.back().uncompressedBytes > 0x7FFF8000LL)
                throw ECABFileError(kErrCabinetFile);
            Append(buffer, qsizetype(n));
        }
        if (::close(fd) != 0) {
            ShowFileError(qt_error_string(errno));
            throw ECABFileError(kErrReadSource);
        }
        file.size = uint32_t(total);
        m_files.push_back(file);

        // A folder that has grown past the threshold is closed; the next
        // file starts a new one.
        if (m_folders.back().compressedBytes >= qint64(TCABFile::kFolderThreshold))
            EndFolder();
    }

    void Write(const QString& target)
    {
        if (!m_folders.empty() && !m_folderClosed)
            EndFolder();

        qint64 filesSize = 0;
        for (const FileRecord& f : m_files)
            filesSize += kFileFixedSize + f.name.size() + 1;
        const qint64 dataStart = kHeaderSize + qint64(m_folders.size()) * kFolderSize + filesSize;
        const qint64 cabinetSize = dataStart + m_store.size();
        if (cabinetSize > qint64(TCABFile::kMaxCabinetSize))
            throw ECABFileError(kErrCabinetFile);

        QByteArray head;
        head.reserve(int(dataStart));
        head.append("MSCF", 4);
        Put32(head, 0);
        Put32(head, uint32_t(cabinetSize));
        Put32(head, 0);
        Put32(head, uint32_t(kHeaderSize + m_folders.size() * kFolderSize));  // first file entry
        Put32(head, 0);
        head.append(char(3));  // format version 1.3
        head.append(char(1));
        Put16(head, uint16_t(m_folders.size()));
        Put16(head, uint16_t(m_files.size()));
        Put16(head, 0);  // no neighbouring cabinets, no reserved areas
        Put16(head, TCABFile::kSetId);
        Put16(head, TCABFile::kCabinetIndex);
        for (const FolderRecord& folder : m_folders) {
            Put32(head, uint32_t(dataStart + folder.dataOffset));
            Put16(head, uint16_t(folder.blocks));
            Put16(head, folder.compression);
        }
        for (const FileRecord& f : m_files) {
            Put32(head, f.size);
            Put32(head, f.offsetInFolder);
            Put16(head, f.folder);
            Put16(head, f.date);
            Put16(head, f.time);
            Put16(head, f.attributes);
            head.append(f.name);
            head.append('\0');
        }

        QSaveFile out(target);
        if (!out.open(QIODevice::WriteOnly))
            throw ECABFileError(kErrCabinetFile);
        if (out.write(head) != head.size()) {
            ShowFileError(out.errorString());
            out.cancelWriting();
            throw ECABFileError(kErrCabinetFile);
        }
        if (!m_store.seek(0)) {
            ShowFileError(m_store.errorString());
            out.cancelWriting();
            throw ECABFileError(kErrTempFile);
        }
        while (!m_store.atEnd()) {
            const QByteArray chunk = m_store.read(1 << 20);
            if (chunk.isEmpty()) {
                ShowFileError(m_store.errorString());
                out.cancelWriting();
                throw ECABFileError(kErrTempFile);
            }
            if (out.write(chunk) != chunk.size()) {
                ShowFileError(out.errorString());
                out.cancelWriting();
                throw ECABFileError(kErrCabinetFile);
            }
        }
        if (!out.commit()) {
            ShowFileError(out.errorString());
            throw ECABFileError(kErrCabinetFile);
        }
    }

private:
    void StartFolder()
    {
        if (m_folders.size() >= 0xFFFF)
            throw ECABFileError(kErrCabinetFile);
        FolderRecord folder;
        folder.compression = m_compression;
        folder.dataOffset = m_store.size();
        m_folders.push_back(folder);
        m_folderClosed = false;
    }

    void EndFolder()
    {
        if (!m_pending.isEmpty())
            FlushBlock();
        m_folderClosed = true;
    }

    void Append(const char* data, qsizetype size)
    {
        while (size > 0) {
            const qsizetype take = std::min<qsizetype>(size, kBlockSize - m_pending.size());
            m_pending.append(data, take);
            data += take;
            size -= take;
            m_folders.back().uncompressedBytes += take;
            if (m_pending.size() == kBlockSize)
                FlushBlock();
        }
    }

    void FlushBlock()
    {
        FolderRecord& folder = m_folders.back();
        if (folder.blocks >= 0xFFFF)
            throw ECABFileError(kErrCabinetFile);
        QByteArray data;
        if (m_compression == kCompressMszip) {
            data = m_deflate->Block(m_pending);
            // Data that does not shrink is stored instead; the block must
            // stay within the size every reader accepts.
            if (data.size() > kMaxMszipBlock)
                data = m_store0->Block(m_pending);
            if (data.size() > kMaxMszipBlock)
                throw ECABFileError(kErrCompress);
        } else {
            data = m_pending;
        }

        QByteArray sizes;
        Put16(sizes, uint16_t(data.size()));
        Put16(sizes, uint16_t(m_pending.size()));
        const uint32_t dataSum = Checksum(reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size()), 0);
        const uint32_t sum = Checksum(reinterpret_cast<const uint8_t*>(sizes.constData()), 4, dataSum);

        QByteArray record;
        Put32(record, sum);
        record.append(sizes);
        record.append(data);
        if (!m_store.seek(m_store.size()) || m_store.write(record) != record.size()) {
            ShowFileError(m_store.errorString());
            throw ECABFileError(kErrTempFile);
        }
        ++folder.blocks;
        folder.compressedBytes += data.size();
        m_pending.clear();
    }

    uint16_t m_compression;
    QTemporaryFile m_store;  // the data blocks until the cabinet is assembled
    std::unique_ptr<ZStream> m_deflate;
    std::unique_ptr<ZStream> m_store0;
    std::vector<FolderRecord> m_folders;
    std::vector<FileRecord> m_files;
    bool m_folderClosed = false;
    QByteArray m_pending;
};

}  // namespace

ECABFileError::ECABFileError(int code) : UniCodeException(MessageFor(code)), m_code(code) {}

QString ECABFileError::MessageFor(int code)
{
    switch (code) {
    case 0: return QStringLiteral("No error");
    case 1: return QStringLiteral("Failure opening file to be stored in cabinet");
    case 2: return QStringLiteral("Failure reading file to be stored in cabinet");
    case 3: return QStringLiteral("Insufficient memory in FCI");
    case 4: return QStringLiteral("Could not create a temporary file");
    case 5: return QStringLiteral("Unknown compression type");
    case 6: return QStringLiteral("Could not create cabinet file");
    case 7: return QStringLiteral("Client requested abort");
    case 8: return QStringLiteral("Failure compressing data");
    default: return QStringLiteral("Unknown error");
    }
}

TCABFileEntry& TCABFile::Add(const QString& name, const QString& relPath)
{
    Entries.append(TCABFileEntry{name, relPath});
    return Entries.last();
}

QString TCABFile::NameInCabinet(const TCABFileEntry& entry)
{
    const QString fileName = QFileInfo(entry.Name).fileName();
    if (entry.RelPath.isEmpty())
        return fileName;
    // Inside a cabinet folders are separated by backslashes.
    QString folder = entry.RelPath;
    folder.replace('/', '\\');
    if (!folder.endsWith('\\'))
        folder += '\\';
    return folder + fileName;
}

bool TCABFile::Build()
{
    uint16_t compression = kCompressMszip;
    switch (CompressionType) {
    case typNone: compression = kCompressNone; break;
    case typMSZIP: compression = kCompressMszip; break;
    default: throw ECABFileError(kErrCompressionType);  // no LZX encoder here
    }

    CabinetWriter writer(compression);
    for (const TCABFileEntry& entry : Entries)
        writer.AddFile(entry.Name, NameInCabinet(entry));
    writer.Write(CABFile);
    return true;
}
