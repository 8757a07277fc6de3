#include "support/TestEnvironment.h"

#include "core/LanguageFile.h"
#include "core/Settings.h"
#include "core/UniCodeException.h"
#include "platform/SystemPaths.h"
#include "support/AnleitungUnit.h"
#include "support/FAQUnit.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrl>

namespace {

const QString kFolder = QStringLiteral("/opt/Kalvinora Programm/");
const QString kPrefix = QStringLiteral("file:///opt/Kalvinora Programm/");

// Texts by section and key, as a language file would give them.
using Texts = QMap<QString, QMap<QString, QString>>;

HelpTextLookup Lookup(const Texts& texts)
{
    return [texts](const QString& section, const QString& key, const QString& def) {
        const auto s = texts.constFind(section);
        if (s == texts.constEnd())
            return def;
        return s->value(key, def);
    };
}

// Every key answers with its own name in brackets, so the manual shows which
// keys it uses. (The FAQ would never end with it.)
HelpTextLookup KeyNames()
{
    return [](const QString&, const QString& key, const QString&) { return '[' + key + ']'; };
}

QStringList FAQHead(const QString& prefix)
{
    return {
        QStringLiteral("<html>"),
        QStringLiteral("<head>"),
        QStringLiteral("<title>tovel-werk  -  Kalvinora FAQ</title>"),
        QStringLiteral("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">"),
        QStringLiteral("<meta name=\"Author\" content=\"Kalvinora\">"),
        QStringLiteral("<meta name=\"Content-language\" content=\"DE\">"),
        QStringLiteral("\t<link rel=\"STYLESHEET\" type=\"text/css\" href=\"") + prefix + QStringLiteral("style.css\">"),
        QStringLiteral("</head>"),
        QStringLiteral("<body bgcolor=\"#ffffcc\" text=\"#000080\" link=\"#0000CC\" vlink=\"#0000CC\" alink=\"#0000CC\">"),
        QStringLiteral("<p align=\"center\"><font face=\"Arial, Helvetica, sans-serif\" size=\"2\"><b><a name=\"Top\"></a>"
                       "FAQ - Kalvinora</b></font></p>"),
    };
}

QString ContentsLine(int n, const QString& question)
{
    return QStringLiteral("<p><font face=\"Arial, Helvetica, sans-serif\" size=\"2\"><a href=\"#F%1\">%2</a></font></p>")
        .arg(n)
        .arg(question);
}

QString QuestionLine(int n, const QString& question, const QString& answer)
{
    return QStringLiteral("<p><font face=\"Arial, Helvetica, sans-serif\" size=\"2\"><a name=\"F%1\"></a><b>F</b>: %2<br>"
                          "<b>A</b>: %3</font></p>")
        .arg(n)
        .arg(question, answer);
}

// The marker keys of the manual as this program builds it.
QStringList ManualKeys()
{
    QStringList keys;
    static const QRegularExpression marker(QStringLiteral("##(\\d{4})##"));
    for (const QString& line : AnleitungTemplate(true)) {
        auto it = marker.globalMatch(line);
        while (it.hasNext())
            keys << it.next().captured(1);
    }
    return keys;
}

// Reads a shipped language file the way the program's reader does: the
// first section of a name (letter case ignored), the first entry of a key,
// and never the file's last line.
Texts ReadLanguageFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(f.readAll()).split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
    if (!lines.isEmpty())
        lines.removeLast();
    Texts texts;
    QString section;
    bool skip = true;
    for (const QString& line : lines) {
        if (line.startsWith('[') && line.endsWith(']')) {
            section = line.mid(1, line.size() - 2);
            bool seen = false;
            for (auto it = texts.constBegin(); it != texts.constEnd(); ++it)
                seen = seen || it.key().compare(section, Qt::CaseInsensitive) == 0;
            skip = seen;
            if (!seen)
                texts[section];
            continue;
        }
        const qsizetype eq = line.indexOf('=');
        if (skip || eq < 0)
            continue;
        const QString key = line.left(eq);
        if (!texts[section].contains(key))
            texts[section][key] = line.mid(eq + 1);
    }
    return texts;
}

QStringList ReadPage(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {QStringLiteral("<missing>")};
    const QByteArray bytes = f.readAll();
    if (!bytes.endsWith("\r\n") || bytes.count('\n') != bytes.count("\r\n"))
        return {QStringLiteral("<not CR LF>")};
    QStringList lines = QString::fromUtf8(bytes).split(QStringLiteral("\r\n"));
    lines.removeLast();
    return lines;
}

}  // namespace

