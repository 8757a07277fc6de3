#include "support/PdfCheck.h"
#include "support/TestEnvironment.h"

#include "platform/PostScriptPrinter.h"
#include "platform/SystemInfo.h"
#include "platform/SystemPaths.h"

#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <csignal>
#include <sys/resource.h>

namespace {

QImage Noise(int width, int height, QImage::Format format, quint32 seed)
{
    QRandomGenerator random(seed);
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = random.generate();
    }
    return image.convertToFormat(format);
}

// Two flat halves, so the colours can be checked after rendering.
QImage Halves(const QColor& left, const QColor& right, int width = 64, int height = 32)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(right);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width / 2; ++x)
            image.setPixel(x, y, left.rgb());
    return image;
}

QByteArray JpegBytes(const QImage& image, bool progressive)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(90);
    writer.setProgressiveScanWrite(progressive);
    writer.write(image);
    return bytes;
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// What a picture looks like on white paper.
QRgb OverWhite(QRgb c)
{
    const int a = qAlpha(c);
    auto mix = [a](int v) { return (v * a + 255 * (255 - a) + 127) / 255; };
    return qRgb(mix(qRed(c)), mix(qGreen(c)), mix(qBlue(c)));
}

bool Near(QRgb a, QRgb b, int tolerance)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

}  // namespace

