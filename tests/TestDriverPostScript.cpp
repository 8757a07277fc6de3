#include "support/TestEnvironment.h"

#include "platform/office/DriverPostScript.h"
#include "platform/office/GlyphUnicode.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

// The "printer driver" of the office: from the printed PDF to the
// PostScript work file, with the header a driver writes.
namespace {

// Ghostscript reads "%" in an output file name as a page number format.
QString OutputFile(const QString& path) { return QStringLiteral("-sOutputFile=") + QString(path).replace('%', QStringLiteral("%%")); }

QString Run(const QString& program, const QStringList& arguments, int* exitCode = nullptr)
{
    QProcess p;
    p.start(program, arguments);
    p.waitForFinished(60000);
    if (exitCode)
        *exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromUtf8(p.readAllStandardOutput());
}

// A PDF with one line of text on each page, made by Ghostscript.
bool MakePdf(const QString& pdf, const QStringList& pages)
{
    const QString ps = pdf + QStringLiteral(".src.ps");
    QFile f(ps);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write("%!PS\n/Helvetica findfont 20 scalefont setfont\n");
    for (const QString& page : pages)
        f.write("72 700 moveto (" + page.toLatin1() + ") show showpage\n");
    f.close();
    int code = -1;
    Run(QStringLiteral("gs"), {QStringLiteral("-dSAFER"), QStringLiteral("-dBATCH"), QStringLiteral("-dNOPAUSE"),
                               QStringLiteral("-q"), QStringLiteral("-sDEVICE=pdfwrite"),
                               OutputFile(pdf), ps},
        &code);
    QFile::remove(ps);
    return code == 0;
}

QString TextOfPostScript(const QString& ps)
{
    const QString pdf = ps + QStringLiteral(".check.pdf");
    Run(QStringLiteral("gs"), {QStringLiteral("-dSAFER"), QStringLiteral("-dBATCH"), QStringLiteral("-dNOPAUSE"),
                               QStringLiteral("-q"), QStringLiteral("-sDEVICE=pdfwrite"),
                               OutputFile(pdf), ps});
    const QString text = Run(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    QFile::remove(pdf);
    return text.simplified();
}

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

}  // namespace

class TestDriverPostScript : public QObject {
    Q_OBJECT

private slots:
    void headerGetsTheDriverComments_data()
    {
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("comments of the converter replaced")
            << QByteArray("%!PS-Adobe-3.0\n%%Title: x.pdf\n%%creator: Writer\n%%LanguageLevel: 3\n%%For: nobody\n%%EndComments\n")
            << QStringLiteral("report.docx")
            << QByteArray("%!PS-Adobe-3.0\n%%Title: report.docx\n%%Creator: Kalvinora\n%%For: anna\n"
                          "%%LanguageLevel: 3\n%%EndComments\n");
        QTest::newRow("comments added where missing")
            << QByteArray("%!PS-Adobe-3.0\n%%Pages: 2\n%%EndComments\n") << QStringLiteral("a b.doc")
            << QByteArray("%!PS-Adobe-3.0\n%%Title: a b.doc\n%%Creator: Kalvinora\n%%For: anna\n%%Pages: 2\n%%EndComments\n");
        QTest::newRow("a line break in the name cannot start a comment of its own")
            << QByteArray("%!PS-Adobe-3.0\n%%EndComments\n") << QStringLiteral("x\n%%BoundingBox: 0 0 1 1\r.doc")
            << QByteArray("%!PS-Adobe-3.0\n%%Title: x %%BoundingBox: 0 0 1 1 .doc\n%%Creator: Kalvinora\n%%For: anna\n"
                          "%%EndComments\n");
        QTest::newRow("name in UTF-8")
            << QByteArray("%!PS-Adobe-3.0\n%%EndComments\n") << QStringLiteral("Bericht \u00fcber M\u00e4rz.rtf")
            << QByteArray("%!PS-Adobe-3.0\n%%Title: Bericht \xc3\xbc" "ber M\xc3\xa4rz.rtf\n%%Creator: Kalvinora\n%%For: anna\n"
                          "%%EndComments\n");
    }

    void headerGetsTheDriverComments()
    {
        QFETCH(QByteArray, header);
        QFETCH(QString, title);
        QFETCH(QByteArray, expected);
        QCOMPARE(TagDriverHeader(header, title, QStringLiteral("Kalvinora"), QStringLiteral("anna")), expected);
    }