class TestHelpPages : public QObject {
    Q_OBJECT

    QTemporaryDir m_fakeDesktop;
    QString m_openedLog;

private slots:
    void initTestCase()
    {
        // A desktop whose browser only writes down what it was asked to open.
        m_openedLog = m_fakeDesktop.filePath(QStringLiteral("opened.txt"));
        const auto script = [this](const QString& name, const QByteArray& body) {
            QFile f(m_fakeDesktop.filePath(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("#!/bin/sh\n" + body);
            f.close();
            f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        };
        script(QStringLiteral("xdg-open"), "printf '%s\\n' \"$1\" >> '" + m_openedLog.toUtf8() + "'\n");
        script(QStringLiteral("xdg-mime"), "if [ \"$2\" = filetype ]; then echo text/html; else echo browser.desktop; fi\n");
        qputenv("PATH", m_fakeDesktop.path().toLocal8Bit() + ':' + qgetenv("PATH"));
    }

    void init() { QFile::remove(m_openedLog); }

    void faqStopsAtTheFirstMissingQuestion()
    {
        Texts texts;
        texts[QStringLiteral("FAQ")] = {
            {QStringLiteral("Frage1"), QStringLiteral("Eins?")},    {QStringLiteral("Antwort1"), QStringLiteral("Ja.")},
            {QStringLiteral("Frage2"), QStringLiteral("Zwei?")},    {QStringLiteral("Antwort2"), QStringLiteral("Nein.")},
            {QStringLiteral("Frage3"), QStringLiteral("Drei?")},    // no answer: it stays empty
            {QStringLiteral("Frage5"), QStringLiteral("Fünf?")},    {QStringLiteral("Antwort5"), QStringLiteral("Nie.")},
        };
        QStringList expected = FAQHead(kPrefix);
        expected << ContentsLine(1, QStringLiteral("Eins?")) << ContentsLine(2, QStringLiteral("Zwei?"))
                 << ContentsLine(3, QStringLiteral("Drei?")) << QStringLiteral("<hr>")
                 << QuestionLine(1, QStringLiteral("Eins?"), QStringLiteral("Ja."))
                 << QuestionLine(2, QStringLiteral("Zwei?"), QStringLiteral("Nein."))
                 << QuestionLine(3, QStringLiteral("Drei?"), QString()) << QStringLiteral("</body>")
                 << QStringLiteral("</html>");
        QCOMPARE(FAQPageLines(kFolder, Lookup(texts)), expected);
    }

    void faqWithoutAFirstQuestion_data()
    {
        QTest::addColumn<QString>("firstQuestion");
        QTest::newRow("missing") << QString();
        QTest::newRow("empty") << QStringLiteral("");
    }

    void faqWithoutAFirstQuestion()
    {
        QFETCH(QString, firstQuestion);
        Texts texts;
        if (!firstQuestion.isNull())
            texts[QStringLiteral("FAQ")][QStringLiteral("Frage1")] = firstQuestion;
        texts[QStringLiteral("FAQ")][QStringLiteral("Frage2")] = QStringLiteral("Zwei?");
        QStringList expected = FAQHead(kPrefix);
        expected << QStringLiteral("<hr>") << QStringLiteral("</body>") << QStringLiteral("</html>");
        QCOMPARE(FAQPageLines(kFolder, Lookup(texts)), expected);
    }

    void faqEncodesTextAndKeepsMarkup_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("encoded");

        QTest::newRow("ampersand and umlaut") << QStringLiteral("Ärger & Ähnliches?") << QStringLiteral("&Auml;rger &amp; &Auml;hnliches?");
        QTest::newRow("markup kept") << QStringLiteral("Was ist <b>fett</b>?") << QStringLiteral("Was ist <b>fett</b>?");
        QTest::newRow("link around an umlaut")
            << QStringLiteral("<a href=\"x.htm\">Ä</a> \"Zitat\"") << QStringLiteral("<a href=\"x.htm\">&Auml;</a> &quot;Zitat&quot;");
        QTest::newRow("beyond Latin-1") << QStringLiteral("Preis in €?") << QStringLiteral("Preis in &#8364;?");
        QTest::newRow("outside the basic plane") << QStringLiteral("Smiley 😀?") << QStringLiteral("Smiley &#128512;?");
    }

    void faqEncodesTextAndKeepsMarkup()
    {
        QFETCH(QString, text);
        QFETCH(QString, encoded);
        Texts texts;
        texts[QStringLiteral("FAQ")] = {{QStringLiteral("Frage1"), text}, {QStringLiteral("Antwort1"), text}};
        const QStringList lines = FAQPageLines(kFolder, Lookup(texts));
        QCOMPARE(lines.at(10), ContentsLine(1, encoded));
        QCOMPARE(lines.at(12), QuestionLine(1, encoded, encoded));
    }

    void faqTextsAreNotExpandedAgain()
    {
        // A question that happens to contain the page's own placeholders
        // comes out as written.
        Texts texts;
        texts[QStringLiteral("FAQ")] = {
            {QStringLiteral("Frage1"), QStringLiteral("Was heißt ##LINKZSFG## und ##ANTWORT##?")},
            {QStringLiteral("Antwort1"), QStringLiteral("##NAMELINK## ##FRAGE##")},
        };
        const QStringList lines = FAQPageLines(kFolder, Lookup(texts));
        QCOMPARE(lines.at(10), ContentsLine(1, QStringLiteral("Was hei&szlig;t ##LINKZSFG## und ##ANTWORT##?")));
        QCOMPARE(lines.at(12), QuestionLine(1, QStringLiteral("Was hei&szlig;t ##LINKZSFG## und ##ANTWORT##?"),
                                            QStringLiteral("##NAMELINK## ##FRAGE##")));
    }

    void pathPrefixKeepsTheFolderAsItIs_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("link");
        QTest::newRow("blanks") << "/opt/Kalvinora Programm/" << "file:///opt/Kalvinora Programm/style.css";
        QTest::newRow("no trailing slash") << "/usr/lib/kalvinora" << "file:///usr/lib/kalvinora/style.css";
        QTest::newRow("looks like a marker") << "/opt/##0010##/" << "file:///opt/##0010##/style.css";
    }

