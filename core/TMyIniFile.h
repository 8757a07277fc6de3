#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// The settings file: an INI file kept whole in memory. Reads never fail (a
// missing or malformed value gives the caller's default); writes change the
// memory only and never fail (a refused value is logged as "Fehler bei " +
// key); UpdateFile writes the complete file, atomically, and raises
// std::runtime_error when it cannot.
class TMyIniFile {
public:
    explicit TMyIniFile(const QString& fileName);

    const QString& FileName() const { return m_fileName; }

    QString ReadString(const QString& section, const QString& key, const QString& def) const;
    int ReadInteger(const QString& section, const QString& key, int def) const;
    bool ReadBool(const QString& section, const QString& key, bool def) const;
    double ReadFloat(const QString& section, const QString& key, double def) const;
    // Appends the decoded bytes to stream; returns how many, 0 when the key
    // is missing, empty or not hexadecimal.
    int ReadBinaryStream(const QString& section, const QString& key, QByteArray& stream) const;

    void WriteString(const QString& section, const QString& key, const QString& value);
    void WriteInteger(const QString& section, const QString& key, int value);
    void WriteBool(const QString& section, const QString& key, bool value);
    void WriteFloat(const QString& section, const QString& key, double value);
    void WriteBinaryStream(const QString& section, const QString& key, const QByteArray& data);

    bool SectionExists(const QString& section) const;
    bool ValueExists(const QString& section, const QString& key) const;
    QStringList ReadSection(const QString& section) const;
    void DeleteKey(const QString& section, const QString& key);
    void EraseSection(const QString& section);

    void UpdateFile();

private:
    struct Entry {
        QString key;
        QString value;
    };
    struct Section {
        QString name;
        QList<Entry> entries;
    };
    const Section* FindSection(const QString& name) const;
    Section* FindSection(const QString& name);
    const Entry* FindEntry(const QString& section, const QString& key) const;
    void Load();

    QString m_fileName;
    QList<Section> m_sections;
};