class TestPostScriptPrinter : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir{QDir::tempPath() + "/ps printer XXXXXX"};

    QString Path(const QString& name) const { return m_dir.filePath(name); }

    // Prints one picture on one page and returns the port file's path.
    QString PrintOne(const QString& name, const PrintPicture& picture, const QRect& target, bool landscape = false,
                     const QString& title = QStringLiteral("Bild"))
    {
        PostScriptPrinter printer(QStringLiteral("Kalvinora PostScript"));
        printer.SetPort(Path(name));
        printer.SetLandscape(landscape);
        printer.BeginDoc(title);
        printer.DrawPicture(target, picture);
        printer.EndDoc();
        return Path(name);
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void headerCarriesTheDocumentComments()
    {
        // Noise gives thousands of ASCII85 lines, many of which would start
        // with "%" if nothing prevented it.
        PrintPicture picture{Noise(200, 150, QImage::Format_RGB32, 7), {}};
        const QString ps = PrintOne("header.ps", picture, QRect(600, 1200, 2480, 2338), false,
                                    QStringLiteral("Urlaub am Meer.png\r\n%%EOF"));
        const QByteArray text = ReadAll(ps);
        const QList<QByteArray> lines = text.split('\n');

        QCOMPARE(lines.first(), QByteArray("%!PS-Adobe-3.0"));
        QVERIFY(lines.contains("%%Title: Urlaub am Meer.png  %%EOF"));
        const platform::ProgramVersion version = platform::CompiledVersion();
        const QByteArray creator = "%%Creator: Kalvinora " + QByteArray::number(version.major) + "." +
                                   QByteArray::number(version.minor) + " build " + QByteArray::number(version.build);
        QVERIFY(std::any_of(lines.begin(), lines.end(), [&](const QByteArray& l) { return l == creator; }));
        QVERIFY(lines.contains("%%For: " + platform::UserName().toUtf8()));
        QVERIFY(std::any_of(lines.begin(), lines.end(),
                            [](const QByteArray& l) { return l.startsWith("%%CreationDate: ") && l.size() > 20; }));
        QVERIFY(lines.contains("%%Pages: 1"));
        QVERIFY(lines.contains("%%DocumentData: Clean7Bit"));
        QVERIFY(lines.contains("%%LanguageLevel: 3"));
        QVERIFY(lines.contains("%%EndComments"));
        QVERIFY(lines.contains("%%Page: 1 1"));
        // The box of the marks in points: 600 px = 72 pt, the top edge 1200 px
        // below the top of the page, the bottom edge 3538 px below it.
        QVERIFY(lines.contains("%%BoundingBox: (atend)"));
        QVERIFY(lines.contains("%%BoundingBox: 72 417 370 698"));
        QVERIFY(text.endsWith("%%EOF\n"));
        QCOMPARE(text.count("%%EOF"), 2);  // the flattened title and the real end

        const QRegularExpression comment(QStringLiteral("^%(!PS-Adobe-3\\.0|%[A-Za-z]+(: .*)?)$"));
        for (const QByteArray& line : lines) {
            QVERIFY2(line.size() <= 255, line.left(80).constData());
            if (line.startsWith('%'))
                QVERIFY2(comment.match(QString::fromLatin1(line)).hasMatch(), line.constData());
        }
        for (char c : text)
            QVERIFY2((c >= 0x20 && c < 0x7F) || c == '\n', "only printable 7-bit text");
    }

    void titleOutsideAsciiIsKeptAsUtf8()
    {
        QImage solid(4, 4, QImage::Format_RGB32);
        solid.fill(Qt::black);
        const QString ps =
            PrintOne("utf8.ps", PrintPicture{solid, {}}, QRect(0, 0, 100, 100), false, QStringLiteral("Strandkörbe.png"));
        const QList<QByteArray> lines = ReadAll(ps).split('\n');
        QVERIFY(lines.contains(QStringLiteral("%%Title: Strandkörbe.png").toUtf8()));
        // The file is no longer 7-bit text, and says so.
        QVERIFY(lines.contains("%%DocumentData: Clean8Bit"));
    }

    void ghostscriptMakesOneA4Page_data()
    {
        QTest::addColumn<bool>("landscape");
        QTest::addColumn<QRect>("target");
        QTest::addColumn<QString>("pageSize");
        QTest::newRow("portrait") << false << QRect(600, 1200, 2480, 2338) << "595 x 842 pts (A4)";
        QTest::newRow("landscape") << true << QRect(236, 844, 6544, 3272) << "842 x 595 pts (A4)";
        QTest::newRow("bottom right corner") << false << QRect(4000, 6000, 961, 1016) << "595 x 842 pts (A4)";
    }

    void ghostscriptMakesOneA4Page()
    {
        QFETCH(bool, landscape);
        QFETCH(QRect, target);
        QFETCH(QString, pageSize);
        QImage solid(40, 20, QImage::Format_RGB32);
        solid.fill(QColor(30, 80, 160));
        const QString ps = PrintOne("page.ps", PrintPicture{solid, {}}, target, landscape, "Seite");
        const QString pdf = Path("page.pdf");
        const PdfCheck::ToolResult gs = PdfCheck::PsToPdf(ps, pdf);
        QVERIFY2(gs.exitCode == 0, gs.output.constData());
        QCOMPARE(PdfCheck::PdfInfoField(pdf, "Pages"), QStringLiteral("1"));
        QCOMPARE(PdfCheck::PdfInfoField(pdf, "Page size"), pageSize);
        QCOMPARE(PdfCheck::PdfInfoField(pdf, "Page rot"), QStringLiteral("0"));
        QCOMPARE(PdfCheck::PdfInfoField(pdf, "Title"), QStringLiteral("Seite"));

        // 50 dpi: one rendered pixel is 12 device pixels.
        const QImage page = PdfCheck::RenderPage(pdf, 50);
        QVERIFY(!page.isNull());
        QCOMPARE(page.width() > page.height(), landscape);
        const QRect ink = PdfCheck::InkBox(page);
        const QRect expected(qRound(target.x() / 12.0), qRound(target.y() / 12.0), qRound(target.width() / 12.0),
                             qRound(target.height() / 12.0));
        const QString where = QStringLiteral("ink %1,%2 %3x%4, expected %5,%6 %7x%8")
                                  .arg(ink.x()).arg(ink.y()).arg(ink.width()).arg(ink.height())
                                  .arg(expected.x()).arg(expected.y()).arg(expected.width()).arg(expected.height());
        QVERIFY2(std::abs(ink.left() - expected.left()) <= 2, qPrintable(where));
        QVERIFY2(std::abs(ink.top() - expected.top()) <= 2, qPrintable(where));
        QVERIFY2(std::abs(ink.width() - expected.width()) <= 2, qPrintable(where));
        QVERIFY2(std::abs(ink.height() - expected.height()) <= 2, qPrintable(where));
        QVERIFY(Near(page.pixel(ink.center()), qRgb(30, 80, 160), 6));
    }

    void jpegDataGoesThroughUnchanged_data()
    {
        QTest::addColumn<QByteArray>("jpeg");
        QTest::addColumn<QColor>("left");
        QTest::addColumn<QColor>("right");
        QTest::addColumn<int>("tolerance");
        const QImage colours = Halves(QColor(200, 40, 40), QColor(40, 60, 200));
        QTest::newRow("colour") << JpegBytes(colours, false) << QColor(200, 40, 40) << QColor(40, 60, 200) << 12;
        QTest::newRow("progressive") << JpegBytes(colours, true) << QColor(200, 40, 40) << QColor(40, 60, 200) << 12;
        const QImage grey = Halves(QColor(50, 50, 50), QColor(200, 200, 200)).convertToFormat(QImage::Format_Grayscale8);
        QTest::newRow("grey") << JpegBytes(grey, false) << QColor(50, 50, 50) << QColor(200, 200, 200) << 8;
        // CMYK as Adobe's programs store it: inverted, with an Adobe marker;
        // red on the left, green on the right. Converted to the screen
        // through Ghostscript's colour management, so only roughly.
        QTest::newRow("adobe cmyk") << ReadAll(TestEnvironment::FixturePath("cmyk-adobe.jpg")) << QColor(237, 28, 36)
                                    << QColor(0, 166, 81) << 40;
    }

    void jpegDataGoesThroughUnchanged()
    {
        QFETCH(QByteArray, jpeg);
        QFETCH(QColor, left);
        QFETCH(QColor, right);
        QFETCH(int, tolerance);
        QVERIFY(!jpeg.isEmpty());
        const QImage decoded = QImage::fromData(jpeg, "jpeg");
        QVERIFY(!decoded.isNull());

        const QRect target(600, 600, 3200, 1600);
        const QString ps = PrintOne("jpeg.ps", PrintPicture{decoded, jpeg}, target);
        const QByteArray text = ReadAll(ps);
        QVERIFY(text.contains("/DCTDecode filter"));
        QVERIFY(!text.contains("/FlateDecode filter }"));

        const QString pdf = Path("jpeg.pdf");
        const PdfCheck::ToolResult gs = PdfCheck::PsToPdf(ps, pdf, PdfCheck::KeepPictures());
        QVERIFY2(gs.exitCode == 0, gs.output.constData());
        const QStringList images =
            PdfCheck::ExtractImages(pdf, Path(QStringLiteral("jpeg ") + QTest::currentDataTag()), "-all");
        QCOMPARE(images.size(), 1);
        QVERIFY2(images.first().endsWith(".jpg"), qPrintable(images.first()));
        // Ghostscript copies the data and closes it with an end-of-image
        // marker of its own; everything before that is the file's.
        const QByteArray stream = ReadAll(images.first());
        QVERIFY(stream.startsWith(jpeg));
        const QByteArray rest = stream.mid(jpeg.size());
        QVERIFY2(rest.isEmpty() || rest == QByteArray("\xFF\xD9", 2), rest.toHex().constData());

        const QImage page = PdfCheck::RenderPage(pdf, 50);
        const QPoint leftCentre(50 + 67, 50 + 67), rightCentre(50 + 200, 50 + 67);
        QVERIFY2(Near(page.pixel(leftCentre), left.rgb(), tolerance),
                 qPrintable(QColor(page.pixel(leftCentre)).name()));
        QVERIFY2(Near(page.pixel(rightCentre), right.rgb(), tolerance),
                 qPrintable(QColor(page.pixel(rightCentre)).name()));
    }

    void bytesAfterTheJpegPictureAreSkipped()
    {
        // Cameras and editors leave data after the end-of-image marker; the
        // interpreter must go on after it, not read it as program text.
        const QImage colours = Halves(QColor(200, 40, 40), QColor(40, 60, 200));
        QByteArray jpeg = JpegBytes(colours, false);
        QRandomGenerator random(11);
        for (int i = 0; i < 3000; ++i)
            jpeg += char(random.bounded(256));
        const QString ps = PrintOne("trailing.ps", PrintPicture{colours, jpeg}, QRect(600, 600, 3200, 1600));
        const QString pdf = Path("trailing.pdf");
        const PdfCheck::ToolResult gs = PdfCheck::PsToPdf(ps, pdf);
        QVERIFY2(gs.exitCode == 0 && gs.output.isEmpty(), gs.output.constData());
        const QImage page = PdfCheck::RenderPage(pdf, 50);
        QVERIFY(Near(page.pixel(50 + 67, 50 + 67), qRgb(200, 40, 40), 12));
        QVERIFY(Near(page.pixel(50 + 200, 50 + 67), qRgb(40, 60, 200), 12));
    }

    void otherPicturesComeThroughLosslessly_data()
    {
        QTest::addColumn<QImage>("image");
        QTest::newRow("rgb") << Noise(37, 23, QImage::Format_RGB32, 1);
        QTest::newRow("rgb taller than a band") << Noise(31, 150, QImage::Format_RGB888, 2);
        QTest::newRow("alpha") << Noise(37, 23, QImage::Format_ARGB32, 3);
        QTest::newRow("premultiplied alpha") << Noise(37, 23, QImage::Format_ARGB32_Premultiplied, 4);
        QTest::newRow("grey") << Noise(37, 23, QImage::Format_Grayscale8, 5);
        QTest::newRow("grey 16 bit") << Noise(37, 23, QImage::Format_Grayscale16, 6);

        QImage indexed = Noise(37, 23, QImage::Format_RGB32, 7).convertToFormat(QImage::Format_Indexed8);
        QList<QRgb> table = indexed.colorTable();
        table[0] = qRgba(255, 0, 0, 128);  // half transparent red
        indexed.setColorTable(table);
        for (int x = 0; x < indexed.width(); x += 3)
            indexed.setPixel(x, x % indexed.height(), 0);
        QTest::newRow("palette with transparency") << indexed;

        QImage mono = Noise(37, 23, QImage::Format_RGB32, 8).convertToFormat(QImage::Format_Mono);
        mono.setColorTable({qRgb(10, 20, 120), qRgb(250, 220, 0)});
        QTest::newRow("two colours") << mono;
        QTest::newRow("two colours lsb first") << mono.convertToFormat(QImage::Format_MonoLSB);
    }

    void otherPicturesComeThroughLosslessly()
    {
        QFETCH(QImage, image);
        // Each picture pixel becomes a square of 40 device pixels, 8
        // rendered pixels at 120 dpi; the centre of each square is compared.
        const QRect target(600, 600, image.width() * 40, image.height() * 40);
        const QString ps = PrintOne("lossless.ps", PrintPicture{image, {}}, target);
        QVERIFY(!ReadAll(ps).contains("/DCTDecode"));
        const QString pdf = Path("lossless.pdf");
        const PdfCheck::ToolResult gs = PdfCheck::PsToPdf(ps, pdf, PdfCheck::KeepPictures());
        QVERIFY2(gs.exitCode == 0, gs.output.constData());
        const QImage page = PdfCheck::RenderPage(pdf, 120);
        QVERIFY(!page.isNull());

        // Qt reads premultiplied pixels back as they are stored.
        QImage original = image.format() == QImage::Format_Grayscale16 ? image.convertToFormat(QImage::Format_Grayscale8)
                                                                          : image;
        original = original.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QRgb expected = OverWhite(original.pixel(x, y));
                const QRgb got = page.pixel(120 + 8 * x + 4, 120 + 8 * y + 4);
                if (!Near(got, expected, image.format() == QImage::Format_ARGB32_Premultiplied ? 1 : 0))
                    QFAIL(qPrintable(QStringLiteral("pixel %1,%2: %3 instead of %4")
                                         .arg(x).arg(y).arg(QColor(got).name(), QColor(expected).name())));
            }
        }
    }

    void portBelowARegularFileIsReported()
    {
        QFile plain(Path("plain.txt"));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        const QString port = Path("plain.txt/out.ps");
        PostScriptPrinter printer(QStringLiteral("Kalvinora PostScript"));
        printer.SetPort(port);
        try {
            printer.BeginDoc("x");
            QFAIL("no error");
        } catch (const std::runtime_error& e) {
            QVERIFY2(QString::fromUtf8(e.what()).contains("\"" + port + "\""), e.what());
        }
        QVERIFY(!printer.Printing());
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, printer.EndDoc());
    }

    void fullDiskIsReported()
    {
        if (!QFile::exists("/dev/full"))
            QSKIP("no /dev/full here");
        PostScriptPrinter printer(QStringLiteral("Kalvinora PostScript"));
        printer.SetPort("/dev/full");
        try {
            printer.BeginDoc("x");
            QFAIL("no error");
        } catch (const std::runtime_error& e) {
            QVERIFY2(QString::fromUtf8(e.what()).contains("\"/dev/full\""), e.what());
        }
        QVERIFY(!printer.Printing());
        QVERIFY(QFile::exists("/dev/full"));  // a device is never removed
    }

    void writeFailureInsideAPictureEndsTheJob()
    {
        // The file size limit stands in for a disk that fills up while the
        // picture is written.
        const QString port = Path("limited.ps");
        PostScriptPrinter printer(QStringLiteral("Kalvinora PostScript"));
        printer.SetPort(port);
        printer.BeginDoc("x");
        QVERIFY(QFile::exists(port));

        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit previous{};
        getrlimit(RLIMIT_FSIZE, &previous);
        rlimit limited = previous;
        limited.rlim_cur = 64 * 1024;
        setrlimit(RLIMIT_FSIZE, &limited);
        QString message;
        try {
            printer.DrawPicture(QRect(0, 0, 1000, 1000), PrintPicture{Noise(300, 300, QImage::Format_RGB32, 9), {}});
        } catch (const std::runtime_error& e) {
            message = QString::fromUtf8(e.what());
        }
        setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, previousHandler);

        QVERIFY2(message.contains("\"" + port + "\""), qPrintable(message));
        QVERIFY(!printer.Printing());
        QVERIFY(!QFile::exists(port));  // no half-written file is left behind
        // The printer takes the next job.
        printer.BeginDoc("y");
        printer.EndDoc();
        QVERIFY(ReadAll(port).startsWith("%!PS-Adobe-3.0"));
    }

    void operationsOutsideAJobRaise()
    {
        PostScriptPrinter printer(QStringLiteral("Kalvinora PostScript"));
        QVERIFY(!printer.Printing());
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, printer.EndDoc());
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, printer.DrawPicture(QRect(0, 0, 10, 10), PrintPicture{}));
        // Without a port there is nowhere to print to.
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, printer.BeginDoc("x"));

        printer.SetPort(Path("twice.ps"));
        printer.BeginDoc("x");
        QVERIFY(printer.Printing());
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, printer.BeginDoc("y"));
        printer.EndDoc();
        QVERIFY(!printer.Printing());
    }

    void pageSizeFollowsTheOrientation()
    {
        PostScriptPrinter printer(QStringLiteral("Kalvinora PostScript"));
        QCOMPARE(printer.DpiX(), 600);
        QCOMPARE(printer.DpiY(), 600);
        QCOMPARE(printer.PageSize(), QSize(4961, 7016));  // 210 x 297 mm
        printer.SetLandscape(true);
        QCOMPARE(printer.PageSize(), QSize(7016, 4961));
    }
};

KALVINORA_TEST_MAIN(TestPostScriptPrinter)
#include "TestPostScriptPrinter.moc"
