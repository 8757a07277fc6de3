#include "support/HelpPages.h"

#include "core/LanguageFile.h"
#include "core/MessageDlg.h"
#include "core/Tools.h"
#include "core/UniCodeException.h"

#include <QFileInfo>
#include <QSaveFile>

HelpTextLookup LanguageFileTexts()
{
    return [](const QString& section, const QString& key, const QString& def) {
        return LangString(section, key, def);
    };
}

QString HelpPathPrefix(const QString& programFolder)
{
    QString folder = programFolder;
    if (!folder.endsWith('/'))
        folder += '/';
    // The folder is absolute, so its leading "/" makes the third slash.
    return QStringLiteral("file://") + folder;
}

HelpTemplateLine::HelpTemplateLine(const QString& line) { m_parts.append(Part{line, false}); }

void HelpTemplateLine::Replace(const QString& placeholder, const QString& value)
{
    if (placeholder.isEmpty())
        return;
    QList<Part> parts;
    for (const Part& part : std::as_const(m_parts)) {
        if (part.inserted) {
            parts.append(part);
            continue;
        }
        qsizetype from = 0;
        for (;;) {
            const qsizetype at = part.text.indexOf(placeholder, from, Qt::CaseInsensitive);
            if (at < 0)
                break;
            parts.append(Part{part.text.mid(from, at - from), false});
            parts.append(Part{value, true});
            from = at + placeholder.size();
        }
        parts.append(Part{part.text.mid(from), false});
    }
    m_parts = parts;
}

QString HelpTemplateLine::FirstMarker() const
{
    for (const Part& part : m_parts) {
        if (part.inserted)
            continue;
        const qsizetype at = part.text.indexOf(QLatin1String("##"));
        if (at < 0)
            continue;
        if (at + 8 <= part.text.size() && part.text.mid(at + 6, 2) == QLatin1String("##"))
            return part.text.mid(at, 8);
        return QString();
    }
    return QString();
}

QString HelpTemplateLine::Text() const
{
    QString text;
    for (const Part& part : m_parts)
        text += part.text;
    return text;
}

void WriteHelpPage(const QString& path, const QStringList& lines)
{
    QByteArray data;
    for (const QString& line : lines)
        data += line.toUtf8() + "\r\n";
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit())
        throw UniCodeException(
            QStringLiteral("Die Datei %1 kann nicht geschrieben werden: %2").arg(path, file.errorString()));
}

void OpenHelpPage(const QString& path, const std::function<void()>& build)
{
    build();
    if (QFileInfo(path).isFile()) {
        ShellExecuteFile(path, QString(), QStringLiteral("open"), 1);
        return;
    }
    const QString text = ReplaceFirst(LangString("Main", "FileNotFound", "Die Datei %s wurde nicht gefunden."),
                                      QStringLiteral("%s"), QStringLiteral("\n\n") + path + QStringLiteral("\n\n"));
    MessageDlg(QString(), text, mtInformation, MsgButtons({mbOK}));
}
