#include "core/LanguageFile.h"

#include "core/Protocol.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>

#include <array>
#include <stdexcept>

namespace {

// Splits at CR LF, CR or LF. A break at the very end does not start another
// line, the way text files are usually counted.
QStringList SplitLines(const QString& text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c == u'\r' || c == u'\n') {
            lines << text.mid(start, i - start);
            if (c == u'\r' && i + 1 < n && text.at(i + 1) == u'\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < n)
        lines << text.mid(start);
    return lines;
}

bool IsEndOfFileMarkLine(const QString& line)
{
    for (QChar c : line) {
        if (c.unicode() != 26)
            return false;
    }
    return !line.isEmpty();
}

bool SameSectionName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// HTML 4 names of the characters 160 to 255.
constexpr std::array<const char*, 96> kLatin1Entities = {
    "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",    "copy",   "ordf",
    "laquo",  "not",    "shy",    "reg",    "macr",   "deg",    "plusmn", "sup2",   "sup3",   "acute",  "micro",
    "para",   "middot", "cedil",  "sup1",   "ordm",   "raquo",  "frac14", "frac12", "frac34", "iquest", "Agrave",
    "Aacute", "Acirc",  "Atilde", "Auml",   "Aring",  "AElig",  "Ccedil", "Egrave", "Eacute", "Ecirc",  "Euml",
    "Igrave", "Iacute", "Icirc",  "Iuml",   "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde", "Ouml",
    "times",  "Oslash", "Ugrave", "Uacute", "Ucirc",  "Uuml",   "Yacute", "THORN",  "szlig",  "agrave", "aacute",
    "acirc",  "atilde", "auml",   "aring",  "aelig",  "ccedil", "egrave", "eacute", "ecirc",  "euml",   "igrave",
    "iacute", "icirc",  "iuml",   "eth",    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide",
    "oslash", "ugrave", "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml"};

}  // namespace

LanguageFile::LanguageFile(const QString& fileName) { Open(fileName); }

QString LanguageFile::Decode(const QByteArray& bytes)
{
    if (bytes.size() >= 2) {
        const auto b0 = static_cast<unsigned char>(bytes[0]);
        const auto b1 = static_cast<unsigned char>(bytes[1]);
        if (b0 == 0xFF && b1 == 0xFE) {
            QStringDecoder decoder(QStringConverter::Utf16LE);
            return decoder(bytes.mid(2));
        }
        if (b0 == 0xFE && b1 == 0xFF) {
            QStringDecoder decoder(QStringConverter::Utf16BE);
            return decoder(bytes.mid(2));
        }
    }
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    return QString::fromUtf8(bytes);
}

void LanguageFile::Open(const QString& fileName)
{
    m_fileName = fileName;
    QFile file(fileName);
    QByteArray bytes;
    if (!fileName.isEmpty() && file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    Parse(Decode(bytes));
}

void LanguageFile::Parse(const QString& text)
{
    m_sections.clear();
    m_lastSection = 0;

    QStringList lines = SplitLines(text);
    // The last line is never read.
    if (!lines.isEmpty())
        lines.removeLast();

    Section* current = nullptr;
    bool discarding = false;
    for (const QString& line : std::as_const(lines)) {
        if (line.isEmpty() || IsEndOfFileMarkLine(line))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            const QString name = line.mid(1, line.size() - 2);
            discarding = false;
            for (const Section& s : std::as_const(m_sections)) {
                if (SameSectionName(s.name, name)) {
                    discarding = true;
                    break;
                }
            }
            if (discarding) {
                current = nullptr;
            } else {
                m_sections.append(Section{name, {}});
                current = &m_sections.last();
            }
            continue;
        }
        if (current)
            current->lines << line;
    }
}

QString LanguageFile::ReadString(const QString& section, const QString& key, const QString& def) const
{
    const qsizetype count = m_sections.size();
    if (count == 0)
        return def;
    const qsizetype start = (m_lastSection >= 0 && m_lastSection < count) ? m_lastSection : 0;
    for (qsizetype step = 0; step < count; ++step) {
        const qsizetype index = (start + step) % count;
        const Section& s = m_sections.at(index);
        if (!SameSectionName(s.name, section))
            continue;
        m_lastSection = index;
        for (const QString& line : s.lines) {
            const qsizetype eq = line.indexOf(u'=');
            if (eq >= 0 && QStringView(line).left(eq) == key)
                return line.mid(eq + 1);
        }
        return def;
    }
    return def;
}

LanguageFile& ActiveLanguageFile()
{
    static LanguageFile file;
    return file;
}

QString LangString(const QString& section, const QString& key, const QString& def)
{
    return ActiveLanguageFile().ReadString(section, key, def);
}

void OpenLanguageFile(const QString& path) { ActiveLanguageFile().Open(path); }

bool IsUnicodeFile(const QString& fileName)
{
    QFile file(fileName);
    QString error;
    if (fileName.isEmpty()) {
        error = QStringLiteral("No file name given");
    } else if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString();
    } else {
        const QByteArray head = file.read(2);
        if (head.size() == 2) {
            const auto b0 = static_cast<unsigned char>(head[0]);
            const auto b1 = static_cast<unsigned char>(head[1]);
            return (b0 == 0xFF && b1 == 0xFE) || (b0 == 0xFE && b1 == 0xFF);
        }
        error = file.error() != QFileDevice::NoError ? file.errorString() : QStringLiteral("Stream read error");
    }
    try {
        WriteProtocol(QStringLiteral("Error - Check Unicode of File \"") + fileName + QStringLiteral("\": ") + error);
    } catch (const std::exception&) {
        // A log that cannot be read must not stop a form from opening.
    }
    return true;
}

QString HTMLEncode(const QString& text)
{
    QString out;
    out.reserve(text.size() + text.size() / 4);
    int depth = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c == u'<')
            ++depth;
        else if (c == u'>')
            --depth;
        if (depth > 0) {
            out += c;
            continue;
        }
        const char16_t u = c.unicode();
        if (u == u'"') {
            out += QStringLiteral("&quot;");
        } else if (u == u'&') {
            out += QStringLiteral("&amp;");
        } else if (u >= 160 && u <= 255) {
            out += u'&' + QLatin1String(kLatin1Entities[u - 160]) + u';';
        } else if (u > 255) {
            // A character outside the basic plane is one code point written
            // as two UTF-16 units; its reference must name the code point.
            char32_t code = u;
            if (c.isHighSurrogate() && i + 1 < n && text.at(i + 1).isLowSurrogate()) {
                code = QChar::surrogateToUcs4(c, text.at(i + 1));
                ++i;
            }
            out += QStringLiteral("&#") + QString::number(code) + u';';
        } else {
            out += c;
        }
    }
    return out;
}

QList<LanguageChoice> FindLanguageFiles(const QString& folder)
{
    QList<LanguageChoice> found;
    QDir dir(folder);
    const QStringList names = dir.entryList(QStringList{QStringLiteral("*.lng")},
                                            QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                            QDir::Unsorted);
    for (const QString& name : names) {
        const LanguageFile reader(dir.filePath(name));
        found.append(LanguageChoice{name, reader.ReadString(QStringLiteral("LangOptions"),
                                                             QStringLiteral("LanguageName"), name)});
    }
    return found;
}
