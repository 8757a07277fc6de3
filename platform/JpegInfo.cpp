#include "platform/JpegInfo.h"

namespace {

int Byte(const QByteArray& d, qsizetype i) { return static_cast<unsigned char>(d[i]); }
int Word(const QByteArray& d, qsizetype i) { return (Byte(d, i) << 8) | Byte(d, i + 1); }

bool IsFrameMarker(int m)
{
    // 0xC4 (Huffman tables), 0xC8 (reserved) and 0xCC (arithmetic
    // conditioning) share the range but are no frame headers.
    return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
}

}  // namespace

bool JpegInfo::EmbeddableAsDct() const
{
    const bool huffman = frameMarker == 0xC0 || frameMarker == 0xC1 || frameMarker == 0xC2;
    return valid && huffman && precision == 8 && (components == 1 || components == 3 || components == 4);
}

bool JpegInfo::StoredAsRgb() const
{
    return components == 3 && !adobe && !jfif && componentIds[0] == 'R' && componentIds[1] == 'G' &&
           componentIds[2] == 'B';
}

JpegInfo ReadJpegInfo(const QByteArray& data)
{
    JpegInfo info;
    const qsizetype n = data.size();
    if (n < 4 || Byte(data, 0) != 0xFF || Byte(data, 1) != 0xD8) {
        info.error = QStringLiteral("Not a JPEG file (no start-of-image marker)");
        return info;
    }
    qsizetype i = 2;
    while (true) {
        // Markers may be preceded by any number of 0xFF fill bytes.
        if (i >= n || Byte(data, i) != 0xFF) {
            info.error = i >= n ? QStringLiteral("Premature end of JPEG file")
                                : QStringLiteral("Invalid JPEG file structure (marker expected)");
            return info;
        }
        while (i < n && Byte(data, i) == 0xFF)
            ++i;
        if (i >= n) {
            info.error = QStringLiteral("Premature end of JPEG file");
            return info;
        }
        const int marker = Byte(data, i++);
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue;  // markers without a segment
        if (marker == 0xD9) {
            info.error = QStringLiteral("JPEG file holds no picture");
            return info;
        }
        if (i + 2 > n) {
            info.error = QStringLiteral("Premature end of JPEG file");
            return info;
        }
        const int length = Word(data, i);
        if (length < 2 || i + length > n) {
            info.error = length < 2 ? QStringLiteral("Invalid JPEG marker length")
                                    : QStringLiteral("Premature end of JPEG file");
            return info;
        }
        const qsizetype body = i + 2;
        const int bodyLength = length - 2;
        if (marker == 0xE0 && bodyLength >= 5 && data.mid(body, 5) == QByteArray("JFIF\0", 5)) {
            info.jfif = true;
        } else if (marker == 0xEE && bodyLength >= 12 && data.mid(body, 5) == "Adobe") {
            info.adobe = true;
            info.adobeTransform = Byte(data, body + 11);
        } else if (IsFrameMarker(marker) && info.frameMarker == 0) {
            if (bodyLength < 6) {
                info.error = QStringLiteral("Invalid JPEG frame header");
                return info;
            }
            info.frameMarker = marker;
            info.precision = Byte(data, body);
            info.height = Word(data, body + 1);
            info.width = Word(data, body + 3);
            info.components = Byte(data, body + 5);
            if (bodyLength < 6 + 3 * info.components || info.width == 0) {
                info.error = QStringLiteral("Invalid JPEG frame header");
                return info;
            }
            for (int c = 0; c < info.components && c < 4; ++c)
                info.componentIds[c] = static_cast<unsigned char>(data[body + 6 + 3 * c]);
        } else if (marker == 0xDA) {
            if (info.frameMarker == 0) {
                info.error = QStringLiteral("Invalid JPEG file structure (scan before frame header)");
                return info;
            }
            // Entropy-coded data never holds 0xFF 0xD9 (0xFF is stuffed), so
            // an end-of-image marker anywhere after the first scan header
            // means the file was not cut off.
            info.complete = data.indexOf(QByteArray("\xFF\xD9", 2), i + length) >= 0;
            info.valid = info.height > 0;
            if (!info.valid)
                info.error = QStringLiteral("JPEG height given after the first scan is not supported");
            return info;
        }
        i += length;
    }
}
