#include "support/TestEnvironment.h"

#include "core/LanguageFile.h"

#include <QApplication>
#include <QDirIterator>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>

// The shipped language files against the program's sources: every text the
// program looks up must be in both files, and deutsch.lng must hold exactly
// the German text the code falls back to.

namespace {

struct Token {
    enum Kind { Identifier, String, Punct, Other } kind;
    QString text;  // decoded contents for strings
    int line;
};

struct LangCall {
    int line = 0;
    QStringList args;      // decoded literal arguments; empty text for others
    QList<bool> literal;   // whether each argument is a literal
};

bool IsIdentStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool IsIdentChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

void AppendUtf8(QByteArray& out, uint code)
{
    out += QString::fromUcs4(reinterpret_cast<const char32_t*>(&code), 1).toUtf8();
}

// Reads the escape sequence at src[i] (just after the backslash) into out.
qsizetype DecodeEscape(const QByteArray& src, qsizetype i, QByteArray& out)
{
    const char c = src.at(i);
    switch (c) {
    case 'n': out += '\n'; return i + 1;
    case 't': out += '\t'; return i + 1;
    case 'r': out += '\r'; return i + 1;
    case 'a': out += '\a'; return i + 1;
    case 'b': out += '\b'; return i + 1;
    case 'f': out += '\f'; return i + 1;
    case 'v': out += '\v'; return i + 1;
    case 'x': {
        qsizetype j = i + 1;
        uint value = 0;
        while (j < src.size() && std::isxdigit(static_cast<unsigned char>(src.at(j))))
            value = value * 16 + QByteArray(1, src.at(j++)).toUInt(nullptr, 16);
        out += char(value);
        return j;
    }
    case 'u':
    case 'U': {
        const int digits = c == 'u' ? 4 : 8;
        AppendUtf8(out, src.mid(i + 1, digits).toUInt(nullptr, 16));
        return i + 1 + digits;
    }
    default:
        if (c >= '0' && c <= '7') {
            qsizetype j = i;
            uint value = 0;
            while (j < src.size() && j < i + 3 && src.at(j) >= '0' && src.at(j) <= '7')
                value = value * 8 + uint(src.at(j++) - '0');
            out += char(value);
            return j;
        }
        out += c;  // \" \' \\ \?
        return i + 1;
    }
}

// A small C++ lexer: enough to see identifiers, string literals (with their
// prefixes, escapes and raw form) and punctuation, with comments, character
// literals and numbers out of the way.
QList<Token> Tokenize(const QByteArray& src)
{
    QList<Token> tokens;
    int line = 1;
    qsizetype i = 0;
    const qsizetype n = src.size();
    auto countLines = [&](qsizetype from, qsizetype to) {
        for (qsizetype k = from; k < to && k < n; ++k)
            line += src.at(k) == '\n';
    };
    while (i < n) {
        const char c = src.at(i);
        if (c == '\n') {
            ++line;
            ++i;
        } else if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
        } else if (c == '/' && i + 1 < n && src.at(i + 1) == '/') {
            while (i < n && src.at(i) != '\n')
                ++i;
        } else if (c == '/' && i + 1 < n && src.at(i + 1) == '*') {
            const qsizetype end = src.indexOf("*/", i + 2);
            const qsizetype stop = end < 0 ? n : end + 2;
            countLines(i, stop);
            i = stop;
        } else if (std::isdigit(static_cast<unsigned char>(c))) {
            // Numbers, with digit separators and suffixes.
            while (i < n && (IsIdentChar(src.at(i)) || src.at(i) == '.' || src.at(i) == '\''))
                ++i;
            tokens << Token{Token::Other, QString(), line};
        } else if (IsIdentStart(c)) {
            qsizetype j = i;
            while (j < n && IsIdentChar(src.at(j)))
                ++j;
            const QByteArray word = src.mid(i, j - i);
            static const QSet<QByteArray> stringPrefixes = {"u8", "u", "U", "L"};
            static const QSet<QByteArray> rawPrefixes = {"R", "u8R", "uR", "UR", "LR"};
            if (j < n && src.at(j) == '"' && rawPrefixes.contains(word)) {
                const qsizetype open = src.indexOf('(', j + 1);
                const QByteArray delimiter = ')' + src.mid(j + 1, open - j - 1) + '"';
                const qsizetype close = src.indexOf(delimiter, open + 1);
                const qsizetype stop = close < 0 ? n : close + delimiter.size();
                const int startLine = line;
                tokens << Token{Token::String, QString::fromUtf8(src.mid(open + 1, close - open - 1)), startLine};
                countLines(i, stop);
                i = stop;
            } else if (j < n && (src.at(j) == '"' || src.at(j) == '\'') && stringPrefixes.contains(word)) {
                i = j;  // the literal follows
            } else {
                tokens << Token{Token::Identifier, QString::fromLatin1(word), line};
                i = j;
            }
        } else if (c == '"' || c == '\'') {
            QByteArray value;
            qsizetype j = i + 1;
            while (j < n && src.at(j) != c && src.at(j) != '\n') {
                if (src.at(j) == '\\' && j + 1 < n)
                    j = DecodeEscape(src, j + 1, value);
                else
                    value += src.at(j++);
            }
            tokens << Token{c == '"' ? Token::String : Token::Other, QString::fromUtf8(value), line};
            i = j + 1;
        } else if (c == ':' && i + 1 < n && src.at(i + 1) == ':') {
            tokens << Token{Token::Punct, QStringLiteral("::"), line};
            i += 2;
        } else {
            tokens << Token{Token::Punct, QString(QLatin1Char(c)), line};
            ++i;
        }
    }
    return tokens;
}

