#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

// Looks at PostScript and PDF files the way a user's tools would: through
// Ghostscript and poppler's command-line programs.
namespace PdfCheck {

struct ToolResult {
    bool started = false;
    int exitCode = -1;
    QByteArray output;  // stdout and stderr together
};

ToolResult Run(const QString& program, const QStringList& arguments);

// Turns a PostScript file into a PDF with Ghostscript's pdfwrite device.
// extra are further Ghostscript options (before the input file).
ToolResult PsToPdf(const QString& psFile, const QString& pdfFile, const QStringList& extra = {});

// Options that keep pdfwrite from resampling or re-encoding pictures.
QStringList KeepPictures();

// One field of pdfinfo's report ("Pages", "Page size", "Title", ...).
QString PdfInfoField(const QString& pdfFile, const QString& field, const QStringList& extraArguments = {});

// Page 1 of the PDF rendered by pdftoppm at dpi.
QImage RenderPage(const QString& pdfFile, int dpi);

// The smallest rectangle holding every pixel that is not (nearly) white.
QRect InkBox(const QImage& image);

// The pictures of the PDF as pdfimages writes them with -all (a JPEG
// stream comes out as its bytes) or -png, into folder; the files' paths.
QStringList ExtractImages(const QString& pdfFile, const QString& folder, const QString& mode);

}  // namespace PdfCheck
