#include "engine/UGraphicPrint.h"

#include "core/LanguageFile.h"
#include "core/Tools.h"
#include "core/UniCodeException.h"
#include "platform/JpegInfo.h"
#include "platform/PrinterSystem.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QtEndian>

#include <cmath>

namespace {

UniCodeException Unreadable(const QString& path, const QString& reason)
{
    return UniCodeException(
        ReplaceFirst(LangString("Main", "GraphicUnreadable", "Datei \"%s\" kann nicht gelesen werden"), "%s", path) +
        ": " + reason);
}

// Collects what the image decoders report while a picture is read: Qt's
// own error text only says "Unable to read image data", the decoder's
// warnings say why.
class DecoderMessages {
public:
    DecoderMessages()
    {
        s_active = this;
        m_previous = qInstallMessageHandler(&Handler);
    }
    ~DecoderMessages()
    {
        qInstallMessageHandler(m_previous);
        s_active = nullptr;
    }
    DecoderMessages(const DecoderMessages&) = delete;
    DecoderMessages& operator=(const DecoderMessages&) = delete;

    const QStringList& Messages() const { return m_messages; }

private:
    static void Handler(QtMsgType type, const QMessageLogContext& context, const QString& message)
    {
        if (s_active && type != QtDebugMsg && type != QtInfoMsg)
            s_active->m_messages << message.trimmed();
        if (s_active && s_active->m_previous)
            s_active->m_previous(type, context, message);
    }