    void toUnicodeMapsAreRead_data()
    {
        QTest::addColumn<QByteArray>("cmap");
        QTest::addColumn<QStringList>("entries");  // "code=hex", sorted
        QTest::newRow("single characters and a ligature")
            << QByteArray("2 beginbfchar\n<01> <004B>\n<0a> <00660069>\nendbfchar\n")
            << QStringList{QStringLiteral("1=004B"), QStringLiteral("10=00660069")};
        QTest::newRow("range counting up")
            << QByteArray("1 beginbfrange\n<20> <22> <0041>\nendbfrange\n")
            << QStringList{QStringLiteral("32=0041"), QStringLiteral("33=0042"), QStringLiteral("34=0043")};
        QTest::newRow("range with a list")
            << QByteArray("1 beginbfrange\n<05> <06> [<00E4> <D83DDE00>]\nendbfrange\n")
            << QStringList{QStringLiteral("5=00E4"), QStringLiteral("6=D83DDE00")};
        QTest::newRow("two-byte codes belong to no simple font")
            << QByteArray("1 beginbfchar\n<0041> <0041>\nendbfchar\n") << QStringList{};
        QTest::newRow("broken characters are left out")
            << QByteArray("3 beginbfchar\n<01> <D83D>\n<02> <004>\n<03> <0000>\nendbfchar\n") << QStringList{};
        QTest::newRow("comments and the code space are no entries")
            << QByteArray("%!PS\n1 begincodespacerange <00> <FF> endcodespacerange\n% <07> <0041>\n"
                          "1 beginbfchar <07> <0042> endbfchar")
            << QStringList{QStringLiteral("7=0042")};
    }

    void toUnicodeMapsAreRead()
    {
        QFETCH(QByteArray, cmap);
        QFETCH(QStringList, entries);
        const GlyphUnicodeMap map = ParseToUnicode(cmap);
        QStringList got;
        for (auto it = map.begin(); it != map.end(); ++it)
            got << QStringLiteral("%1=%2").arg(it.key()).arg(QString::fromLatin1(it.value()));
        got.sort();
        entries.sort();
        QCOMPARE(got, entries);
    }

    void unicodeDictionaryGoesIntoTheTrueTypeFontsOnly()
    {
        const FontUnicodeMaps maps{{"AAAAAA+Sans", {{1, "004B"}, {16, "00660069"}}}, {"BBBBBB+Other", {{1, "0041"}}}};
        const QList<QByteArray> lines{
            "%%BeginResource: font AAAAAA+Sans", "10 dict begin", "/FontType 42 def", "/Encoding 256 array",
            "FontName currentdict end definefont pop", "%%EndResource",
            "%%BeginResource: font BBBBBB+Other", "/FontType 1 def", "FontName currentdict end definefont pop",
            "%%EndResource",
            "%%BeginResource: font CCCCCC+Unmapped", "/FontType 42 def", "FontName currentdict end definefont pop",
            "%%EndResource"};
        GlyphUnicodeWriter writer(maps);
        QByteArray out;
        for (const QByteArray& line : lines)
            out += writer.Line(line + '\n');
        QCOMPARE(out.count("GlyphNames2Unicode"), 1);
        QVERIFY(out.contains("/FontType 42 def\n/Encoding 256 array\n"
                             "currentdict /FontInfo known not { /FontInfo 1 dict def } if\n"
                             "FontInfo /GlyphNames2Unicode 2 dict dup begin\n/c01 <004B> def\n/c10 <00660069> def\n"
                             "end put\nFontName currentdict end definefont pop\n"));
    }

    void pdfBecomesPostScriptWithTheDriverHeader()
    {
        QTemporaryDir dir;
        // A "%" in a folder name must not reach any program as a format.
        const QString folder = dir.filePath(QStringLiteral("100% done"));
        QDir().mkpath(folder);
        const QString pdf = folder + QStringLiteral("/in.pdf");
        QVERIFY(MakePdf(pdf, {QStringLiteral("First page"), QStringLiteral("Second page")}));
        const QString target = folder + QStringLiteral("/work.ps");

        DriverJob job;
        job.pdfPath = pdf;
        job.targetPath = target;
        job.title = QStringLiteral("letter.docx");
        job.user = QStringLiteral("anna");
        WriteDriverPostScript(job);

        const QByteArray ps = ReadAll(target);
        QVERIFY(ps.startsWith("%!PS-Adobe-3.0\n%%Title: letter.docx\n%%Creator: "));
        QVERIFY(ps.contains("\n%%For: anna\n"));
        QCOMPARE(TextOfPostScript(target), QStringLiteral("First page Second page"));
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), (QStringList{QStringLiteral("in.pdf"), QStringLiteral("work.ps")}));

        job.reversePages = true;
        WriteDriverPostScript(job);
        QCOMPARE(TextOfPostScript(target), QStringLiteral("Second page First page"));
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), (QStringList{QStringLiteral("in.pdf"), QStringLiteral("work.ps")}));
    }

    void brokenPdfFailsAndLeavesNoOutput()
    {
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("in.pdf"));
        QFile f(pdf);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("this is no PDF at all\n");
        f.close();
        const QString target = dir.filePath(QStringLiteral("work.ps"));
        QFile old(target);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("%!PS-Adobe-3.0\n% an older print\n");
        old.close();

        DriverJob job;
        job.pdfPath = pdf;
        job.targetPath = target;
        job.title = QStringLiteral("x.doc");
        QString message;
        try {
            WriteDriverPostScript(job);
        } catch (const std::runtime_error& e) {
            message = QString::fromStdString(e.what());
        }
        QVERIFY2(message.contains(QLatin1String("pdftops")), qPrintable(message));
        // Nothing that could pass for a print of this document stays.
        QCOMPARE(QFileInfo(target).size(), qint64(0));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), (QStringList{QStringLiteral("in.pdf"), QStringLiteral("work.ps")}));
    }
};

KALVINORA_TEST_MAIN(TestDriverPostScript)
#include "TestDriverPostScript.moc"
