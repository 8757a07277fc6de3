#include "support/PdfCheck.h"
#include "support/TestEnvironment.h"

#include "core/UniCodeException.h"
#include "engine/UGraphicPrint.h"
#include "platform/PrinterSystem.h"

#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <memory>

namespace {

// A 600 dpi A4 printer that remembers what it was asked to do.
class RecordingPrinter : public PrinterDriver {
public:
    QString Name() const override { return QStringLiteral("Recording printer"); }
    void SetPort(const QString& filePath) override
    {
        port = filePath;
        calls << "SetPort";
    }
    QString Port() const override { return port; }
    void SetLandscape(bool value) override
    {
        landscape = value;
        calls << "SetLandscape";
    }
    bool Landscape() const override { return landscape; }
    void BeginDoc(const QString& t) override
    {
        if (printing)
            throw std::runtime_error("already printing");
        title = t;
        printing = true;
        calls << "BeginDoc";
    }
    bool Printing() const override { return printing; }
    int DpiX() const override { return 600; }
    int DpiY() const override { return 600; }
    QSize PageSize() const override { return landscape ? QSize(7016, 4961) : QSize(4961, 7016); }
    void DrawPicture(const QRect& t, const PrintPicture& p) override
    {
        target = t;
        picture = p;
        calls << "DrawPicture";
    }
    void EndDoc() override
    {
        calls << "EndDoc";
        if (!printing)
            throw std::runtime_error("not printing");
        printing = false;
    }

    QStringList calls;
    QString port;
    QString title;
    bool landscape = false;
    bool printing = false;
    QRect target;
    PrintPicture picture;
};

bool Save(const QImage& image, const QString& path, const char* format)
{
    return image.save(path, format);
}

// One colour, stored with one bit per pixel so that even a picture as
// large as the page stays small.
QImage Solid(int width, int height)
{
    QImage image(width, height, QImage::Format_Mono);
    image.setColorTable({qRgb(30, 80, 160), qRgb(255, 255, 255)});
    image.fill(0);
    return image;
}

QImage Noise(int width, int height)
{
    QRandomGenerator random(3);
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, random.generate() | 0xFF000000);
    return image;
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

struct Margins {
    int left, top, right, bottom;
};

}  // namespace

Q_DECLARE_METATYPE(Margins)