    void pathPrefixKeepsTheFolderAsItIs()
    {
        QFETCH(QString, folder);
        QFETCH(QString, link);
        const QString linkLine = QStringLiteral("\t<link rel=\"STYLESHEET\" type=\"text/css\" href=\"") + link + QStringLiteral("\">");
        QCOMPARE(FAQPageLines(folder, Lookup(Texts())).at(6), linkLine);
        QCOMPARE(AnleitungPageLines(folder, true, KeyNames()).at(6), linkLine);
    }

    void manualMissingKeyShowsTheKey()
    {
        Texts texts;
        texts[QStringLiteral("Anleitung")] = {{QStringLiteral("0315"), QStringLiteral("zweiter Teil")},
                                              {QStringLiteral("0020"), QStringLiteral("Einleitung & mehr")}};
        const QStringList lines = AnleitungPageLines(kFolder, true, Lookup(texts));
        QVERIFY(lines.contains(QStringLiteral("  <p class=\"headline\">#0010#</p>")));
        QVERIFY(lines.contains(QStringLiteral("<p class=\"Text\">Einleitung &amp; mehr</p>")));
        // The rest of the line is still expanded after a missing key.
        QVERIFY(lines.contains(QStringLiteral("    <td>#0310# zweiter Teil</td>")));
    }

    void manualTextsAreNotExpandedAgain_data()
    {
        QTest::addColumn<QString>("text0310");
        QTest::addColumn<QString>("line");

        QTest::newRow("its own marker") << "A ##0310## B" << "    <td>A ##0310## B [0315]</td>";
        QTest::newRow("the next marker") << "##0315##" << "    <td>##0315## [0315]</td>";
        QTest::newRow("a stray pair of number signs") << "C## D" << "    <td>C## D [0315]</td>";
        QTest::newRow("the path placeholder") << "##PATH##" << "    <td>##PATH## [0315]</td>";
    }

    void manualTextsAreNotExpandedAgain()
    {
        QFETCH(QString, text0310);
        QFETCH(QString, line);
        const HelpTextLookup names = KeyNames();
        const HelpTextLookup texts = [&](const QString& section, const QString& key, const QString& def) {
            return key == QLatin1String("0310") ? text0310 : names(section, key, def);
        };
        const QStringList lines = AnleitungPageLines(kFolder, true, texts);
        QVERIFY2(lines.contains(line), qPrintable(lines.filter(QStringLiteral("<td>")).join('\n')));
    }

