#include "platform/PostScriptPrinter.h"

#include "platform/JpegInfo.h"
#include "platform/SystemInfo.h"
#include "platform/SystemPaths.h"

#include <QDateTime>
#include <QLocale>

#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <stdexcept>

namespace {

using Sink = std::function<void(QByteArrayView)>;

// ASCII85 in lines of at most 76 characters. A line never starts with "%",
// so no line of picture data can be taken for a structuring comment.
class Ascii85Encoder {
public:
    explicit Ascii85Encoder(Sink sink) : m_sink(std::move(sink)) {}

    void Put(const unsigned char* data, qsizetype size)
    {
        for (qsizetype i = 0; i < size; ++i) {
            m_tuple[m_count++] = data[i];
            if (m_count == 4) {
                EncodeTuple(4);
                m_count = 0;
            }
        }
    }

    void Finish()
    {
        if (m_count > 0) {
            for (int i = m_count; i < 4; ++i)
                m_tuple[i] = 0;
            EncodeTuple(m_count);
            m_count = 0;
        }
        // The end marker stays whole on one line.
        if (m_column + 2 > kLineLength)
            EndLine();
        m_line[m_column++] = '~';
        m_line[m_column++] = '>';
        EndLine();
    }

private:
    static constexpr int kLineLength = 75;

    void EncodeTuple(int bytes)
    {
        quint32 value = (quint32(m_tuple[0]) << 24) | (quint32(m_tuple[1]) << 16) | (quint32(m_tuple[2]) << 8) |
                        quint32(m_tuple[3]);
        if (bytes == 4 && value == 0) {
            Char('z');
            return;
        }
        char digits[5];
        for (int i = 4; i >= 0; --i) {
            digits[i] = char('!' + value % 85);
            value /= 85;
        }
        for (int i = 0; i <= bytes; ++i)
            Char(digits[i]);
    }

    void Char(char c)
    {
        if (m_column == 0 && c == '%')
            m_line[m_column++] = ' ';
        m_line[m_column++] = c;
        if (m_column >= kLineLength)
            EndLine();
    }

    void EndLine()
    {
        m_line[m_column++] = '\n';
        m_sink(QByteArrayView(m_line, m_column));
        m_column = 0;
    }

    Sink m_sink;
    unsigned char m_tuple[4] = {0, 0, 0, 0};
    int m_count = 0;
    char m_line[kLineLength + 4] = {};
    int m_column = 0;
};

// zlib (Flate) compression into an ASCII85 encoder, for the FlateDecode
// filter of LanguageLevel 3. The fastest level: the file is a work file
// that Ghostscript reads once and compresses anew, and on photographs the
// higher levels gain little for much more time.
class FlateEncoder {
public:
    explicit FlateEncoder(Ascii85Encoder& out) : m_out(out)
    {
        if (deflateInit(&m_stream, Z_BEST_SPEED) != Z_OK)
            throw std::runtime_error("zlib: deflateInit failed");
    }
    ~FlateEncoder() { deflateEnd(&m_stream); }
    FlateEncoder(const FlateEncoder&) = delete;
    FlateEncoder& operator=(const FlateEncoder&) = delete;

    void Put(const unsigned char* data, qsizetype size)
    {
        m_stream.next_in = const_cast<Bytef*>(data);
        m_stream.avail_in = uInt(size);
        while (m_stream.avail_in > 0)
            Run(Z_NO_FLUSH);
    }

    void Finish()
    {
        m_stream.next_in = nullptr;
        m_stream.avail_in = 0;
        while (Run(Z_FINISH) != Z_STREAM_END) {
        }
    }

private:
    int Run(int flush)
    {
        m_stream.next_out = m_chunk;
        m_stream.avail_out = sizeof m_chunk;
        const int result = deflate(&m_stream, flush);
        if (result == Z_STREAM_ERROR)
            throw std::runtime_error("zlib: deflate failed");
        m_out.Put(m_chunk, qsizetype(sizeof m_chunk - m_stream.avail_out));
        return result;
    }

