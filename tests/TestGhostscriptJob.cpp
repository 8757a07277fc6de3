#include "support/PdfCheck.h"
#include "support/TestEnvironment.h"
#include "support/TestFiles.h"

#include "core/Protocol.h"
#include "core/Settings.h"
#include "core/UniCodeException.h"
#include "engine/WorkPaths.h"
#include "ghostscript/GhostscriptJob.h"
#include "ghostscript/PSFileTags.h"
#include "ghostscript/UGhostscript.h"
#include "platform/Registry.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <clocale>
#include <functional>
#include <memory>

namespace {

using namespace TestFiles;

const QString kIn = QStringLiteral("/in/report.ps");
const QString kOut = QStringLiteral("/out/report.doc");

// Settings of a case, by their keys; everything else keeps its default.
void Apply(ProgramState& s, const QVariantMap& values)
{
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        const QString& k = it.key();
        const QVariant& v = it.value();
        if (k == "OutputFormat") s.OutputFormat = uint8_t(v.toInt());
        else if (k == "AcroVer") s.AcroVer = uint8_t(v.toInt());
        else if (k == "Grafikqu") s.Grafikqu = uint8_t(v.toInt());
        else if (k == "Bit") s.Bit = uint8_t(v.toInt());
        else if (k == "Type") s.Type = uint8_t(v.toInt());
        else if (k == "Set") s.ProhibitionSet[2] = uint8_t(v.toInt()), s.Type = 2;
        else if (k == "OpenP") s.OpenP = v.toString();
        else if (k == "ProtP") s.ProtP = v.toString();
        else if (k == "DPIx") s.DPIx = uint16_t(v.toInt());
        else if (k == "DPIy") s.DPIy = uint16_t(v.toInt());
        else if (k == "BmpColor") s.BmpColor = uint8_t(v.toInt());
        else if (k == "JPEGQual") s.JPEGQual = uint8_t(v.toInt());
        else if (k == "JPEGRGB") s.JPEGRGB = v.toBool();
        else if (k == "TIFFQual") s.TIFFQual = uint16_t(v.toInt());
        else if (k == "TiffFormat") s.TiffFormat = uint8_t(v.toInt());
        else if (k == "TIFFExtension") s.TIFFExtension = v.toBool();
        else if (k == "PaperFormat") s.PaperFormat = v.toString();
        else if (k == "PaperMeasure") s.PaperMeasure = uint8_t(v.toInt());
        else if (k == "PaperW") s.PaperW = v.toDouble();
        else if (k == "PaperH") s.PaperH = v.toDouble();
        else if (k == "TitleMode") s.TitleMode = uint8_t(v.toInt());
        else if (k == "dtPrefix") s.dtPrefix = v.toString();
        else if (k == "dtSuffix") s.dtSuffix = v.toString();
        else qFatal("unknown setting %s", qPrintable(k));
    }
}

const QStringList kDownsample120{"-dColorImageResolution#120", "-dDownsampleColorImages#true", "-dDownsampleGrayImages#true",
                                 "-dGrayImageResolution#120", "-dDownsampleMonoImages#true", "-dMonoImageResolution#120"};

QStringList Tail(const QString& device, const QString& outputName, const QString& input = kIn)
{
    return {"-q", "-dNOPAUSE", "-dBATCH", "-sDEVICE#" + device, "\"-sOutputFile#" + outputName + "\"", "-c save pop", "-f", input};
}

QString Run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(60000))
        return QString();
    return QString::fromUtf8(p.readAll());
}

// The value after "Key:" in pdfinfo's report.
QString PdfInfo(const QString& pdf, const QString& key, const QStringList& extra = {})
{
    return PdfCheck::PdfInfoField(pdf, key, extra);
}

QString ParamFile() { return GetDataFolder() + QStringLiteral("paramgs.inf"); }

}  // namespace

class TestGhostscriptJob : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::shared_ptr<TGhostscriptPool> m_pool;
    TGhostscript* m_gs = nullptr;
    std::unique_ptr<TGhostscript> m_fakeGs;
    ProgramState m_state;

    QString Path(const QString& name) const { return m_dir.path() + '/' + name; }

    // A fresh copy of the three-page fixture.
    QString Fixture(const QString& folder, const QString& name)
    {
        QDir().mkpath(Path(folder));
        const QString path = Path(folder) + '/' + name;
        QFile::remove(path);
        if (!QFile::copy(TestEnvironment::FixturePath(QStringLiteral("threepages.ps")), path))
            return QString();
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        return path;
    }

    // Runs the job and returns the text of its failure, or an empty text.
    QString RunJob(bool tag, const QString& input, const QString& output, const QString& runOwner = QString())
    {
        try {
            PsToPdf(m_state, tag, input, output, runOwner);
        } catch (const std::exception& e) {
            return ExceptionText(e);
        }
        return QString();
    }

