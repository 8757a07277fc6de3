#include "support/TestEnvironment.h"

#include "support/CabinetReader.h"
#include "support/CABFile.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

namespace {

// Text that compresses well, different for every seed.
QByteArray TextData(qsizetype size, int seed)
{
    QByteArray out;
    int line = 0;
    while (out.size() < size)
        out += QStringLiteral("%1 - Zeile %2: Start GetPrinterlist, vor Ps To PDF\r\n").arg(seed).arg(++line).toUtf8();
    out.truncate(size);
    return out;
}

// Data that does not compress.
QByteArray RandomData(qsizetype size, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray out(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        out[i] = char(random.bounded(256));
    return out;
}

void WriteFile(const QString& path, const QByteArray& data, const QDateTime& modified)
{
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(path));
    QCOMPARE(f.write(data), data.size());
    QVERIFY(f.flush());
    QVERIFY(f.setFileTime(modified, QFileDevice::FileModificationTime));
    f.close();
}

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return "<missing>";
    return f.readAll();
}

// The DOS time keeps even seconds only.
QDateTime DosRounded(const QDateTime& t)
{
    const QTime time = t.time();
    return QDateTime(t.date(), QTime(time.hour(), time.minute(), time.second() - time.second() % 2));
}

}  // namespace

class TestCABFile : public QObject {
    Q_OBJECT
private slots:
    void extractsToTheSameBytesAndTimes_data()
    {
        QTest::addColumn<QList<qsizetype>>("sizes");
        QTest::addColumn<bool>("random");
        QTest::addColumn<int>("compression");
        QTest::addColumn<int>("folders");

        QTest::newRow("small text files") << QList<qsizetype>{120, 0, 3000} << false << int(typMSZIP) << 1;
        QTest::newRow("blocks spanning files") << QList<qsizetype>{40000, 70000, 32768, 1} << false << int(typMSZIP) << 1;
        QTest::newRow("data that does not shrink") << QList<qsizetype>{100000, 5} << true << int(typMSZIP) << 1;
        // 1 MB that does not shrink fills more than one folder.
        QTest::newRow("beyond the folder threshold") << QList<qsizetype>{1000000, 20000} << true << int(typMSZIP) << 2;
        QTest::newRow("uncompressed") << QList<qsizetype>{50000, 17} << false << int(typNone) << 1;
    }