    Ascii85Encoder& m_out;
    z_stream m_stream{};
    unsigned char m_chunk[32768];
};

QByteArray Num(double value)
{
    // Plain decimal with "." whatever the locale; no exponent.
    QByteArray text = QByteArray::number(value, 'f', 4);
    while (text.contains('.') && (text.endsWith('0') || text.endsWith('.')))
        text.chop(1);
    return text == "-0" ? QByteArray("0") : text;
}

QByteArray Num(int value) { return QByteArray::number(value); }

// A header comment's text: one line, without control characters, and
// short enough for the 255-character line limit of the conventions.
QByteArray CommentText(const QString& text)
{
    QString clean = text;
    for (QChar& c : clean) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = u' ';
    }
    QByteArray bytes = clean.toUtf8();
    if (bytes.size() > 200) {
        bytes.truncate(200);
        // Do not cut a UTF-8 sequence in half.
        while (!bytes.isEmpty() && (static_cast<unsigned char>(bytes.back()) & 0xC0) == 0x80)
            bytes.chop(1);
        if (!bytes.isEmpty() && static_cast<unsigned char>(bytes.back()) >= 0xC0)
            bytes.chop(1);
    }
    return bytes;
}

QString NotPrintingText() { return QStringLiteral("Es wird gerade nicht gedruckt"); }

// A pixel over white paper.
inline unsigned char OverWhite(int channel, int alpha) { return (channel * alpha + 255 * (255 - alpha) + 127) / 255; }

}  // namespace

PostScriptPrinter::PostScriptPrinter(const QString& name) : m_name(name) {}

PostScriptPrinter::~PostScriptPrinter()
{
    // A job that was never ended leaves no half-written file behind.
    if (m_file)
        Abandon();
}

QSize PostScriptPrinter::PagePoints(bool landscape)
{
    const QSize portrait(595, 842);
    return landscape ? portrait.transposed() : portrait;
}

// A4 at 600 dpi: 4961 x 7016 device pixels.
QSize PostScriptPrinter::PageSize() const
{
    const QSize portrait(4961, 7016);
    return (Printing() ? m_pageLandscape : m_landscape) ? portrait.transposed() : portrait;
}

void PostScriptPrinter::Out(QByteArrayView text)
{
    m_buffer.append(text);
    if (m_buffer.size() >= 65536)
        FlushBuffer();
}

void PostScriptPrinter::FlushBuffer()
{
    if (m_buffer.isEmpty())
        return;
    if (m_file->write(m_buffer) != m_buffer.size())
        FailWrite();
    m_buffer.clear();
}

void PostScriptPrinter::Abandon()
{
    m_file->close();
    // A half-written file is of no use to anyone; a port that is no
    // regular file (a device, a pipe) is left alone.
    if (m_regularFile)
        m_file->remove();
    m_file.reset();
    m_buffer.clear();
}

void PostScriptPrinter::FailWrite()
{
    const QString reason = m_file->errorString();
    const QString path = m_filePath;
    Abandon();
    throw std::runtime_error(
        QStringLiteral("Die Datei \"%1\" kann nicht geschrieben werden: %2").arg(path, reason).toStdString());
}

