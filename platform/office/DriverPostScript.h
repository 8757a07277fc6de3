#pragma once

#include <QByteArray>
#include <QString>

// The office prints through this "driver": the document arrives as a PDF
// and leaves as the PostScript file a PostScript printer driver would have
// written, with the header comments such a driver writes.

struct DriverJob {
    QString pdfPath;      // the printed document
    QString targetPath;   // the PostScript file to write (made or truncated)
    QString title;        // "%%Title:" (the document's file name)
    QString user;         // "%%For:"
    bool reversePages = false;
    int timeoutMs = 300000;
};

// The "%%Creator:" text of the driver.
QString DriverCreatorName();

// Writes job.targetPath: DSC-conforming PostScript in 7-bit text whose
// data does not depend on its line ends, so that the header can be
// rewritten line by line. Helper files are made next to the target and
// removed in every case. Raises std::runtime_error with the message of
// pdftops (or qpdf) on failure; the target is then left empty.
void WriteDriverPostScript(const DriverJob& job);

// Puts "%%Title:", "%%Creator:" and "%%For:" right after the first line of
// the header comments (the lines starting with "%" up to "%%EndComments"),
// dropping any such lines that were there. Values cannot break the line.
QByteArray TagDriverHeader(const QByteArray& header, const QString& title, const QString& creator, const QString& user);
