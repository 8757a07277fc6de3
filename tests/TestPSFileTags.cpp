#include "support/TestEnvironment.h"
#include "support/TestFiles.h"

#include "core/Protocol.h"
#include "engine/WorkPaths.h"
#include "ghostscript/PSFileTags.h"
#include "platform/SystemInfo.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/stat.h>

namespace {

using namespace TestFiles;

QByteArray Crlf(const QList<QByteArray>& lines)
{
    QByteArray out;
    for (const QByteArray& l : lines)
        out += l + "\r\n";
    return out;
}

QByteArray Creator() { return PSCreatorLine().toUtf8(); }

// The copy as it must come out, tags aside: every CR left out, every line,
// the last one too, ended with CR LF.
QByteArray WithCrLf(QByteArray text)
{
    text.replace("\r", "");
    if (!text.isEmpty() && !text.endsWith('\n'))
        text += '\n';
    return text.replace("\n", "\r\n");
}

// A driver's header followed by CR LF comment lines of 80 bytes, at most
// `size` bytes in all.
QByteArray CrLfFile(int size)
{
    QByteArray text = "%!PS-Adobe-3.0\r\n%%Title: old\r\n%%Creator: old\r\n";
    const QByteArray line = "% " + QByteArray(76, 'x') + "\r\n";
    while (text.size() + line.size() <= size)
        text += line;
    return text;
}

// The copy with the header of CrLfFile tagged.
QByteArray Tagged(const QByteArray& copy)
{
    QByteArray expected = copy;
    expected.replace("%%Title: old", "%%Title: report");
    expected.replace("%%Creator: old", Creator());
    return expected;
}

}  // namespace

class TestPSFileTags : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString Path(const QString& name) const { return m_dir.path() + '/' + name; }

    // Only the file itself may remain in its folder: no ".new" or ".old".
    void VerifyNoCompanions(const QString& path)
    {
        QVERIFY2(!QFileInfo::exists(path + QStringLiteral(".new")), qPrintable(path));
        QVERIFY2(!QFileInfo::exists(path + QStringLiteral(".old")), qPrintable(path));
    }

    // Tags input written to path and compares the result with the copy the
    // rules give: tagged header, CR LF line ends, no companions left.
    void VerifyTaggedCopy(const QString& path, const QByteArray& input)
    {
        QVERIFY(WriteFile(path, input));
        SetPSFileTags(path, QString(), QStringLiteral("report"));
        const QByteArray actual = ReadFile(path);
        const QByteArray expected = Tagged(WithCrLf(input));
        QCOMPARE(actual.size(), expected.size());
        QVERIFY(actual == expected);
        VerifyNoCompanions(path);
    }