void PostScriptPrinter::BeginDoc(const QString& title)
{
    if (Printing())
        throw std::runtime_error("Es wird bereits gedruckt");
    if (m_port.isEmpty())
        throw std::runtime_error(
            QStringLiteral("Für den Drucker \"%1\" ist keine Ausgabedatei gesetzt").arg(m_name).toStdString());

    auto file = std::make_unique<QFile>(m_port);
    // Unbuffered: the program's own buffer is written in large pieces, and
    // a full disk shows at the write that failed.
    if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        throw std::runtime_error(QStringLiteral("Die Datei \"%1\" kann nicht angelegt werden: %2")
                                     .arg(m_port, file->errorString())
                                     .toStdString());
    struct stat info {};
    m_regularFile = fstat(file->handle(), &info) == 0 && S_ISREG(info.st_mode);
    m_file = std::move(file);
    m_filePath = m_port;
    m_pageLandscape = m_landscape;
    m_marks = QRectF();
    m_buffer.reserve(65536 + 4096);

    const QSize page = PagePoints(m_pageLandscape);
    const platform::ProgramVersion v = platform::CompiledVersion();
    const QByteArray titleText = CommentText(title);
    const QByteArray userText = CommentText(platform::UserName());
    // Picture data is always 7-bit; the names in the comments may not be.
    const auto ascii = [](const QByteArray& t) {
        return std::all_of(t.begin(), t.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    };
    const QByteArray header[] = {
        QByteArray("%!PS-Adobe-3.0\n"),
        "%%Title: " + titleText + "\n",
        "%%Creator: Kalvinora " + Num(v.major) + "." + Num(v.minor) + " build " + Num(v.build) + "\n",
        "%%For: " + userText + "\n",
        "%%CreationDate: " +
            CommentText(QLocale::c().toString(QDateTime::currentDateTime(), QStringLiteral("ddd MMM d HH:mm:ss yyyy"))) +
            "\n",
        QByteArray("%%Pages: 1\n"),
        QByteArray("%%BoundingBox: (atend)\n"),
        QByteArray("%%HiResBoundingBox: (atend)\n"),
        ascii(titleText) && ascii(userText) ? QByteArray("%%DocumentData: Clean7Bit\n")
                                            : QByteArray("%%DocumentData: Clean8Bit\n"),
        QByteArray("%%LanguageLevel: 3\n"),
        "%%DocumentMedia: A4 " + Num(page.width()) + " " + Num(page.height()) + " 0 () ()\n",
        QByteArray("%%EndComments\n"),
        QByteArray("%%BeginProlog\n"),
        QByteArray("%%BeginResource: procset KalvinoraImage 1.0 0\n"),
        // dict filterproc KvImage -: the picture's ASCII85 data follows this
        // call in the file. filterproc puts the decoding filter on top of
        // the ASCII85 filter. The ASCII85 data is read to its end marker
        // afterwards, whatever the decoder left unread, so that the
        // interpreter goes on after the data.
        QByteArray("/KvImage {\n"
                   "  currentfile /ASCII85Decode filter dup 4 1 roll exch exec\n"
                   "  1 index exch /DataSource exch put image flushfile\n"
                   "} bind def\n"),
        QByteArray("%%EndResource\n"),
        QByteArray("%%EndProlog\n"),
        QByteArray("%%BeginSetup\n"),
        QByteArray("%%EndSetup\n"),
        QByteArray("%%Page: 1 1\n"),
        QByteArray("%%BeginPageSetup\n"),
        "<< /PageSize [" + Num(page.width()) + " " + Num(page.height()) + "] >> setpagedevice\n",
        QByteArray("%%EndPageSetup\n"),
        // Device pixels from the top left corner of the page, as the page
        // printer measures them.
        "save\n0 " + Num(page.height()) + " translate " + Num(72.0 / kDpi) + " " + Num(-72.0 / kDpi) + " scale\n",
    };
    try {
        for (const QByteArray& line : header)
            Out(line);
        FlushBuffer();
    } catch (...) {
        if (m_file)
            Abandon();
        throw;
    }
}

void PostScriptPrinter::DrawPicture(const QRect& target, const PrintPicture& picture)
{
    if (!Printing())
        throw std::runtime_error(NotPrintingText().toStdString());
    if (target.width() <= 0 || target.height() <= 0)
        return;

    JpegInfo jpeg;
    if (!picture.jpegData.isEmpty())
        jpeg = ReadJpegInfo(picture.jpegData);
    const bool dct = jpeg.EmbeddableAsDct() &&
                     (picture.image.isNull() || picture.image.size() == QSize(jpeg.width, jpeg.height));
    if (!dct && picture.image.isNull())
        throw std::runtime_error("Das Bild enthält keine Bildpunkte");

    try {
        Out("gsave\n" + Num(target.x()) + " " + Num(target.y()) + " translate " + Num(target.width()) + " " +
            Num(target.height()) + " scale\n");
        if (dct)
            WriteDctImage(jpeg, picture.jpegData);
        else
            WriteLosslessImage(picture.image);
        Out("grestore\n");
    } catch (...) {
        if (m_file)
            Abandon();
        throw;
    }

    const double scale = 72.0 / kDpi;
    const double pageHeight = PagePoints(m_pageLandscape).height();
    const QRectF covered(target.x() * scale, pageHeight - (target.y() + target.height()) * scale,
                         target.width() * scale, target.height() * scale);
    m_marks = m_marks.isNull() ? covered : m_marks.united(covered);
}

void PostScriptPrinter::WriteDctImage(const JpegInfo& jpeg, const QByteArray& data)
{
    QByteArray space, decode;
    switch (jpeg.components) {
    case 1:
        space = "/DeviceGray";
        decode = "0 1";
        break;
    case 3:
        space = "/DeviceRGB";
        decode = "0 1 0 1 0 1";
        break;
    default:
        space = "/DeviceCMYK";
        // Adobe applications store CMYK JPEGs with inverted values.
        decode = jpeg.adobe ? "1 0 1 0 1 0 1 0" : "0 1 0 1 0 1 0 1";
        break;
    }
    const QByteArray filter = jpeg.StoredAsRgb() ? "<< /ColorTransform 0 >> /DCTDecode filter" : "/DCTDecode filter";
    Out(space + " setcolorspace\n<< /ImageType 1 /Width " + Num(jpeg.width) + " /Height " + Num(jpeg.height) +
        " /BitsPerComponent 8 /Decode [" + decode + "] /ImageMatrix [" + Num(jpeg.width) + " 0 0 " +
        Num(jpeg.height) + " 0 0] >>\n{ " + filter + " } KvImage\n");

    Ascii85Encoder a85([this](QByteArrayView line) { Out(line); });
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.constData());
    for (qsizetype done = 0; done < data.size(); done += 65536)
        a85.Put(bytes + done, std::min<qsizetype>(65536, data.size() - done));
    a85.Finish();
}

