#include "support/PdfCheck.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>

namespace PdfCheck {

ToolResult Run(const QString& program, const QStringList& arguments)
{
    ToolResult result;
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    result.started = process.waitForStarted(10000);
    if (!result.started)
        return result;
    process.waitForFinished(120000);
    result.output = process.readAll();
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return result;
}

ToolResult PsToPdf(const QString& psFile, const QString& pdfFile, const QStringList& extra)
{
    return Run(QStringLiteral("gs"), QStringList{"-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=pdfwrite",
                                                 "-sOutputFile=" + pdfFile}
                                         << extra << psFile);
}

QStringList KeepPictures()
{
    return {"-dDownsampleColorImages=false", "-dDownsampleGrayImages=false", "-dDownsampleMonoImages=false",
            "-dAutoFilterColorImages=false",  "-dAutoFilterGrayImages=false",  "-dColorImageFilter=/FlateEncode",
            "-dGrayImageFilter=/FlateEncode", "-dPassThroughJPEGImages=true",
            // Small pictures would otherwise be written inline, and re-encoded.
            "-dMaxInlineImageSize=0"};
}

QString PdfInfoField(const QString& pdfFile, const QString& field, const QStringList& extraArguments)
{
    const ToolResult r = Run(QStringLiteral("pdfinfo"), extraArguments + QStringList{pdfFile});
    for (const QString& line : QString::fromUtf8(r.output).split('\n')) {
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed();
    }
    return {};
}

QImage RenderPage(const QString& pdfFile, int dpi)
{
    const QString base = pdfFile + QStringLiteral(".render");
    const ToolResult r = Run(QStringLiteral("pdftoppm"),
                             {"-r", QString::number(dpi), "-png", "-singlefile", "-f", "1", "-l", "1", pdfFile, base});
    if (r.exitCode != 0)
        return {};
    return QImage(base + QStringLiteral(".png"));
}

QRect InkBox(const QImage& image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    int left = rgb.width(), top = rgb.height(), right = -1, bottom = -1;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            const QRgb c = line[x];
            if (qRed(c) < 245 || qGreen(c) < 245 || qBlue(c) < 245) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    if (right < 0)
        return {};
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

QStringList ExtractImages(const QString& pdfFile, const QString& folder, const QString& mode)
{
    QDir().mkpath(folder);
    const ToolResult r = Run(QStringLiteral("pdfimages"), {mode, pdfFile, folder + QStringLiteral("/img")});
    if (r.exitCode != 0)
        return {};
    QStringList files;
    for (const QString& name : QDir(folder).entryList({QStringLiteral("img-*")}, QDir::Files, QDir::Name))
        files << folder + '/' + name;
    return files;
}

}  // namespace PdfCheck