    void extractsToTheSameBytesAndTimes()
    {
        QFETCH(QList<qsizetype>, sizes);
        QFETCH(bool, random);
        QFETCH(int, compression);
        QFETCH(int, folders);

        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("in")));
        TCABFile cab;
        cab.CompressionType = TCompressionType(compression);
        QList<QByteArray> contents;
        QList<QDateTime> times;
        for (int i = 0; i < sizes.size(); ++i) {
            const QString path = dir.filePath(QStringLiteral("in/file%1.dat").arg(i));
            contents << (random ? RandomData(sizes[i], quint32(i + 1)) : TextData(sizes[i], i));
            // Odd seconds included: they come back as the even second before.
            times << QDateTime(QDate(2019 + i, 3 + i, 4), QTime(5, 6 + i, 7 + i));
            WriteFile(path, contents.last(), times.last());
            cab.Add(path);
        }
        cab.CABFile = dir.filePath(QStringLiteral("out.cab"));
        QVERIFY(cab.Build());

        const CabinetDirectory directory = CabinetDirectory::Read(cab.CABFile);
        QVERIFY(directory.valid);
        QCOMPARE(directory.folders.size(), folders);
        for (const auto& folder : directory.folders)
            QCOMPARE(int(folder.compression), compression == typNone ? 0 : 1);
        QCOMPARE(directory.files.size(), sizes.size());

        QByteArray output;
        QCOMPARE(RunTool(QStringLiteral("cabextract"), {QStringLiteral("-t"), cab.CABFile}, &output), 0);
        const QString outDir = dir.filePath(QStringLiteral("out"));
        QCOMPARE(RunTool(QStringLiteral("cabextract"), {QStringLiteral("-q"), QStringLiteral("-d"), outDir, cab.CABFile},
                         &output),
                 0);
        for (int i = 0; i < sizes.size(); ++i) {
            const QString extracted = outDir + QStringLiteral("/file%1.dat").arg(i);
            QVERIFY2(ReadFile(extracted) == contents[i], qPrintable(extracted));
            QCOMPARE(QFileInfo(extracted).lastModified(), DosRounded(times[i]));
        }

        // gcab reads it too and gives the same bytes.
        QCOMPARE(RunTool(QStringLiteral("gcab"), {QStringLiteral("-t"), cab.CABFile}, &output), 0);
        for (int i = 0; i < sizes.size(); ++i)
            QVERIFY(output.contains(QStringLiteral("file%1.dat").arg(i).toUtf8()));
        const QString gcabDir = dir.filePath(QStringLiteral("gcab"));
        QVERIFY(QDir().mkpath(gcabDir));
        QCOMPARE(RunTool(QStringLiteral("gcab"), {QStringLiteral("-x"), QStringLiteral("-C"), gcabDir, cab.CABFile}), 0);
        for (int i = 0; i < sizes.size(); ++i)
            QVERIFY(ReadFile(gcabDir + QStringLiteral("/file%1.dat").arg(i)) == contents[i]);
    }

    void headerCarriesTheCabinetSettings()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("system.txt"));
        WriteFile(file, TextData(500, 1), QDateTime::currentDateTime());
        TCABFile cab;
        cab.Add(file);
        cab.CABFile = dir.filePath(QStringLiteral("SupportInfo.CAB"));
        QVERIFY(cab.Build());

        const QByteArray bytes = ReadFile(cab.CABFile);
        QVERIFY(bytes.startsWith("MSCF"));
        // The set identifier 12345 sits at offset 32, little-endian.
        QCOMPARE(quint8(bytes[32]), quint8(12345 & 0xff));
        QCOMPARE(quint8(bytes[33]), quint8(12345 >> 8));
        const CabinetDirectory directory = CabinetDirectory::Read(cab.CABFile);
        QCOMPARE(directory.setId, quint16(12345));
        QCOMPARE(directory.cabinetIndex, quint16(0));
        QCOMPARE(directory.flags, quint16(0));  // no neighbours, no reserved areas
        QCOMPARE(directory.cabinetSize, quint32(bytes.size()));
        QCOMPARE(directory.versionMajor, quint8(1));
        QCOMPARE(directory.versionMinor, quint8(3));
    }

    void namesAndAttributes_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("relPath");
        QTest::addColumn<int>("permissions");
        QTest::addColumn<QByteArray>("nameInCabinet");
        QTest::addColumn<int>("attributes");
        QTest::addColumn<QString>("extractedAs");

        const int rw = int(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
        const int ro = int(QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        const int exe = rw | int(QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther);
        QTest::newRow("bare name") << "settings.ini" << "" << rw << QByteArray("settings.ini") << 0x20 << "settings.ini";
        QTest::newRow("read-only") << "protokoll.txt" << "" << ro << QByteArray("protokoll.txt") << 0x21 << "protokoll.txt";
        QTest::newRow("hidden") << ".versteckt" << "" << rw << QByteArray(".versteckt") << 0x22 << ".versteckt";
        QTest::newRow("executable is not marked") << "run.sh" << "" << exe << QByteArray("run.sh") << 0x20 << "run.sh";
        QTest::newRow("folder in the cabinet") << "a.txt" << "logs" << rw << QByteArray("logs\\a.txt") << 0x20 << "logs/a.txt";
        QTest::newRow("folder with separator") << "a.txt" << "logs\\" << rw << QByteArray("logs\\a.txt") << 0x20 << "logs/a.txt";
        QTest::newRow("nested folder") << "a.txt" << "x/y" << rw << QByteArray("x\\y\\a.txt") << 0x20 << "x/y/a.txt";
        QTest::newRow("non-ASCII name") << QStringLiteral("Übersicht.txt") << "" << rw
                                        << QStringLiteral("Übersicht.txt").toUtf8() << 0xa0
                                        << QStringLiteral("Übersicht.txt");
    }

    void namesAndAttributes()
    {
        QFETCH(QString, fileName);
        QFETCH(QString, relPath);
        QFETCH(int, permissions);
        QFETCH(QByteArray, nameInCabinet);
        QFETCH(int, attributes);
        QFETCH(QString, extractedAs);

        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("deep/inside")));
        const QString path = dir.filePath(QStringLiteral("deep/inside/") + fileName);
        WriteFile(path, "inhalt\r\n", QDateTime(QDate(2020, 1, 2), QTime(3, 4, 6)));
        QVERIFY(QFile::setPermissions(path, QFile::Permissions(permissions)));

        TCABFile cab;
        cab.Add(path, relPath);
        cab.CABFile = dir.filePath(QStringLiteral("out.cab"));
        QVERIFY(cab.Build());

        const CabinetDirectory directory = CabinetDirectory::Read(cab.CABFile);
        QCOMPARE(directory.files.size(), 1);
        QCOMPARE(directory.files[0].name, nameInCabinet);
        QCOMPARE(int(directory.files[0].attributes), attributes);
        QCOMPARE(directory.files[0].Modified(), QDateTime(QDate(2020, 1, 2), QTime(3, 4, 6)));

        const QString outDir = dir.filePath(QStringLiteral("out"));
        QCOMPARE(RunTool(QStringLiteral("cabextract"), {QStringLiteral("-q"), QStringLiteral("-d"), outDir, cab.CABFile}), 0);
        QCOMPARE(ReadFile(outDir + '/' + extractedAs), QByteArray("inhalt\r\n"));
    }

    void failuresRaiseTheirMessage_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");

        QTest::newRow("missing file") << "missing" << 1 << "Failure opening file to be stored in cabinet";
        QTest::newRow("unreadable file") << "directory" << 2 << "Failure reading file to be stored in cabinet";
        QTest::newRow("LZX") << "lzx" << 5 << "Unknown compression type";
        QTest::newRow("target not writable") << "target" << 6 << "Could not create cabinet file";
    }

    void failuresRaiseTheirMessage()
    {
        QFETCH(QString, fault);
        QFETCH(int, code);
        QFETCH(QString, message);

        QTemporaryDir dir;
        const QString good = dir.filePath(QStringLiteral("good.txt"));
        WriteFile(good, "gut", QDateTime::currentDateTime());
        const QString blocker = dir.filePath(QStringLiteral("blocker"));
        WriteFile(blocker, "a file where a folder should be", QDateTime::currentDateTime());

        TCABFile cab;
        cab.Add(good);
        cab.CABFile = dir.filePath(QStringLiteral("out.cab"));
        // An archive of an earlier call stays as it was when a new one fails.
        WriteFile(cab.CABFile, "older archive", QDateTime::currentDateTime());

        if (fault == QLatin1String("missing"))
            cab.Add(dir.filePath(QStringLiteral("not-there.txt")));
        else if (fault == QLatin1String("directory"))
            cab.Add(dir.path());
        else if (fault == QLatin1String("lzx"))
            cab.CompressionType = typLZX;
        else if (fault == QLatin1String("target"))
            cab.CABFile = blocker + QStringLiteral("/out.cab");

        bool raised = false;
        try {
            cab.Build();
        } catch (const ECABFileError& e) {
            raised = true;
            QCOMPARE(e.Code(), code);
            QCOMPARE(e.Message(), message);
            QCOMPARE(ExceptionText(e), message);
        }
        QVERIFY(raised);
        QCOMPARE(ReadFile(dir.filePath(QStringLiteral("out.cab"))), QByteArray("older archive"));
    }

    void leavesNoTemporaryFilesBehind()
    {
        QTemporaryDir dir;
        const QString temp = dir.filePath(QStringLiteral("tmp"));
        QVERIFY(QDir().mkpath(temp));
        qputenv("TMPDIR", temp.toLocal8Bit());

        const QString file = dir.filePath(QStringLiteral("a.txt"));
        WriteFile(file, TextData(70000, 3), QDateTime::currentDateTime());
        TCABFile ok;
        ok.Add(file);
        ok.CABFile = dir.filePath(QStringLiteral("ok.cab"));
        ok.Build();
        TCABFile failing;
        failing.Add(file);
        failing.Add(dir.filePath(QStringLiteral("missing.txt")));
        failing.CABFile = dir.filePath(QStringLiteral("failing.cab"));
        QVERIFY_THROWS_EXCEPTION(ECABFileError, failing.Build());

        QCOMPARE(QDir(temp).entryList(QDir::Files | QDir::Hidden), QStringList());
        QVERIFY(!QFileInfo::exists(failing.CABFile));
    }
};

KALVINORA_TEST_MAIN(TestCABFile)
#include "TestCABFile.moc"
