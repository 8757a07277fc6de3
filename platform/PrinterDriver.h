#pragma once

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

// A picture handed to a printer driver. When the picture came from a JPEG
// file, jpegData holds the file's own DCT data so a PostScript driver can
// embed it without decoding and encoding it again.
struct PrintPicture {
    QImage image;
    QByteArray jpegData;
    // The picture's size when image is left empty because the JPEG data is
    // all the printer needs.
    QSize size = QSize();
};

// One printer as the printing layer offers it: a name, and a print job that
// writes the driver's output into the file named by its port.
// Failures are raised as std::runtime_error with a readable text.
class PrinterDriver {
public:
    virtual ~PrinterDriver() = default;

    virtual QString Name() const = 0;
    // Whether the printing system can open the printer.
    virtual bool CanOpen() const { return true; }

    virtual void SetPort(const QString& filePath) = 0;
    virtual QString Port() const = 0;
    virtual void SetLandscape(bool landscape) = 0;
    virtual bool Landscape() const = 0;

    virtual void BeginDoc(const QString& title) = 0;
    virtual bool Printing() const = 0;
    virtual int DpiX() const = 0;
    virtual int DpiY() const = 0;
    // Page size in device pixels for the current orientation.
    virtual QSize PageSize() const = 0;
    // Draws the picture stretched into target (device pixels).
    virtual void DrawPicture(const QRect& target, const PrintPicture& picture) = 0;
    // Finishes the file. Raises when no print job is in progress.
    virtual void EndDoc() = 0;
};
