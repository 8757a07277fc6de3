#pragma once

#include "platform/PrinterDriver.h"

#include <QByteArray>
#include <QFile>
#include <QRectF>

#include <memory>

struct JpegInfo;

// The built-in printer: a 600 dpi A4 device that writes DSC-conforming
// PostScript (LanguageLevel 3) into its port file, one page per document.
//
// The file is plain 7-bit text: every picture goes in as ASCII85, so that
// line-based rewriting of the header comments cannot damage it. A picture
// from a JPEG file is embedded as the file's own DCT data; any other picture
// is written losslessly with Flate compression, transparent parts laid over
// white paper. Picture data is streamed to the file and never held whole.
class PostScriptPrinter : public PrinterDriver {
public:
    explicit PostScriptPrinter(const QString& name);
    ~PostScriptPrinter() override;

    QString Name() const override { return m_name; }

    void SetPort(const QString& filePath) override { m_port = filePath; }
    QString Port() const override { return m_port; }
    void SetLandscape(bool landscape) override { m_landscape = landscape; }
    bool Landscape() const override { return m_landscape; }

    // Creates (or truncates) the port file and starts the document's one page.
    void BeginDoc(const QString& title) override;
    bool Printing() const override { return m_file != nullptr; }
    int DpiX() const override { return kDpi; }
    int DpiY() const override { return kDpi; }
    QSize PageSize() const override;
    void DrawPicture(const QRect& target, const PrintPicture& picture) override;
    void EndDoc() override;

private:
    static constexpr int kDpi = 600;

    // Page size in PostScript points for the given orientation.
    static QSize PagePoints(bool landscape);

    void Out(QByteArrayView text);
    void FlushBuffer();
    // Closes and removes the unfinished file; the printer is free again.
    void Abandon();
    [[noreturn]] void FailWrite();

    void WriteDctImage(const JpegInfo& jpeg, const QByteArray& data);
    void WriteLosslessImage(const QImage& image);

    QString m_name;
    QString m_port;
    bool m_landscape = false;

    // State of the print job in progress.
    std::unique_ptr<QFile> m_file;
    QString m_filePath;
    bool m_regularFile = false;
    QByteArray m_buffer;
    bool m_pageLandscape = false;
    QRectF m_marks;  // what the page's pictures cover, in points from the lower left corner
};