    void manualVariants_data()
    {
        QTest::addColumn<bool>("newSystem");
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QStringList>("absent");

        const QStringList newOnly{"[0031]", "[0312]", "[0440]", "png/I.png", "png/L.png", "png/printerop2.png"};
        const QStringList oldOnly{"[0030]", "[0200]", "[0202]", "[0203]", "[0210]", "[0220]", "[0225]", "[0226]",
                                  "[0227]", "[0228]", "[0250]", "[0260]", "[0270]", "[0280]", "[0320]", "[0330]",
                                  "[0430]", "png/6_1.png", "png/7.png", "png/K.png", "png/M.png", "png/printerop4.png"};
        QTest::newRow("new") << true << newOnly << oldOnly;
        QTest::newRow("old") << false << oldOnly << newOnly;
    }

    void manualVariants()
    {
        QFETCH(bool, newSystem);
        QFETCH(QStringList, present);
        QFETCH(QStringList, absent);
        const QString page = AnleitungPageLines(kFolder, newSystem, KeyNames()).join('\n');
        for (const QString& p : present)
            QVERIFY2(page.contains(p), qPrintable(p));
        for (const QString& a : absent)
            QVERIFY2(!page.contains(a), qPrintable(a));
        for (const char* common : {"[0010]", "[0190]", "[0318]", "[0450]", "png/1.png", "png/H.png"})
            QVERIFY2(page.contains(QString::fromLatin1(common)), common);
        QVERIFY(!page.contains(QStringLiteral("##")));
    }

    void manualLayout()
    {
        const QStringList lines = AnleitungPageLines(kFolder, true, KeyNames());
        QCOMPARE(lines.mid(0, 10),
                 (QStringList{"<html>", "<head>", "<title>Kalvinora</title>",
                              "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">",
                              "<meta name=\"Author\" content=\"Kalvinora\">", "<meta name=\"Content-language\" content=\"DE\">",
                              "\t<link rel=\"STYLESHEET\" type=\"text/css\" href=\"" + kPrefix + "style.css\">", "</head>", "",
                              "<body bgcolor=\"#ffffcc\" text=\"#000080\" link=\"#0000CC\" vlink=\"#0000CC\" alink=\"#0000CC\">"}));
        // A picture row, the paragraphs beside the second picture, and the end.
        const QStringList row{"<table width=\"100%\" border=\"0\" class=\"Text\">", "  <tr>", "    <td>[0150]</td>",
                              "    <td><img src=\"" + kPrefix + "png/1.png\"></td>", "  </tr>", "</table>", "&nbsp;<br>", "",
                              "<table width=\"100%\" border=\"0\" class=\"Text\">", "  <tr>", "    <td>", "      <p>[0160]</p>",
                              "      <p>[0170]</p>", "      <p>[0180]</p>", "    </td>",
                              "    <td><img src=\"" + kPrefix + "png/2.png\"></td>", "  </tr>", "</table>"};
        const qsizetype at = lines.indexOf(row.first(), 10);
        QVERIFY(at > 0);
        QCOMPARE(lines.mid(at, row.size()), row);
        QCOMPARE(lines.mid(lines.size() - 7),
                 (QStringList{"<table width=\"100%\" border=\"0\" class=\"Text\">", "  <tr>", "    <td><p>[0450]</p></td>",
                              "  </tr>", "</table>", "</body>", "</html>"}));
        QVERIFY(lines.contains(QStringLiteral("    <td>[0310] [0315]</td>")));
        QVERIFY(lines.contains(QStringLiteral("    <td>[0318]")));
    }

    void buildWritesThePagesIntoTheDataFolder()
    {
        BuildFAQPage();
        BuildAnleitungPage();
        const QStringList faq = ReadPage(GetDataFolder() + QStringLiteral("FAQ.htm"));
        QCOMPARE(faq.first(), QStringLiteral("<html>"));
        QCOMPARE(faq.last(), QStringLiteral("</html>"));
        QVERIFY(faq.contains(QStringLiteral("<hr>")));
        const QStringList manual = ReadPage(GetDataFolder() + QStringLiteral("Anleitung.htm"));
        QCOMPARE(manual.size(), AnleitungTemplate(true).size());
        QCOMPARE(manual.at(6), QStringLiteral("\t<link rel=\"STYLESHEET\" type=\"text/css\" href=\"file://")
                                   + platform::ProgramFolder() + QStringLiteral("style.css\">"));
    }

