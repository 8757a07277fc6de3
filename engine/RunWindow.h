#pragma once

// What a conversion run needs of the window that started it. The main window
// and the command-line front end both implement it, so both drive the same
// run.
class RunWindow {
public:
    virtual ~RunWindow() = default;

    // Running: the cancel button on; start, show and delete off. Idle: the
    // other way round.
    virtual void SetRunning(bool running) = 0;
    virtual void SetBusyCursor(bool busy) = 0;
    virtual void SetProgressMaximum(int maximum) = 0;
    virtual void SetProgressPosition(int position) = 0;
    // One step further, shown at once.
    virtual void StepProgress() = 0;
    // Lets the window handle clicks and repaints that are waiting.
    virtual void ProcessPendingEvents() = 0;
};