    static inline DecoderMessages* s_active = nullptr;
    QtMessageHandler m_previous = nullptr;
    QStringList m_messages;
};

// The BMP decoder fills a file that was cut off with black instead of
// failing; an uncompressed bitmap must hold all the rows its header
// promises.
QString TruncatedBitmapReason(QFile& file)
{
    const QByteArray head = file.peek(30);
    if (head.size() < 30 || !head.startsWith("BM"))
        return {};
    const auto* h = reinterpret_cast<const uchar*>(head.constData());
    const quint32 dataOffset = qFromLittleEndian<quint32>(h + 10);
    const quint32 headerSize = qFromLittleEndian<quint32>(h + 14);
    qint64 width, height;
    int bitCount;
    quint32 compression = 0;
    if (headerSize == 12) {
        width = qFromLittleEndian<quint16>(h + 18);
        height = qFromLittleEndian<quint16>(h + 20);
        bitCount = qFromLittleEndian<quint16>(h + 24);
    } else if (headerSize >= 40) {
        const QByteArray info = file.peek(34);
        if (info.size() < 34)
            return {};
        const auto* i = reinterpret_cast<const uchar*>(info.constData());
        width = qFromLittleEndian<qint32>(i + 18);
        height = qFromLittleEndian<qint32>(i + 22);
        bitCount = qFromLittleEndian<quint16>(i + 28);
        compression = qFromLittleEndian<quint32>(i + 30);
    } else {
        return {};
    }
    // Run-length and embedded JPEG/PNG data have no fixed size.
    if (compression != 0 && compression != 3 && compression != 6)
        return {};
    const qint64 stride = ((std::abs(width) * bitCount + 31) / 32) * 4;
    const qint64 needed = qint64(dataOffset) + stride * std::abs(height);
    if (file.size() < needed)
        return QStringLiteral("Premature end of BMP file (%1 of %2 bytes)").arg(file.size()).arg(needed);
    return {};
}

// The GIF decoder paints what is missing of a cut-off frame black instead
// of failing; the first frame's data must end with its terminator.
QString TruncatedGifReason(QFile& file)
{
    const QByteArray d = file.peek(file.size());
    const qsizetype n = d.size();
    const auto byte = [&d](qsizetype i) { return static_cast<uchar>(d[i]); };
    const QString truncated = QStringLiteral("Premature end of GIF file");
    if (n < 13 || !d.startsWith("GIF"))
        return {};
    qsizetype pos = 13;
    if (byte(10) & 0x80)
        pos += 3 * (qsizetype(1) << ((byte(10) & 7) + 1));
    // Skips data sub-blocks up to their empty terminator; false when the
    // file ends first.
    const auto skipBlocks = [&]() {
        while (pos < n) {
            const int length = byte(pos++);
            if (length == 0)
                return true;
            pos += length;
        }
        return false;
    };
    while (pos < n) {
        switch (byte(pos)) {
        case 0x21:  // extension
            pos += 2;
            if (!skipBlocks())
                return truncated;
            break;
        case 0x2C: {  // image
            if (pos + 10 > n)
                return truncated;
            const int flags = byte(pos + 9);
            pos += 10;
            if (flags & 0x80)
                pos += 3 * (qsizetype(1) << ((flags & 7) + 1));
            pos += 1;  // LZW code size
            return skipBlocks() ? QString() : truncated;
        }
        default:  // trailer or something the decoder may judge itself
            return {};
        }
    }
    return truncated;
}

struct Margins {
    int32_t left, top, right, bottom;
};

// Where the picture goes on the page, in device pixels: the margin box,
// the picture fitted by comparing the page's proportions with the
// picture's, placed in the box, and the edges rounded half to even.
// Empty when the margins leave no room.
std::optional<QRect> PlacePicture(QSize page, int dpiX, int dpiY, QSize picture, Margins m, uint8_t horizontal,
                                  uint8_t vertical)
{
    double left = double(int64_t(m.left) * dpiX) / 25.4;
    double top = double(int64_t(m.top) * dpiY) / 25.4;
    double right = page.width() - double(int64_t(m.right) * dpiX) / 25.4;
    double bottom = page.height() - double(int64_t(m.bottom) * dpiY) / 25.4;
    const double boxWidth = right - left;
    const double boxHeight = bottom - top;
    if (!(boxWidth > 0) || !(boxHeight > 0))
        return std::nullopt;

    double width, height;
    if (double(page.height()) / page.width() > double(picture.height()) / picture.width()) {
        width = boxWidth;
        height = std::nearbyint(double(picture.height()) / picture.width() * boxWidth);
    } else {
        height = boxHeight;
        width = std::nearbyint(double(picture.width()) / picture.height() * boxHeight);
    }

    auto place = [](double& low, double& high, double spare, uint8_t position) {
        const double offset = position == 0 ? 0.0 : position == 2 ? spare : spare * 0.5;
        low += offset;
        high -= spare - offset;
    };
    place(left, right, boxWidth - width, horizontal);
    place(top, bottom, boxHeight - height, vertical);

    const double edges[] = {std::nearbyint(left), std::nearbyint(top), std::nearbyint(right), std::nearbyint(bottom)};
    for (double e : edges) {
        if (!(std::abs(e) < 1e9))
            return std::nullopt;
    }
    return QRect(int(edges[0]), int(edges[1]), int(edges[2] - edges[0]), int(edges[3] - edges[1]));
}

}  // namespace

TGrafikPrint::TGrafikPrint(const QString& fileName) : m_fileName(fileName) {}

void TGrafikPrint::SetOrientation(uint8_t orientation) { m_orientation = orientation; }

void TGrafikPrint::SetPosition(uint8_t horizontal, uint8_t vertical)
{
    m_horizontal = horizontal;
    m_vertical = vertical;
}

void TGrafikPrint::SetMargins(int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    m_marginLeft = left;
    m_marginTop = top;
    m_marginRight = right;
    m_marginBottom = bottom;
}

