// kalvinora-cli: the conversion of the window program without windows.

#include "cli/CliDialogHost.h"
#include "cli/CliRunWindow.h"
#include "cli/CliSettingsHost.h"
#include "core/LanguageFile.h"
#include "core/PasswordCipher.h"
#include "core/Protocol.h"
#include "core/Settings.h"
#include "core/TMyIniFile.h"
#include "core/Tools.h"
#include "engine/ConversionRun.h"
#include "ghostscript/UGhostscript.h"
#include "platform/SystemPaths.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdio>

namespace {

enum ExitStatus { ExitConverted = 0, ExitFailed = 1, ExitUsage = 2 };

const char* const kAllgemeinKeys[] = {
    "Printer", "GS", "OutputFormat", "AcroVer", "Grafikqu", "BmpColor", "JPEGRGB", "JPEGQual", "DPIx", "DPIy",
    "TIFFQual", "TiffFormat", "TIFFExtension", "PaperFormat", "PaperMeasure", "PaperW", "PaperH", "dtPrefix",
    "dtSuffix", "dtFixCaption", "GrOrientation", "GrPicturePosX", "GrPicturePosY", "GrBorderLeft", "GrBorderTop",
    "GrBorderRight", "GrBorderBottom", "DelPS", "RenamePS", "PSDir", "UsePSDir", "CreateProt", "LgFile", "LeftWindow"};
const char* const kProtectionKeys[] = {"User1", "User2", "User3", "Type", "OpenP", "ProtP", "Bit"};
const char* const kAusgabeKeys[] = {"OutputToInput"};

// The section and spelling of a settings key, found without regard to case.
bool FindSettingsKey(const QString& key, QString& section, QString& name)
{
    auto look = [&](const char* const* keys, size_t count, const char* sectionName) {
        for (size_t i = 0; i < count; ++i) {
            if (key.compare(QLatin1String(keys[i]), Qt::CaseInsensitive) == 0) {
                section = QLatin1String(sectionName);
                name = QLatin1String(keys[i]);
                return true;
            }
        }
        return false;
    };
    return look(kAllgemeinKeys, std::size(kAllgemeinKeys), "Allgemein")
           || look(kProtectionKeys, std::size(kProtectionKeys), "Protection")
           || look(kAusgabeKeys, std::size(kAusgabeKeys), "Ausgabe");
}

void Print(FILE* channel, const QString& text)
{
    const QByteArray bytes = (text + '\n').toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), channel);
}

int UsageError(const QString& message)
{
    Print(stderr, QStringLiteral("kalvinora-cli: ") + message);
    Print(stderr, QStringLiteral("Try 'kalvinora-cli --help'."));
    return ExitUsage;
}

