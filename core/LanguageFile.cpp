#include "core/LanguageFile.h"

// Language files are not read yet: every lookup gives its default.
QString LangString(const QString&, const QString&, const QString& def) { return def; }

void OpenLanguageFile(const QString&) {}

namespace {

// The named references of HTML 4 for the characters 160 to 255.
const char* const kLatin1Entities[96] = {
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

QString HTMLEncode(const QString& text)
{
    QString out;
    out.reserve(text.size());
    int depth = 0;  // not bounded below: a stray ">" lets the next tag be encoded too
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == '<')
            ++depth;
        else if (c == '>')
            --depth;
        if (depth > 0) {
            out += c;
            continue;
        }
        const char16_t u = c.unicode();
        if (u == '"') {
            out += QLatin1String("&quot;");
        } else if (u == '&') {
            out += QLatin1String("&amp;");
        } else if (u >= 160 && u <= 255) {
            out += '&' + QLatin1String(kLatin1Entities[u - 160]) + ';';
        } else if (u > 255) {
            // A character outside the basic plane is one reference, not two
            // halves that no browser could show.
            char32_t code = u;
            if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
                code = QChar::surrogateToUcs4(c, text[++i]);
            out += QStringLiteral("&#%1;").arg(uint(code));
        } else {
            out += c;
        }
    }
    return out;
}
