#pragma once

#include <QString>

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

// Encodes text for an HTML page: markup (everything between "<" and ">")
// stays as it is; outside it quotation marks, "&", the Latin-1 characters
// from 160 and everything above 255 become character references.
QString HTMLEncode(const QString& text);