int FormatNumber(const QString& name)
{
    const QStringList names{"pdf", "bmp", "jpeg", "pcx", "tiff"};
    QString n = name.toLower();
    if (n == QLatin1String("jpg"))
        n = QStringLiteral("jpeg");
    if (n == QLatin1String("tif"))
        n = QStringLiteral("tiff");
    return int(names.indexOf(n));
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kalvinora-cli"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Converts Word documents, pictures and PostScript files into PDF, BMP, JPEG, PCX or TIFF,\n"
        "with the settings of the Kalvinora window program (the settings file is only read)."));
    const QCommandLineOption formatOption(QStringLiteral("format"), QStringLiteral("Output format: pdf, bmp, jpeg, pcx or tiff."),
                                          QStringLiteral("format"));
    const QCommandLineOption outputOption(QStringLiteral("output-dir"),
                                          QStringLiteral("Write the output into this folder (default: next to each input)."),
                                          QStringLiteral("dir"));
    const QCommandLineOption combineOption(QStringLiteral("combine"), QStringLiteral("Combine all inputs into one output document, in the order given."));
    const QCommandLineOption setOption(QStringLiteral("set"),
                                       QStringLiteral("Use this value of a settings key for this run only (e.g. Bit=128, ProtP=secret)."),
                                       QStringLiteral("key=value"));
    const QCommandLineOption printersOption(QStringLiteral("list-printers"), QStringLiteral("List the printers and end."));
    const QCommandLineOption gsOption(QStringLiteral("list-ghostscript"), QStringLiteral("List the Ghostscript installations and end."));
    parser.addOptions({formatOption, outputOption, combineOption, setOption, printersOption, gsOption});
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    QCoreApplication::setApplicationVersion(GetFileVersionText(QStringLiteral("%d.%d.%d.%d")));
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("Files to convert, in the order of the combined document."),
                                 QStringLiteral("FILE..."));

    if (!parser.parse(QCoreApplication::arguments()))
        return UsageError(parser.errorText());
    if (parser.isSet(helpOption)) {
        Print(stdout, parser.helpText());
        return ExitConverted;
    }
    if (parser.isSet(versionOption)) {
        Print(stdout, QStringLiteral("kalvinora-cli ") + QCoreApplication::applicationVersion());
        return ExitConverted;
    }

    CliDialogHost dialogs;
    ScopedDialogHost dialogHost(&dialogs);

    // The window program's settings, read only: no older file is moved here.
    ClearDataFolderCache();
    const QString settingsFile = GetDataFolder() + QStringLiteral("settings.ini");
    SettingsFileName() = settingsFile;
    {
        const TMyIniFile ini(settingsFile);
        QString lgFile = ini.ReadString(QStringLiteral("Allgemein"), QStringLiteral("LgFile"), QStringLiteral("deutsch.lng"));
        if (lgFile.isEmpty())
            lgFile = QStringLiteral("deutsch.lng");
        OpenLanguageFile(platform::ProgramFolder() + lgFile);
    }

    if (parser.isSet(printersOption)) {
        QStringList printers;
        GetPrinterlist(printers);
        for (const QString& p : std::as_const(printers))
            Print(stdout, p);
        return ExitConverted;
    }

    CliSettingsHost host;
    if (parser.isSet(gsOption)) {
        for (int i = 0; i < host.State().GhostscriptPool->Count(); ++i)
            Print(stdout, host.State().GhostscriptPool->Item(i)->DisplayName());
        return ExitConverted;
    }

    const QStringList files = parser.positionalArguments();
    if (files.isEmpty())
        return UsageError(QStringLiteral("no files given"));

    int format = -1;
    if (parser.isSet(formatOption)) {
        format = FormatNumber(parser.value(formatOption));
        if (format < 0)
            return UsageError(QStringLiteral("unknown format '%1'").arg(parser.value(formatOption)));
    }
    QString outputDir;
    if (parser.isSet(outputOption)) {
        const QFileInfo dir(parser.value(outputOption));
        if (!dir.isDir())
            return UsageError(QStringLiteral("'%1' is not a folder").arg(parser.value(outputOption)));
        outputDir = dir.absoluteFilePath();
    }

    // Values given with --set go into a private copy of the settings for
    // this run; the settings file itself is never written.
    QTemporaryDir scratch(GetDataFolder() + QStringLiteral("cli-XXXXXX"));
    if (!scratch.isValid())
        return UsageError(QStringLiteral("cannot create a temporary folder in %1").arg(GetDataFolder()));
    const QString runSettings = scratch.filePath(QStringLiteral("settings.ini"));
    if (QFile::exists(settingsFile) && !QFile::copy(settingsFile, runSettings))
        return UsageError(QStringLiteral("cannot read %1").arg(settingsFile));
    {
        TMyIniFile ini(runSettings);
        for (const QString& assignment : parser.values(setOption)) {
            const qsizetype eq = assignment.indexOf('=');
            QString section, key;
            if (eq <= 0)
                return UsageError(QStringLiteral("--set wants KEY=VALUE, not '%1'").arg(assignment));
            if (!FindSettingsKey(assignment.left(eq).trimmed(), section, key))
                return UsageError(QStringLiteral("unknown setting '%1'").arg(assignment.left(eq)));
            QString value = assignment.mid(eq + 1);
            // Any other number would silently mean no encryption at all.
            if (key == QLatin1String("Bit") && value != QLatin1String("0") && value != QLatin1String("40")
                && value != QLatin1String("128"))
                return UsageError(QStringLiteral("Bit must be 0, 40 or 128, not '%1'").arg(value));
            if (key == QLatin1String("OpenP") || key == QLatin1String("ProtP"))
                value = PasswordCipher().EncodeToHex(value);
            ini.WriteString(section, key, value);
        }
        try {
            ini.UpdateFile();
        } catch (const std::exception& e) {
            return UsageError(QString::fromStdString(e.what()));
        }
    }
    SettingsFileName() = runSettings;
    LoadSettings(host);
    SettingsFileName() = settingsFile;

    ProgramState& state = host.State();
    if (format >= 0)
        state.OutputFormat = uint8_t(format);
    state.OutputDir = outputDir;
    state.CombineOutput = parser.isSet(combineOption);

    QStringList paths;
    int missing = 0;
    for (const QString& f : files) {
        const QFileInfo info(f);
        if (!info.exists()) {
            Print(stderr, QStringLiteral("kalvinora-cli: %1: no such file").arg(f));
            ++missing;
            continue;
        }
        paths << info.absoluteFilePath();
    }
    if (paths.isEmpty())
        return ExitFailed;
    state.SelectedFilesHook = [&paths] { return paths; };
    state.SelectionOrder = paths;

    CliRunWindow window;
    dialogs.beforeOutput = [&window] { window.ClearLine(); };
    const ConversionReport report = ButtonStartClick(state, window);
    // The window program passes over these without a word; here the exit
    // status would otherwise claim them converted.
    for (const QString& dropped : report.Dropped)
        Print(stderr, QStringLiteral("kalvinora-cli: %1: not converted: the file is gone, read-only or in use").arg(dropped));
    const bool allConverted = report.Started && missing == 0 && report.Refused == 0 && report.Failures.isEmpty()
                              && report.Dropped.isEmpty() && !report.SectionFailed && dialogs.Errors() == 0;
    return allConverted ? ExitConverted : ExitFailed;
}
