#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

// Reads the directory of a cabinet file straight from its bytes, so that
// tests can check what the header and the file entries say independently
// of the writer.
struct CabinetDirectory {
    struct Folder {
        quint32 firstBlock = 0;
        quint16 blocks = 0;
        quint16 compression = 0;
    };
    struct File {
        quint32 size = 0;
        quint32 offset = 0;
        quint16 folder = 0;
        quint16 date = 0;
        quint16 time = 0;
        quint16 attributes = 0;
        QByteArray name;

        // The DOS date and time as a local moment.
        QDateTime Modified() const;
    };

    bool valid = false;
    quint32 cabinetSize = 0;
    quint8 versionMinor = 0;
    quint8 versionMajor = 0;
    quint16 flags = 0;
    quint16 setId = 0;
    quint16 cabinetIndex = 0;
    QList<Folder> folders;
    QList<File> files;

    static CabinetDirectory Read(const QString& path);
};

// Runs a program and returns its exit code (-1 when it cannot run), with
// its merged output in output.
int RunTool(const QString& program, const QStringList& arguments, QByteArray* output = nullptr);
