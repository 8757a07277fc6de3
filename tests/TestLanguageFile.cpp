#include "support/TestEnvironment.h"

#include "core/LanguageFile.h"
#include "core/Protocol.h"
#include "platform/SystemPaths.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTextDocument>

namespace {

void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    f.write(bytes);
}

QByteArray ReadBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString FixtureLang(const QString& name) { return TestEnvironment::FixturePath(QStringLiteral("lang/") + name); }

}  // namespace

class TestLanguageFile : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        OpenLanguageFile(QString());
        SetProtocolEnabled(false);
    }
    void cleanup()
    {
        OpenLanguageFile(QString());
        SetProtocolEnabled(false);
        platform::SetProgramFilePath(QString());
    }

    // Every reading rule, in every encoding a language file may come in.
    void readingRules_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");

        const QString def = QStringLiteral("<default>");
        struct Case {
            const char* name;
            const char* section;
            const char* key;
            QString expected;
        };
        const QList<Case> cases = {
            {"umlauts and euro", "Texte", "Gruss", QStringLiteral("Grüß Gott – schön, 5 €")},
            {"empty value is not the default", "Texte", "Leer", QString()},
            {"value keeps further equals signs", "Texte", "Gleich", QStringLiteral("a=b=c")},
            {"leading blank belongs to the key", "Texte", "Blank", def},
            {"key with its leading blank", "Texte", " Blank", QStringLiteral("the blank belongs to the key")},
            {"blanks around equals: plain key misses", "Texte", "Spaced", def},
            {"blanks around equals: key with blank", "Texte", "Spaced ", QStringLiteral(" value")},
            {"key case: upper", "Texte", "Case", QStringLiteral("upper")},
            {"key case: lower", "Texte", "case", QStringLiteral("lower")},
            {"key case: other", "Texte", "CASE", def},
            {"first of a repeated key", "Texte", "Dup", QStringLiteral("first")},
            {"semicolon lines are ordinary lines", "Texte", "; Kommentar", QStringLiteral("looks like a key")},
            {"quotes stay", "Texte", "Quoted", QStringLiteral("\"in quotes\"")},
            {"markup and placeholder stay", "Texte", "Markup", QStringLiteral("<b>fett</b> %s<br>")},
            {"line without equals never matches", "Texte", "NoEquals", def},
            {"section name ignores case", "TEXTE", "Gruss", QStringLiteral("Grüß Gott – schön, 5 €")},
            {"header with blank after bracket opens nothing", "Blank", "AfterBlankHeader", def},
            {"lines after a broken header stay in the section before", "Texte", "AfterBlankHeader",
             QStringLiteral("belongs to Texte")},
            {"repeated section is dropped whole", "Texte", "OnlyInSecond", def},
            {"entry before an end-of-file mark", "Other", "Tail", QStringLiteral("x")},
            {"lines before the first section", "Texte", "LostKey", def},
            {"last line without break is not read", "Last", "LastLine", def},
            {"missing section", "Nowhere", "Gruss", def},
        };
        for (const char* file : {"rules.lng", "rules-utf8bom.lng", "rules-utf16le.lng", "rules-utf16be.lng"}) {
            for (const Case& c : cases) {
                QTest::addRow("%s: %s", file, c.name) << FixtureLang(QString::fromLatin1(file))
                                                      << QString::fromUtf8(c.section) << QString::fromUtf8(c.key)
                                                      << c.expected;
            }
        }
    }
    void readingRules()
    {
        QFETCH(QString, file);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        QVERIFY(QFileInfo::exists(file));
        const LanguageFile reader(file);
        QCOMPARE(reader.ReadString(section, key, QStringLiteral("<default>")), expected);
    }

    void lineEnds_data()
    {
        QTest::addColumn<QByteArray>("lineEnd");
        QTest::newRow("CR LF") << QByteArray("\r\n");
        QTest::newRow("LF") << QByteArray("\n");
        QTest::newRow("CR") << QByteArray("\r");
    }
    void lineEnds()
    {
        QFETCH(QByteArray, lineEnd);
        QTemporaryDir dir;
        QByteArray text = ReadBytes(FixtureLang(QStringLiteral("rules.lng")));
        text.replace("\r\n", lineEnd);
        const QString path = dir.filePath(QStringLiteral("ends.lng"));
        WriteBytes(path, text);
        const LanguageFile reader(path);
        QCOMPARE(reader.ReadString(QStringLiteral("Texte"), QStringLiteral("Gruss"), QString()),
                 QStringLiteral("Grüß Gott – schön, 5 €"));
        QCOMPARE(reader.ReadString(QStringLiteral("Texte"), QStringLiteral("Leer"), QStringLiteral("d")), QString());
        QCOMPARE(reader.ReadString(QStringLiteral("Other"), QStringLiteral("Tail"), QString()), QStringLiteral("x"));
        QCOMPARE(reader.ReadString(QStringLiteral("Last"), QStringLiteral("LastLine"), QStringLiteral("d")),
                 QStringLiteral("d"));
    }

    // The last line of a file is never read, so a file must end with a
    // line break and an empty line to keep its last entry.
    void lastLine_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::newRow("ends with break and empty line") << QByteArray("[S]\r\nA=1\r\nB=2\r\n\r\n") << "1" << "2";
        QTest::newRow("ends with a line break only") << QByteArray("[S]\r\nA=1\r\nB=2\r\n") << "1" << "-";
        QTest::newRow("ends without line break") << QByteArray("[S]\r\nA=1\r\nB=2") << "1" << "-";
        QTest::newRow("ends with a line of no entry") << QByteArray("[S]\r\nA=1\r\nB=2\r\n;end") << "1" << "2";
        QTest::newRow("only a header") << QByteArray("[S]") << "-" << "-";
        QTest::newRow("empty file") << QByteArray() << "-" << "-";
    }
    void lastLine()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, a);
        QFETCH(QString, b);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("last.lng"));
        WriteBytes(path, content);
        const LanguageFile reader(path);
        QCOMPARE(reader.ReadString(QStringLiteral("S"), QStringLiteral("A"), QStringLiteral("-")), a);
        QCOMPARE(reader.ReadString(QStringLiteral("S"), QStringLiteral("B"), QStringLiteral("-")), b);
    }

    // Lookups start at the section found last; every section must still be
    // found from there, also the ones before it.
    void lookupsInAnyOrder()
    {
        LanguageFile reader;
        reader.Parse(QStringLiteral("[A]\nK=a\n[B]\nK=b\n[C]\nK=c\n\n"));
        const QStringList order = {"C", "A", "C", "B", "B", "A", "C", "X", "A"};
        for (const QString& section : order) {
            const QString expected = section == QLatin1String("X") ? QStringLiteral("-") : section.toLower();
            QCOMPARE(reader.ReadString(section, QStringLiteral("K"), QStringLiteral("-")), expected);
        }
    }

    // A repeated section is gone, also for a search that starts after the
    // first occurrence and would meet the repetition first.
    void repeatedSectionIsDroppedForEverySearch()
    {
        LanguageFile reader;
        reader.Parse(QStringLiteral("[A]\r\nK=a\r\n[B]\r\nK=b\r\n[a]\r\nK=repeated\r\nOnly=repeated\r\n[C]\r\nK=c\r\n\r\n"));
        QCOMPARE(reader.ReadString(QStringLiteral("B"), QStringLiteral("K"), QStringLiteral("-")), QStringLiteral("b"));
        QCOMPARE(reader.ReadString(QStringLiteral("A"), QStringLiteral("K"), QStringLiteral("-")), QStringLiteral("a"));
        QCOMPARE(reader.ReadString(QStringLiteral("B"), QStringLiteral("K"), QStringLiteral("-")), QStringLiteral("b"));
        QCOMPARE(reader.ReadString(QStringLiteral("a"), QStringLiteral("Only"), QStringLiteral("-")),
                 QStringLiteral("-"));
        QCOMPARE(reader.ReadString(QStringLiteral("C"), QStringLiteral("K"), QStringLiteral("-")), QStringLiteral("c"));
    }

    void missingFileGivesDefaults()
    {
        QTemporaryDir dir;
        for (const QString& path : {dir.filePath(QStringLiteral("none.lng")), dir.path(), QString()}) {
            OpenLanguageFile(path);
            QCOMPARE(LangString("Main", "Caption", "Worddateien zu PDF"), QStringLiteral("Worddateien zu PDF"));
        }
    }

    void langStringUsesTheOpenedFile()
    {
        OpenLanguageFile(FixtureLang(QStringLiteral("rules-utf16le.lng")));
        QCOMPARE(LangString("texte", "Gruss", "default"), QStringLiteral("Grüß Gott – schön, 5 €"));
        QCOMPARE(LangString("Texte", "Missing", "Vorgabe"), QStringLiteral("Vorgabe"));
        OpenLanguageFile(QString());
        QCOMPARE(LangString("Texte", "Gruss", "default"), QStringLiteral("default"));
    }

    void isUnicodeFile_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("unicode");
        QTest::addColumn<bool>("logged");
        QTest::newRow("UTF-16 LE") << QByteArray("\xFF\xFE[\0", 4) << true << false;
        QTest::newRow("UTF-16 BE") << QByteArray("\xFE\xFF\0[", 4) << true << false;
        QTest::newRow("UTF-8 with mark") << QByteArray("\xEF\xBB\xBF[A]\r\n") << false << false;
        QTest::newRow("8-bit") << QByteArray("[A]\r\n") << false << false;
        QTest::newRow("one byte") << QByteArray("[") << true << true;
        QTest::newRow("empty") << QByteArray() << true << true;
    }
    void isUnicodeFile()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, unicode);
        QFETCH(bool, logged);
        QFile::remove(ProtocolFileName());
        SetProtocolEnabled(true);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("x.lng"));
        WriteBytes(path, content);
        QCOMPARE(IsUnicodeFile(path), unicode);
        const QString log = QString::fromUtf8(ReadBytes(ProtocolFileName()));
        QCOMPARE(log.contains(QStringLiteral("Error - Check Unicode of File \"") + path + QStringLiteral("\": ")),
                 logged);
        // Only asked, never changed.
        QCOMPARE(ReadBytes(path), content);
    }

    void isUnicodeFileOnMissingFile()
    {
        QFile::remove(ProtocolFileName());
        SetProtocolEnabled(true);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("missing.lng"));
        QVERIFY(IsUnicodeFile(path));
        QVERIFY(!QFileInfo::exists(path));
        const QString log = QString::fromUtf8(ReadBytes(ProtocolFileName()));
        QVERIFY2(log.contains(QRegularExpression(QStringLiteral(" - Error - Check Unicode of File \"") +
                                                 QRegularExpression::escape(path) + QStringLiteral("\": \\S"))),
                 qPrintable(log));
    }

    void htmlEncode_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("o umlaut") << QStringLiteral("schön") << QStringLiteral("sch&ouml;n");
        QTest::newRow("sharp s") << QStringLiteral("Straße") << QStringLiteral("Stra&szlig;e");
        QTest::newRow("ampersand outside tags") << QStringLiteral("A & B") << QStringLiteral("A &amp; B");
        QTest::newRow("quotation mark outside tags") << QStringLiteral("\"x\"") << QStringLiteral("&quot;x&quot;");
        QTest::newRow("link around A umlaut") << QStringLiteral("<a href=\"Ärger.htm?a=1&b=2\">Ä</a>")
                                              << QStringLiteral("<a href=\"Ärger.htm?a=1&b=2\">&Auml;</a>");
        QTest::newRow("euro sign") << QStringLiteral("5 €") << QStringLiteral("5 &#8364;");
        QTest::newRow("beyond the basic plane") << QStringLiteral("a\U0001F600b") << QStringLiteral("a&#128512;b");
        QTest::newRow("no-break space and y diaeresis") << QStringLiteral("\u00A0\u00FF")
                                                        << QStringLiteral("&nbsp;&yuml;");
        QTest::newRow("control and C1 characters stay") << QStringLiteral("a\tb\u0085c\u009F")
                                                        << QStringLiteral("a\tb\u0085c\u009F");
        QTest::newRow("nested tags") << QStringLiteral("<b><i>ü</i></b> & ä")
                                     << QStringLiteral("<b><i>&uuml;</i></b> &amp; &auml;");
        // After a stray ">" the counter is below zero: the next tag's
        // content is encoded as well.
        QTest::newRow("stray closing bracket") << QStringLiteral("a > b <a href=\"x\">ü</a>")
                                               << QStringLiteral("a > b <a href=&quot;x&quot;>&uuml;</a>");
        QTest::newRow("empty") << QString() << QString();
    }
    void htmlEncode()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(HTMLEncode(text), expected);
    }

    // Every Latin-1 character from 160 on gets an entity that an HTML
    // reader turns back into the same character.
    void htmlEncodeLatin1EntitiesRoundTrip()
    {
        static const QRegularExpression entity(QStringLiteral("^&[A-Za-z][A-Za-z0-9]*;$"));
        for (char16_t u = 160; u <= 255; ++u) {
            const QString encoded = HTMLEncode(QString(QChar(u)));
            QVERIFY2(entity.match(encoded).hasMatch(), qPrintable(encoded));
            QTextDocument doc;
            doc.setHtml(QStringLiteral("x") + encoded + QStringLiteral("x"));
            QCOMPARE(doc.toRawText(), QStringLiteral("x") + QChar(u) + QStringLiteral("x"));
        }
    }

    void findLanguageFiles()
    {
        QTemporaryDir dir;
        WriteBytes(dir.filePath(QStringLiteral("named.lng")), "[LangOptions]\r\nLanguageName=Ελληνικά\r\n\r\n");
        WriteBytes(dir.filePath(QStringLiteral("unnamed.lng")), "[Main]\r\nX=1\r\n\r\n");
        WriteBytes(dir.filePath(QStringLiteral(".hidden.lng")), "[LangOptions]\r\nLanguageName=Versteckt\r\n\r\n");
        WriteBytes(dir.filePath(QStringLiteral("other.txt")), "[LangOptions]\r\nLanguageName=Nein\r\n\r\n");
        QDir(dir.path()).mkdir(QStringLiteral("folder.lng"));
        QSet<QString> found;
        for (const LanguageChoice& c : FindLanguageFiles(dir.path() + QLatin1Char('/')))
            found << c.fileName + QLatin1Char('|') + c.languageName;
        const QSet<QString> expected = {QStringLiteral("named.lng|Ελληνικά"), QStringLiteral("unnamed.lng|unnamed.lng"),
                                        QStringLiteral(".hidden.lng|Versteckt")};
        QCOMPARE(found, expected);
        QVERIFY(FindLanguageFiles(dir.filePath(QStringLiteral("folder.lng")) + QLatin1Char('/')).isEmpty());
    }
};

KALVINORA_TEST_MAIN(TestLanguageFile)
#include "TestLanguageFile.moc"