void PostScriptPrinter::WriteLosslessImage(const QImage& image)
{
    const int width = image.width();
    const int height = image.height();
    const QImage::Format format = image.format();

    enum class Kind { Gray, Rgb, Palette };
    Kind kind = Kind::Rgb;
    int bits = 8;
    QImage source = image;
    if ((format == QImage::Format_Mono || format == QImage::Format_MonoLSB) && image.colorCount() >= 2) {
        kind = Kind::Palette;
        bits = 1;
        if (format == QImage::Format_MonoLSB)
            source = image.convertToFormat(QImage::Format_Mono);
    } else if (format == QImage::Format_Indexed8 && image.colorCount() > 0) {
        kind = Kind::Palette;
    } else if (format == QImage::Format_Grayscale8 || format == QImage::Format_Grayscale16) {
        kind = Kind::Gray;
    }

    QByteArray head;
    if (kind == Kind::Palette) {
        // Palette entries laid over white; the lookup string in hex, in
        // short lines.
        const QList<QRgb> table = source.colorTable();
        head = "[/Indexed /DeviceRGB " + Num(int(table.size()) - 1) + " <";
        for (int i = 0; i < table.size(); ++i) {
            const QRgb c = table[i];
            const int a = qAlpha(c);
            const unsigned char rgb[3] = {OverWhite(qRed(c), a), OverWhite(qGreen(c), a), OverWhite(qBlue(c), a)};
            if (i % 10 == 0)
                head += "\n";
            head += QByteArray(reinterpret_cast<const char*>(rgb), 3).toHex();
        }
        head += "\n>] setcolorspace\n";
        head += "<< /ImageType 1 /Width " + Num(width) + " /Height " + Num(height) + " /BitsPerComponent " +
                Num(bits) + " /Decode [0 " + Num((1 << bits) - 1) + "]";
    } else {
        head = kind == Kind::Gray ? "/DeviceGray setcolorspace\n" : "/DeviceRGB setcolorspace\n";
        head += "<< /ImageType 1 /Width " + Num(width) + " /Height " + Num(height) + " /BitsPerComponent 8 /Decode [" +
                (kind == Kind::Gray ? QByteArray("0 1") : QByteArray("0 1 0 1 0 1")) + "]";
    }
    head += " /ImageMatrix [" + Num(width) + " 0 0 " + Num(height) + " 0 0] >>\n{ /FlateDecode filter } KvImage\n";
    Out(head);

    Ascii85Encoder a85([this](QByteArrayView line) { Out(line); });
    FlateEncoder flate(a85);

    if (kind == Kind::Palette) {
        const qsizetype rowBytes = (qsizetype(width) * bits + 7) / 8;
        for (int y = 0; y < height; ++y)
            flate.Put(source.constScanLine(y), rowBytes);
    } else if (kind == Kind::Gray && format == QImage::Format_Grayscale8) {
        for (int y = 0; y < height; ++y)
            flate.Put(source.constScanLine(y), width);
    } else {
        // Other layouts are converted a band of rows at a time, so a large
        // picture is never held twice.
        const bool direct = kind == Kind::Rgb && (format == QImage::Format_RGB32 || format == QImage::Format_ARGB32 ||
                                                  format == QImage::Format_ARGB32_Premultiplied);
        const QImage::Format bandFormat = kind == Kind::Gray ? QImage::Format_Grayscale8 : QImage::Format_ARGB32;
        const int bandRows = 64;
        QByteArray row(qsizetype(width) * 3, Qt::Uninitialized);
        auto* out = reinterpret_cast<unsigned char*>(row.data());
        for (int top = 0; top < height; top += bandRows) {
            const int rows = std::min(bandRows, height - top);
            const QImage band = direct ? QImage() : source.copy(0, top, width, rows).convertToFormat(bandFormat);
            for (int r = 0; r < rows; ++r) {
                if (kind == Kind::Gray) {
                    flate.Put(band.constScanLine(r), width);
                    continue;
                }
                const auto* px = reinterpret_cast<const QRgb*>(direct ? source.constScanLine(top + r)
                                                                       : band.constScanLine(r));
                const QImage::Format f = direct ? format : bandFormat;
                for (int x = 0; x < width; ++x) {
                    const QRgb c = px[x];
                    unsigned char* o = out + 3 * x;
                    if (f == QImage::Format_RGB32) {
                        o[0] = qRed(c), o[1] = qGreen(c), o[2] = qBlue(c);
                    } else if (f == QImage::Format_ARGB32_Premultiplied) {
                        const int lift = 255 - qAlpha(c);
                        o[0] = qRed(c) + lift, o[1] = qGreen(c) + lift, o[2] = qBlue(c) + lift;
                    } else {
                        const int a = qAlpha(c);
                        o[0] = OverWhite(qRed(c), a), o[1] = OverWhite(qGreen(c), a), o[2] = OverWhite(qBlue(c), a);
                    }
                }
                flate.Put(out, row.size());
            }
        }
    }
    flate.Finish();
    a85.Finish();
}