private slots:
    void initTestCase()
    {
        // The Ghostscript the system view finds, as the program would.
        Registry::SetCurrent(nullptr);
        m_pool = std::make_shared<TGhostscriptPool>();
        m_gs = m_pool->FindByPath(QStringLiteral("/usr/bin/gs"));
        QVERIFY2(m_gs, "Ghostscript (Debian package ghostscript) must be installed");

        // A console program that only records what it was given and writes
        // the output file named in the parameter file.
        const QString fakeDir = Path(QStringLiteral("fakegs/bin"));
        QDir().mkpath(fakeDir);
        QVERIFY(WriteFile(fakeDir + QStringLiteral("/gs"),
                          "#!/bin/sh\n"
                          "dir=$(dirname \"$0\")\n"
                          "printf '%s\\n' \"$@\" > \"$dir/args\"\n"
                          "for a in \"$@\"; do case \"$a\" in @*) f=\"${a#@}\";;  esac; done\n"
                          "cp \"$f\" \"$dir/param.copy\"\n"
                          "stat -c %a \"$f\" > \"$dir/param.mode\"\n"
                          "out=$(sed -n 's/^\"-sOutputFile#\\(.*\\)\"\\r$/\\1/p' \"$f\")\n"
                          "echo fake > \"$out\"\n"));
        QFile::setPermissions(fakeDir + QStringLiteral("/gs"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        m_fakeGs = std::make_unique<TGhostscript>(fakeDir + QStringLiteral("/libgs.so"), 2, QStringLiteral("10.00"));
    }

    void init()
    {
        m_state = ProgramState();
        m_state.ChosenGhostscript = m_gs;
        SetProtocolEnabled(false);
    }

    void cleanup()
    {
        ReleaseShortPaths();
        QVERIFY2(!QFileInfo::exists(ParamFile()), "the parameter file must not outlive the job");
    }

    // ---- The parameter file's lines ----

    void parameterLines_data()
    {
        QTest::addColumn<QVariantMap>("settings");
        QTest::addColumn<QString>("runOwner");
        QTest::addColumn<QStringList>("lines");

        QTest::newRow("default PDF") << QVariantMap{} << QString()
                                     << QStringList{"-dCompatibilityLevel#1.3", "-dColorImageResolution#120", "-dDownsampleColorImages#true",
                                                    "-dDownsampleGrayImages#true", "-dGrayImageResolution#120", "-dDownsampleMonoImages#true",
                                                    "-dMonoImageResolution#120", "-q", "-dNOPAUSE", "-dBATCH", "-sDEVICE#pdfwrite",
                                                    "\"-sOutputFile#/out/report.pdf\"", "-c save pop", "-f", "/in/report.ps"};
        QTest::newRow("40 bits, full protection, user password")
            << QVariantMap{{"Bit", 1}, {"Type", 1}, {"OpenP", "user1"}, {"ProtP", "owner1"}} << QString()
            << QStringList{"-dCompatibilityLevel#1.3"} + kDownsample120 +
                   QStringList{"-sUserPassword#user1", "-sOwnerPassword#owner1", "-dEncryptionR#2", "-dKeyLength#40", "-dPermissions#-64"} +
                   Tail("pdfwrite", "/out/report.pdf");
        QTest::newRow("no downsampling") << QVariantMap{{"Grafikqu", 0}} << QString()
                                         << QStringList{"-dCompatibilityLevel#1.3", "-dDownsampleColorImages#false", "-dDownsampleGrayImages#false",
                                                        "-dDownsampleMonoImages#false"} + Tail("pdfwrite", "/out/report.pdf");
        QTest::newRow("600 dpi") << QVariantMap{{"Grafikqu", 4}} << QString()
                                 << QStringList{"-dCompatibilityLevel#1.3", "-dColorImageResolution#600", "-dDownsampleColorImages#true",
                                                "-dDownsampleGrayImages#true", "-dGrayImageResolution#600", "-dDownsampleMonoImages#true",
                                                "-dMonoImageResolution#600"} + Tail("pdfwrite", "/out/report.pdf");
        QTest::newRow("Acrobat 3") << QVariantMap{{"AcroVer", 0}, {"Grafikqu", 0}} << QString()
                                   << QStringList{"-dCompatibilityLevel#1.2", "-dDownsampleColorImages#false", "-dDownsampleGrayImages#false",
                                                  "-dDownsampleMonoImages#false"} + Tail("pdfwrite", "/out/report.pdf");
        QTest::newRow("unknown Acrobat version, unknown quality") << QVariantMap{{"AcroVer", 3}, {"Grafikqu", 5}} << QString()
                                                                  << Tail("pdfwrite", "/out/report.pdf");
        QTest::newRow("40 bits without owner password") << QVariantMap{{"Bit", 1}, {"AcroVer", 0}, {"OpenP", "user1"}, {"Grafikqu", 0}} << QString()
                                                        << QStringList{"-dCompatibilityLevel#1.3", "-dDownsampleColorImages#false",
                                                                       "-dDownsampleGrayImages#false", "-dDownsampleMonoImages#false"} +
                                                               Tail("pdfwrite", "/out/report.pdf");
        QTest::newRow("128 bits, owner only, asked for this run")
            << QVariantMap{{"Bit", 2}, {"AcroVer", 0}, {"Grafikqu", 0}} << QStringLiteral("run1")
            << QStringList{"-dCompatibilityLevel#1.4", "-dDownsampleColorImages#false", "-dDownsampleGrayImages#false",
                           "-dDownsampleMonoImages#false", "-sOwnerPassword#run1", "-dEncryptionR#3", "-dKeyLength#128", "-dPermissions#-4"} +
                   Tail("pdfwrite", "/out/report.pdf");
        QTest::newRow("stored owner password wins") << QVariantMap{{"Bit", 2}, {"ProtP", "stored"}, {"Grafikqu", 0}} << QStringLiteral("run1")
                                                    << QStringList{"-dCompatibilityLevel#1.4", "-dDownsampleColorImages#false",
                                                                   "-dDownsampleGrayImages#false", "-dDownsampleMonoImages#false",
                                                                   "-sOwnerPassword#stored", "-dEncryptionR#3", "-dKeyLength#128",
                                                                   "-dPermissions#-4"} +
                                                           Tail("pdfwrite", "/out/report.pdf");
        QTest::newRow("JPEG grey") << QVariantMap{{"OutputFormat", ofJPEG}, {"JPEGRGB", false}, {"JPEGQual", 75}, {"BmpColor", 4}} << QString()
                                   << QStringList{"-r72x72", "-q", "-dNOPAUSE", "-dBATCH", "-dJPEGQ=75", "-sDEVICE#jpeggray",
                                                  "\"-sOutputFile#/out/report%d.jpg\"", "-c save pop", "-f", "/in/report.ps"};
        QTest::newRow("TIFF, one resolution, tif") << QVariantMap{{"OutputFormat", ofTIFF}, {"TiffFormat", 1}, {"TIFFQual", 200}} << QString()
                                                   << QStringList{"-r200"} + Tail("tiff24nc", "/out/report.tif");
        QTest::newRow("raster without PDF lines") << QVariantMap{{"OutputFormat", ofBMP}, {"Bit", 2}, {"ProtP", "o"}, {"DPIx", 150}, {"DPIy", 100}, {"PaperFormat", "a4"}}
                                                  << QString()
                                                  << QStringList{"-r150x100", "-sPAPERSIZE#a4"} + Tail("bmp256", "/out/report%d.bmp");
        QTest::newRow("paper size in points") << QVariantMap{{"PaperMeasure", 2}, {"PaperW", 595}, {"PaperH", 842}, {"Grafikqu", 0}} << QString()
                                              << QStringList{"-dCompatibilityLevel#1.3", "-dDownsampleColorImages#false", "-dDownsampleGrayImages#false",
                                                             "-dDownsampleMonoImages#false", "-dDEVICEWIDTHPOINTS#595", "-dDEVICEHEIGHTPOINTS#842"} +
                                                     Tail("pdfwrite", "/out/report.pdf");
    }
    void parameterLines()
    {
        QFETCH(QVariantMap, settings);
        QFETCH(QString, runOwner);
        QFETCH(QStringList, lines);
        Apply(m_state, settings);
        QCOMPARE(GsParameterLines(m_state, kIn, kOut, runOwner), lines);
    }

    void permissionNumbers_data()
    {
        QTest::addColumn<int>("bit");
        QTest::addColumn<int>("denied");
        QTest::addColumn<QString>("number");
        QTest::newRow("no protection, 40") << 1 << 0 << "-4";
        QTest::newRow("no protection, 128") << 2 << 0 << "-4";
        QTest::newRow("full, 40") << 1 << 15 << "-64";
        QTest::newRow("full, 128") << 2 << 15 << "-3904";
        QTest::newRow("printing, 40") << 1 << 1 << "-8";
        QTest::newRow("printing, 128") << 2 << 1 << "-2056";
        QTest::newRow("changes, 128") << 2 << 2 << "-1292";
        QTest::newRow("copying, 128") << 2 << 4 << "-532";
        QTest::newRow("annotations, 40") << 1 << 8 << "-36";
        QTest::newRow("annotations, 128") << 2 << 8 << "-36";
    }
    void permissionNumbers()
    {
        QFETCH(int, bit);
        QFETCH(int, denied);
        QFETCH(QString, number);
        Apply(m_state, {{"Bit", bit}, {"ProtP", "o"}, {"Set", denied}});
        const QStringList lines = GsParameterLines(m_state, kIn, kOut, QString());
        QVERIFY2(lines.contains("-dPermissions#" + number), qPrintable(lines.join(' ')));
    }

    void compatibilityLevel_data()
    {
        QTest::addColumn<int>("bit");
        QTest::addColumn<int>("acroVer");
        QTest::addColumn<QString>("level");
        QTest::newRow("none, 3") << 0 << 0 << "1.2";
        QTest::newRow("none, 5") << 0 << 2 << "1.4";
        QTest::newRow("40, 3") << 1 << 0 << "1.3";
        QTest::newRow("40, 4") << 1 << 1 << "1.3";
        QTest::newRow("40, 5") << 1 << 2 << "1.4";
        QTest::newRow("128, 3") << 2 << 0 << "1.4";
        QTest::newRow("128, 4") << 2 << 1 << "1.4";
        QTest::newRow("128, 5") << 2 << 2 << "1.4";
    }
    void compatibilityLevel()
    {
        QFETCH(int, bit);
        QFETCH(int, acroVer);
        QFETCH(QString, level);
        Apply(m_state, {{"Bit", bit}, {"AcroVer", acroVer}, {"ProtP", "o"}});
        QCOMPARE(GsParameterLines(m_state, kIn, kOut, QString()).first(), "-dCompatibilityLevel#" + level);
    }

    void paperLines_data()
    {
        QTest::addColumn<QVariantMap>("settings");
        QTest::addColumn<QStringList>("paper");
        QTest::newRow("name wins") << QVariantMap{{"PaperFormat", "a4"}, {"PaperW", 10}} << QStringList{"-sPAPERSIZE#a4"};
        QTest::newRow("A4 in cm") << QVariantMap{{"PaperMeasure", 1}, {"PaperW", 21}, {"PaperH", 29.7}}
                                  << QStringList{"-dDEVICEWIDTHPOINTS#595.238095238095", "-dDEVICEHEIGHTPOINTS#841.836734693878"};
        QTest::newRow("height only") << QVariantMap{{"PaperMeasure", 1}, {"PaperW", 0}, {"PaperH", 29.7}}
                                     << QStringList{"-dDEVICEWIDTHPOINTS#0", "-dDEVICEHEIGHTPOINTS#841.836734693878"};
        QTest::newRow("letter in inches") << QVariantMap{{"PaperMeasure", 0}, {"PaperW", 8.5}, {"PaperH", 11}}
                                          << QStringList{"-dDEVICEWIDTHPOINTS#612", "-dDEVICEHEIGHTPOINTS#792"};
        QTest::newRow("points") << QVariantMap{{"PaperMeasure", 2}, {"PaperW", 595}, {"PaperH", 842}}
                                << QStringList{"-dDEVICEWIDTHPOINTS#595", "-dDEVICEHEIGHTPOINTS#842"};
        QTest::newRow("nothing set") << QVariantMap{} << QStringList{};
    }
    void paperLines()
    {
        QFETCH(QVariantMap, settings);
        QFETCH(QStringList, paper);
        Apply(m_state, settings);
        QStringList found;
        for (const QString& l : GsParameterLines(m_state, kIn, kOut, QString())) {
            if (l.contains(QLatin1String("PAPERSIZE")) || l.contains(QLatin1String("POINTS#")))
                found << l;
        }
        QCOMPARE(found, paper);
    }

    void paperNumbersIgnoreTheUserLocale()
    {
        const QLocale savedLocale;
        const std::string savedC = std::setlocale(LC_NUMERIC, nullptr);
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        // Where the system has a German locale, the C library's one too.
        const bool cGerman = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;

        Apply(m_state, {{"PaperMeasure", 1}, {"PaperW", 21}, {"PaperH", 29.7}});
        const QStringList lines = GsParameterLines(m_state, kIn, kOut, QString());
        const QString after = QLocale().toString(1.5);
        const QString cAfter = QString::fromLatin1(std::localeconv()->decimal_point);

        QLocale::setDefault(savedLocale);
        std::setlocale(LC_NUMERIC, savedC.c_str());
        QVERIFY(lines.contains(QStringLiteral("-dDEVICEWIDTHPOINTS#595.238095238095")));
        QVERIFY(lines.contains(QStringLiteral("-dDEVICEHEIGHTPOINTS#841.836734693878")));
        // The user's own separator is untouched.
        QCOMPARE(after, QStringLiteral("1,5"));
        if (cGerman)
            QCOMPARE(cAfter, QStringLiteral(","));
    }

    void devices_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("variant");
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("outputName");
        QTest::newRow("pdf") << int(ofPDF) << 0 << "pdfwrite" << "/out/report.pdf";
        const char* bmp[] = {"mono", "gray", "16", "256", "16m", "16m"};
        const char* pcx[] = {"mono", "gray", "16", "256", "24b", "24b"};
        for (int c = 0; c < 6; ++c) {
            QTest::addRow("bmp %d", c) << int(ofBMP) << c << QStringLiteral("bmp") + bmp[c] << "/out/report%d.bmp";
            QTest::addRow("pcx %d", c) << int(ofPCX) << c << QStringLiteral("pcx") + pcx[c] << "/out/report%d.pcx";
        }
        QTest::newRow("jpeg colour") << int(ofJPEG) << 1 << "jpeg" << "/out/report%d.jpg";
        QTest::newRow("jpeg grey") << int(ofJPEG) << 0 << "jpeggray" << "/out/report%d.jpg";
        const char* tiff[] = {"12nc", "24nc", "crle", "g3", "g32d", "g4", "lzw", "pack", "24nc", "24nc"};
        for (int t = 0; t < 10; ++t)
            QTest::addRow("tiff %d", t) << int(ofTIFF) << t << QStringLiteral("tiff") + tiff[t] << "/out/report.tif";
    }
    void devices()
    {
        QFETCH(int, format);
        QFETCH(int, variant);
        QFETCH(QString, device);
        QFETCH(QString, outputName);
        Apply(m_state, {{"OutputFormat", format}, {"BmpColor", variant}, {"JPEGRGB", variant != 0}, {"TiffFormat", variant}});
        const QStringList lines = GsParameterLines(m_state, kIn, kOut, QString());
        QVERIFY2(lines.contains("-sDEVICE#" + device), qPrintable(lines.join(' ')));
        QVERIFY2(lines.contains("\"-sOutputFile#" + outputName + '"'), qPrintable(lines.join(' ')));
    }

    void outputNames_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<bool>("tiffExtension");
        QTest::addColumn<QString>("outputPath");
        QTest::addColumn<QString>("name");
        QTest::newRow("extension replaced") << int(ofPDF) << false << "/out/report.doc" << "/out/report.pdf";
        QTest::newRow("no extension") << int(ofPDF) << false << "/out/report" << "/out/report.pdf";
        QTest::newRow("two dots") << int(ofPDF) << false << "/out/a.b.doc" << "/out/a.b.pdf";
        QTest::newRow("dot in the folder only") << int(ofPDF) << false << "/out.d/report" << "/out.d/report.pdf";
        QTest::newRow("blank kept") << int(ofPDF) << false << "/out dir/my report.doc" << "/out dir/my report.pdf";
        QTest::newRow("percent kept") << int(ofBMP) << false << "/out/100%.doc" << "/out/100%%%d.bmp";
        QTest::newRow("tiff") << int(ofTIFF) << true << "/out/report.ps" << "/out/report.tiff";
    }
    void outputNames()
    {
        QFETCH(int, format);
        QFETCH(bool, tiffExtension);
        QFETCH(QString, outputPath);
        QFETCH(QString, name);
        Apply(m_state, {{"OutputFormat", format}, {"TIFFExtension", tiffExtension}});
        QCOMPARE(GsOutputName(m_state, outputPath), name);
    }

    void severalInputsOnTheLastLine()
    {
        const QString inputs = QStringLiteral("/a/x.ps /a/y.ps");
        QCOMPARE(GsParameterLines(m_state, inputs, kOut, QString()).last(), inputs);
    }

    void numbers_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("integer") << 612.0 << "612";
        QTest::newRow("zero") << 0.0 << "0";
        QTest::newRow("fifteen digits") << 21 * 28.34467120181406 << "595.238095238095";
        QTest::newRow("trailing zeros dropped") << 283.5 << "283.5";
        QTest::newRow("no thousands separator") << 12345.25 << "12345.25";
    }
    void numbers()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(GsNumber(value), text);
    }

    // ---- Names and settings that must not reach the parameter file ----

    void unsafeNamesAreRefused_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("named");
        QTest::newRow("line break in the output") << kIn << "/out/re\nport.doc" << "re\\x0aport";
        QTest::newRow("carriage return in the output") << kIn << "/out/re\rport.doc" << "re\\x0dport";
        QTest::newRow("quote in the output") << kIn << "/out/re\"port.doc" << "re\"port";
        QTest::newRow("pipe as output") << kIn << "|lpr.doc" << "|lpr";
        QTest::newRow("device as output") << kIn << "%pipe%cat.doc" << "pipe";
        QTest::newRow("option as output") << kIn << "-dNOSAFER.doc" << "-dNOSAFER";
        QTest::newRow("line break in the input") << "/in/a\n-dNOSAFER.ps" << kOut << "a\\x0a-dNOSAFER";
        QTest::newRow("quote in the input") << "/in/a\".ps" << kOut << "a\".ps";
        QTest::newRow("tab in the input") << "/in/a\tb.ps" << kOut << "a\\x09b";
        QTest::newRow("option among the inputs") << "/in/a.ps -sOutputFile=/etc/x" << kOut << "-sOutputFile=/etc/x";
        QTest::newRow("response file as input") << "@/tmp/evil" << kOut << "@/tmp/evil";
        QTest::newRow("pipe device as input") << "%pipe%cat" << kOut << "%pipe%cat";
        QTest::newRow("pipe as input") << "|cat" << kOut << "|cat";
        QTest::newRow("backslash at the end") << "/in/a\\" << kOut << "/in/a\\";
    }
    void unsafeNamesAreRefused()
    {
        QFETCH(QString, input);
        QFETCH(QString, output);
        QFETCH(QString, named);
        QString message;
        try {
            GsParameterLines(m_state, input, output, QString());
        } catch (const UniCodeException& e) {
            message = e.Message();
        }
        QVERIFY2(message.startsWith(QLatin1String("Die Datei ")), qPrintable(message));
        QVERIFY2(message.contains(named), qPrintable(message));
    }

    void unsafeSettingsAreRefused_data()
    {
        QTest::addColumn<QVariantMap>("settings");
        QTest::addColumn<QString>("key");
        QTest::newRow("blank in the user password") << QVariantMap{{"Bit", 1}, {"ProtP", "o"}, {"OpenP", "a b"}} << "OpenP";
        QTest::newRow("line break in the owner password") << QVariantMap{{"Bit", 2}, {"ProtP", "o\n-dNOSAFER"}} << "ProtP";
        QTest::newRow("quote in the paper name") << QVariantMap{{"PaperFormat", "a4\""}} << "PaperFormat";
    }
    void unsafeSettingsAreRefused()
    {
        QFETCH(QVariantMap, settings);
        QFETCH(QString, key);
        Apply(m_state, settings);
        QString message;
        try {
            GsParameterLines(m_state, kIn, kOut, QString());
        } catch (const UniCodeException& e) {
            message = e.Message();
        }
        QVERIFY2(message.contains(QStringLiteral("Die Einstellung ") + key), qPrintable(message));
        QVERIFY2(!message.contains(QLatin1String("NOSAFER")), "the password itself is not shown");
    }

    void refusedJobTouchesNothing()
    {
        const QString ps = Fixture(QStringLiteral("refused"), QStringLiteral("work.ps"));
        const QByteArray before = ReadFile(ps);
        m_state.ChosenGhostscript = m_fakeGs.get();
        const QString fakeArgs = QFileInfo(m_fakeGs->ExePath()).path() + QStringLiteral("/args");
        QFile::remove(fakeArgs);
        const QString error = RunJob(true, ps, Path(QStringLiteral("refused/re\nport.doc")));
        QVERIFY2(error.contains(QLatin1String("re\\x0aport")), qPrintable(error));
        QCOMPARE(ReadFile(ps), before);
        QVERIFY(!QFileInfo::exists(fakeArgs));
        QVERIFY(!QFileInfo::exists(ParamFile()));
    }

    // ---- The job around Ghostscript ----

    void parameterFileAsGhostscriptSeesIt()
    {
        SetProtocolEnabled(true);
        QFile::remove(ProtocolFileName());
        m_state.ChosenGhostscript = m_fakeGs.get();
        const QString fakeDir = QFileInfo(m_fakeGs->ExePath()).path() + '/';
        QDir().mkpath(Path(QStringLiteral("fakeout")));
        const QString output = Path(QStringLiteral("fakeout/report.doc"));
        QCOMPARE(RunJob(false, kIn, output), QString());

        const QStringList expected{"-dCompatibilityLevel#1.3", "-dColorImageResolution#120", "-dDownsampleColorImages#true",
                                   "-dDownsampleGrayImages#true", "-dGrayImageResolution#120", "-dDownsampleMonoImages#true",
                                   "-dMonoImageResolution#120", "-q", "-dNOPAUSE", "-dBATCH", "-sDEVICE#pdfwrite",
                                   "\"-sOutputFile#" + Path(QStringLiteral("fakeout/report.pdf")) + "\"", "-c save pop", "-f", kIn};
        QCOMPARE(ReadFile(fakeDir + QStringLiteral("param.copy")), (expected.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8());
        // Readable by the user alone, and Ghostscript in its safe mode.
        QCOMPARE(ReadFile(fakeDir + QStringLiteral("param.mode")).trimmed(), QByteArray("600"));
        QCOMPARE(ReadFile(fakeDir + QStringLiteral("args")), (QStringLiteral("-dSAFER\n@") + ParamFile() + '\n').toUtf8());
        QVERIFY(!QFileInfo::exists(ParamFile()));

        QCOMPARE(LogMessages(), (QStringList{QStringLiteral("Start PS to PDF"), QStringLiteral("Param: ") + ParamFile(),
                                             QStringLiteral("Create Outfile to: ") + Path(QStringLiteral("fakeout/report.pdf")),
                                             QStringLiteral("Create PDF from ") + kIn, m_fakeGs->ExePath(),
                                             QStringLiteral("paramfile: ") + ParamFile(), QStringLiteral("Ghost OK")}));
    }

    void staleParameterFileIsReplacedPrivately()
    {
        QVERIFY(WriteFile(ParamFile(), "stale\r\n"));
        QFile::setPermissions(ParamFile(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther);
        m_state.ChosenGhostscript = m_fakeGs.get();
        QDir().mkpath(Path(QStringLiteral("fakeout")));
        QCOMPARE(RunJob(false, kIn, Path(QStringLiteral("fakeout/stale.doc"))), QString());
        const QString fakeDir = QFileInfo(m_fakeGs->ExePath()).path() + '/';
        QCOMPARE(ReadFile(fakeDir + QStringLiteral("param.mode")).trimmed(), QByteArray("600"));
        QVERIFY(ReadFile(fakeDir + QStringLiteral("param.copy")).startsWith("-dCompatibilityLevel#"));
    }

    void parameterFileThatCannotBeCreated()
    {
        SetProtocolEnabled(true);
        QFile::remove(ProtocolFileName());
        // A folder in its place: the file can be neither removed nor created.
        QVERIFY(QDir().mkpath(ParamFile()));
        bool uniCode = false;
        QString text;
        try {
            PsToPdf(m_state, false, kIn, Path(QStringLiteral("x.doc")), QString());
        } catch (const UniCodeException& e) {
            uniCode = true;
        } catch (const std::exception& e) {
            text = QString::fromStdString(e.what());
        }
        QDir().rmdir(ParamFile());
        QVERIFY(!uniCode);
        QVERIFY2(text.contains(QLatin1String("paramgs.inf")), qPrintable(text));
        const QStringList log = LogMessages();
        QVERIFY(!log.isEmpty());
        QVERIFY2(log.last().startsWith(QStringLiteral("Fehler beim Öffnen von ParamFile: ")), qPrintable(log.last()));
    }

    void ghostscriptThatCannotStart()
    {
        const TGhostscript missing(Path(QStringLiteral("nowhere/bin/libgs.so")), 2, QStringLiteral("10.00"));
        m_state.ChosenGhostscript = const_cast<TGhostscript*>(&missing);
        const QString error = RunJob(false, kIn, Path(QStringLiteral("x.doc")));
        QVERIFY2(error.startsWith(QLatin1String("Der Zugriff auf Ghostscript schlug fehl (")), qPrintable(error));
        QVERIFY2(error.contains(missing.ExePath()), qPrintable(error));

        m_state.ChosenGhostscript = nullptr;
        QVERIFY(RunJob(false, kIn, Path(QStringLiteral("x.doc"))).startsWith(QLatin1String("Der Zugriff auf Ghostscript schlug fehl (")));
    }

    void versionWarning_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<int>("required");
        QTest::addColumn<QString>("shown");
        QTest::newRow("8.14 for 8.15") << "8.14" << 815 << "8.15";
        QTest::newRow("7.04 for 8.15") << "7.04" << 815 << "8.15";
        QTest::newRow("8.15 for 8.15") << "8.15" << 815 << "";
        QTest::newRow("9.0 for 8.15") << "9" << 815 << "";
        QTest::newRow("8.13 for 8.14") << "8.13" << 814 << "8.14";
        QTest::newRow("8.14 for 8.14") << "8.14" << 814 << "";
        QTest::newRow("no installation") << "" << 815 << "";
    }
    void versionWarning()
    {
        QFETCH(QString, version);
        QFETCH(int, required);
        QFETCH(QString, shown);
        const TGhostscript gs(QStringLiteral("/x/libgs.so"), 2, version);
        m_state.ChosenGhostscript = version.isEmpty() ? nullptr : const_cast<TGhostscript*>(&gs);
        const auto warning = GsVersionCheck(m_state, required);
        QCOMPARE(warning.has_value(), !shown.isEmpty());
        if (warning) {
            QCOMPARE(warning->title, QStringLiteral("Für diese PDF-Erstellung mit Verschlüsselung wird mindestens die Version %1 von Ghostscript benötigt.").arg(shown));
            QCOMPARE(warning->text, QStringLiteral("Die erstellten PDF enthalten entweder keine Verschlüsselung, oder sind fehlerhaft. Sie können die verwendete Ghostscript-Installation in den Optionen überprüfen."));
        }
        CheckGsVer(m_state, required);  // only warns
    }

    // ---- Real conversions ----

    void pdfCarriesTheTaggedTitle()
    {
        const QString ps = Fixture(QStringLiteral("pdf"), QStringLiteral("work.ps"));
        Apply(m_state, {{"TitleMode", 1}, {"dtPrefix", "Bericht "}});
        QCOMPARE(RunJob(true, ps, Path(QStringLiteral("pdf/report.doc"))), QString());
        const QString pdf = Path(QStringLiteral("pdf/report.pdf"));
        QCOMPARE(PdfInfo(pdf, QStringLiteral("Title")), QStringLiteral("Bericht report"));
        QVERIFY(PdfInfo(pdf, QStringLiteral("Creator")).startsWith(QLatin1String("Kalvinora")));
        QCOMPARE(PdfInfo(pdf, QStringLiteral("Pages")), QStringLiteral("3"));
        QVERIFY(ReadFile(ps).contains("%%Title: Bericht report\r\n"));
        // Every page renders.
        QVERIFY(Run(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("10"), QStringLiteral("-png"), pdf, Path(QStringLiteral("pdf/page"))}).isEmpty());
        QVERIFY(QFileInfo::exists(Path(QStringLiteral("pdf/page-3.png"))));
    }

    // Letters beyond ASCII reach the PDF's title as the reader shows them.
    void titleWithUmlautsAndEuro()
    {
        const QString ps = Fixture(QStringLiteral("umlaut"), QStringLiteral("work.ps"));
        Apply(m_state, {{"TitleMode", 1}, {"dtPrefix", QStringLiteral("Strandkörbe – ")}, {"dtSuffix", QStringLiteral(" 5 €")}});
        QCOMPARE(RunJob(true, ps, Path(QStringLiteral("umlaut/Größe.doc"))), QString());
        QCOMPARE(PdfInfo(Path(QStringLiteral("umlaut/Größe.pdf")), QStringLiteral("Title"), {QStringLiteral("-enc"), QStringLiteral("UTF-8")}),
                 QStringLiteral("Strandkörbe – Größe 5 €"));
    }

    void untaggedInputKeepsItsHeader()
    {
        const QString ps = Fixture(QStringLiteral("untagged"), QStringLiteral("work.ps"));
        QCOMPARE(RunJob(false, ps, Path(QStringLiteral("untagged/report.ps"))), QString());
        QCOMPARE(PdfInfo(Path(QStringLiteral("untagged/report.pdf")), QStringLiteral("Title")), QStringLiteral("Microsoft Word - report.doc"));
    }

    void encryptedPdf_data()
    {
        QTest::addColumn<int>("bit");
        QTest::addColumn<int>("denied");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("R");
        QTest::addColumn<QString>("P");
        QTest::newRow("40 bits, full protection") << 1 << 15 << "user1" << "2" << "-64";
        QTest::newRow("128 bits, full protection") << 2 << 15 << "user1" << "3" << "-3904";
        QTest::newRow("128 bits, no printing, no user password") << 2 << 1 << "" << "3" << "-2056";
        QTest::newRow("40 bits, no protection") << 1 << 0 << "" << "2" << "-4";
    }
    void encryptedPdf()
    {
        QFETCH(int, bit);
        QFETCH(int, denied);
        QFETCH(QString, user);
        QFETCH(QString, R);
        QFETCH(QString, P);
        const QString ps = Fixture(QStringLiteral("enc"), QStringLiteral("work.ps"));
        Apply(m_state, {{"Bit", bit}, {"Set", denied}, {"OpenP", user}, {"ProtP", "owner1"}});
        const QString pdf = Path(QStringLiteral("enc/secret.pdf"));
        QFile::remove(pdf);
        QCOMPARE(RunJob(true, ps, Path(QStringLiteral("enc/secret.doc"))), QString());
        const QString shown = Run(QStringLiteral("qpdf"), {QStringLiteral("--show-encryption"), QStringLiteral("--password=owner1"), pdf});
        QVERIFY2(shown.contains(QStringLiteral("R = ") + R + '\n'), qPrintable(shown));
        QVERIFY2(shown.contains(QStringLiteral("P = ") + P + '\n'), qPrintable(shown));
        QVERIFY2(shown.contains(QStringLiteral("User password = ") + user + '\n'), qPrintable(shown));
        QVERIFY2(shown.contains(QLatin1String("Supplied password is owner password")), qPrintable(shown));
        QCOMPARE(PdfInfo(pdf, QStringLiteral("Pages"), {QStringLiteral("-upw"), user}), QStringLiteral("3"));
        if (!user.isEmpty())
            QVERIFY(PdfInfo(pdf, QStringLiteral("Pages")).isEmpty());  // closed without it
    }

    void rasterPages_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("ending");
        QTest::newRow("bmp") << int(ofBMP) << ".bmp";
        QTest::newRow("jpeg") << int(ofJPEG) << ".jpg";
        QTest::newRow("pcx") << int(ofPCX) << ".pcx";
    }
    void rasterPages()
    {
        QFETCH(int, format);
        QFETCH(QString, ending);
        const QString folder = QStringLiteral("raster") + ending;
        const QString ps = Fixture(folder, QStringLiteral("work.ps"));
        Apply(m_state, {{"OutputFormat", format}, {"DPIx", 36}, {"DPIy", 36}, {"BmpColor", 4}, {"PaperFormat", "a4"}});
        QCOMPARE(RunJob(true, ps, Path(folder + QStringLiteral("/report.doc"))), QString());
        for (int page = 1; page <= 3; ++page) {
            const QString file = Path(folder + QStringLiteral("/report%1").arg(page) + ending);
            QVERIFY2(QFileInfo::exists(file), qPrintable(file));
            const QString id = Run(QStringLiteral("identify"), {file});
            QVERIFY2(id.contains(QLatin1String(" 298x421 ")), qPrintable(id));
        }
        QVERIFY(!QFileInfo::exists(Path(folder + QStringLiteral("/report4") + ending)));
        // Raster output leaves the PostScript header as it was.
        QVERIFY(ReadFile(ps).contains("%%Title: Microsoft Word - report.doc"));
    }

    void jpegInGrey()
    {
        const QString ps = Fixture(QStringLiteral("grey"), QStringLiteral("work.ps"));
        Apply(m_state, {{"OutputFormat", ofJPEG}, {"JPEGRGB", false}, {"DPIx", 20}, {"DPIy", 20}});
        QCOMPARE(RunJob(false, ps, Path(QStringLiteral("grey/g.ps"))), QString());
        const QImage image(Path(QStringLiteral("grey/g1.jpg")));
        QVERIFY(!image.isNull());
        QVERIFY(image.isGrayscale());
    }

    void multiPageTiff_data()
    {
        QTest::addColumn<bool>("tiffExtension");
        QTest::addColumn<QString>("name");
        QTest::newRow("tif") << false << "report.tif";
        QTest::newRow("tiff") << true << "report.tiff";
    }
    void multiPageTiff()
    {
        QFETCH(bool, tiffExtension);
        QFETCH(QString, name);
        const QString ps = Fixture(QStringLiteral("tiff"), QStringLiteral("work.ps"));
        Apply(m_state, {{"OutputFormat", ofTIFF}, {"TiffFormat", 5}, {"TIFFQual", 50}, {"TIFFExtension", tiffExtension}});
        QCOMPARE(RunJob(false, ps, Path(QStringLiteral("tiff/report.doc"))), QString());
        const QString id = Run(QStringLiteral("identify"), {Path(QStringLiteral("tiff/") + name)});
        QCOMPARE(id.count(QLatin1String(" TIFF ")), 3);
        QVERIFY(!QFileInfo::exists(Path(QStringLiteral("tiff/report1.tif"))));
    }

    void paperSize_data()
    {
        QTest::addColumn<QVariantMap>("settings");
        QTest::addColumn<QString>("size");
        QTest::newRow("a4") << QVariantMap{{"PaperFormat", "a4"}} << "595 x 842";
        QTest::newRow("letter") << QVariantMap{{"PaperFormat", "letter"}} << "612 x 792";
        QTest::newRow("a5") << QVariantMap{{"PaperFormat", "a5"}} << "420 x 595";
        QTest::newRow("10 x 15 cm") << QVariantMap{{"PaperMeasure", 1}, {"PaperW", 10}, {"PaperH", 15}} << "283.45 x 425.17";
    }
    void paperSize()
    {
        QFETCH(QVariantMap, settings);
        QFETCH(QString, size);
        const QString ps = Fixture(QStringLiteral("paper"), QStringLiteral("work.ps"));
        Apply(m_state, settings);
        QCOMPARE(RunJob(false, ps, Path(QStringLiteral("paper/p.doc"))), QString());
        QVERIFY2(PdfInfo(Path(QStringLiteral("paper/p.pdf")), QStringLiteral("Page size")).startsWith(size + QStringLiteral(" pts")),
                 qPrintable(PdfInfo(Path(QStringLiteral("paper/p.pdf")), QStringLiteral("Page size"))));
    }

    void foldersWithBlanks()
    {
        // A Word document's run: the work file and the output folder both
        // reached through their blank-free forms.
        const QString ps = Fixture(QStringLiteral("in put"), QStringLiteral("my report.ps"));
        QDir().mkpath(Path(QStringLiteral("out put")));
        const QString input = ShortPath(ps);
        const QString output = ShortPath(Path(QStringLiteral("out put"))) + QStringLiteral("/my report.ps");
        QVERIFY(!input.contains(' '));
        QCOMPARE(RunJob(true, input, output), QString());
        QCOMPARE(PdfInfo(Path(QStringLiteral("out put/my report.pdf")), QStringLiteral("Title")), QStringLiteral("my report"));

        // A selected PostScript file: its output path as it is, blanks and all.
        const QString ps2 = Fixture(QStringLiteral("in put"), QStringLiteral("second.ps"));
        QCOMPARE(RunJob(false, ShortPath(ps2), Path(QStringLiteral("out put/second one.ps"))), QString());
        QCOMPARE(PdfInfo(Path(QStringLiteral("out put/second one.pdf")), QStringLiteral("Pages")), QStringLiteral("3"));

        // Combined inputs, one of them with a blank in its own name.
        const QString ps3 = Fixture(QStringLiteral("in put"), QStringLiteral("third one.ps"));
        QCOMPARE(RunJob(false, ShortPath(ps2) + ' ' + ShortPath(ps3), Path(QStringLiteral("out put/both.ps"))), QString());
        QCOMPARE(PdfInfo(Path(QStringLiteral("out put/both.pdf")), QStringLiteral("Pages")), QStringLiteral("6"));

        ReleaseShortPaths();
        QVERIFY(QFileInfo::exists(Path(QStringLiteral("out put/my report.pdf"))));
        QVERIFY(QFileInfo::exists(ps));
        QVERIFY(QFileInfo::exists(ps3));
    }

    void percentInTheName()
    {
        const QString ps = Fixture(QStringLiteral("percent"), QStringLiteral("100%.ps"));
        Apply(m_state, {{"OutputFormat", ofBMP}, {"DPIx", 10}, {"DPIy", 10}});
        QCOMPARE(RunJob(false, ps, Path(QStringLiteral("percent/100%d.ps"))), QString());
        QVERIFY(QFileInfo::exists(Path(QStringLiteral("percent/100%d1.bmp"))));
        QVERIFY(QFileInfo::exists(Path(QStringLiteral("percent/100%d3.bmp"))));
    }

    void ghostscriptErrorIsReported()
    {
        QDir().mkpath(Path(QStringLiteral("bad")));
        const QString ps = Path(QStringLiteral("bad/broken.ps"));
        QVERIFY(WriteFile(ps, "%!PS\nnosuchoperator\nshowpage\n"));
        const QString error = RunJob(false, ps, Path(QStringLiteral("bad/broken.ps")));
        QVERIFY2(error.startsWith(QStringLiteral("Ghostscript konnte die Datei ") + QFileInfo(ps).canonicalFilePath() + QStringLiteral(" nicht umwandeln.")),
                 qPrintable(error));
        QVERIFY2(error.contains(QLatin1String("Error: /undefined in nosuchoperator")), qPrintable(error));
        // Stack dumps are left out.
        QVERIFY2(!error.contains(QLatin1String("Operand stack")), qPrintable(error));
    }

    void missingInputIsReported()
    {
        const QString error = RunJob(false, Path(QStringLiteral("nothing.ps")), Path(QStringLiteral("nothing.ps")));
        QVERIFY2(error.contains(Path(QStringLiteral("nothing.ps"))), qPrintable(error));
        QVERIFY2(error.contains(QLatin1String("undefinedfilename")), qPrintable(error));
    }

    void inputWithAliasIsNamedByItsRealPath()
    {
        QDir().mkpath(Path(QStringLiteral("bad dir")));
        const QString ps = Path(QStringLiteral("bad dir/broken.ps"));
        QVERIFY(WriteFile(ps, "%!PS\nnosuchoperator\n"));
        const QString error = RunJob(false, ShortPath(ps), Path(QStringLiteral("bad dir/broken.ps")));
        QVERIFY2(error.contains(QFileInfo(ps).canonicalFilePath()), qPrintable(error));
    }

    void noPagesIsNoOutput_data()
    {
        QTest::addColumn<bool>("stale");
        QTest::newRow("nothing there") << false;
        QTest::newRow("older output there") << true;
    }
    void noPagesIsNoOutput()
    {
        QFETCH(bool, stale);
        QDir().mkpath(Path(QStringLiteral("empty")));
        const QString ps = Path(QStringLiteral("empty/blank.ps"));
        QVERIFY(WriteFile(ps, "%!PS\n% no page at all\n"));
        Apply(m_state, {{"OutputFormat", ofBMP}});
        const QString old = Path(QStringLiteral("empty/blank1.bmp"));
        QFile::remove(old);
        if (stale)
            QVERIFY(WriteFile(old, "an older conversion"));
        const QString error = RunJob(false, ps, Path(QStringLiteral("empty/blank.ps")));
        QVERIFY2(error.startsWith(QStringLiteral("Ghostscript hat aus der Datei ") + QFileInfo(ps).canonicalFilePath()), qPrintable(error));
        QVERIFY2(error.contains(old), qPrintable(error));
        if (stale)
            QCOMPARE(ReadFile(old), QByteArray("an older conversion"));
    }

    void messageFromOutput_data()
    {
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<QString>("message");
        QTest::newRow("error lines") << QByteArray("Error: /undefined in foo\nOperand stack:\n\nExecution stack:\n  %interp_exit\n"
                                                   "GPL Ghostscript 10.00.0: Unrecoverable error, exit code 1\n")
                                     << "Error: /undefined in foo\nGPL Ghostscript 10.00.0: Unrecoverable error, exit code 1";
        QTest::newRow("device notes") << QByteArray("GPL Ghostscript 10.00.0: **** Could not open the file /x/y.pdf .\n**** Unable to open the initial device, quitting.\n")
                                      << "GPL Ghostscript 10.00.0: **** Could not open the file /x/y.pdf .\n**** Unable to open the initial device, quitting.";
        QTest::newRow("anything else, last lines") << QByteArray("a\nb\n\nc\nd\ne\nf\n") << "b\nc\nd\ne\nf";
        QTest::newRow("nothing") << QByteArray() << "";
    }
    void messageFromOutput()
    {
        QFETCH(QByteArray, output);
        QFETCH(QString, message);
        QCOMPARE(GsMessageFromOutput(output), message);
    }
};

KALVINORA_TEST_MAIN(TestGhostscriptJob)
#include "TestGhostscriptJob.moc"
