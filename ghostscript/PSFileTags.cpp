#include "ghostscript/PSFileTags.h"

#include "core/Protocol.h"
#include "core/Tools.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace {

// Read and write in blocks: the files run to hundreds of megabytes and must
// pass in little memory. Read blocks that stay in the processor's cache copy
// fastest; a megabyte is already slower.
constexpr qint64 kBlockSize = 128 * 1024;
// Writes are gathered to a megabyte: each write to the file system has a
// fixed cost (time stamps, dirty-page bookkeeping) that small writes pay
// too often.
constexpr qint64 kWriteSize = 1024 * 1024;
// Free space the copy must leave on the drive.
constexpr qint64 kSpareBytes = 65536;
// The longest tag compared ("%%CREATOR:").
constexpr int kPrefixLength = 10;
constexpr char kEndOfText = 26;

// A header comment must stay on one line whatever the title holds.
QByteArray OneLine(const QString& text)
{
    QByteArray bytes = text.toLocal8Bit();
    for (char& c : bytes) {
        if (c == '\r' || c == '\n' || c == kEndOfText)
            c = ' ';
    }
    return bytes;
}

// The title as Ghostscript hands it on: it copies the comment's bytes into
// the PDF's document information, where they are read as PDFDocEncoding.
// That is Latin-1 for most letters, with its own places for the euro sign
// and typographic marks; a character it cannot hold becomes "?".
QByteArray PdfDocEncodedLine(const QString& text)
{
    static const char16_t kHigh[] = {0x2022, 0x2020, 0x2021, 0x2026, 0x2014, 0x2013, 0x0192, 0x2044,
                                     0x2039, 0x203A, 0x2212, 0x2030, 0x201E, 0x201C, 0x201D, 0x2018,
                                     0x2019, 0x201A, 0x2122, 0xFB01, 0xFB02, 0x0141, 0x0152, 0x0160,
                                     0x0178, 0x017D, 0x0131, 0x0142, 0x0153, 0x0161, 0x017E};
    QByteArray bytes;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '\r' || u == '\n' || u == kEndOfText) {
            bytes += ' ';
        } else if ((u >= 0x20 && u < 0x7F) || (u >= 0xA1 && u <= 0xFF && u != 0xAD)) {
            bytes += char(u);
        } else if (u == 0x20AC) {
            bytes += char(0xA0);
        } else {
            const auto* hit = std::find(std::begin(kHigh), std::end(kHigh), u);
            bytes += hit != std::end(kHigh) ? char(0x80 + (hit - std::begin(kHigh))) : '?';
        }
    }
    return bytes;
}

// True when every CR of the text is directly followed by LF and every LF
// directly preceded by CR, the text neither starting with LF nor ending with
// CR: such text is already written as the copy must be. Sixteen bytes are
// compared at once; a byte-wise loop would take longer than the copy itself.
bool HasOnlyCrLfLineEnds(const char* p, size_t n)
{
    if (n == 0)
        return true;
    if (p[0] == '\n' || p[n - 1] == '\r')
        return false;
    using Bytes = signed char __attribute__((vector_size(16)));
    Bytes mismatch = {};
    size_t i = 1;
    for (; i + sizeof(Bytes) <= n; i += sizeof(Bytes)) {
        Bytes here, before;
        std::memcpy(&here, p + i, sizeof(Bytes));
        std::memcpy(&before, p + i - 1, sizeof(Bytes));
        mismatch |= (here == '\n') ^ (before == '\r');
    }
    unsigned char any = 0;
    for (size_t k = 0; k < sizeof(Bytes); ++k)
        any |= static_cast<unsigned char>(mismatch[k]);
    for (; i < n; ++i)
        any |= (p[i] == '\n') != (p[i - 1] == '\r');
    return any == 0;
}

// Tagging never fails the conversion, not even through the log.
void Log(const QString& message)
{
    try {
        WriteProtocol(message);
    } catch (const std::exception&) {
    }
}