// The literal value of one argument: adjacent string literals, possibly
// inside QStringLiteral(...), QString::fromUtf8(...) or QLatin1String(...).
bool LiteralValue(QList<Token> arg, QString& value)
{
    static const QSet<QString> wrappers = {"QStringLiteral", "QLatin1String", "QLatin1StringView", "QString",
                                           "fromUtf8", "fromLatin1", "u8"};
    while (arg.size() >= 3 && arg.first().kind == Token::Identifier && wrappers.contains(arg.first().text)) {
        if (arg.at(1).kind == Token::Punct && arg.at(1).text == QLatin1String("::")) {
            arg = arg.mid(2);
            continue;
        }
        if (arg.at(1).text != QLatin1String("(") || arg.last().text != QLatin1String(")"))
            return false;
        arg = arg.mid(2, arg.size() - 3);
    }
    if (arg.isEmpty())
        return false;
    value.clear();
    for (const Token& t : arg) {
        if (t.kind != Token::String)
            return false;
        value += t.text;
    }
    return true;
}

QList<LangCall> FindLangStringCalls(const QByteArray& source)
{
    const QList<Token> tokens = Tokenize(source);
    QList<LangCall> calls;
    for (qsizetype i = 0; i + 1 < tokens.size(); ++i) {
        if (tokens.at(i).kind != Token::Identifier || tokens.at(i).text != QLatin1String("LangString") ||
            tokens.at(i + 1).text != QLatin1String("("))
            continue;
        LangCall call;
        call.line = tokens.at(i).line;
        QList<Token> arg;
        int depth = 0;
        qsizetype j = i + 2;
        for (; j < tokens.size(); ++j) {
            const Token& t = tokens.at(j);
            if (t.kind == Token::Punct && (t.text == QLatin1String("(") || t.text == QLatin1String("[") ||
                                           t.text == QLatin1String("{"))) {
                ++depth;
            } else if (t.kind == Token::Punct && (t.text == QLatin1String(")") || t.text == QLatin1String("]") ||
                                                  t.text == QLatin1String("}"))) {
                if (depth == 0)
                    break;
                --depth;
            } else if (t.kind == Token::Punct && t.text == QLatin1String(",") && depth == 0) {
                QString value;
                call.literal << LiteralValue(arg, value);
                call.args << value;
                arg.clear();
                continue;
            }
            arg << t;
        }
        if (!arg.isEmpty()) {
            QString value;
            call.literal << LiteralValue(arg, value);
            call.args << value;
        }
        calls << call;
        i = j;
    }
    return calls;
}

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString SourceDir() { return QStringLiteral(KALVINORA_SOURCE_DIR); }

// Keys whose German text is given twice in the program; deutsch.lng holds
// the one that fits every use.
struct TwoDefaults {
    const char* section;
    const char* key;
    const char* first;
    const char* second;
    const char* held;
};
constexpr TwoDefaults kTwoDefaults[] = {
    {"Main", "ButtonStartCap", "<B>PDF</B> erzeugen", "<B>%s</B> erzeugen", "<B>%s</B> erzeugen"},
    {"Option", "Acro4NoGS814", "ab Acrobat 4, ab GS 8.15", "ab Acrobat 4, kein GS 8.14", "ab Acrobat 4, kein GS 8.14"},
    {"Option", "Acro5", "ab Acrobat 5, ab GS 8.14", "ab Acrobat 5", "ab Acrobat 5"},
    {"Dialogs", "ButtonCancel", "&Abbrechen", "Abbrechen", "&Abbrechen"},
};

