#include "support/RunHarness.h"

#include "core/Protocol.h"
#include "ghostscript/UGhostscript.h"
#include "platform/PrinterSystem.h"
#include "support/PdfCheck.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>

namespace RunHarness {

ProgramState StateFor(const QStringList& files)
{
    ProgramState s;
    s.GhostscriptPool = std::make_shared<TGhostscriptPool>();
    s.ChosenGhostscript = s.GhostscriptPool->DefaultInstallation();
    s.Printer = PrinterSystem::BuiltInPrinterName();
    s.SelectedFilesHook = [files] { return files; };
    s.SelectionOrder = files;
    return s;
}

QStringList LogLines()
{
    QFile f(ProtocolFileName());
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList lines;
    for (const QByteArray& raw : f.readAll().split('\n')) {
        QString line = QString::fromUtf8(raw);
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty())
            continue;
        const qsizetype dash = line.indexOf(QLatin1String(" - "));
        lines << (dash >= 0 ? line.mid(dash + 3) : line);
    }
    return lines;
}

void ClearLog() { QFile::remove(ProtocolFileName()); }

Stamp StampOf(const QString& path)
{
    Stamp s;
    const QFileInfo info(path);
    s.exists = info.exists();
    if (!s.exists)
        return s;
    s.modified = info.lastModified();
    s.permissions = info.permissions();
    QFile f(path);
    // Root reads a file without read permission; others get what they can.
    if (f.open(QIODevice::ReadOnly))
        s.bytes = f.readAll();
    return s;
}

bool WritePicture(const QString& path, QSize size, QColor colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("gif")) {
        const QString png = path + QStringLiteral(".tmp.png");
        if (!image.save(png, "PNG"))
            return false;
        const PdfCheck::ToolResult r = PdfCheck::Run(QStringLiteral("convert"), {png, QStringLiteral("gif:") + path});
        QFile::remove(png);
        return r.exitCode == 0;
    }
    const char* format = suffix == QLatin1String("jpeg") || suffix == QLatin1String("jpg") ? "JPEG"
                         : suffix == QLatin1String("bmp")                                  ? "BMP"
                                                                                           : "PNG";
    return image.save(path, format, 95);
}

bool WritePostScript(const QString& path, const QStringList& pageTexts, const QString& title)
{
    QByteArray ps = "%!PS-Adobe-3.0\n%%Title: " + title.toUtf8() + "\n%%Creator: test\n%%Pages: "
                    + QByteArray::number(pageTexts.size()) + "\n%%EndComments\n";
    int n = 0;
    for (const QString& text : pageTexts) {
        ++n;
        ps += "%%Page: " + QByteArray::number(n) + ' ' + QByteArray::number(n) + '\n';
        ps += "/Helvetica findfont 24 scalefont setfont 72 500 moveto (" + text.toLatin1() + ") show showpage\n";
    }
    ps += "%%EOF\n";
    return WriteFile(path, ps);
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QString PdfText(const QString& pdf, int page)
{
    QStringList args;
    if (page > 0)
        args << QStringLiteral("-f") << QString::number(page) << QStringLiteral("-l") << QString::number(page);
    args << pdf << QStringLiteral("-");
    const PdfCheck::ToolResult r = PdfCheck::Run(QStringLiteral("pdftotext"), args);
    return QString::fromUtf8(r.output).simplified();
}

int PdfPages(const QString& pdf) { return PdfCheck::PdfInfoField(pdf, QStringLiteral("Pages")).toInt(); }

int PdfImagesOnPage(const QString& pdf, int page)
{
    const PdfCheck::ToolResult r = PdfCheck::Run(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf});
    int count = 0;
    const QList<QByteArray> lines = r.output.split('\n');
    for (qsizetype i = 2; i < lines.size(); ++i) {
        const QList<QByteArray> columns = lines[i].simplified().split(' ');
        if (columns.size() > 2 && columns[0].toInt() == page && columns[2] == "image")
            ++count;
    }
    return count;
}

}  // namespace RunHarness
