#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// What the generated help pages (FAQ and manual) share: the text source,
// the link prefix of the files next to the program, line templates whose
// inserted texts are never expanded again, and writing and opening a page.

// Looks up a text by section, key and default; the pages normally read the
// language file through LangString.
using HelpTextLookup = std::function<QString(const QString& section, const QString& key, const QString& def)>;
HelpTextLookup LanguageFileTexts();

// "file://" and the program's folder with a trailing "/"; blanks and other
// characters stay as they are.
QString HelpPathPrefix(const QString& programFolder);

// One template line of a page. Placeholders are replaced in the template's
// own text only: a replacement is final and is never searched again, so a
// text that contains a placeholder (even its own) comes out as it is.
class HelpTemplateLine {
public:
    explicit HelpTemplateLine(const QString& line);

    // Replaces every occurrence of placeholder, ignoring letter case.
    void Replace(const QString& placeholder, const QString& value);

    // The first "##" of the template's own text when it starts a marker of
    // eight characters ("##0010##"); empty when the first "##" starts none
    // or there is none left.
    QString FirstMarker() const;

    QString Text() const;

private:
    struct Part {
        QString text;
        bool inserted;
    };
    QList<Part> m_parts;
};

// Writes the lines as UTF-8 with CR LF line ends, replacing the file.
// Raises UniCodeException naming the file when it cannot be written.
void WriteHelpPage(const QString& path, const QStringList& lines);

// Builds a page and opens it in the browser, or tells that it is missing.
void OpenHelpPage(const QString& path, const std::function<void()>& build);