[[noreturn]] void Fail(const QFile& file)
{
    throw std::runtime_error((file.fileName() + QStringLiteral(": ") + file.errorString()).toStdString());
}

// Copies the text line by line, replacing the first title, creator and owner
// comment. Lines end at LF or CR LF and are written with CR LF; every CR is
// dropped. Reading stops at a character 26. A line is never held whole: only
// its first ten characters are kept until it is clear whether it is a tag.
// The work is done a block at a time: files run to hundreds of megabytes.
class TagCopier {
public:
    // An empty owner line leaves "%%For:" alone.
    TagCopier(QFile& out, const QByteArray& title, const QByteArray& creator, const QByteArray& owner)
        : m_out(out), m_title(title), m_creator(creator), m_owner(owner), m_ownerDone(owner.isEmpty()),
          m_buffer(new char[kOutCapacity])
    {
    }

    // False when the text ended at a character 26 before the end of the file.
    bool Copy(QFile& in)
    {
        std::unique_ptr<char[]> block(new char[kBlockSize]);
        for (;;) {
            const qint64 n = in.read(block.get(), kBlockSize);
            if (n < 0)
                Fail(in);
            if (n == 0)
                break;
            const char* end = block.get() + n;
            const char* eot = static_cast<const char*>(std::memchr(block.get(), kEndOfText, size_t(n)));
            Feed(block.get(), eot ? eot : end);
            if (eot)
                return false;
        }
        if (m_lineHasText)
            EndLine();
        Flush();
        return true;
    }

private:
    // Room for a whole block whose every byte is a line end on top of an
    // almost full write, plus a tag line.
    static constexpr qint64 kOutCapacity = kWriteSize + 2 * kBlockSize + 4096;

    void Feed(const char* p, const char* end)
    {
        // Where the next carriage return lies; searched again only once passed.
        const char* cr = static_cast<const char*>(std::memchr(p, '\r', size_t(end - p)));
        if (!m_scanning && !m_dropRest) {
            if (!cr) {
                CopyLines(p, end);
                return;
            }
            // Files from Windows drivers end their lines with CR LF already.
            if (HasOnlyCrLfLineEnds(p, size_t(end - p))) {
                Write(p, size_t(end - p));
                m_lineHasText = end[-1] != '\n';
                return;
            }
        }
        while (p < end) {
            const char* lf = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
            const char* stop = lf ? lf : end;
            if (cr && cr < stop) {
                // The common CR LF line end needs no second look at the line.
                if (cr + 1 == lf) {
                    if (cr > p) {
                        m_lineHasText = true;
                        Content(p, size_t(cr - p));
                    }
                } else {
                    Text(p, stop);
                }
                cr = stop < end ? static_cast<const char*>(std::memchr(stop, '\r', size_t(end - stop))) : nullptr;
            } else if (stop > p) {
                m_lineHasText = true;
                Content(p, size_t(stop - p));
            }
            if (!lf)
                break;
            EndLine();
            p = lf + 1;
        }
    }

    // After the header: a block without carriage returns only needs a CR
    // before each LF. This is where nearly all of a large file with LF line
    // ends passes.
    void CopyLines(const char* p, const char* end)
    {
        if (m_used + (end - p) * 2 > kOutCapacity)
            Flush();
        char* out = m_buffer.get() + m_used;
        while (p < end) {
            const char* lf = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
            const char* stop = lf ? lf : end;
            const size_t n = size_t(stop - p);
            std::memcpy(out, p, n);
            out += n;
            if (!lf) {
                m_lineHasText = m_lineHasText || n > 0;
                break;
            }
            *out++ = '\r';
            *out++ = '\n';
            m_lineHasText = false;
            p = lf + 1;
        }
        m_used = out - m_buffer.get();
        if (m_used >= kWriteSize)
            Flush();
    }