std::optional<PrintPicture> TGrafikPrint::LoadPageBitmap(int page) const
{
    const QString suffix = QFileInfo(m_fileName).suffix().toLower();
    static const QStringList supported{"bmp", "jpeg", "jpg", "png", "gif"};
    if (suffix.isEmpty() || !supported.contains(suffix))
        throw UniCodeException(ReplaceFirst(
            LangString("Main", "GraphicUnsupported", "Datei \"%s\": nicht unterstütztes Format"), "%s", m_fileName));
    if (page != 0)
        return std::nullopt;

    QFile file(m_fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw Unreadable(m_fileName, file.errorString());

    // The format follows the file's content, so a picture saved under
    // another picture extension still prints.
    const QByteArray format = QImageReader::imageFormat(&file);
    PrintPicture picture;
    QBuffer jpegBuffer;
    QIODevice* source = &file;
    if (format == "jpeg") {
        // The file's own bytes go to the printer as they are.
        picture.jpegData = file.readAll();
        if (file.error() != QFileDevice::NoError)
            throw Unreadable(m_fileName, file.errorString());
        jpegBuffer.setBuffer(&picture.jpegData);
        jpegBuffer.open(QIODevice::ReadOnly);
        source = &jpegBuffer;
    } else if (format == "bmp" || format == "gif") {
        const QString reason = format == "bmp" ? TruncatedBitmapReason(file) : TruncatedGifReason(file);
        if (!reason.isEmpty())
            throw Unreadable(m_fileName, reason);
    }

    if (!picture.jpegData.isEmpty()) {
        // A complete JPEG that the printer embeds as it is needs no decoding:
        // its size comes from its frame header, and the printer never looks
        // at the pixels. That saves decoding every photo of a run.
        const JpegInfo info = ReadJpegInfo(picture.jpegData);
        if (info.valid && info.complete && info.EmbeddableAsDct() && info.width > 0 && info.height > 0) {
            picture.size = QSize(info.width, info.height);
            return picture;
        }
    }

    QImageReader reader(source, format);
    reader.setAutoTransform(false);
    // Photos of many megapixels exceed Qt's default limit of 256 MB.
    reader.setAllocationLimit(1024);
    if (format == "gif" && reader.imageCount() == 0)
        return std::nullopt;

    DecoderMessages messages;
    if (!reader.read(&picture.image) || picture.image.isNull()) {
        QString reason = file.size() == 0   ? QStringLiteral("The file is empty")
                         : format.isEmpty() ? QStringLiteral("Unsupported image format")
                                            : reader.errorString();
        if (!messages.Messages().isEmpty())
            reason += " (" + messages.Messages().join("; ") + ")";
        throw Unreadable(m_fileName, reason);
    }

    if (!picture.jpegData.isEmpty()) {
        // The decoder fills a cut-off JPEG with grey and only warns.
        const JpegInfo info = ReadJpegInfo(picture.jpegData);
        if (info.valid && !info.complete)
            throw Unreadable(m_fileName, QStringLiteral("Premature end of JPEG file"));
        if (!info.valid)
            picture.jpegData.clear();
    }
    return picture;
}

void TGrafikPrint::Print(const QString& outputFile)
{
    const std::optional<PrintPicture> picture = LoadPageBitmap(0);
    PrinterDriver* printer = PrinterSystem::Instance().Current();
    if (!printer)
        throw UniCodeException(LangString("Main", "GraphicNoPrinter", "Es ist kein Drucker vorhanden"));
    printer->SetPort(outputFile);

    if (picture) {
        const QSize size = picture->image.isNull() ? picture->size : picture->image.size();
        const bool landscape = m_orientation == 2 || (m_orientation != 1 && size.height() < size.width());
        printer->SetLandscape(landscape);
        // The page is known before the document starts, so bad margins
        // leave no file half written.
        const std::optional<QRect> target =
            PlacePicture(printer->PageSize(), printer->DpiX(), printer->DpiY(), size,
                         Margins{m_marginLeft, m_marginTop, m_marginRight, m_marginBottom}, m_horizontal, m_vertical);
        if (!target)
            throw UniCodeException(ReplaceFirst(
                LangString("Main", "GraphicNoRoom", "Datei \"%s\": Die Seitenränder lassen keinen Platz für das Bild"),
                "%s", m_fileName));
        printer->BeginDoc(QFileInfo(m_fileName).fileName());
        printer->DrawPicture(*target, *picture);
    }
    // Without a picture no document was started, and ending it reports that.
    printer->EndDoc();
}
