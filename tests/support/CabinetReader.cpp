#include "CabinetReader.h"

#include <QFile>
#include <QProcess>

namespace {

quint16 U16(const QByteArray& d, qsizetype at)
{
    return quint16(quint8(d[at]) | quint8(d[at + 1]) << 8);
}

quint32 U32(const QByteArray& d, qsizetype at)
{
    return quint32(U16(d, at)) | quint32(U16(d, at + 2)) << 16;
}

}  // namespace

QDateTime CabinetDirectory::File::Modified() const
{
    const QDate d(1980 + (date >> 9), (date >> 5) & 0x0f, date & 0x1f);
    const QTime t(time >> 11, (time >> 5) & 0x3f, (time & 0x1f) * 2);
    return QDateTime(d, t);
}

CabinetDirectory CabinetDirectory::Read(const QString& path)
{
    CabinetDirectory cab;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return cab;
    const QByteArray d = f.readAll();
    if (d.size() < 36 || !d.startsWith("MSCF"))
        return cab;
    cab.cabinetSize = U32(d, 8);
    const quint32 firstFile = U32(d, 16);
    cab.versionMinor = quint8(d[24]);
    cab.versionMajor = quint8(d[25]);
    const quint16 folders = U16(d, 26);
    const quint16 files = U16(d, 28);
    cab.flags = U16(d, 30);
    cab.setId = U16(d, 32);
    cab.cabinetIndex = U16(d, 34);
    qsizetype at = 36;
    for (int i = 0; i < folders; ++i, at += 8) {
        if (at + 8 > d.size())
            return cab;
        cab.folders.append(Folder{U32(d, at), U16(d, at + 4), U16(d, at + 6)});
    }
    at = firstFile;
    for (int i = 0; i < files; ++i) {
        if (at + 16 > d.size())
            return cab;
        File file;
        file.size = U32(d, at);
        file.offset = U32(d, at + 4);
        file.folder = U16(d, at + 8);
        file.date = U16(d, at + 10);
        file.time = U16(d, at + 12);
        file.attributes = U16(d, at + 14);
        const qsizetype end = d.indexOf('\0', at + 16);
        if (end < 0)
            return cab;
        file.name = d.mid(at + 16, end - at - 16);
        cab.files.append(file);
        at = end + 1;
    }
    cab.valid = true;
    return cab;
}

int RunTool(const QString& program, const QStringList& arguments, QByteArray* output)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, arguments);
    if (!p.waitForStarted(10000))
        return -1;
    p.waitForFinished(120000);
    if (output)
        *output = p.readAll();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}