const TwoDefaults* FindTwoDefaults(const QString& section, const QString& key)
{
    for (const TwoDefaults& t : kTwoDefaults) {
        if (section.compare(QLatin1String(t.section), Qt::CaseInsensitive) == 0 && key == QLatin1String(t.key))
            return &t;
    }
    return nullptr;
}

struct SourceCall {
    QString where;
    QString section, key, def;
};

QList<SourceCall> ScanSources(QStringList* problems)
{
    QList<SourceCall> found;
    for (const char* folder : {"core", "platform", "ghostscript", "engine", "dialogs", "support", "app", "cli"}) {
        QDirIterator it(SourceDir() + QLatin1Char('/') + QLatin1String(folder),
                        {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            const QString relative = path.mid(SourceDir().size() + 1);
            for (const LangCall& call : FindLangStringCalls(ReadAll(path))) {
                const QString where = relative + QLatin1Char(':') + QString::number(call.line);
                if (call.args.size() != 3 || !call.literal.value(0) || !call.literal.value(1))
                    continue;  // the lookup itself, or a key made at run time
                if (!call.literal.value(2)) {
                    problems->append(where + QStringLiteral(": the default of ") + call.args.at(0) +
                                     QLatin1Char('/') + call.args.at(1) + QStringLiteral(" is not a literal"));
                    continue;
                }
                found << SourceCall{where, call.args.at(0), call.args.at(1), call.args.at(2)};
            }
        }
    }
    return found;
}

// The raw entries of a language file, for the checks that the reader (which
// quietly takes the first of everything) cannot make.
struct RawEntry {
    QString section, key, value;
    int line;
};

QList<RawEntry> RawEntries(const QString& text, QStringList* problems, const QString& name)
{
    QList<RawEntry> entries;
    QStringList lines = text.split(QStringLiteral("\r\n"));
    QString section;
    QSet<QString> sections;
    QSet<QString> keys;
    for (int i = 0; i < lines.size(); ++i) {
        const QString& l = lines.at(i);
        const QString where = name + QLatin1Char(':') + QString::number(i + 1);
        if (l.isEmpty())
            continue;
        if (l.startsWith(u'[')) {
            if (!l.endsWith(u']')) {
                problems->append(where + QStringLiteral(": broken section header: ") + l);
                continue;
            }
            section = l.mid(1, l.size() - 2);
            if (sections.contains(section.toLower()))
                problems->append(where + QStringLiteral(": section repeated (ignored when read): ") + section);
            sections << section.toLower();
            keys.clear();
            continue;
        }
        const qsizetype eq = l.indexOf(u'=');
        if (section.isEmpty() || eq < 0) {
            problems->append(where + QStringLiteral(": line outside a section or without \"=\": ") + l);
            continue;
        }
        const QString key = l.left(eq);
        if (key != key.trimmed())
            problems->append(where + QStringLiteral(": blank around the key: ") + l);
        if (keys.contains(key))
            problems->append(where + QStringLiteral(": key repeated (ignored when read): ") + key);
        keys << key;
        entries << RawEntry{section, key, l.mid(eq + 1), i + 1};
    }
    return entries;
}

QStringList Placeholders(const QString& text)
{
    static const QRegularExpression re(QStringLiteral("%(?:\\d+:)?[sdfgxu]"));
    QStringList out;
    auto it = re.globalMatch(text);
    while (it.hasNext())
        out << it.next().captured();
    return out;
}

const char* const kMissing = "\x01missing\x01";

}  // namespace

Q_DECLARE_METATYPE(QList<bool>)