private slots:
    void init()
    {
        SetProtocolEnabled(true);
        QFile::remove(ProtocolFileName());
        platform::SetDiskSpaceQuery({});
    }
    void cleanup()
    {
        platform::SetDiskSpaceQuery({});
        ReleaseShortPaths();
    }

    void docTitle_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("outputPath");
        QTest::addColumn<QString>("title");
        QTest::newRow("name without extension") << 0 << "/out/report.doc" << "report";
        QTest::newRow("only the last extension") << 0 << "/out/a.b.doc" << "a.b";
        QTest::newRow("no extension") << 0 << "/out/report" << "report";
        QTest::newRow("dot only in the folder") << 0 << "/out.d/report" << "report";
        QTest::newRow("prefix and suffix") << 1 << "/out/report.doc" << "Pre report Suf";
        QTest::newRow("fixed") << 2 << "/out/report.doc" << "Fixed Title";
        QTest::newRow("other mode") << 3 << "/out/report.doc" << "";
    }
    void docTitle()
    {
        QFETCH(int, mode);
        QFETCH(QString, outputPath);
        QFETCH(QString, title);
        ProgramState s;
        s.TitleMode = uint8_t(mode);
        s.dtPrefix = QStringLiteral("Pre ");
        s.dtSuffix = QStringLiteral(" Suf");
        s.dtFixCaption = QStringLiteral("Fixed Title");
        QCOMPARE(GetDocTitle(s, outputPath), title);
    }

    void creatorNamesTheProgram()
    {
        QVERIFY(Creator().startsWith("%%Creator: Kalvinora"));
    }

    void rewritesTheHeader_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QString>("owner");
        QTest::addColumn<QByteArray>("expected");

        const QByteArray title = "%%Title: report";
        QTest::newRow("driver header") << QByteArray("%!PS-Adobe-3.0\r\n%%Title: Microsoft Word - report.doc\r\n%%Creator: PScript5.dll Version 5.2\r\n%%For: user\r\n%%EndComments\r\nshowpage\r\n")
                                       << QString() << Crlf({"%!PS-Adobe-3.0", title, Creator(), "%%For: user", "%%EndComments", "showpage"});
        QTest::newRow("lower and mixed case") << QByteArray("%%title: x\n%%CrEaToR: y\n")
                                              << QString() << Crlf({title, Creator()});
        QTest::newRow("second title stays") << QByteArray("%%Title: a\n%%Creator: b\n%%Title: embedded\n%%Creator: embedded\n")
                                            << QString() << Crlf({title, Creator(), "%%Title: embedded", "%%Creator: embedded"});
        QTest::newRow("no creator, scanned to the end") << QByteArray("%!PS\n%%Title: a\nx\n%%Title: b\n")
                                                        << QString() << Crlf({"%!PS", title, "x", "%%Title: b"});
        QTest::newRow("LF only") << QByteArray("a\nb\n\nc") << QString() << Crlf({"a", "b", "", "c"});
        QTest::newRow("lone CR dropped") << QByteArray("a\rb\r\nc\r") << QString() << Crlf({"ab", "c"});
        QTest::newRow("tag without blank") << QByteArray("%%Title:x\n") << QString() << Crlf({title});
        QTest::newRow("short lines") << QByteArray("%%\n%%Title\n%%TITLE:\n") << QString() << Crlf({"%%", "%%Title", title});
        QTest::newRow("tag not at the line start") << QByteArray(" %%Title: a\n") << QString() << Crlf({" %%Title: a"});
        QTest::newRow("owner replaced once") << QByteArray("%%For: user\n%%for: other\n") << QStringLiteral("Anna")
                                             << Crlf({"%%For: Anna", "%%for: other"});
        QTest::newRow("empty file") << QByteArray() << QString() << QByteArray();
    }
    void rewritesTheHeader()
    {
        QFETCH(QByteArray, input);
        QFETCH(QString, owner);
        QFETCH(QByteArray, expected);
        const QString path = Path(QStringLiteral("header.ps"));
        QVERIFY(WriteFile(path, input));
        SetPSFileTags(path, owner, QStringLiteral("report"));
        QCOMPARE(ReadFile(path), expected);
        VerifyNoCompanions(path);
        QCOMPARE(LogMessages(), (QStringList{QStringLiteral("Begin SetPSFileTags ") + path, QStringLiteral("End SetPSFileTags ") + path}));
    }

    void emptyFixedTitle()
    {
        const QString path = Path(QStringLiteral("fixed.ps"));
        QVERIFY(WriteFile(path, "%%Title: old\n"));
        ProgramState s;
        s.TitleMode = 2;
        SetPSFileTags(path, QString(), GetDocTitle(s, QStringLiteral("/out/report.doc")));
        QCOMPARE(ReadFile(path), QByteArray("%%Title: \r\n"));
    }

    // A link planted under the copy's name is never written through.
    void plantedLinkIsNotFollowed()
    {
        const QString path = Path(QStringLiteral("planted.ps"));
        const QString victim = Path(QStringLiteral("victim.txt"));
        QVERIFY(WriteFile(path, "%%Title: old\n"));
        QVERIFY(WriteFile(victim, "keep me"));
        QVERIFY(QFile::link(victim, path + QStringLiteral(".new")));
        SetPSFileTags(path, QString(), QStringLiteral("report"));
        QCOMPARE(ReadFile(victim), QByteArray("keep me"));
        QCOMPARE(ReadFile(path), QByteArray("%%Title: report\r\n"));
        VerifyNoCompanions(path);
    }

    void titleStaysOnOneLine()
    {
        const QString path = Path(QStringLiteral("oneline.ps"));
        QVERIFY(WriteFile(path, "%%Title: old\nshowpage\n"));
        SetPSFileTags(path, QString(), QStringLiteral("a\nshowpage\rb"));
        QCOMPARE(ReadFile(path), QByteArray("%%Title: a showpage b\r\nshowpage\r\n"));
    }

    void endOfTextMarkLeavesTheFileAlone_data()
    {
        QTest::addColumn<QByteArray>("input");
        QTest::newRow("inside") << QByteArray("%%Title: a\nbinary\x1a" "rest\n");
        QTest::newRow("last byte") << QByteArray("%%Title: a\nx\n\x1a");
        // Far beyond the first read blocks, where whole blocks are copied at once.
        QByteArray crlf = CrLfFile(3 << 20);
        crlf.insert((2 << 20) + 5, '\x1a');
        QTest::newRow("deep in a CR LF body") << crlf;
        QByteArray lf = CrLfFile(3 << 20).replace("\r\n", "\n");
        lf.insert((2 << 20) + 5, '\x1a');
        QTest::newRow("deep in an LF body") << lf;
    }
    void endOfTextMarkLeavesTheFileAlone()
    {
        QFETCH(QByteArray, input);
        const QString path = Path(QStringLiteral("eot.ps"));
        QVERIFY(WriteFile(path, input));
        SetPSFileTags(path, QString(), QStringLiteral("report"));
        QCOMPARE(ReadFile(path), input);
        VerifyNoCompanions(path);
        QCOMPARE(LogMessages(), (QStringList{QStringLiteral("Begin SetPSFileTags ") + path,
                                             QStringLiteral("Fehler beim Umkopieren in SetPSFileTags"),
                                             QStringLiteral("End SetPSFileTags ") + path}));
    }

    void onlyTheFirstOfSeveralFiles()
    {
        const QString first = Path(QStringLiteral("b.ps"));
        const QString second = Path(QStringLiteral("c.ps"));
        QVERIFY(WriteFile(first, "%%Title: b\n"));
        QVERIFY(WriteFile(second, "%%Title: c\n"));
        SetPSFileTags(first + ' ' + second, QString(), QStringLiteral("report"));
        QCOMPARE(ReadFile(first), QByteArray("%%Title: report\r\n"));
        QCOMPARE(ReadFile(second), QByteArray("%%Title: c\n"));
        QCOMPARE(LogMessages().first(), QStringLiteral("Begin SetPSFileTags ") + first);
    }

    void missingFileLogsThreeLines()
    {
        const QString path = Path(QStringLiteral("missing.ps"));
        SetPSFileTags(path, QString(), QStringLiteral("report"));
        const QStringList log = LogMessages();
        QCOMPARE(log.size(), 3);
        QCOMPARE(log[0], QStringLiteral("Begin SetPSFileTags ") + path);
        QVERIFY2(log[1].startsWith(QLatin1String("Fehler bei SetPSFileTags: ")), qPrintable(log[1]));
        QVERIFY2(log[1].contains(QLatin1String("missing.ps")), qPrintable(log[1]));
        QCOMPARE(log[2], QStringLiteral("End SetPSFileTags ") + path);
        QVERIFY(!QFileInfo::exists(path));
        VerifyNoCompanions(path);
    }

    void freeSpaceCheck_data()
    {
        QTest::addColumn<qint64>("spare");
        QTest::addColumn<bool>("tagged");
        QTest::newRow("exactly size + 65536 aborts") << qint64(65536) << false;
        QTest::newRow("less aborts") << qint64(100) << false;
        QTest::newRow("one byte more copies") << qint64(65537) << true;
    }
    void freeSpaceCheck()
    {
        QFETCH(qint64, spare);
        QFETCH(bool, tagged);
        const QString path = Path(QStringLiteral("space.ps"));
        const QByteArray input = "%%Title: a\n";
        QVERIFY(WriteFile(path, input));
        const qint64 freeBytes = input.size() + spare;
        QString asked;
        platform::SetDiskSpaceQuery([&](const QString& p) {
            asked = p;
            return platform::DiskSpace{freeBytes, freeBytes * 2};
        });
        SetPSFileTags(path, QString(), QStringLiteral("report"));
        QCOMPARE(QFileInfo(asked).canonicalPath(), QFileInfo(path).canonicalPath());
        if (tagged) {
            QCOMPARE(ReadFile(path), QByteArray("%%Title: report\r\n"));
        } else {
            QCOMPARE(ReadFile(path), input);
            QCOMPARE(LogMessages(), (QStringList{QStringLiteral("Begin SetPSFileTags ") + path,
                                                 QStringLiteral("Abbruch SetPSFileTags: %1 %2").arg(input.size()).arg(freeBytes)}));
        }
        VerifyNoCompanions(path);
    }

    void tagsAcrossReadBlocks_data()
    {
        QTest::addColumn<int>("offset");
        // Read blocks are a power of two in size; the tags straddle each
        // likely boundary.
        for (int power = 12; power <= 21; ++power)
            QTest::addRow("2^%d", power) << (1 << power) - 4;
    }
    void tagsAcrossReadBlocks()
    {
        QFETCH(int, offset);
        const QString path = Path(QStringLiteral("blocks.ps"));
        QByteArray input;
        const QByteArray comment = "% " + QByteArray(78, 'x') + "\r\n";
        while (input.size() < offset)
            input += comment;
        input.truncate(offset - 1);
        input += "\n%%Title: old\n";
        // A line far longer than any block, and a creator line split the same way.
        input += QByteArray(3 << 20, 'y') + "\r\n";
        input += QByteArray(offset - 7, 'z') + "\n%%creator: old\r\n%%Creator: second\n";
        QVERIFY(WriteFile(path, input));
        SetPSFileTags(path, QString(), QStringLiteral("report"));

        QByteArray expected = input;
        expected.replace("\r\n", "\n");
        expected.replace("%%Title: old", "%%Title: report");
        expected.replace("%%creator: old", Creator());
        expected.replace("\n", "\r\n");
        const QByteArray actual = ReadFile(path);
        QCOMPARE(actual.size(), expected.size());
        QVERIFY(actual == expected);
    }

    void lineEndsAtBlockEdges_data()
    {
        QTest::addColumn<int>("edge");
        QTest::addColumn<int>("shift");
        QTest::addColumn<QByteArray>("insert");
        // Read blocks are a power of two in size; in a body of CR LF lines,
        // each odd line end sits on either side of each likely block edge.
        for (int power = 12; power <= 21; ++power) {
            const int edge = 1 << power;
            QTest::addRow("lone LF opening a block, 2^%d", power) << edge << 0 << QByteArray("\n");
            QTest::addRow("lone LF closing a block, 2^%d", power) << edge << -1 << QByteArray("\n");
            QTest::addRow("lone CR opening a block, 2^%d", power) << edge << 0 << QByteArray("\r");
            QTest::addRow("lone CR closing a block, 2^%d", power) << edge << -1 << QByteArray("\r");
            QTest::addRow("CR LF split by the edge, 2^%d", power) << edge << -1 << QByteArray("\r\n");
            QTest::addRow("CR CR LF split by the edge, 2^%d", power) << edge << -1 << QByteArray("\r\r\n");
        }
    }
    void lineEndsAtBlockEdges()
    {
        QFETCH(int, edge);
        QFETCH(int, shift);
        QFETCH(QByteArray, insert);
        // A line of text runs across the edge; the insert goes into it.
        QByteArray input = CrLfFile(edge - 40);
        input += QByteArray(edge + 40 - int(input.size()), 'y') + "\r\n";
        input += CrLfFile(edge + (1 << 17)).mid(input.size());
        input.insert(edge + shift, insert);
        VerifyTaggedCopy(Path(QStringLiteral("edges.ps")), input);
    }

    void fileOfExactlyBlockSize_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<QByteArray>("ending");
        for (int power = 12; power <= 21; ++power) {
            QTest::addRow("ending in CR LF, 2^%d", power) << (1 << power) << QByteArray("\r\n");
            QTest::addRow("ending in text, 2^%d", power) << (1 << power) << QByteArray("z");
            QTest::addRow("ending in a lone CR, 2^%d", power) << (1 << power) << QByteArray("z\r");
        }
    }
    void fileOfExactlyBlockSize()
    {
        QFETCH(int, size);
        QFETCH(QByteArray, ending);
        QByteArray input = CrLfFile(size - 10);
        input += QByteArray(size - int(input.size()) - int(ending.size()), 'z') + ending;
        QCOMPARE(input.size(), size);
        VerifyTaggedCopy(Path(QStringLiteral("exact.ps")), input);
    }

    void shorterCopyKeepsNoSpareRoom()
    {
        // Lone CRs make the copy shorter than the file; room claimed for the
        // copy beyond its end must not stay taken on the drive.
        QByteArray input = CrLfFile(4 << 20);
        input.replace("% xxxx", "% x\rxxx");
        const QString path = Path(QStringLiteral("shorter.ps"));
        QVERIFY(WriteFile(path, input));
        SetPSFileTags(path, QString(), QStringLiteral("report"));
        const QByteArray actual = ReadFile(path);
        QCOMPARE(actual, Tagged(WithCrLf(input)));
        QVERIFY(actual.size() < input.size() - (32 << 10));
        struct stat info {};
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &info), 0);
        QVERIFY2(qint64(info.st_blocks) * 512 < input.size(),
                 qPrintable(QStringLiteral("%1 bytes taken for %2").arg(qint64(info.st_blocks) * 512).arg(actual.size())));
    }

    void bodyAfterTheHeader_data()
    {
        QTest::addColumn<QByteArray>("lineEnd");
        QTest::addColumn<bool>("loneCarriageReturns");
        QTest::addColumn<bool>("finalLineEnd");
        QTest::newRow("LF") << QByteArray("\n") << false << true;
        QTest::newRow("CR LF") << QByteArray("\r\n") << false << true;
        QTest::newRow("LF, lone CRs") << QByteArray("\n") << true << true;
        QTest::newRow("LF, no final line end") << QByteArray("\n") << false << false;
        QTest::newRow("CR LF, no final line end") << QByteArray("\r\n") << false << false;
    }
    void bodyAfterTheHeader()
    {
        // Once both tags are replaced the rest of the file is only copied;
        // the copy must still keep every line and end each with CR LF.
        QFETCH(QByteArray, lineEnd);
        QFETCH(bool, loneCarriageReturns);
        QFETCH(bool, finalLineEnd);
        const QString path = Path(QStringLiteral("body.ps"));
        QByteArray input = "%!PS" + lineEnd + "%%Title: t" + lineEnd + "%%Creator: c" + lineEnd;
        QByteArray expected = "%!PS\r\n%%Title: report\r\n" + Creator() + "\r\n";
        for (int i = 0; i < 20000; ++i) {
            // Lines of many lengths, empty ones among them, and now and then
            // one longer than a read block.
            QByteArray line = (i % 997 == 0) ? QByteArray(300000, 'L') : QByteArray(i % 131, char('a' + i % 26));
            if (i % 50 == 0)
                line += "%%Title: later";
            QByteArray written = line;
            if (loneCarriageReturns && i % 7 == 0)
                written.insert(written.size() / 2, '\r');
            const bool last = i == 19999;
            input += written + ((last && !finalLineEnd) ? QByteArray() : lineEnd);
            if (!(last && !finalLineEnd && line.isEmpty()))
                expected += line + "\r\n";
        }
        QVERIFY(WriteFile(path, input));
        SetPSFileTags(path, QString(), QStringLiteral("report"));
        const QByteArray actual = ReadFile(path);
        QCOMPARE(actual.size(), expected.size());
        QVERIFY(actual == expected);
    }

    void keepsPermissions()
    {
        const QString path = Path(QStringLiteral("perm.ps"));
        QVERIFY(WriteFile(path, "%%Title: a\n"));
        const auto perms = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup;
        QVERIFY(QFile::setPermissions(path, perms));
        SetPSFileTags(path, QString(), QStringLiteral("report"));
        QCOMPARE(ReadFile(path), QByteArray("%%Title: report\r\n"));
        // Owner, group and others (the "user" flags only repeat the owner's for us).
        QCOMPARE(int(QFile::permissions(path) & 0x7077), int(perms & 0x7077));
    }

    void taggingThroughAnAliasChangesTheRealFile_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("name");
        QTest::newRow("folder with blank") << "work dir" << "report.ps";
        QTest::newRow("name with blank") << "work" << "my report.ps";
    }
    void taggingThroughAnAliasChangesTheRealFile()
    {
        QFETCH(QString, folder);
        QFETCH(QString, name);
        QDir().mkpath(Path(folder));
        const QString real = Path(folder) + '/' + name;
        QVERIFY(WriteFile(real, "%%Title: a\n"));
        const QString alias = ShortPath(real);
        QVERIFY(!alias.contains(' '));
        SetPSFileTags(alias, QString(), QStringLiteral("report"));
        QCOMPARE(ReadFile(real), QByteArray("%%Title: report\r\n"));
        QVERIFY(!QFileInfo(real).isSymLink());
        QCOMPARE(QFileInfo(alias).canonicalFilePath(), QFileInfo(real).canonicalFilePath());
        VerifyNoCompanions(real);
    }
};

KALVINORA_TEST_MAIN(TestPSFileTags)
#include "TestPSFileTags.moc"
