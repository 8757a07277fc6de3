#include "ghostscript/GhostscriptJob.h"

#include "core/LanguageFile.h"
#include "core/MessageDlg.h"
#include "core/Protocol.h"
#include "core/Settings.h"
#include "core/Tools.h"
#include "core/UniCodeException.h"
#include "ghostscript/PSFileTags.h"
#include "ghostscript/UGhostscript.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace {

const char* const kCompatibility[3][3] = {
    {"1.2", "1.3", "1.4"},  // no encryption
    {"1.3", "1.3", "1.4"},  // 40 bits
    {"1.4", "1.4", "1.4"},  // 128 bits
};

const char* const kResolutions[] = {"96", "120", "300", "600"};

// What each denied right takes off the permission number, for 40 and 128
// bits. The 128-bit amounts also clear the finer flags of the same right.
const int kPermissionCost[2][4] = {
    {4, 8, 16, 32},
    {2052, 1288, 528, 32},
};

const char* const kTiffVariants[] = {"12nc", "24nc", "crle", "g3", "g32d", "g4", "lzw", "pack"};

// Points per unit of PaperMeasure: inches, cm (1 / 0.03528), points.
const long double kPaperFactor[] = {72.0L, 28.34467120181406L, 1.0L};

QString BmpVariant(uint8_t color)
{
    switch (color) {
    case 0: return QStringLiteral("mono");
    case 1: return QStringLiteral("gray");
    case 2: return QStringLiteral("16");
    case 3: return QStringLiteral("256");
    default: return QString();
    }
}

QString Device(const ProgramState& s)
{
    switch (s.OutputFormat) {
    case ofBMP: {
        const QString v = BmpVariant(s.BmpColor);
        return QStringLiteral("bmp") + (v.isEmpty() ? QStringLiteral("16m") : v);
    }
    case ofJPEG: return s.JPEGRGB ? QStringLiteral("jpeg") : QStringLiteral("jpeggray");
    case ofPCX: {
        const QString v = BmpVariant(s.BmpColor);
        return QStringLiteral("pcx") + (v.isEmpty() ? QStringLiteral("24b") : v);
    }
    case ofTIFF:
        return QStringLiteral("tiff") +
               QLatin1String(s.TiffFormat < std::size(kTiffVariants) ? kTiffVariants[s.TiffFormat] : "24nc");
    default: return QStringLiteral("pdfwrite");
    }
}

QString Ending(const ProgramState& s)
{
    switch (s.OutputFormat) {
    case ofBMP: return QStringLiteral("%d.bmp");
    case ofJPEG: return QStringLiteral("%d.jpg");
    case ofPCX: return QStringLiteral("%d.pcx");
    case ofTIFF: return s.TIFFExtension ? QStringLiteral(".tiff") : QStringLiteral(".tif");
    default: return QStringLiteral(".pdf");
    }
}

bool PageByPage(const ProgramState& s)
{
    return s.OutputFormat == ofBMP || s.OutputFormat == ofJPEG || s.OutputFormat == ofPCX;
}

// The output path without the last extension of its file name.
QString Base(const QString& outputPath)
{
    const qsizetype slash = outputPath.lastIndexOf('/');
    const qsizetype dot = outputPath.lastIndexOf('.');
    return dot > slash ? outputPath.left(dot) : outputPath;
}

// The owner password that switches encryption on, or none.
QString OwnerPassword(const ProgramState& s, const QString& runOwnerPassword)
{
    return s.ProtP.isEmpty() ? runOwnerPassword : s.ProtP;
}

bool EncryptionActive(const ProgramState& s, const QString& runOwnerPassword)
{
    return s.OutputFormat == ofPDF && s.Bit != 0 && !OwnerPassword(s, runOwnerPassword).isEmpty();
}