class TestGraphicPrint : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir{QDir::tempPath() + "/picture printer XXXXXX"};
    std::shared_ptr<RecordingPrinter> m_printer;

    QString Path(const QString& name) const { return m_dir.filePath(name); }

    // Makes the printer the one the page printer prints to.
    void Select(std::shared_ptr<PrinterDriver> printer)
    {
        PrinterSystem& system = PrinterSystem::Instance();
        system.AddPrinter(printer);
        system.SelectCurrent(system.IndexOf(printer->Name()));
        QCOMPARE(system.Current(), printer.get());
    }

    // The picture cases, with where the picture must land on a 600 dpi A4
    // page (7016 x 4961 device pixels landscape, 4961 x 7016 portrait).
    // A 10 mm margin is 236.22 device pixels; edges that fall on exactly
    // .5 are rounded to the even neighbour.
    static void GeometryTable()
    {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<int>("orientation");  // -1: leave the default
        QTest::addColumn<QPoint>("position");  // (-1, -1): leave the default
        QTest::addColumn<Margins>("margins");  // all -1: leave the default
        QTest::addColumn<bool>("landscape");
        QTest::addColumn<QRect>("target");
        const Margins defaults{-1, -1, -1, -1};
        const Margins ten{10, 10, 10, 10};
        const QPoint centre(-1, -1);

        // Fills the box width; 844.5 and 4116.5 round to 844 and 4116.
        QTest::newRow("landscape picture, defaults")
            << QSize(400, 200) << -1 << centre << defaults << true << QRect(236, 844, 6544, 3272);
        // 1263.5 and 5752.5 round to 1264 and 5752: not quite square.
        QTest::newRow("square picture prints portrait")
            << QSize(300, 300) << 0 << QPoint(1, 1) << ten << false << QRect(236, 1264, 4489, 4488);
        QTest::newRow("wide picture centred vertically")
            << QSize(1000, 100) << 0 << QPoint(1, 1) << ten << true << QRect(236, 2154, 6544, 654);
        QTest::newRow("wide picture on a portrait page")
            << QSize(1000, 100) << 1 << QPoint(1, 1) << ten << false << QRect(236, 3284, 4489, 448);
        QTest::newRow("tall picture centred horizontally")
            << QSize(100, 1000) << 0 << QPoint(1, 1) << ten << false << QRect(2154, 236, 654, 6544);
        QTest::newRow("portrait picture on a landscape page")
            << QSize(200, 300) << 2 << QPoint(1, 1) << ten << true << QRect(2012, 236, 2992, 4489);
        QTest::newRow("top left") << QSize(300, 200) << 0 << QPoint(0, 0) << ten << true
                                  << QRect(236, 236, 6544, 4362);
        QTest::newRow("bottom right") << QSize(300, 200) << 0 << QPoint(2, 2) << ten << true
                                      << QRect(236, 363, 6544, 4362);
        // Box from 472.44 and 354.33.
        QTest::newRow("margins 20 15 10 20") << QSize(200, 300) << 0 << QPoint(0, 0) << Margins{20, 15, 10, 20}
                                             << false << QRect(472, 354, 4126, 6190);
        // Not narrower than the page: the picture fills the box height.
        QTest::newRow("picture with the page's proportions")
            << QSize(4961, 7016) << 0 << QPoint(1, 1) << ten << false << QRect(167, 236, 4627, 6544);
        QTest::newRow("tiny picture enlarged")
            << QSize(16, 16) << 0 << QPoint(1, 1) << ten << false << QRect(236, 1264, 4489, 4488);
    }

    void Configure(TGrafikPrint& print)
    {
        QFETCH(int, orientation);
        QFETCH(QPoint, position);
        QFETCH(Margins, margins);
        if (orientation >= 0)
            print.SetOrientation(uint8_t(orientation));
        if (position.x() >= 0)
            print.SetPosition(uint8_t(position.x()), uint8_t(position.y()));
        if (margins.left >= 0)
            print.SetMargins(margins.left, margins.top, margins.right, margins.bottom);
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void init()
    {
        m_printer = std::make_shared<RecordingPrinter>();
        Select(m_printer);
    }

    void cleanup() { PrinterSystem::Instance().Reset(); }

    void placesThePicture_data() { GeometryTable(); }

    void placesThePicture()
    {
        QFETCH(QSize, picture);
        QFETCH(bool, landscape);
        QFETCH(QRect, target);
        const QString file = Path("picture.png");
        QVERIFY(Save(Solid(picture.width(), picture.height()), file, "png"));

        TGrafikPrint print(file);
        Configure(print);
        print.Print(Path("picture.ps"));

        QCOMPARE(m_printer->calls, QStringList({"SetPort", "SetLandscape", "BeginDoc", "DrawPicture", "EndDoc"}));
        QCOMPARE(m_printer->port, Path("picture.ps"));
        QCOMPARE(m_printer->landscape, landscape);
        QCOMPARE(m_printer->target, target);
        QCOMPARE(m_printer->picture.image.size(), picture);
        QCOMPARE(m_printer->title, QStringLiteral("picture.png"));
        QVERIFY(m_printer->picture.jpegData.isEmpty());
    }

    void upperCaseJpegExtensionIsAccepted()
    {
        const QString file = Path("FOTO.JPG");
        QVERIFY(Save(Noise(120, 80), file, "jpeg"));
        TGrafikPrint print(file);
        print.Print(Path("foto.ps"));
        QVERIFY(m_printer->calls.contains("DrawPicture"));
        // A JPEG the printer embeds as it is arrives undecoded, with its size.
        QVERIFY(m_printer->picture.image.isNull());
        QCOMPARE(m_printer->picture.size, QSize(120, 80));
        // The file's own bytes go to the printer.
        QCOMPARE(m_printer->picture.jpegData, ReadAll(file));
    }

    void otherExtensionsAreRefused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("tif") << "scan.tif";
        QTest::newRow("pdf") << "scan.pdf";
        QTest::newRow("no extension") << "scan";
        QTest::newRow("picture extension inside the name") << "scan.png.bak";
    }

    void otherExtensionsAreRefused()
    {
        QFETCH(QString, name);
        // The content is a picture Qt could read; the extension decides.
        const QString file = Path(name);
        QVERIFY(Save(Solid(20, 10), file, "png"));
        const QString expected = QStringLiteral("Datei \"%1\": nicht unterstütztes Format").arg(file);

        TGrafikPrint print(file);
        try {
            print.Print(Path("scan.ps"));
            QFAIL("no error");
        } catch (const UniCodeException& e) {
            QCOMPARE(e.Message(), expected);
        }
        QVERIFY(m_printer->calls.isEmpty());  // raised before any printing
        QVERIFY(!QFile::exists(Path("scan.ps")));
        // Whatever the page.
        for (int page : {0, 1}) {
            try {
                print.LoadPageBitmap(page);
                QFAIL("no error");
            } catch (const UniCodeException& e) {
                QCOMPARE(e.Message(), expected);
            }
        }
    }

    void onlyPageZeroHasABitmap()
    {
        const QString file = Path("one page.bmp");
        QVERIFY(Save(Solid(20, 10), file, "bmp"));
        TGrafikPrint print(file);
        const std::optional<PrintPicture> first = print.LoadPageBitmap(0);
        QVERIFY(first.has_value());
        QCOMPARE(first->image.size(), QSize(20, 10));
        QVERIFY(!print.LoadPageBitmap(1).has_value());
    }

    void animatedGifPrintsItsFirstFrame()
    {
        // Two 8 x 8 frames: red, then blue.
        TGrafikPrint print(TestEnvironment::FixturePath("two-frames.gif"));
        print.Print(Path("frames.ps"));
        QCOMPARE(m_printer->calls.count("DrawPicture"), 1);
        const QImage image = m_printer->picture.image;
        QCOMPARE(image.size(), QSize(8, 8));
        QCOMPARE(image.pixel(4, 4) | 0xFF000000, qRgb(255, 0, 0));
    }

    void gifWithoutFramesStartsNoPage()
    {
        const QString file = Path("empty.gif");
        QVERIFY(WriteAll(file, QByteArray("GIF89a\x01\x00\x01\x00\x00\x00\x00\x3b", 14)));
        TGrafikPrint print(file);
        QVERIFY(!print.LoadPageBitmap(0).has_value());
        // Ending a document that never began is the printer's error.
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, print.Print(Path("empty.ps")));
        QVERIFY(!m_printer->calls.contains("BeginDoc"));
        QVERIFY(!m_printer->calls.contains("DrawPicture"));
        QVERIFY(m_printer->calls.contains("EndDoc"));
    }

    void damagedPicturesAreReported_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");

        QByteArray jpeg;
        {
            QBuffer buffer(&jpeg);
            buffer.open(QIODevice::WriteOnly);
            Noise(300, 200).save(&buffer, "jpeg", 90);
        }
        QByteArray png;
        {
            QBuffer buffer(&png);
            buffer.open(QIODevice::WriteOnly);
            Noise(300, 200).save(&buffer, "png");
        }
        QByteArray bmp;
        {
            QBuffer buffer(&bmp);
            buffer.open(QIODevice::WriteOnly);
            Noise(300, 200).save(&buffer, "bmp");
        }
        const QByteArray gif = ReadAll(TestEnvironment::FixturePath("noise.gif"));
        QVERIFY(gif.size() > 1000);
        // The decoder would fill the missing part with grey and carry on.
        QTest::newRow("jpeg cut off") << "cut.jpg" << jpeg.left(jpeg.size() * 6 / 10) << "Premature end of JPEG file";
        QTest::newRow("jpeg garbage") << "garbage.jpeg" << QByteArray("\xFF\xD8\xFF\xE0 nothing of a picture", 24)
                                      << "";
        QTest::newRow("png cut off") << "cut.png" << png.left(png.size() / 2) << "";
        // The decoder would fill the missing rows with black.
        QTest::newRow("bmp cut off") << "cut.bmp" << bmp.left(bmp.size() / 2) << "Premature end of BMP file";
        // The decoder would paint the missing part black.
        QTest::newRow("gif cut off") << "cut.gif" << gif.left(gif.size() / 2) << "Premature end of GIF file";
        QTest::newRow("empty gif") << "nothing.gif" << QByteArray() << "empty";
        QTest::newRow("text named png") << "notes.png" << QByteArray("just some text\n") << "";
    }

    void damagedPicturesAreReported()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        const QString file = Path(name);
        QVERIFY(WriteAll(file, bytes));

        TGrafikPrint print(file);
        try {
            print.Print(Path("damaged.ps"));
            QFAIL("no error");
        } catch (const UniCodeException& e) {
            const QString prefix = QStringLiteral("Datei \"%1\" kann nicht gelesen werden: ").arg(file);
            QVERIFY2(e.Message().startsWith(prefix), qPrintable(e.Message()));
            QVERIFY2(e.Message().size() > prefix.size() + 5, qPrintable(e.Message()));  // a reason follows
            QVERIFY2(e.Message().contains(reason), qPrintable(e.Message()));
        }
        QVERIFY(m_printer->calls.isEmpty());
        QCOMPARE(ReadAll(file), bytes);  // the picture is left as it was
    }

    void missingPictureIsReported()
    {
        const QString file = Path("gone.png");
        TGrafikPrint print(file);
        try {
            print.Print(Path("gone.ps"));
            QFAIL("no error");
        } catch (const UniCodeException& e) {
            QVERIFY2(e.Message().startsWith(QStringLiteral("Datei \"%1\" kann nicht gelesen werden: ").arg(file)),
                     qPrintable(e.Message()));
        }
        QVERIFY(m_printer->calls.isEmpty());
    }

    void marginsWithoutRoomAreReported()
    {
        // 210 mm of paper, 110 + 110 mm of margins.
        const QString file = Path("narrow.png");
        QVERIFY(Save(Solid(10, 20), file, "png"));
        TGrafikPrint print(file);
        print.SetMargins(110, 10, 110, 10);
        try {
            print.Print(Path("narrow.ps"));
            QFAIL("no error");
        } catch (const UniCodeException& e) {
            QVERIFY2(e.Message().startsWith(QStringLiteral("Datei \"%1\"").arg(file)), qPrintable(e.Message()));
        }
        QVERIFY(!m_printer->calls.contains("BeginDoc"));
        QVERIFY(!m_printer->printing);
    }

    // The same cases through the built-in printer and Ghostscript: the
    // picture is found on the rendered page where the geometry puts it.
    void builtInPrinterPutsThePictureOnTheRenderedPage_data() { GeometryTable(); }

    void builtInPrinterPutsThePictureOnTheRenderedPage()
    {
        QFETCH(QSize, picture);
        QFETCH(bool, landscape);
        QFETCH(QRect, target);
        PrinterSystem::Instance().Reset();  // the built-in printer alone, as default
        QCOMPARE(PrinterSystem::Instance().Current()->Name(), PrinterSystem::BuiltInPrinterName());

        const QString file = Path("real picture.png");
        QVERIFY(Save(Solid(picture.width(), picture.height()), file, "png"));
        TGrafikPrint print(file);
        Configure(print);
        const QString ps = Path("real picture.ps");
        print.Print(ps);

        const QString pdf = Path("real picture.pdf");
        const PdfCheck::ToolResult gs = PdfCheck::PsToPdf(ps, pdf);
        QVERIFY2(gs.exitCode == 0, gs.output.constData());
        QCOMPARE(PdfCheck::PdfInfoField(pdf, "Pages"), QStringLiteral("1"));
        QCOMPARE(PdfCheck::PdfInfoField(pdf, "Page size"),
                 landscape ? QStringLiteral("842 x 595 pts (A4)") : QStringLiteral("595 x 842 pts (A4)"));
        QCOMPARE(PdfCheck::PdfInfoField(pdf, "Title"), QStringLiteral("real picture.png"));

        // At 50 dpi one rendered pixel is 12 device pixels.
        const QImage page = PdfCheck::RenderPage(pdf, 50);
        QVERIFY(!page.isNull());
        const QRect ink = PdfCheck::InkBox(page);
        const QRectF expected(target.x() / 12.0, target.y() / 12.0, target.width() / 12.0, target.height() / 12.0);
        const QString where = QStringLiteral("ink %1,%2 %3x%4, expected %5,%6 %7x%8")
                                  .arg(ink.x()).arg(ink.y()).arg(ink.width()).arg(ink.height())
                                  .arg(expected.x()).arg(expected.y()).arg(expected.width()).arg(expected.height());
        QVERIFY2(std::abs(ink.left() - expected.left()) <= 1.5, qPrintable(where));
        QVERIFY2(std::abs(ink.top() - expected.top()) <= 1.5, qPrintable(where));
        QVERIFY2(std::abs(ink.right() + 1 - expected.right()) <= 1.5, qPrintable(where));
        QVERIFY2(std::abs(ink.bottom() + 1 - expected.bottom()) <= 1.5, qPrintable(where));
    }

    void builtInPrinterKeepsEveryPixel_data()
    {
        QTest::addColumn<QString>("file");
        QVERIFY(Save(Noise(64, 48), Path("noise.png"), "png"));
        QVERIFY(Save(Noise(64, 48), Path("noise.bmp"), "bmp"));
        QTest::newRow("png") << Path("noise.png");
        QTest::newRow("bmp") << Path("noise.bmp");
        QTest::newRow("gif") << TestEnvironment::FixturePath("noise.gif");
    }

    void builtInPrinterKeepsEveryPixel()
    {
        QFETCH(QString, file);
        PrinterSystem::Instance().Reset();
        const QImage original = QImage(file).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(original.size(), QSize(64, 48));

        // Without margins, from the top left corner of a landscape page:
        // 6615 x 4961 device pixels, one picture pixel about 103 of them.
        TGrafikPrint print(file);
        print.SetMargins(0, 0, 0, 0);
        print.SetPosition(0, 0);
        const QString ps = Path("pixels.ps");
        print.Print(ps);
        const QString pdf = Path("pixels.pdf");
        const PdfCheck::ToolResult gs = PdfCheck::PsToPdf(ps, pdf, PdfCheck::KeepPictures());
        QVERIFY2(gs.exitCode == 0, gs.output.constData());
        const QImage page = PdfCheck::RenderPage(pdf, 60);  // 10 device pixels each
        QVERIFY(!page.isNull());
        for (int y = 0; y < 48; ++y) {
            for (int x = 0; x < 64; ++x) {
                const QPoint at(int((x + 0.5) * 6615 / 64 / 10), int((y + 0.5) * 4961 / 48 / 10));
                const QRgb got = page.pixel(at) | 0xFF000000;
                if (got != original.pixel(x, y))
                    QFAIL(qPrintable(QStringLiteral("pixel %1,%2: %3 instead of %4")
                                         .arg(x).arg(y).arg(QColor(got).name(), QColor(original.pixel(x, y)).name())));
            }
        }
    }

    void builtInPrinterKeepsTheJpegData()
    {
        PrinterSystem::Instance().Reset();
        const QString file = Path("Foto vom Strand.jpeg");
        QVERIFY(Save(Noise(320, 240), file, "jpeg"));
        const QByteArray original = ReadAll(file);
        const QString ps = Path("Foto vom Strand.ps");
        TGrafikPrint(file).Print(ps);

        const QString pdf = Path("Foto vom Strand.pdf");
        const PdfCheck::ToolResult gs = PdfCheck::PsToPdf(ps, pdf, PdfCheck::KeepPictures());
        QVERIFY2(gs.exitCode == 0, gs.output.constData());
        const QStringList images = PdfCheck::ExtractImages(pdf, Path("jpeg streams"), "-all");
        QCOMPARE(images.size(), 1);
        const QByteArray stream = ReadAll(images.first());
        // Ghostscript closes the copied data with an end-of-image marker of its own.
        QVERIFY(stream.startsWith(original));
        QVERIFY(stream.size() - original.size() <= 2);
        QCOMPARE(ReadAll(file), original);
    }

    void builtInPrinterWritesNothingForADamagedPicture()
    {
        PrinterSystem::Instance().Reset();
        const QString file = Path("broken.jpg");
        QVERIFY(WriteAll(file, QByteArray("\xFF\xD8\xFF\xE0 broken", 12)));
        const QString ps = Path("broken.ps");
        QVERIFY_THROWS_EXCEPTION(UniCodeException, TGrafikPrint(file).Print(ps));
        QVERIFY(!QFile::exists(ps));
        QVERIFY(!PrinterSystem::Instance().Current()->Printing());
    }

    void builtInPrinterReportsAnUnwritableOutput()
    {
        PrinterSystem::Instance().Reset();
        const QString file = Path("fine.png");
        QVERIFY(Save(Solid(30, 20), file, "png"));
        QVERIFY(WriteAll(Path("a file"), "x"));
        const QString ps = Path("a file/fine.ps");
        try {
            TGrafikPrint(file).Print(ps);
            QFAIL("no error");
        } catch (const std::runtime_error& e) {
            QVERIFY2(QString::fromUtf8(e.what()).contains("\"" + ps + "\""), e.what());
        }
        QVERIFY(!PrinterSystem::Instance().Current()->Printing());
    }
};

KALVINORA_TEST_MAIN(TestGraphicPrint)
#include "TestGraphicPrint.moc"