    // Line text holding carriage returns, which are left out.
    void Text(const char* p, const char* end)
    {
        while (p < end) {
            const char* cr = static_cast<const char*>(std::memchr(p, '\r', size_t(end - p)));
            const char* stop = cr ? cr : end;
            if (stop > p) {
                m_lineHasText = true;
                Content(p, size_t(stop - p));
            }
            p = cr ? cr + 1 : end;
        }
    }

    void Content(const char* p, size_t n)
    {
        if (!m_decided) {
            const size_t take = std::min(n, size_t(kPrefixLength - m_prefixLength));
            std::memcpy(m_prefix + m_prefixLength, p, take);
            m_prefixLength += int(take);
            p += take;
            n -= take;
            if (m_prefixLength < kPrefixLength)
                return;
            Decide();
        }
        if (!m_dropRest && n > 0)
            Write(p, n);
    }

    void EndLine()
    {
        if (!m_decided)
            Decide();
        if (m_used + 2 > kOutCapacity)
            Flush();
        m_buffer[m_used++] = '\r';
        m_buffer[m_used++] = '\n';
        if (m_used >= kWriteSize)
            Flush();
        m_prefixLength = 0;
        m_lineHasText = false;
        m_dropRest = false;
        m_decided = !m_scanning;
    }

    void Decide()
    {
        m_decided = true;
        char upper[kPrefixLength];
        for (int i = 0; i < m_prefixLength; ++i)
            upper[i] = (m_prefix[i] >= 'a' && m_prefix[i] <= 'z') ? char(m_prefix[i] - 'a' + 'A') : m_prefix[i];
        const auto startsWith = [&](const char* tag) {
            const int length = int(std::strlen(tag));
            return m_prefixLength >= length && std::memcmp(upper, tag, size_t(length)) == 0;
        };
        const QByteArray* replacement = nullptr;
        if (!m_titleDone && startsWith("%%TITLE:")) {
            m_titleDone = true;
            replacement = &m_title;
        } else if (!m_creatorDone && startsWith("%%CREATOR:")) {
            m_creatorDone = true;
            replacement = &m_creator;
        } else if (!m_ownerDone && startsWith("%%FOR:")) {
            m_ownerDone = true;
            replacement = &m_owner;
        }
        if (replacement) {
            Write(replacement->constData(), size_t(replacement->size()));
            m_dropRest = true;
        } else {
            Write(m_prefix, size_t(m_prefixLength));
        }
        if (m_titleDone && m_creatorDone && m_ownerDone)
            m_scanning = false;
    }

    void Write(const char* p, size_t n)
    {
        while (n > 0) {
            const size_t room = size_t(kOutCapacity - m_used);
            const size_t take = std::min(n, room);
            std::memcpy(m_buffer.get() + m_used, p, take);
            m_used += qint64(take);
            p += take;
            n -= take;
            if (m_used >= kWriteSize)
                Flush();
        }
    }

    void Flush()
    {
        if (m_used == 0)
            return;
        if (m_out.write(m_buffer.get(), m_used) != m_used)
            Fail(m_out);
        m_used = 0;
    }

    QFile& m_out;
    const QByteArray m_title;
    const QByteArray m_creator;
    const QByteArray m_owner;
    bool m_titleDone = false;
    bool m_creatorDone = false;
    bool m_ownerDone;
    bool m_scanning = true;
    bool m_decided = false;   // the current line is known to be a tag or not
    bool m_dropRest = false;  // the current line was replaced
    bool m_lineHasText = false;
    char m_prefix[kPrefixLength];
    int m_prefixLength = 0;
    std::unique_ptr<char[]> m_buffer;
    qint64 m_used = 0;
};

// Claims the room for the copy on the drive in one step instead of block by
// block as it grows, which makes writing a large file noticeably faster. The
// copy is about as large as the file (a little larger where LF becomes CR LF).
// Returns the bytes claimed: none where the file system cannot claim room
// ahead, and the copy then grows as usual.
qint64 ReserveRoom(QFile& out, qint64 size)
{
    if (size <= 0)
        return 0;
    return ::fallocate(out.handle(), FALLOC_FL_KEEP_SIZE, 0, size) == 0 ? size : 0;
}

