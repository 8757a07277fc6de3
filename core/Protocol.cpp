#include "core/Protocol.h"

#include "core/Settings.h"
#include "core/Tools.h"

#include <QDateTime>
#include <QFile>
#include <QSaveFile>

#include <stdexcept>

namespace {

bool g_protocolEnabled = false;

constexpr int kMaxLines = 1000;
constexpr int kKeepLines = 899;

QList<QByteArray> SplitLines(const QByteArray& data)
{
    // Lines end with CR LF, a lone CR or a lone LF.
    QList<QByteArray> lines;
    qsizetype start = 0;
    const qsizetype n = data.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char c = data[i];
        if (c == '\r' || c == '\n') {
            lines << data.mid(start, i - start);
            if (c == '\r' && i + 1 < n && data[i + 1] == '\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < n)
        lines << data.mid(start);
    return lines;
}

}  // namespace

bool ProtocolEnabled() { return g_protocolEnabled; }

void SetProtocolEnabled(bool enabled) { g_protocolEnabled = enabled; }

QString ProtocolFileName() { return GetDataFolder() + QStringLiteral("protokoll.txt"); }

void WriteProtocol(const QString& message)
{
    if (!g_protocolEnabled)
        return;
    const QString path = ProtocolFileName();

    QList<QByteArray> lines;
    QByteArray data;
    QFile existing(path);
    if (existing.exists()) {
        if (!existing.open(QIODevice::ReadOnly))
            throw std::runtime_error(QStringLiteral("Die Datei %1 kann nicht gelesen werden: %2")
                                         .arg(path, existing.errorString())
                                         .toStdString());
        data = existing.readAll();
        lines = SplitLines(data);
        existing.close();
    }

    const bool trim = lines.size() > kMaxLines;
    if (trim)
        lines.erase(lines.begin(), lines.end() - kKeepLines);
    const QByteArray line = (LocaleTimestamp(QDateTime::currentDateTime()) + QStringLiteral(" - ") + message).toUtf8();
    lines << line;

    // A read-only log is left as it is, like any other failed write.
    if (IsReadOnlyFile(path))
        return;

    // Most lines only add to a file that already reads as the rewrite would
    // write it (every line ended by CR LF): appending gives the same bytes
    // without writing and syncing the whole file for each line.
    const qsizetype existingLines = lines.size() - 1;
    if (!trim && data.endsWith("\r\n") == (existingLines > 0) && data.count("\r\n") == existingLines
        && data.count('\r') == existingLines && data.count('\n') == existingLines) {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::Append))
            file.write(line + "\r\n");
        return;
    }
    QByteArray out;
    for (const QByteArray& l : lines) {
        out += l;
        out += "\r\n";
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return;
    if (file.write(out) != out.size()) {
        file.cancelWriting();
        return;
    }
    file.commit();
}