// A name for messages: control characters made visible.
QString Printable(const QString& name)
{
    QString out;
    for (QChar c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

// Characters after which Ghostscript would read the rest of the parameter
// file differently: line ends and other control characters, the quote that
// groups words, and a backslash at the end of a line, which joins it with
// the next one.
bool BreaksLine(const QString& name)
{
    for (QChar c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || c == '"')
            return true;
    }
    return name.endsWith('\\');
}

// Words Ghostscript reads as an option, a response file, a device such as
// %pipe% or a pipe, rather than as a file name.
bool ReadsAsCommand(const QString& name)
{
    return name.startsWith('-') || name.startsWith('@') || name.startsWith('%') || name.startsWith('|');
}

void CheckFileName(const QString& name)
{
    if (BreaksLine(name))
        throw ItemFailure(ReplaceFirst(
            LangString("Main", "GsNameBreaksLine", "Die Datei %s kann nicht an Ghostscript übergeben werden, weil ihr Name einen Zeilenumbruch, ein Anführungszeichen oder ein anderes Steuerzeichen enthält oder auf einen umgekehrten Schrägstrich endet. Bitte benennen Sie die Datei um."),
            QStringLiteral("%s"), Printable(name)));
    if (ReadsAsCommand(name))
        throw ItemFailure(ReplaceFirst(
            LangString("Main", "GsNameIsOption", "Die Datei %s kann nicht an Ghostscript übergeben werden, weil ihr Name mit „-“, „@“, „%“ oder „|“ beginnt und von Ghostscript als Befehl gelesen würde. Bitte benennen Sie die Datei um."),
            QStringLiteral("%s"), Printable(name)));
}

// A setting written as one word of the parameter file.
void CheckSetting(const QString& key, const QString& value)
{
    for (QChar c : value) {
        if (c.unicode() <= 0x20 || c.unicode() == 0x7F || c == '"' || c == '\\')
            throw UniCodeException(ReplaceFirst(
                LangString("Main", "GsBadSetting", "Die Einstellung %s enthält ein Leerzeichen, ein Anführungszeichen, einen umgekehrten Schrägstrich oder ein Steuerzeichen und kann nicht an Ghostscript übergeben werden."),
                QStringLiteral("%s"), key));
    }
}

// The inputs, each file of a blank-separated list on its own.
QStringList InputFiles(const QString& psInput) { return psInput.split(' ', Qt::SkipEmptyParts); }

// The input files as the user knows them: the aliases made for paths with
// blanks lead back to the real files.
QString InputNames(const QString& psInput)
{
    QStringList names;
    for (const QString& f : InputFiles(psInput)) {
        const QFileInfo info(f);
        const QString real = info.exists() ? info.canonicalFilePath() : QString();
        names << (real.isEmpty() ? f : real);
    }
    return names.join(QStringLiteral(", "));
}

struct FileSnapshot {
    bool exists = false;
    qint64 size = 0;
    QDateTime modified;
};

FileSnapshot Snapshot(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return {};
    return {true, info.size(), info.lastModified()};
}

[[noreturn]] void RaiseGsWin32Error(const QString& reason)
{
    throw UniCodeException(ReplaceFirst(
        LangString("Main", "GsWin32Error", "Der Zugriff auf Ghostscript schlug fehl (%s)."), QStringLiteral("%s"),
        reason));
}

// Removes the parameter file however the job ends: it carries passwords.
class ParamFileGuard {
public:
    explicit ParamFileGuard(const QString& path) : m_path(path) {}
    ~ParamFileGuard() { QFile::remove(m_path); }
    ParamFileGuard(const ParamFileGuard&) = delete;
    ParamFileGuard& operator=(const ParamFileGuard&) = delete;

private:
    QString m_path;
};

}  // namespace

QString GsNumber(long double value)
{
    // QString::number never consults the locale, so the user's decimal
    // comma cannot reach Ghostscript and nothing process-wide is switched.
    return QString::number(double(value), 'g', 15);
}

QString GsOutputName(const ProgramState& state, const QString& outputPath)
{
    QString base = Base(outputPath);
    base.replace(QLatin1String("%"), QLatin1String("%%"));
    return base + Ending(state);
}

