#pragma once

#include "core/ProgramState.h"
#include "engine/RunWindow.h"

#include <QByteArray>
#include <QColor>
#include <QDateTime>
#include <QFileDevice>
#include <QSize>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <functional>

// What the tests of the conversion run share: a window that records what
// the run does to it, a program state for a list of files, the run's log,
// and small real inputs.
namespace RunHarness {

class TestRunWindow : public RunWindow {
public:
    void SetRunning(bool running) override { calls << (running ? QStringLiteral("running") : QStringLiteral("idle")); }
    void SetBusyCursor(bool busy) override { calls << (busy ? QStringLiteral("busy") : QStringLiteral("default")); }
    void SetProgressMaximum(int value) override { maximum = value; }
    void SetProgressPosition(int value) override
    {
        position = value;
        highest = std::max(highest, value);
    }
    void StepProgress() override
    {
        ++position;
        highest = std::max(highest, position);
        ++steps;
        if (onStep)
            onStep();
    }
    void ProcessPendingEvents() override
    {
        ++eventRounds;
        if (onEvents)
            onEvents();
    }

    QStringList calls;
    int maximum = -1;
    int position = 0;
    int highest = 0;
    int steps = 0;
    int eventRounds = 0;
    // What the user does while the run processes its events or steps on.
    std::function<void()> onStep;
    std::function<void()> onEvents;
};

// A program state whose file list selects files (in that order, which is
// also the order of selection), with the installed Ghostscript chosen and the
// built-in printer as the printer.
ProgramState StateFor(const QStringList& files);

// The messages of the log, without their time stamps.
QStringList LogLines();
// Starts a fresh log.
void ClearLog();

// Everything of a file the run must leave alone.
struct Stamp {
    bool exists = false;
    QByteArray bytes;
    QDateTime modified;
    QFileDevice::Permissions permissions;
    bool operator==(const Stamp& o) const
    {
        return exists == o.exists && bytes == o.bytes && modified == o.modified && permissions == o.permissions;
    }
};
Stamp StampOf(const QString& path);

// A picture of one colour in the format its extension names (GIF through
// ImageMagick, which Qt cannot write).
bool WritePicture(const QString& path, QSize size, QColor colour = QColor(30, 60, 200));

// A PostScript file with one page per text, each showing its text in
// Helvetica (low enough for a landscape page), and title as its "%%Title:".
bool WritePostScript(const QString& path, const QStringList& pageTexts, const QString& title = QStringLiteral("input"));

bool WriteFile(const QString& path, const QByteArray& bytes);

// The text of one page (from 1), or of the whole PDF with page 0, as
// pdftotext reads it, white space simplified.
QString PdfText(const QString& pdf, int page = 0);
int PdfPages(const QString& pdf);
// The number of pictures on one page, as pdfimages lists them.
int PdfImagesOnPage(const QString& pdf, int page);

}  // namespace RunHarness
