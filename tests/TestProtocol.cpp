#include "support/TestEnvironment.h"

#include "core/Protocol.h"
#include "core/Tools.h"

#include <QApplication>
#include <QFile>
#include <QLocale>

namespace {

QList<QByteArray> Lines(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QByteArray all = f.readAll();
    if (all.endsWith("\r\n"))
        all.chop(2);
    return all.split('\n');
}

void WriteLines(const QString& path, int count)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    for (int i = 1; i <= count; ++i)
        f.write("old " + QByteArray::number(i) + "\r\n");
}

}  // namespace

class TestProtocol : public QObject {
    Q_OBJECT

    QString log() const { return ProtocolFileName(); }

private slots:
    void init()
    {
        QFile::setPermissions(log(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QFile::remove(log());
        SetProtocolEnabled(true);
    }

    void switchedOffTouchesNothing()
    {
        SetProtocolEnabled(false);
        WriteProtocol("nothing");
        QVERIFY(!QFile::exists(log()));
        WriteLines(log(), 3);
        const QDateTime before = QFileInfo(log()).lastModified();
        WriteProtocol("nothing");
        QCOMPARE(Lines(log()).size(), 3);
        QCOMPARE(QFileInfo(log()).lastModified(), before);
    }

    void firstLineCreatesTheFile()
    {
        WriteProtocol(QStringLiteral("Start GetPrinterlist"));
        const auto lines = Lines(log());
        QCOMPARE(lines.size(), 1);
        QVERIFY(lines[0].endsWith(" - Start GetPrinterlist\r") || lines[0].endsWith(" - Start GetPrinterlist"));
        QFile f(log());
        f.open(QIODevice::ReadOnly);
        QVERIFY(f.readAll().endsWith(" - Start GetPrinterlist\r\n"));
    }

    void emptyMessageAndLineBreaks()
    {
        WriteProtocol(QString());
        WriteProtocol(QStringLiteral("one\r\ntwo"));
        WriteProtocol(QStringLiteral("three"));
        QFile f(log());
        f.open(QIODevice::ReadOnly);
        const QList<QByteArray> lines = f.readAll().split('\n');
        QVERIFY(lines[0].endsWith(" - \r"));
        QVERIFY(lines[1].endsWith(" - one\r"));
        QCOMPARE(lines[2], QByteArray("two\r"));  // read back as a line of its own
        QVERIFY(lines[3].endsWith(" - three\r"));
    }

    // A log whose lines do not all end in CR LF (written by hand, or cut
    // short) is written anew with CR LF after every line; one that does is
    // only added to.
    void lineEndsOfAnOlderLog_data()
    {
        QTest::addColumn<QByteArray>("existing");
        QTest::addColumn<QByteArray>("kept");
        QTest::newRow("CR LF lines") << QByteArray("a\r\nb\r\n") << QByteArray("a\r\nb\r\n");
        QTest::newRow("LF lines") << QByteArray("a\nb\n") << QByteArray("a\r\nb\r\n");
        QTest::newRow("lone CR") << QByteArray("a\rb\r\n") << QByteArray("a\r\nb\r\n");
        QTest::newRow("last line open") << QByteArray("a\r\nb") << QByteArray("a\r\nb\r\n");
    }

    void lineEndsOfAnOlderLog()
    {
        QFETCH(QByteArray, existing);
        QFETCH(QByteArray, kept);
        {
            QFile f(log());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(existing);
        }
        WriteProtocol(QStringLiteral("new"));
        WriteProtocol(QStringLiteral("newer"));
        QFile f(log());
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray all = f.readAll();
        QVERIFY2(all.startsWith(kept), all.constData());
        const QList<QByteArray> added = all.mid(kept.size()).split('\n');
        QCOMPARE(added.size(), 3);
        QVERIFY(added[0].endsWith(" - new\r"));
        QVERIFY(added[1].endsWith(" - newer\r"));
        QVERIFY(added[2].isEmpty());
    }

    void trimming_data()
    {
        QTest::addColumn<int>("existing");
        QTest::addColumn<int>("after");
        QTest::addColumn<QByteArray>("first");
        QTest::newRow("999 grows") << 999 << 1000 << QByteArray("old 1\r");
        QTest::newRow("1000 grows to 1001") << 1000 << 1001 << QByteArray("old 1\r");
        QTest::newRow("1001 is cut to 900") << 1001 << 900 << QByteArray("old 103\r");
        QTest::newRow("5000 cut in one call") << 5000 << 900 << QByteArray("old 4102\r");
    }

    void trimming()
    {
        QFETCH(int, existing);
        QFETCH(int, after);
        QFETCH(QByteArray, first);
        WriteLines(log(), existing);
        WriteProtocol(QStringLiteral("new"));
        const auto lines = Lines(log());
        QCOMPARE(lines.size(), after);
        QCOMPARE(lines.first(), first);
        QVERIFY(lines.last().endsWith(" - new"));
    }

    void readOnlyLogLeavesCallerAndFileAlone()
    {
        WriteLines(log(), 2);
        QFile::setPermissions(log(), QFileDevice::ReadOwner);
        WriteProtocol(QStringLiteral("lost"));
        QCOMPARE(Lines(log()).size(), 2);
    }

    void unreadableLogReachesTheCaller()
    {
        // The log path taken by a folder: reading fails, which reaches the caller.
        QDir().mkpath(log());
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, WriteProtocol(QStringLiteral("x")));
        QDir().rmdir(log());
    }

    void timestampFormat_data()
    {
        QTest::addColumn<QDateTime>("when");
        QTest::addColumn<QString>("expected");
        QTest::newRow("afternoon") << QDateTime(QDate(2008, 12, 9), QTime(14, 3, 27)) << QStringLiteral("09.12.2008 14:03:27");
        QTest::newRow("midnight") << QDateTime(QDate(2008, 12, 9), QTime(0, 0, 0)) << QStringLiteral("09.12.2008");
        QTest::newRow("one second past") << QDateTime(QDate(2008, 12, 9), QTime(0, 0, 1)) << QStringLiteral("09.12.2008 00:00:01");
    }

    void timestampFormat()
    {
        QFETCH(QDateTime, when);
        QFETCH(QString, expected);
        const QLocale saved;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(LocaleTimestamp(when), expected);
        QLocale::setDefault(saved);
    }
};

KALVINORA_TEST_MAIN(TestProtocol)
#include "TestProtocol.moc"