QString GsFirstOutputFile(const ProgramState& state, const QString& outputPath)
{
    QString ending = Ending(state);
    if (PageByPage(state))
        ending.replace(QLatin1String("%d"), QLatin1String("1"));
    return Base(outputPath) + ending;
}

QStringList GsParameterLines(const ProgramState& s, const QString& psInput, const QString& outputPath,
                             const QString& runOwnerPassword)
{
    const QString outputName = GsOutputName(s, outputPath);
    CheckFileName(outputName);
    if (InputFiles(psInput).isEmpty())
        CheckFileName(psInput);
    for (const QString& f : InputFiles(psInput))
        CheckFileName(f);

    QStringList lines;
    const bool pdf = s.OutputFormat == ofPDF;
    const int bitIndex = s.Bit <= 2 ? s.Bit : 0;

    if (pdf) {
        if (s.AcroVer <= 2)
            lines << QStringLiteral("-dCompatibilityLevel#") + QLatin1String(kCompatibility[bitIndex][s.AcroVer]);
        if (s.Grafikqu == 0) {
            lines << QStringLiteral("-dDownsampleColorImages#false") << QStringLiteral("-dDownsampleGrayImages#false")
                  << QStringLiteral("-dDownsampleMonoImages#false");
        } else if (s.Grafikqu <= 4) {
            const QString r = QLatin1String(kResolutions[s.Grafikqu - 1]);
            lines << QStringLiteral("-dColorImageResolution#") + r << QStringLiteral("-dDownsampleColorImages#true")
                  << QStringLiteral("-dDownsampleGrayImages#true") << QStringLiteral("-dGrayImageResolution#") + r
                  << QStringLiteral("-dDownsampleMonoImages#true") << QStringLiteral("-dMonoImageResolution#") + r;
        }
    }

    if (EncryptionActive(s, runOwnerPassword)) {
        const QString owner = OwnerPassword(s, runOwnerPassword);
        CheckSetting(QStringLiteral("OpenP"), s.OpenP);
        CheckSetting(QStringLiteral("ProtP"), owner);
        if (!s.OpenP.isEmpty())
            lines << QStringLiteral("-sUserPassword#") + s.OpenP;
        lines << QStringLiteral("-sOwnerPassword#") + owner;
        if (s.Bit == 1)
            lines << QStringLiteral("-dEncryptionR#2") << QStringLiteral("-dKeyLength#40");
        else if (s.Bit == 2)
            lines << QStringLiteral("-dEncryptionR#3") << QStringLiteral("-dKeyLength#128");
        int permissions = -4;
        const uint8_t denied = s.Type < s.ProhibitionSet.size() ? s.ProhibitionSet[s.Type] : 0;
        for (int bit = 0; bit < 4; ++bit) {
            if (denied & (1 << bit))
                permissions -= kPermissionCost[s.Bit == 2 ? 1 : 0][bit];
        }
        lines << QStringLiteral("-dPermissions#") + QString::number(permissions);
    }

    if (PageByPage(s))
        lines << QStringLiteral("-r%1x%2").arg(s.DPIx).arg(s.DPIy);
    if (s.OutputFormat == ofTIFF)
        lines << QStringLiteral("-r%1").arg(s.TIFFQual);

    if (!s.PaperFormat.isEmpty()) {
        CheckSetting(QStringLiteral("PaperFormat"), s.PaperFormat);
        lines << QStringLiteral("-sPAPERSIZE#") + s.PaperFormat;
    } else if (s.PaperW != 0 || s.PaperH != 0) {
        const long double factor = s.PaperMeasure < std::size(kPaperFactor) ? kPaperFactor[s.PaperMeasure] : 1.0L;
        lines << QStringLiteral("-dDEVICEWIDTHPOINTS#") + GsNumber(static_cast<long double>(s.PaperW) * factor)
              << QStringLiteral("-dDEVICEHEIGHTPOINTS#") + GsNumber(static_cast<long double>(s.PaperH) * factor);
    }

    lines << QStringLiteral("-q") << QStringLiteral("-dNOPAUSE") << QStringLiteral("-dBATCH");
    if (s.OutputFormat == ofJPEG)
        lines << QStringLiteral("-dJPEGQ=%1").arg(s.JPEGQual);
    lines << QStringLiteral("-sDEVICE#") + Device(s);
    // The whole word is quoted: Ghostscript keeps quotes that stand inside
    // a word and would look for a file whose name begins with one.
    lines << QStringLiteral("\"-sOutputFile#") + outputName + '"';
    lines << QStringLiteral("-c save pop") << QStringLiteral("-f") << psInput;
    return lines;
}

