#include "platform/office/DriverPostScript.h"

#include "platform/office/GlyphUnicode.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryFile>

#include <memory>
#include <stdexcept>

namespace {

[[noreturn]] void Fail(const QString& message) { throw std::runtime_error(message.toStdString()); }

QString FindTool(const QString& name)
{
    QString path = QStandardPaths::findExecutable(name);
    if (path.isEmpty())
        path = QStandardPaths::findExecutable(name, {QStringLiteral("/usr/bin"), QStringLiteral("/usr/local/bin")});
    return path;
}

// The last lines a tool wrote, for the failure message.
QString ToolMessage(QProcess& process)
{
    QString text = QString::fromLocal8Bit(process.readAllStandardError() + process.readAllStandardOutput());
    QStringList lines = text.split('\n', Qt::SkipEmptyParts);
    while (lines.size() > 6)
        lines.removeFirst();
    return lines.join(QStringLiteral(" / ")).trimmed();
}

void RunTool(const QString& name, const QStringList& arguments, int timeoutMs)
{
    const QString program = FindTool(name);
    if (program.isEmpty())
        Fail(QStringLiteral("The program \"%1\" is not installed.").arg(name));
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted(30000))
        Fail(QStringLiteral("\"%1\" cannot be started: %2").arg(name, process.errorString()));
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(5000);
        Fail(QStringLiteral("\"%1\" did not finish within %2 seconds.").arg(name).arg(timeoutMs / 1000));
    }
    // qpdf exits with 3 for warnings after a complete output.
    const bool ok = process.exitStatus() == QProcess::NormalExit &&
                    (process.exitCode() == 0 || (name == QLatin1String("qpdf") && process.exitCode() == 3));
    if (!ok) {
        const QString message = ToolMessage(process);
        Fail(QStringLiteral("\"%1\" failed (exit status %2)%3").arg(name).arg(process.exitCode()).arg(message.isEmpty() ? QString() : QStringLiteral(": ") + message));
    }
}

// A helper file next to the target, removed when the object goes.
std::unique_ptr<QTemporaryFile> HelperFile(const QString& targetPath, const QString& suffix)
{
    const QFileInfo target(targetPath);
    auto file = std::make_unique<QTemporaryFile>(target.absolutePath() + QStringLiteral("/.kalvinora-XXXXXX") + suffix);
    if (!file->open())
        Fail(QStringLiteral("No helper file can be created next to \"%1\": %2").arg(targetPath, file->errorString()));
    file->close();
    return file;
}

QByteArray CommentValue(const QString& value)
{
    QString v = value;
    for (QChar& c : v) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = ' ';
    }
    return v.toUtf8();
}

bool StartsWithNoCase(const QByteArray& line, const char* prefix)
{
    return line.left(qsizetype(qstrlen(prefix))).toUpper() == QByteArray(prefix).toUpper();
}

void CopyWithHeader(const QString& source, const QString& targetPath, const QString& title, const QString& user,
                    GlyphUnicodeWriter& glyphs)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        Fail(QStringLiteral("The PostScript output cannot be read: %1").arg(in.errorString()));

    // The header comments: the lines that start with "%", up to and
    // including "%%EndComments".
    QByteArray header;
    for (int n = 0; n < 1000 && !in.atEnd(); ++n) {
        const qint64 pos = in.pos();
        const QByteArray line = in.readLine(65536);
        if (!line.startsWith('%')) {
            in.seek(pos);
            break;
        }
        header += line;
        if (line.startsWith("%%EndComments"))
            break;
    }
    if (!header.startsWith("%!PS"))
        Fail(QStringLiteral("pdftops wrote no PostScript."));

    // Written in place (not replaced), so that a target reached through a
    // link writes the file the link names.
    QFile out(targetPath);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        Fail(QStringLiteral("The file \"%1\" cannot be written: %2").arg(targetPath, out.errorString()));
    bool ok = out.write(TagDriverHeader(header, title, DriverCreatorName(), user)) >= 0;
    QByteArray buffer;
    while (ok && !in.atEnd()) {
        buffer = glyphs.Active() ? glyphs.Line(in.readLine()) : in.read(1 << 20);
        if (buffer.isEmpty() && in.error() != QFileDevice::NoError)
            break;
        ok = out.write(buffer) == buffer.size();
    }
    const QString error = out.errorString();
    if (!ok || in.error() != QFileDevice::NoError || !out.flush()) {
        out.resize(0);
        Fail(QStringLiteral("The file \"%1\" cannot be written: %2").arg(targetPath, ok ? in.errorString() : error));
    }
}

}  // namespace

QString DriverCreatorName() { return QStringLiteral("Kalvinora Office PostScript (LibreOffice, pdftops)"); }

QByteArray TagDriverHeader(const QByteArray& header, const QString& title, const QString& creator, const QString& user)
{
    QList<QByteArray> lines = header.split('\n');
    const bool endsWithBreak = header.endsWith('\n');
    if (endsWithBreak)
        lines.removeLast();
    QByteArray result;
    if (lines.isEmpty())
        return result;
    result += lines.first() + '\n';
    result += "%%Title: " + CommentValue(title) + '\n';
    result += "%%Creator: " + CommentValue(creator) + '\n';
    result += "%%For: " + CommentValue(user) + '\n';
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray& line = lines[i];
        if (StartsWithNoCase(line, "%%Title:") || StartsWithNoCase(line, "%%Creator:") || StartsWithNoCase(line, "%%For:"))
            continue;
        result += line + '\n';
    }
    if (!endsWithBreak)
        result.chop(1);
    return result;
}

void WriteDriverPostScript(const DriverJob& job)
{
    try {
        QString pdf = job.pdfPath;
        std::unique_ptr<QTemporaryFile> reversed;
        if (job.reversePages) {
            reversed = HelperFile(job.targetPath, QStringLiteral(".pdf"));
            RunTool(QStringLiteral("qpdf"),
                    {QStringLiteral("--empty"), QStringLiteral("--pages"), pdf, QStringLiteral("z-1"), QStringLiteral("--"),
                     reversed->fileName()},
                    job.timeoutMs);
            pdf = reversed->fileName();
        }

        // poppler's pdftops, not Ghostscript's ps2write: ps2write reads its
        // embedded objects by byte count, so the header rewrite before the
        // PDF is made (which writes every line with CR LF) would break the
        // file. pdftops writes 7-bit text whose data ends at markers, and
        // keeps JPEG pictures as they are.
        const auto postScript = HelperFile(job.targetPath, QStringLiteral(".ps"));
        RunTool(QStringLiteral("pdftops"), {QStringLiteral("-level3"), QStringLiteral("-origpagesizes"), pdf, postScript->fileName()},
                job.timeoutMs);
        if (QFileInfo(postScript->fileName()).size() == 0)
            Fail(QStringLiteral("pdftops wrote no PostScript."));
        const FontUnicodeMaps maps = ReadFontUnicodeMaps(pdf, job.timeoutMs);
        GlyphUnicodeWriter glyphs(maps);
        CopyWithHeader(postScript->fileName(), job.targetPath, job.title, job.user, glyphs);
    } catch (...) {
        // A failed print leaves no half file behind that could pass for output.
        QFile target(job.targetPath);
        if (target.exists() && target.open(QIODevice::WriteOnly | QIODevice::Truncate))
            target.close();
        throw;
    }
}