void PostScriptPrinter::EndDoc()
{
    if (!Printing())
        throw std::runtime_error(NotPrintingText().toStdString());

    QByteArray box = "0 0 0 0", hiBox = "0 0 0 0";
    if (!m_marks.isNull()) {
        // Only what lies on the page counts.
        const QRectF page(QPointF(0, 0), QSizeF(PagePoints(m_pageLandscape)));
        const QRectF r = m_marks.intersected(page);
        if (!r.isEmpty()) {
            box = Num(int(std::floor(r.left()))) + " " + Num(int(std::floor(r.top()))) + " " +
                  Num(int(std::ceil(r.right()))) + " " + Num(int(std::ceil(r.bottom())));
            hiBox = Num(r.left()) + " " + Num(r.top()) + " " + Num(r.right()) + " " + Num(r.bottom());
        }
    }
    try {
        Out("restore\nshowpage\n%%PageTrailer\n%%Trailer\n%%BoundingBox: " + box + "\n%%HiResBoundingBox: " + hiBox +
            "\n%%EOF\n");
        FlushBuffer();
        if (!m_file->flush())
            FailWrite();
    } catch (...) {
        if (m_file)
            Abandon();
        throw;
    }
    m_file->close();
    const bool closed = m_file->error() == QFileDevice::NoError;
    if (!closed)
        FailWrite();
    m_file.reset();
    m_buffer.clear();
    m_buffer.squeeze();
}
