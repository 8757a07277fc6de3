#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// A language file: an INI-like text file with one text per line, read whole
// into memory. The reading rules are strict on purpose so that a file reads
// the same everywhere:
// - UTF-16 with a byte-order mark (little or big endian); otherwise 8-bit
//   text, read as UTF-8, with a UTF-8 byte-order mark skipped;
// - lines end with CR LF, CR or LF; the last line of the file is never read,
//   so a file ends with a line break and an empty line;
// - "[name]" opens a section only when "[" is the first and "]" the last
//   character of the line; nothing is trimmed anywhere;
// - an entry is key "=" value, split at the first "="; keys compare exactly,
//   section names without regard to case;
// - the first occurrence of a section counts, later ones are dropped whole;
//   the first occurrence of a key in its section counts;
// - empty lines, lines of end-of-file marks (character 26) and lines before
//   the first section are skipped.
class LanguageFile {
public:
    LanguageFile() = default;
    // Reads the file; a missing or unreadable file gives an empty reader.
    explicit LanguageFile(const QString& fileName);

    // Replaces the contents with those of fileName (empty when it cannot be read).
    void Open(const QString& fileName);
    // Reads the lines of already decoded text (used for files and tests alike).
    void Parse(const QString& text);

    const QString& FileName() const { return m_fileName; }
    bool IsEmpty() const { return m_sections.isEmpty(); }

    // The value of key in section, or def when either is missing. An
    // existing key with an empty value gives an empty text.
    QString ReadString(const QString& section, const QString& key, const QString& def) const;

    // Turns the raw bytes of a language file into text by the rules above.
    static QString Decode(const QByteArray& bytes);

private:
    struct Section {
        QString name;
        QStringList lines;
    };

    QString m_fileName;
    QList<Section> m_sections;
    // Lookups come in runs for one section: the next search starts where the
    // last one found its section.
    mutable qsizetype m_lastSection = 0;
};

// The process-wide language file of this run, opened by the start-up step.
LanguageFile& ActiveLanguageFile();

// Every text the user sees is looked up here by section and key; the
// default is the German text, used when the language file, the section or
// the key is missing.
QString LangString(const QString& section, const QString& key, const QString& def);
inline QString LangString(const char* section, const char* key, const char* def)
{
    return LangString(QString::fromUtf8(section), QString::fromUtf8(key), QString::fromUtf8(def));
}

// Opens the process-wide language file (a missing file gives only defaults).
void OpenLanguageFile(const QString& path);

// True when the file starts with a UTF-16 byte-order mark. A file that cannot
// be opened or holds fewer than two bytes is logged and counts as Unicode.
bool IsUnicodeFile(const QString& fileName);

// Text made safe for an HTML page while the markup in it survives: outside
// tags quotation marks, ampersands, Latin-1 letters and characters beyond
// Latin-1 become entities; inside tags everything is copied unchanged.
QString HTMLEncode(const QString& text);

// A language file offered to the user: its file name and the name of its
// language ("LangOptions"/"LanguageName", or the file name without one).
struct LanguageChoice {
    QString fileName;
    QString languageName;
};

// The "*.lng" files in folder (with trailing delimiter), in the order the
// file system lists them.
QList<LanguageChoice> FindLanguageFiles(const QString& folder);