class TestLanguageKeys : public QObject {
    Q_OBJECT
private slots:
    // The scanner itself, on the ways a call can be written.
    void scanner_data()
    {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QList<bool>>("literal");
        QTest::addColumn<int>("line");

        QTest::newRow("plain") << QByteArray("x = LangString(\"Main\", \"Key\", \"Text\");") << QStringList{"Main", "Key", "Text"}
                               << QList<bool>{true, true, true} << 1;
        QTest::newRow("split over lines")
            << QByteArray("a;\nb = LangString(\n    \"Main\",\n    \"Key\",\n    \"Text\");")
            << QStringList{"Main", "Key", "Text"} << QList<bool>{true, true, true} << 2;
        QTest::newRow("escaped quotes and backslash")
            << QByteArray("LangString(\"Main\", \"Key\", \"Er sagte \\\"ja\\\" \\\\ gut\")")
            << QStringList{"Main", "Key", "Er sagte \"ja\" \\ gut"} << QList<bool>{true, true, true} << 1;
        QTest::newRow("adjacent literals")
            << QByteArray("LangString(\"Main\", \"Key\", \"Erster Teil, \"\n  \"zweiter Teil\")")
            << QStringList{"Main", "Key", "Erster Teil, zweiter Teil"} << QList<bool>{true, true, true} << 1;
        QTest::newRow("umlauts and escapes") << QByteArray("LangString(\"Main\", \"K\", \"Gr\xC3\xBC\xC3\x9F\\n\\x41\\u00e4\")")
                                             << QStringList{"Main", "K", "Grüß\nAä"}
                                             << QList<bool>{true, true, true} << 1;
        QTest::newRow("wrapped literal") << QByteArray("LangString(QStringLiteral(\"Main\"), u8\"K\", QString::fromUtf8(\"T\"))")
                                         << QStringList{"Main", "K", "T"} << QList<bool>{true, true, true} << 1;
        QTest::newRow("raw string") << QByteArray("LangString(\"Main\", \"K\", R\"x(a \"quoted\" )\" text)x\")")
                                    << QStringList{"Main", "K", "a \"quoted\" )\" text"}
                                    << QList<bool>{true, true, true} << 1;
        QTest::newRow("after comments and character literals")
            << QByteArray("// LangString(\"No\", \"No\", \"No\")\n/* LangString(\"A\",\n\"B\", \"C\") */ char q = '\"';"
                          " int n = 1'000; LangString(\"Main\", \"K\", \"T\");")
            << QStringList{"Main", "K", "T"} << QList<bool>{true, true, true} << 3;
        QTest::newRow("call inside a call") << QByteArray("f(LangString(\"Main\", \"K\", \"T\").arg(g(1, 2)));")
                                            << QStringList{"Main", "K", "T"} << QList<bool>{true, true, true} << 1;
        QTest::newRow("non-literal default") << QByteArray("LangString(\"Main\", \"K\", text);")
                                             << QStringList{"Main", "K", ""} << QList<bool>{true, true, false} << 1;
        QTest::newRow("the lookup itself") << QByteArray("QString LangString(const QString& s, const QString& k, const QString& d)")
                                           << QStringList{"", "", ""} << QList<bool>{false, false, false} << 1;
    }
    void scanner()
    {
        QFETCH(QByteArray, source);
        QFETCH(QStringList, args);
        QFETCH(QList<bool>, literal);
        QFETCH(int, line);
        const QList<LangCall> calls = FindLangStringCalls(source);
        QCOMPARE(calls.size(), 1);
        QCOMPARE(calls.first().args, args);
        QCOMPARE(calls.first().literal, literal);
        QCOMPARE(calls.first().line, line);
    }

    void stringsMentioningTheLookupAreNoCalls()
    {
        QVERIFY(FindLangStringCalls("s = \"LangString(\\\"Main\\\", \\\"K\\\", \\\"T\\\")\";").isEmpty());
        QVERIFY(FindLangStringCalls("// LangString(\"Main\", \"K\", \"T\")").isEmpty());
    }

