#include "core/Settings.h"

#include "core/LanguageFile.h"
#include "core/PasswordCipher.h"
#include "core/Protocol.h"
#include "core/TMyIniFile.h"
#include "core/Tools.h"
#include "platform/PrinterSystem.h"
#include "platform/SystemPaths.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {

QString& CachedDataFolder()
{
    static QString folder;
    return folder;
}

const QString kAllgemein = QStringLiteral("Allgemein");
const QString kProtection = QStringLiteral("Protection");
const QString kAusgabe = QStringLiteral("Ausgabe");
const QString kLastPath = QStringLiteral("LastPath");

constexpr int kViewChunk = 1000;

// The write test of an older settings location: true when the file could be
// created or touched.
bool WriteTest(const QString& candidate)
{
    if (candidate.isEmpty())
        return false;
    try {
        TMyIniFile ini(candidate);
        ini.WriteString(QStringLiteral("Tools"), QStringLiteral("TestForWrite"),
                        LocaleTimestamp(QDateTime::currentDateTime()));
        ini.UpdateFile();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

uint8_t AsByte(int v) { return uint8_t(v & 0xFF); }
uint16_t AsWord(int v) { return uint16_t(v & 0xFFFF); }

}  // namespace

QString GetDataFolder()
{
    QString& folder = CachedDataFolder();
    if (folder.isEmpty()) {
        folder = platform::UserDataHome() + QStringLiteral("/Kalvinora/");
        if (!QFileInfo::exists(folder)) {
            QDir().mkpath(folder);
            // It holds the settings with the stored passwords.
            QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        }
    }
    return folder;
}

void ClearDataFolderCache() { CachedDataFolder().clear(); }

QString& SettingsFileName()
{
    static QString name;
    return name;
}

QString FindLegacySettingsFile()
{
    QString candidate = platform::ProgramFolder() + QStringLiteral("settings.ini");
    if (!WriteTest(candidate)) {
        const QString config = platform::UserConfigHome();
        candidate = config.isEmpty() ? QString() : config + QStringLiteral("/Kalvinora.ini");
        if (!WriteTest(candidate))
            candidate.clear();
    }
    return candidate;
}

QString GetSettingsFileName()
{
    const QString name = GetDataFolder() + QStringLiteral("settings.ini");
    if (QFileInfo::exists(name))
        return name;
    const QString legacy = FindLegacySettingsFile();
    if (!legacy.isEmpty() && QFile::copy(legacy, name))
        QFile::setPermissions(name, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return name;
}

QString GetDefaultPrinterName() { return PrinterSystem::Instance().DefaultPrinterName(); }

bool PrinterExists(const QString& printerName) { return PrinterSystem::Instance().PrinterExists(printerName); }

QString GetTempDirectory() { return platform::TempFolder(); }

int ClampLeftWindow(int value, int browserAreaWidth)
{
    if (browserAreaWidth > 0)
        value = std::min(value, browserAreaWidth - 105);
    return std::max(100, value);
}

void LoadSettings(SettingsHost& host)
{
    ProgramState& s = host.State();
    TMyIniFile ini(SettingsFileName());

    s.User1 = ini.ReadString(kProtection, QStringLiteral("User1"), LangString("Main", "PermNoPrint", "No Print"));
    s.User2 = ini.ReadString(kProtection, QStringLiteral("User2"), LangString("Main", "PermNoEdit", "No Edit"));
    s.User3 = ini.ReadString(kProtection, QStringLiteral("User3"), LangString("Main", "PermNoCopy", "No Copy"));
    s.Type = AsByte(ini.ReadInteger(kProtection, QStringLiteral("Type"), 0));
    if (s.Type > 1)
        s.Type = 0;

    {
        const PasswordCipher cipher;
        try {
            s.OpenP = cipher.DecodeFromHex(ini.ReadString(kProtection, QStringLiteral("OpenP"), QString()));
        } catch (const std::exception&) {
            s.OpenP.clear();
        }
        try {
            s.ProtP = cipher.DecodeFromHex(ini.ReadString(kProtection, QStringLiteral("ProtP"), QString()));
        } catch (const std::exception&) {
            s.ProtP.clear();
        }
    }

    switch (ini.ReadInteger(kProtection, QStringLiteral("Bit"), 0)) {
    case 40: s.Bit = 1; break;
    case 128: s.Bit = 2; break;
    default: s.Bit = 0; break;
    }

    s.Printer = ini.ReadString(kAllgemein, QStringLiteral("Printer"), QString());
    if (s.Printer.isEmpty() || !PrinterExists(s.Printer))
        s.Printer = GetDefaultPrinterName();
    host.ChooseGhostscript(ini.ReadString(kAllgemein, QStringLiteral("GS"), QString()));

    try {
        QByteArray stream;
        QByteArray chunk;
        for (int i = 0;; ++i) {
            chunk.clear();
            if (ini.ReadBinaryStream(kLastPath, QString::number(i), chunk) <= 0)
                break;
            stream += chunk;
        }
        if (!stream.isEmpty())
            host.RestoreViewState(stream);
    } catch (const std::exception&) {
        // The view data is a convenience; a bad one leaves the tree as it is.
    }

    s.AcroVer = AsByte(ini.ReadInteger(kAllgemein, QStringLiteral("AcroVer"), 1));
    s.Grafikqu = AsByte(ini.ReadInteger(kAllgemein, QStringLiteral("Grafikqu"), 2));
    s.BmpColor = AsByte(ini.ReadInteger(kAllgemein, QStringLiteral("BmpColor"), 3));
    s.JPEGRGB = ini.ReadBool(kAllgemein, QStringLiteral("JPEGRGB"), true);
    s.JPEGQual = AsByte(ini.ReadInteger(kAllgemein, QStringLiteral("JPEGQual"), 75));
    s.dtPrefix = ini.ReadString(kAllgemein, QStringLiteral("dtPrefix"), QString());
    s.dtSuffix = ini.ReadString(kAllgemein, QStringLiteral("dtSuffix"), QString());
    s.dtFixCaption = ini.ReadString(kAllgemein, QStringLiteral("dtFixCaption"), QString());
    s.PaperFormat = ini.ReadString(kAllgemein, QStringLiteral("PaperFormat"), QString());
    s.PaperMeasure = AsByte(ini.ReadInteger(kAllgemein, QStringLiteral("PaperMeasure"), 1));
    s.PaperW = ini.ReadFloat(kAllgemein, QStringLiteral("PaperW"), 0);
    s.PaperH = ini.ReadFloat(kAllgemein, QStringLiteral("PaperH"), 0);
    s.GrOrientation = AsByte(ini.ReadInteger(kAllgemein, QStringLiteral("GrOrientation"), 0));
    s.GrPicturePosX = AsByte(ini.ReadInteger(kAllgemein, QStringLiteral("GrPicturePosX"), 1));
    s.GrPicturePosY = AsByte(ini.ReadInteger(kAllgemein, QStringLiteral("GrPicturePosY"), 1));
    s.GrBorderLeft = ini.ReadInteger(kAllgemein, QStringLiteral("GrBorderLeft"), 20);
    s.GrBorderTop = ini.ReadInteger(kAllgemein, QStringLiteral("GrBorderTop"), 15);
    s.GrBorderRight = ini.ReadInteger(kAllgemein, QStringLiteral("GrBorderRight"), 10);
    s.GrBorderBottom = ini.ReadInteger(kAllgemein, QStringLiteral("GrBorderBottom"), 20);
    s.TIFFQual = AsWord(ini.ReadInteger(kAllgemein, QStringLiteral("TIFFQual"), 300));
    s.TiffFormat = AsByte(ini.ReadInteger(kAllgemein, QStringLiteral("TiffFormat"), 5));
    s.TIFFExtension = ini.ReadBool(kAllgemein, QStringLiteral("TIFFExtension"), false);
    const int format = ini.ReadInteger(kAllgemein, QStringLiteral("OutputFormat"), 0);
    s.OutputFormat = (format >= ofPDF && format <= ofTIFF) ? uint8_t(format) : uint8_t(ofPDF);
    s.LeftWindow = ClampLeftWindow(ini.ReadInteger(kAllgemein, QStringLiteral("LeftWindow"), 180),
                                   host.BrowserAreaWidth());
    s.DPIx = AsWord(ini.ReadInteger(kAllgemein, QStringLiteral("DPIx"), 72));
    s.DPIy = AsWord(ini.ReadInteger(kAllgemein, QStringLiteral("DPIy"), 72));
    s.DelPS = ini.ReadBool(kAllgemein, QStringLiteral("DelPS"), true);
    s.RenamePS = ini.ReadBool(kAllgemein, QStringLiteral("RenamePS"), false);
    s.UsePSDir = ini.ReadBool(kAllgemein, QStringLiteral("UsePSDir"), false);
    SetProtocolEnabled(ini.ReadBool(kAllgemein, QStringLiteral("CreateProt"), true));
    s.PSDir = ini.ReadString(kAllgemein, QStringLiteral("PSDir"), GetTempDirectory());
    if (!QFileInfo(s.PSDir).isDir())
        s.PSDir.clear();
    if (s.PSDir.isEmpty())
        s.UsePSDir = false;
    s.LgFile = ini.ReadString(kAllgemein, QStringLiteral("LgFile"), QStringLiteral("deutsch.lng"));

    const int histCount = ini.ReadInteger(kAusgabe, QStringLiteral("HistCount"), 0);
    for (int i = 0; i < histCount; ++i)
        s.OutputDirHistory << ini.ReadString(kAusgabe, QStringLiteral("History") + QString::number(i), QString());
    s.OutputToInput = ini.ReadBool(kAusgabe, QStringLiteral("OutputToInput"), true);
}

void SaveSettings(SettingsHost& host)
{
    ProgramState& s = host.State();
    if (!s.SaveAllowed || SettingsFileName().isEmpty())
        return;
    TMyIniFile ini(SettingsFileName());

    ini.WriteString(kAllgemein, QStringLiteral("Printer"), s.Printer);
    const QString gs = host.ChosenGhostscriptPath();
    if (!gs.isEmpty())
        ini.WriteString(kAllgemein, QStringLiteral("GS"), gs);
    host.ReleaseGhostscriptList();

    ini.DeleteKey(kAllgemein, kLastPath);
    ini.EraseSection(kLastPath);
    const QByteArray view = host.SnapshotViewState();
    for (qsizetype pos = 0, i = 0;; pos += kViewChunk, ++i) {
        const QByteArray chunk = view.mid(pos, kViewChunk);
        ini.WriteBinaryStream(kLastPath, QString::number(i), chunk);
        if (chunk.size() < kViewChunk)
            break;
    }

    ini.WriteInteger(kProtection, QStringLiteral("Type"), s.Type);
    {
        const PasswordCipher cipher;
        ini.WriteString(kProtection, QStringLiteral("OpenP"), cipher.EncodeToHex(s.OpenP));
        ini.WriteString(kProtection, QStringLiteral("ProtP"), cipher.EncodeToHex(s.ProtP));
    }
    ini.WriteInteger(kProtection, QStringLiteral("Bit"), s.Bit == 1 ? 40 : s.Bit == 2 ? 128 : 0);

    ini.WriteInteger(kAllgemein, QStringLiteral("OutputFormat"), s.OutputFormat);
    ini.WriteInteger(kAllgemein, QStringLiteral("AcroVer"), s.AcroVer);
    ini.WriteInteger(kAllgemein, QStringLiteral("Grafikqu"), s.Grafikqu);
    ini.WriteInteger(kAllgemein, QStringLiteral("BmpColor"), s.BmpColor);
    ini.WriteInteger(kAllgemein, QStringLiteral("LeftWindow"), host.CurrentLeftWindow());
    ini.WriteInteger(kAllgemein, QStringLiteral("DPIx"), s.DPIx);
    ini.WriteInteger(kAllgemein, QStringLiteral("DPIy"), s.DPIy);
    ini.WriteBool(kAllgemein, QStringLiteral("JPEGRGB"), s.JPEGRGB);
    ini.WriteInteger(kAllgemein, QStringLiteral("JPEGQual"), s.JPEGQual);
    ini.WriteBool(kAllgemein, QStringLiteral("DelPS"), s.DelPS);
    ini.WriteBool(kAllgemein, QStringLiteral("RenamePS"), s.RenamePS);
    ini.WriteBool(kAllgemein, QStringLiteral("CreateProt"), ProtocolEnabled());
    ini.WriteBool(kAllgemein, QStringLiteral("UsePSDir"), s.UsePSDir);
    ini.WriteString(kAllgemein, QStringLiteral("PSDir"), s.PSDir);
    ini.WriteString(kAllgemein, QStringLiteral("LgFile"), s.LgFile);
    ini.WriteString(kAllgemein, QStringLiteral("dtPrefix"), s.dtPrefix);
    ini.WriteString(kAllgemein, QStringLiteral("dtSuffix"), s.dtSuffix);
    ini.WriteString(kAllgemein, QStringLiteral("dtFixCaption"), s.dtFixCaption);
    ini.WriteString(kAllgemein, QStringLiteral("PaperFormat"), s.PaperFormat);
    ini.WriteInteger(kAllgemein, QStringLiteral("PaperMeasure"), s.PaperMeasure);
    ini.WriteFloat(kAllgemein, QStringLiteral("PaperW"), s.PaperW);
    ini.WriteFloat(kAllgemein, QStringLiteral("PaperH"), s.PaperH);
    ini.WriteInteger(kAllgemein, QStringLiteral("GrOrientation"), s.GrOrientation);
    ini.WriteInteger(kAllgemein, QStringLiteral("GrPicturePosX"), s.GrPicturePosX);
    ini.WriteInteger(kAllgemein, QStringLiteral("GrPicturePosY"), s.GrPicturePosY);
    ini.WriteInteger(kAllgemein, QStringLiteral("GrBorderLeft"), s.GrBorderLeft);
    ini.WriteInteger(kAllgemein, QStringLiteral("GrBorderTop"), s.GrBorderTop);
    ini.WriteInteger(kAllgemein, QStringLiteral("GrBorderRight"), s.GrBorderRight);
    ini.WriteInteger(kAllgemein, QStringLiteral("GrBorderBottom"), s.GrBorderBottom);
    ini.WriteInteger(kAllgemein, QStringLiteral("TIFFQual"), s.TIFFQual);
    ini.WriteInteger(kAllgemein, QStringLiteral("TiffFormat"), s.TiffFormat);
    ini.WriteBool(kAllgemein, QStringLiteral("TIFFExtension"), s.TIFFExtension);

    ini.WriteInteger(kAusgabe, QStringLiteral("HistCount"), int(s.OutputDirHistory.size()));
    for (qsizetype i = 0; i < s.OutputDirHistory.size(); ++i)
        ini.WriteString(kAusgabe, QStringLiteral("History") + QString::number(i), s.OutputDirHistory[i]);
    ini.WriteBool(kAusgabe, QStringLiteral("OutputToInput"), host.OutputToInputChecked());

    ini.UpdateFile();
}
