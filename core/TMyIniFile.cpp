#include "core/TMyIniFile.h"

#include "core/Protocol.h"
#include "core/Tools.h"

#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <QSaveFile>

#include <stdexcept>

TMyIniFile::TMyIniFile(const QString& fileName) : m_fileName(fileName) { Load(); }

void TMyIniFile::Load()
{
    QFile file(m_fileName);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QString text = QString::fromUtf8(file.readAll());
    Section* current = nullptr;
    for (QString line : text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")))) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(';'))
            continue;
        if (line.startsWith('[') && line.endsWith(']')) {
            const QString name = line.mid(1, line.size() - 2).trimmed();
            current = FindSection(name);
            if (!current) {
                m_sections.append(Section{name, {}});
                current = &m_sections.last();
            }
            continue;
        }
        if (!current)
            continue;  // lines before the first section are dropped
        const qsizetype eq = line.indexOf('=');
        Entry e;
        if (eq < 0) {
            e.key = line;
        } else {
            e.key = line.left(eq).trimmed();
            e.value = line.mid(eq + 1).trimmed();
        }
        current->entries.append(e);
    }
}

const TMyIniFile::Section* TMyIniFile::FindSection(const QString& name) const
{
    for (const Section& s : m_sections) {
        if (s.name.compare(name, Qt::CaseInsensitive) == 0)
            return &s;
    }
    return nullptr;
}

TMyIniFile::Section* TMyIniFile::FindSection(const QString& name)
{
    return const_cast<Section*>(std::as_const(*this).FindSection(name));
}

const TMyIniFile::Entry* TMyIniFile::FindEntry(const QString& section, const QString& key) const
{
    const Section* s = FindSection(section);
    if (!s)
        return nullptr;
    for (const Entry& e : s->entries) {
        if (e.key.compare(key, Qt::CaseInsensitive) == 0)
            return &e;
    }
    return nullptr;
}

QString TMyIniFile::ReadString(const QString& section, const QString& key, const QString& def) const
{
    const Entry* e = FindEntry(section, key);
    return e ? e->value : def;
}

int TMyIniFile::ReadInteger(const QString& section, const QString& key, int def) const
{
    const QString text = ReadString(section, key, QString());
    if (text.isEmpty())
        return def;
    bool ok = false;
    int value;
    if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        value = int(text.mid(2).toUInt(&ok, 16));
    else
        value = text.toInt(&ok, 10);
    return ok ? value : def;
}

bool TMyIniFile::ReadBool(const QString& section, const QString& key, bool def) const
{
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

double TMyIniFile::ReadFloat(const QString& section, const QString& key, double def) const
{
    const QString text = ReadString(section, key, QString());
    if (text.isEmpty())
        return def;
    bool ok = false;
    const double value = QLocale().toDouble(text, &ok);
    return ok ? value : def;
}

int TMyIniFile::ReadBinaryStream(const QString& section, const QString& key, QByteArray& stream) const
{
    const QString text = ReadString(section, key, QString());
    if (text.isEmpty() || text.size() % 2 != 0)
        return 0;
    for (QChar c : text) {
        if (!isxdigit(c.toLatin1()) || c.unicode() > 127)
            return 0;
    }
    const QByteArray bytes = QByteArray::fromHex(text.toLatin1());
    stream += bytes;
    return int(bytes.size());
}

void TMyIniFile::WriteString(const QString& section, const QString& key, const QString& value)
{
    try {
        // A line break in a name or value would split the line when the file
        // is read back; such a value cannot be stored.
        auto breaksLine = [](const QString& s) { return s.contains('\r') || s.contains('\n'); };
        if (breaksLine(section) || breaksLine(key) || breaksLine(value) || key.contains('=') || key.trimmed().isEmpty()
            || section.contains(']'))
            throw std::invalid_argument("value cannot be stored in an INI line");
        Section* s = FindSection(section);
        if (!s) {
            m_sections.append(Section{section, {}});
            s = &m_sections.last();
        }
        for (Entry& e : s->entries) {
            if (e.key.compare(key, Qt::CaseInsensitive) == 0) {
                e.value = value;
                return;
            }
        }
        s->entries.append(Entry{key, value});
    } catch (const std::exception&) {
        WriteProtocol(QStringLiteral("Fehler bei ") + key);
    }
}

void TMyIniFile::WriteInteger(const QString& section, const QString& key, int value)
{
    WriteString(section, key, QString::number(value));
}

void TMyIniFile::WriteBool(const QString& section, const QString& key, bool value)
{
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void TMyIniFile::WriteFloat(const QString& section, const QString& key, double value)
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    WriteString(section, key, locale.toString(value, 'g', 15));
}

void TMyIniFile::WriteBinaryStream(const QString& section, const QString& key, const QByteArray& data)
{
    WriteString(section, key, QString::fromLatin1(data.toHex().toUpper()));
}

bool TMyIniFile::SectionExists(const QString& section) const { return FindSection(section) != nullptr; }

bool TMyIniFile::ValueExists(const QString& section, const QString& key) const
{
    return FindEntry(section, key) != nullptr;
}

QStringList TMyIniFile::ReadSection(const QString& section) const
{
    QStringList keys;
    if (const Section* s = FindSection(section)) {
        for (const Entry& e : s->entries)
            keys << e.key;
    }
    return keys;
}

void TMyIniFile::DeleteKey(const QString& section, const QString& key)
{
    Section* s = FindSection(section);
    if (!s)
        return;
    for (qsizetype i = 0; i < s->entries.size(); ++i) {
        if (s->entries[i].key.compare(key, Qt::CaseInsensitive) == 0) {
            s->entries.removeAt(i);
            return;
        }
    }
}

void TMyIniFile::EraseSection(const QString& section)
{
    for (qsizetype i = 0; i < m_sections.size(); ++i) {
        if (m_sections[i].name.compare(section, Qt::CaseInsensitive) == 0) {
            m_sections.removeAt(i);
            return;
        }
    }
}

void TMyIniFile::UpdateFile()
{
    QByteArray out;
    for (const Section& s : m_sections) {
        out += '[' + s.name.toUtf8() + "]\r\n";
        for (const Entry& e : s.entries)
            out += e.key.toUtf8() + '=' + e.value.toUtf8() + "\r\n";
        out += "\r\n";
    }
    // Written to a temporary file and renamed, so the file on disk is always
    // either the old one or the new one. It may hold passwords: the user
    // alone may read it.
    const bool existed = QFile::exists(m_fileName);
    if (IsReadOnlyFile(m_fileName))
        throw std::runtime_error(QStringLiteral("Die Datei %1 ist schreibgeschützt").arg(m_fileName).toStdString());
    QSaveFile file(m_fileName);
    if (!file.open(QIODevice::WriteOnly))
        throw std::runtime_error(QStringLiteral("Die Datei %1 kann nicht geschrieben werden: %2")
                                     .arg(m_fileName, file.errorString())
                                     .toStdString());
    if (!existed)
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (file.write(out) != out.size() || !file.commit())
        throw std::runtime_error(QStringLiteral("Die Datei %1 kann nicht geschrieben werden: %2")
                                     .arg(m_fileName, file.errorString())
                                     .toStdString());
}