    void everyKeyIsInBothFiles()
    {
        QStringList problems;
        const QList<SourceCall> calls = ScanSources(&problems);

        // The scan sees calls as the program writes them; if it ever stops
        // seeing these, it has gone blind and proves nothing.
        auto seen = [&calls](const char* section, const char* key) {
            for (const SourceCall& c : calls) {
                if (c.section == QLatin1String(section) && c.key == QLatin1String(key))
                    return true;
            }
            return false;
        };
        QVERIFY(seen("Dialogs", "ButtonYes"));
        QVERIFY(seen("Main", "ChooseLg"));
        QVERIFY(seen("PswDlg", "Wiederholung"));

        const LanguageFile deutsch(SourceDir() + QStringLiteral("/lang/deutsch.lng"));
        const LanguageFile english(SourceDir() + QStringLiteral("/lang/english.lng"));
        const QString missing = QString::fromLatin1(kMissing);
        for (const SourceCall& c : calls) {
            const QString name = c.section + QLatin1Char('/') + c.key;
            const QString de = deutsch.ReadString(c.section, c.key, missing);
            const QString en = english.ReadString(c.section, c.key, missing);
            if (de == missing)
                problems << c.where + QStringLiteral(": deutsch.lng lacks ") + name;
            if (en == missing)
                problems << c.where + QStringLiteral(": english.lng lacks ") + name;
            if (de == missing)
                continue;
            if (const TwoDefaults* two = FindTwoDefaults(c.section, c.key)) {
                if (c.def != QString::fromUtf8(two->first) && c.def != QString::fromUtf8(two->second))
                    problems << c.where + QStringLiteral(": default of ") + name + QStringLiteral(" is \"") + c.def +
                                    QStringLiteral("\", expected one of its two known texts");
                if (de != QString::fromUtf8(two->held))
                    problems << QStringLiteral("deutsch.lng: ") + name + QStringLiteral(" holds \"") + de +
                                    QStringLiteral("\", expected \"") + QString::fromUtf8(two->held) +
                                    QLatin1Char('"');
            } else if (de != c.def) {
                problems << c.where + QStringLiteral(": deutsch.lng has \"") + de + QStringLiteral("\" for ") + name +
                                QStringLiteral(", the code \"") + c.def + QLatin1Char('"');
            }
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }

    void languageFilesAreWellFormed_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("deutsch") << QStringLiteral("deutsch.lng");
        QTest::newRow("english") << QStringLiteral("english.lng");
    }
    void languageFilesAreWellFormed()
    {
        QFETCH(QString, name);
        const QByteArray bytes = ReadAll(SourceDir() + QStringLiteral("/lang/") + name);
        QVERIFY(!bytes.isEmpty());
        QStringDecoder decoder(QStringConverter::Utf8);
        const QString text = decoder(bytes);
        QVERIFY2(!decoder.hasError(), "not valid UTF-8");
        QVERIFY2(!bytes.startsWith("\xEF\xBB\xBF"), "no byte-order mark");
        QCOMPARE(bytes.count('\r'), bytes.count('\n'));
        QCOMPARE(bytes.count("\r\n"), bytes.count('\n'));
        // The reader never reads the last line: the file ends with an empty one.
        QVERIFY2(bytes.endsWith("\r\n\r\n"), "must end with a line break and an empty line");

        QStringList problems;
        RawEntries(text, &problems, name);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));

        const LanguageFile reader(SourceDir() + QStringLiteral("/lang/") + name);
        QVERIFY(!reader.ReadString(QStringLiteral("LangOptions"), QStringLiteral("LanguageName"), QString()).isEmpty());
    }

    // Both files hold the same keys, and a translation keeps the
    // placeholders the program fills in.
    void translationMatchesTheGermanFile()
    {
        QStringList problems;
        const QList<RawEntry> de = RawEntries(
            QString::fromUtf8(ReadAll(SourceDir() + QStringLiteral("/lang/deutsch.lng"))), &problems, "deutsch.lng");
        const QList<RawEntry> en = RawEntries(
            QString::fromUtf8(ReadAll(SourceDir() + QStringLiteral("/lang/english.lng"))), &problems, "english.lng");
        QHash<QString, QString> english;
        for (const RawEntry& e : en)
            english.insert(e.section.toLower() + QLatin1Char('/') + e.key, e.value);
        QSet<QString> german;
        for (const RawEntry& e : de) {
            const QString id = e.section.toLower() + QLatin1Char('/') + e.key;
            german << id;
            if (!english.contains(id)) {
                problems << QStringLiteral("english.lng lacks ") + e.section + QLatin1Char('/') + e.key;
                continue;
            }
            if (Placeholders(e.value) != Placeholders(english.value(id)))
                problems << QStringLiteral("placeholders differ for ") + e.section + QLatin1Char('/') + e.key;
        }
        for (const RawEntry& e : en) {
            if (!german.contains(e.section.toLower() + QLatin1Char('/') + e.key))
                problems << QStringLiteral("deutsch.lng lacks ") + e.section + QLatin1Char('/') + e.key;
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }
};

KALVINORA_TEST_MAIN(TestLanguageKeys)
#include "TestLanguageKeys.moc"