std::optional<GsVersionWarning> GsVersionCheck(const ProgramState& state, int required)
{
    const TGhostscript* gs = state.ChosenGhostscript;
    const int major = required / 100;
    const int minor = required % 100;
    if (!gs || !gs->IsOlderThan(major, minor))
        return std::nullopt;
    GsVersionWarning w;
    w.title = ReplaceFirst(LangString("Main", "CheckGsVer1", "Für diese PDF-Erstellung mit Verschlüsselung wird mindestens die Version %s von Ghostscript benötigt."),
                           QStringLiteral("%s"), QStringLiteral("%1.%2").arg(major).arg(minor));
    w.text = LangString("Main", "CheckGsVer2", "Die erstellten PDF enthalten entweder keine Verschlüsselung, oder sind fehlerhaft.") +
             ' ' + LangString("Main", "CheckGsVer3", "Sie können die verwendete Ghostscript-Installation in den Optionen überprüfen.");
    return w;
}

void CheckGsVer(ProgramState& state, int required)
{
    try {
        if (const auto w = GsVersionCheck(state, required))
            MessageDlg(w->title, w->text, mtError, MsgButtons({mbOK}), 0);
    } catch (...) {
        // Only a warning: the run goes on whatever happened here.
    }
}

QString GsMessageFromOutput(const QByteArray& output)
{
    const QStringList lines = QString::fromLocal8Bit(output).split('\n');
    QStringList picked;
    for (QString line : lines) {
        line = line.trimmed();
        // Ghostscript's error line, its "****" notes and the OS error behind
        // a failed open; the stack dumps in between mean nothing to a user.
        if (line.startsWith(QLatin1String("Error:")) || line.contains(QLatin1String("****")) ||
            line.startsWith(QLatin1String("Last OS error")) || line.contains(QLatin1String("Unrecoverable error")))
            picked << line;
    }
    if (picked.isEmpty()) {
        for (auto it = lines.crbegin(); it != lines.crend() && picked.size() < 5; ++it) {
            if (!it->trimmed().isEmpty())
                picked.prepend(it->trimmed());
        }
    }
    QString text = picked.join('\n');
    constexpr qsizetype kMaxLength = 2000;
    if (text.size() > kMaxLength)
        text = text.left(kMaxLength) + QStringLiteral(" …");
    return text;
}