    void everyFileTheManualNamesIsInstalled()
    {
        // The test runs from the build's program folder, where the build puts
        // the resources next to the programs.
        BuildAnleitungPage();
        BuildFAQPage();
        static const QRegularExpression link(QStringLiteral("(?:src|href)=\"(file://[^\"]*)\""));
        int files = 0;
        for (const QString& page : {QStringLiteral("Anleitung.htm"), QStringLiteral("FAQ.htm")}) {
            auto it = link.globalMatch(ReadPage(GetDataFolder() + page).join('\n'));
            while (it.hasNext()) {
                const QString path = QUrl(it.next().captured(1)).toLocalFile();
                QVERIFY2(QFileInfo(path).isFile(), qPrintable(page + QStringLiteral(": ") + path));
                ++files;
            }
        }
        QVERIFY(files > 0);
    }

    void shippedLanguageFilesFillTheHelpPages_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("deutsch") << "deutsch.lng";
        QTest::newRow("english") << "english.lng";
    }

    void shippedLanguageFilesFillTheHelpPages()
    {
        QFETCH(QString, file);
        const QString path = platform::ProgramFolder() + file;
        QFile raw(path);
        QVERIFY(raw.open(QIODevice::ReadOnly));
        const QByteArray bytes = raw.readAll();
        QCOMPARE(bytes.count('\n'), bytes.count("\r\n"));
        QVERIFY(bytes.endsWith("\r\n\r\n"));

        const Texts texts = ReadLanguageFile(path);
        for (const QString& key : ManualKeys())
            QVERIFY2(!texts.value(QStringLiteral("Anleitung")).value(key).isEmpty(), qPrintable(key));
        const QStringList manual = AnleitungPageLines(platform::ProgramFolder(), true, Lookup(texts));
        QVERIFY(!manual.join('\n').contains(QRegularExpression(QStringLiteral("#\\d{4}#"))));

        const QMap<QString, QString> faq = texts.value(QStringLiteral("FAQ"));
        int questions = 0;
        while (!faq.value(QStringLiteral("Frage%1").arg(questions + 1)).isEmpty()) {
            QVERIFY(!faq.value(QStringLiteral("Antwort%1").arg(questions + 1)).isEmpty());
            ++questions;
        }
        QVERIFY2(questions >= 10, qPrintable(QString::number(questions)));
        // Nothing after a gap would ever be shown.
        QVERIFY(!faq.contains(QStringLiteral("Frage%1").arg(questions + 2)));
        const QStringList page = FAQPageLines(platform::ProgramFolder(), Lookup(texts));
        QCOMPARE(page.size(), 10 + questions + 1 + questions + 2);

        for (const char* key : {"OfficeX", "WrongOfficeX", "unknownOffice", "NoOffice", "InvalidOfficeVersion"})
            QVERIFY2(texts.value(QStringLiteral("Tools")).value(QString::fromLatin1(key)).contains(QStringLiteral("%s")), key);
        QVERIFY(texts.value(QStringLiteral("Main")).value(QStringLiteral("FileNotFound")).contains(QStringLiteral("%s")));
    }

    void menuOpensTheBuiltPageInTheBrowser_data()
    {
        QTest::addColumn<bool>("faq");
        QTest::newRow("FAQ") << true;
        QTest::newRow("Anleitung") << false;
    }

    void menuOpensTheBuiltPageInTheBrowser()
    {
        QFETCH(bool, faq);
        const QString page = GetDataFolder() + (faq ? QStringLiteral("FAQ.htm") : QStringLiteral("Anleitung.htm"));
        QFile::remove(page);
        if (faq)
            menuFAQClick();
        else
            menuAnleitungClick();
        QVERIFY(QFileInfo(page).isFile());
        const auto opened = [this] {
            QFile log(m_openedLog);
            return log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString();
        };
        QTRY_COMPARE(opened(), QUrl::fromLocalFile(page).toString() + '\n');
    }

    void aPageThatCannotBeWrittenIsNotOpened()
    {
        const QString page = GetDataFolder() + QStringLiteral("FAQ.htm");
        QFile::remove(page);
        QVERIFY(QDir().mkpath(page + QStringLiteral("/blocked")));  // a folder where the page belongs
        bool raised = false;
        try {
            menuFAQClick();
        } catch (const UniCodeException& e) {
            raised = true;
            QVERIFY2(e.Message().contains(page), qPrintable(e.Message()));
        }
        QDir(page).removeRecursively();
        QVERIFY(raised);
        QTest::qWait(200);
        QVERIFY(!QFileInfo::exists(m_openedLog));
    }
};

KALVINORA_TEST_MAIN(TestHelpPages)
#include "TestHelpPages.moc"
