#include "platform/office/GlyphUnicode.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>

#include <algorithm>
#include <vector>

namespace {

struct Token {
    enum Kind { Hex, Open, Close, Word } kind;
    QByteArray text;  // hex digits (upper case, no blanks) or the word
};

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\0'; }

std::vector<Token> Tokenize(const QByteArray& data)
{
    std::vector<Token> tokens;
    const qsizetype n = data.size();
    for (qsizetype i = 0; i < n;) {
        const char c = data[i];
        if (c == '<' && i + 1 < n && data[i + 1] == '<') {
            tokens.push_back({Token::Word, "<<"});
            i += 2;
        } else if (c == '<') {
            const qsizetype end = data.indexOf('>', i + 1);
            if (end < 0)
                break;
            QByteArray hex;
            for (qsizetype k = i + 1; k < end; ++k) {
                if (!IsSpace(data[k]))
                    hex += data[k];
            }
            tokens.push_back({Token::Hex, hex.toUpper()});
            i = end + 1;
        } else if (c == '[' || c == ']') {
            tokens.push_back({c == '[' ? Token::Open : Token::Close, {}});
            ++i;
        } else if (c == '%') {
            while (i < n && data[i] != '\n' && data[i] != '\r')
                ++i;
        } else if (IsSpace(c)) {
            ++i;
        } else {
            qsizetype j = i + 1;
            while (j < n && !IsSpace(data[j]) && !QByteArrayView("<>[]%/").contains(data[j]))
                ++j;
            tokens.push_back({Token::Word, data.mid(i, j - i)});
            i = j;
        }
    }
    return tokens;
}

// Well-formed UTF-16BE: whole units, surrogates only in pairs, no NUL.
bool ValidUtf16(const QByteArray& hex)
{
    if (hex.isEmpty() || hex.size() % 4 != 0)
        return false;
    std::vector<uint> units;
    for (qsizetype i = 0; i < hex.size(); i += 4) {
        bool ok = false;
        units.push_back(hex.mid(i, 4).toUInt(&ok, 16));
        if (!ok || units.back() == 0)
            return false;
    }
    for (size_t i = 0; i < units.size(); ++i) {
        if (QChar::isHighSurrogate(units[i])) {
            if (i + 1 >= units.size() || !QChar::isLowSurrogate(units[i + 1]))
                return false;
            ++i;
        } else if (QChar::isLowSurrogate(units[i])) {
            return false;
        }
    }
    return true;
}

// Simple fonts have one-byte codes.
int Code(const QByteArray& hex)
{
    bool ok = false;
    const int code = hex.size() == 2 ? int(hex.toUInt(&ok, 16)) : -1;
    return ok ? code : -1;
}

// The destination with its last UTF-16 unit advanced by offset.
QByteArray Advance(const QByteArray& hex, int offset)
{
    if (hex.size() < 4)
        return {};
    bool ok = false;
    const uint last = hex.right(4).toUInt(&ok, 16) + uint(offset);
    if (!ok || last > 0xFFFF)
        return {};
    return hex.left(hex.size() - 4) + QByteArray::number(last, 16).toUpper().rightJustified(4, '0');
}

void Add(GlyphUnicodeMap& map, int code, const QByteArray& hex)
{
    if (code >= 0 && code <= 255 && !map.contains(code) && ValidUtf16(hex))
        map.insert(code, hex);
}

QByteArray Run(const QStringList& arguments, int timeoutMs)
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("qpdf"));
    if (program.isEmpty())
        return {};
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted(30000))
        return {};
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(5000);
        return {};
    }
    // qpdf exits with 3 after warnings; its output is complete then.
    if (process.exitStatus() != QProcess::NormalExit || (process.exitCode() != 0 && process.exitCode() != 3))
        return {};
    return process.readAllStandardOutput();
}

int ObjectNumber(const QString& reference)
{
    static const QRegularExpression ref(QStringLiteral("^(\\d+) 0 R$"));
    const QRegularExpressionMatch m = ref.match(reference);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

}  // namespace