void RenameOver(const QString& from, const QString& to)
{
    if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
        throw std::runtime_error(
            QStringLiteral("%1 -> %2: %3").arg(from, to, QString::fromLocal8Bit(std::strerror(errno))).toStdString());
}

}  // namespace

QString GetDocTitle(const ProgramState& state, const QString& outputPath)
{
    QString name = outputPath.mid(outputPath.lastIndexOf('/') + 1);
    const qsizetype dot = name.lastIndexOf('.');
    if (dot >= 0)
        name.truncate(dot);
    switch (state.TitleMode) {
    case 0: return name;
    case 1: return state.dtPrefix + name + state.dtSuffix;
    case 2: return state.dtFixCaption;
    default: return QString();
    }
}

QString PSCreatorLine()
{
    return QStringLiteral("%%Creator: Kalvinora") + GetFileVersionText(QStringLiteral(" %d.%d build %3:d"));
}

void SetPSFileTags(const QString& psPath, const QString& owner, const QString& title)
{
    QString path = psPath;
    // Combined runs pass several blank-separated files; only the first is tagged.
    if (const qsizetype blank = path.indexOf(' '); blank >= 0)
        path.truncate(blank);
    Log(QStringLiteral("Begin SetPSFileTags ") + path);

    // The path may be an alias made for a folder or file with blanks in its
    // name: the swap below must replace the real file, not the alias.
    const QFileInfo info(path);
    const QString target = info.exists() ? info.canonicalFilePath() : path;

    if (info.exists()) {
        int64_t freeBytes = 0, totalBytes = 0;
        GetDiskSpace(target, freeBytes, totalBytes);
        const qint64 size = info.size();
        if (size + kSpareBytes >= freeBytes) {
            Log(QStringLiteral("Abbruch SetPSFileTags: %1 %2").arg(size).arg(freeBytes));
            return;
        }
    }

    const QString newPath = target + QStringLiteral(".new");
    const QString oldPath = target + QStringLiteral(".old");
    QFile in(target);
    QFile out(newPath);
    bool newCreated = false;
    try {
        if (!in.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
            Fail(in);
        // A leftover ".new" goes first, and the copy is always a new file of
        // its own: a link planted under that name is never written through.
        QFile::remove(newPath);
        if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
            Fail(out);
        newCreated = true;
        out.setPermissions(in.permissions());

        const qint64 reserved = ReserveRoom(out, in.size());

        TagCopier copier(out, "%%Title: " + PdfDocEncodedLine(title), OneLine(PSCreatorLine()),
                         owner.isEmpty() ? QByteArray() : "%%For: " + OneLine(owner));
        const bool complete = copier.Copy(in);
        // Room claimed beyond a copy that came out shorter would stay taken
        // with the file; cutting the file at its own length gives it back.
        if (complete && out.size() < reserved && !out.resize(out.size()))
            Fail(out);
        in.close();
        out.close();
        if (out.error() != QFileDevice::NoError)
            Fail(out);

        if (!complete) {
            Log(QStringLiteral("Fehler beim Umkopieren in SetPSFileTags"));
            QFile::remove(newPath);
        } else {
            // Keep the untouched file until the tagged copy has its place, so
            // that a failed rename can always be undone.
            RenameOver(target, oldPath);
            try {
                RenameOver(newPath, target);
            } catch (...) {
                RenameOver(oldPath, target);
                throw;
            }
            QFile::remove(oldPath);
            QFile::remove(newPath);
        }
    } catch (const std::exception& e) {
        Log(QStringLiteral("Fehler bei SetPSFileTags: ") + QString::fromStdString(e.what()));
        in.close();
        out.close();
        // A half-written copy is of no use to anyone.
        if (newCreated && QFileInfo::exists(target))
            QFile::remove(newPath);
    }
    Log(QStringLiteral("End SetPSFileTags ") + path);
}
