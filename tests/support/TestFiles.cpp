#include "support/TestFiles.h"

#include "core/Protocol.h"

#include <QFile>

namespace TestFiles {

bool WriteFile(const QString& path, const QByteArray& data)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(data) == data.size();
}

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList LogMessages()
{
    QStringList out;
    for (const QByteArray& line : ReadFile(ProtocolFileName()).split('\n')) {
        const QString text = QString::fromUtf8(line).remove('\r');
        if (text.isEmpty())
            continue;
        const qsizetype sep = text.indexOf(QLatin1String(" - "));
        out << (sep < 0 ? text : text.mid(sep + 3));
    }
    return out;
}

}  // namespace TestFiles