GlyphUnicodeMap ParseToUnicode(const QByteArray& cmap)
{
    const std::vector<Token> t = Tokenize(cmap);
    GlyphUnicodeMap map;
    enum { None, Char, Range } section = None;
    for (size_t i = 0; i < t.size(); ++i) {
        if (t[i].kind == Token::Word) {
            if (t[i].text == "beginbfchar")
                section = Char;
            else if (t[i].text == "beginbfrange")
                section = Range;
            else if (t[i].text == "endbfchar" || t[i].text == "endbfrange")
                section = None;
            continue;
        }
        if (section == Char && t[i].kind == Token::Hex && i + 1 < t.size()) {
            if (t[i + 1].kind == Token::Hex)
                Add(map, Code(t[i].text), t[i + 1].text);
            ++i;
        } else if (section == Range && t[i].kind == Token::Hex && i + 2 < t.size() && t[i + 1].kind == Token::Hex) {
            const int lo = Code(t[i].text);
            const int hi = Code(t[i + 1].text);
            if (t[i + 2].kind == Token::Hex) {
                for (int c = lo; lo >= 0 && c <= hi; ++c)
                    Add(map, c, Advance(t[i + 2].text, c - lo));
                i += 2;
            } else if (t[i + 2].kind == Token::Open) {
                size_t j = i + 3;
                for (int c = lo; j < t.size() && t[j].kind == Token::Hex; ++c, ++j) {
                    if (lo >= 0 && c <= hi)
                        Add(map, c, t[j].text);
                }
                i = j;
            }
        }
    }
    return map;
}

FontUnicodeMaps ReadFontUnicodeMaps(const QString& pdfPath, int timeoutMs)
{
    const QByteArray json = Run({QStringLiteral("--json=2"), QStringLiteral("--json-key=qpdf"),
                                 QStringLiteral("--json-stream-data=none"), pdfPath},
                                timeoutMs);
    const QJsonObject root = QJsonDocument::fromJson(json).object();
    const QJsonObject objects = root.value(QStringLiteral("qpdf")).toArray().at(1).toObject();

    FontUnicodeMaps fonts;
    QSet<QByteArray> ambiguous;
    for (auto it = objects.begin(); it != objects.end(); ++it) {
        const QJsonObject o = it.value().toObject();
        const QJsonObject dict = o.value(QStringLiteral("value")).toObject();
        if (dict.value(QStringLiteral("/Type")).toString() != QLatin1String("/Font") ||
            dict.value(QStringLiteral("/Subtype")).toString() != QLatin1String("/TrueType"))
            continue;
        const QString base = dict.value(QStringLiteral("/BaseFont")).toString();
        const int toUnicode = ObjectNumber(dict.value(QStringLiteral("/ToUnicode")).toString());
        if (!base.startsWith('/') || base.contains('#') || toUnicode < 0)
            continue;
        const QByteArray name = base.mid(1).toLatin1();
        const GlyphUnicodeMap map = ParseToUnicode(
            Run({QStringLiteral("--show-object=%1").arg(toUnicode), QStringLiteral("--filtered-stream-data"), pdfPath},
                timeoutMs));
        if (map.isEmpty())
            continue;
        // One name for two differently coded fonts: which is which in the
        // PostScript cannot be told, so neither gets a map.
        if (fonts.contains(name) && fonts.value(name) != map)
            ambiguous.insert(name);
        fonts.insert(name, map);
    }
    for (const QByteArray& name : std::as_const(ambiguous))
        fonts.remove(name);
    return fonts;
}

QByteArray GlyphUnicodeWriter::Line(const QByteArray& line)
{
    if (line.startsWith("%%BeginResource: font ")) {
        const auto it = m_fonts.constFind(line.mid(22).trimmed());
        m_current = it == m_fonts.constEnd() ? nullptr : &it.value();
        m_type42 = false;
        return line;
    }
    if (!m_current)
        return line;
    if (line.startsWith("%%EndResource")) {
        m_current = nullptr;
        return line;
    }
    if (line.startsWith("/FontType 42"))
        m_type42 = true;
    if (!m_type42 || !line.startsWith("FontName currentdict end definefont"))
        return line;

    // pdftops names the glyph of code c "c" + two lower-case hex digits.
    QList<int> codes = m_current->keys();
    std::sort(codes.begin(), codes.end());
    QByteArray out = "currentdict /FontInfo known not { /FontInfo 1 dict def } if\n"
                     "FontInfo /GlyphNames2Unicode " +
                     QByteArray::number(codes.size()) + " dict dup begin\n";
    for (int code : codes)
        out += "/c" + QByteArray::number(code, 16).rightJustified(2, '0') + " <" + m_current->value(code) + "> def\n";
    out += "end put\n";
    m_current = nullptr;
    return out + line;
}