void PsToPdf(ProgramState& state, bool tagHeader, const QString& psInput, const QString& outputPath,
             const QString& runOwnerPassword)
{
    WriteProtocol(QStringLiteral("Start PS to PDF"));
    // Refuse unusable names before anything is touched.
    QStringList lines = GsParameterLines(state, psInput, outputPath, runOwnerPassword);

    if (tagHeader && state.OutputFormat == ofPDF) {
        const QString title = GetDocTitle(state, outputPath);
        SetPSFileTags(psInput, QString(), title);
        // Ghostscript takes a document's title from the header it read last,
        // which for several inputs is not the tagged first one: the title is
        // given once more after all inputs (as UTF-16, so any letter keeps).
        if (InputFiles(psInput).size() > 1) {
            QByteArray utf16("\xFE\xFF");
            for (QChar c : title)
                utf16 += char(c.unicode() >> 8), utf16 += char(c.unicode() & 0xFF);
            lines << QStringLiteral("-c [ /Title <%1> /DOCINFO pdfmark").arg(QString::fromLatin1(utf16.toHex().toUpper()));
        }
    }

    const QString paramPath = GetDataFolder() + QStringLiteral("paramgs.inf");
    WriteProtocol(QStringLiteral("Param: ") + paramPath);
    const ParamFileGuard removeParamFile(paramPath);

    {
        // A file left from an earlier run may carry other permissions; the
        // new one is readable by the user alone from its first byte on.
        QFile::remove(paramPath);
        QFile param(paramPath);
        if (!param.open(QIODevice::WriteOnly | QIODevice::Truncate, QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
            WriteProtocol(QStringLiteral("Fehler beim Öffnen von ParamFile: ") + param.errorString());
            throw std::runtime_error((paramPath + QStringLiteral(": ") + param.errorString()).toStdString());
        }
        param.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        for (const QString& line : lines) {
            const QByteArray bytes = line.toLocal8Bit() + "\r\n";
            if (param.write(bytes) != bytes.size())
                throw std::runtime_error((paramPath + QStringLiteral(": ") + param.errorString()).toStdString());
            if (line.startsWith(QLatin1String("\"-sOutputFile#")))
                WriteProtocol(QStringLiteral("Create Outfile to: ") + GsOutputName(state, outputPath));
            else if (line == QLatin1String("-f"))
                WriteProtocol(QStringLiteral("Create PDF from ") + psInput);
        }
        if (!param.flush())
            throw std::runtime_error((paramPath + QStringLiteral(": ") + param.errorString()).toStdString());
        param.close();
    }

    const QString firstOutput = GsFirstOutputFile(state, outputPath);
    const FileSnapshot before = Snapshot(firstOutput);
    int exitCode = 0;
    QByteArray output;
    try {
        if (!state.ChosenGhostscript)
            throw std::runtime_error(
                (QStringLiteral("gs: ") + QString::fromLocal8Bit(std::strerror(ENOENT))).toStdString());
        const QString exe = state.ChosenGhostscript->ExePath();
        WriteProtocol(exe);
        WriteProtocol(QStringLiteral("paramfile: ") + paramPath);
        // Safe mode keeps the PostScript from reaching any file but its
        // input and output, and from starting programs.
        if (!ShellExecuteAndWait(exe, QStringList{QStringLiteral("-dSAFER"), QLatin1Char('@') + paramPath},
                                 &exitCode, &output)) {
            const QFileInfo info(exe);
            const int error = !info.exists() ? ENOENT : (!info.isExecutable() ? EACCES : ENOEXEC);
            throw std::runtime_error((exe + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(error)))
                                         .toStdString());
        }
        WriteProtocol(QStringLiteral("Ghost OK"));
    } catch (const UniCodeException&) {
        throw;
    } catch (const std::exception& e) {
        RaiseGsWin32Error(QString::fromStdString(e.what()));
    }

    const QString message = GsMessageFromOutput(output);
    if (exitCode != 0) {
        WriteProtocol(QStringLiteral("Ghostscript exit code %1: %2").arg(exitCode).arg(message));
        QString text = ReplaceFirst(LangString("Main", "GsConvertError", "Ghostscript konnte die Datei %s nicht umwandeln. Meldung von Ghostscript:"),
                                    QStringLiteral("%s"), InputNames(psInput));
        if (message.isEmpty())
            text += '\n' + ReplaceFirst(LangString("Main", "GsExitCode", "Ghostscript endete mit dem Code %s."),
                                        QStringLiteral("%s"), QString::number(exitCode));
        else
            text += '\n' + message;
        throw ItemFailure(text);
    }
    const FileSnapshot after = Snapshot(firstOutput);
    if (!after.exists ||
        (before.exists && before.size == after.size && before.modified == after.modified)) {
        WriteProtocol(QStringLiteral("Ghostscript wrote no output: ") + firstOutput);
        QString text = FillPlaceholders(LangString("Main", "GsNoOutput", "Ghostscript hat aus der Datei %s keine Ausgabedatei erzeugt (erwartet: %s)."),
                            {InputNames(psInput), firstOutput});
        if (!message.isEmpty())
            text += '\n' + message;
        throw ItemFailure(text);
    }
}
