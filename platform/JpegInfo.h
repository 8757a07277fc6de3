#pragma once

#include <QByteArray>
#include <QString>

// What the markers of a JPEG file say about its picture, read without
// decoding the compressed data. The PostScript printer needs it to embed a
// JPEG file's own data, and the page printer to notice a cut-off file
// (the decoder only warns about those and fills the rest with grey).
struct JpegInfo {
    bool valid = false;      // start marker, a frame header and a scan were found
    QString error;           // why not, when !valid
    int frameMarker = 0;     // 0xC0..0xCF: which kind of frame (baseline, progressive, ...)
    int precision = 0;       // bits per sample
    int width = 0;
    int height = 0;
    int components = 0;
    unsigned char componentIds[4] = {0, 0, 0, 0};
    bool jfif = false;       // a JFIF marker is present
    bool adobe = false;      // an Adobe marker is present
    int adobeTransform = 0;  // its colour transform: 0 none, 1 YCbCr, 2 YCCK
    bool complete = false;   // an end-of-image marker follows the first scan

    // Whether a PostScript interpreter's DCT decoder takes the data as it is:
    // 8-bit Huffman-coded baseline, extended or progressive frames with one,
    // three or four components.
    bool EmbeddableAsDct() const;
    // Whether the DCT decoder must be told not to convert colours: three
    // components stored as RGB, which only their component ids reveal when
    // neither an Adobe nor a JFIF marker says so.
    bool StoredAsRgb() const;
};

JpegInfo ReadJpegInfo(const QByteArray& data);
