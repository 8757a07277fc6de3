#pragma once

#include "engine/RunWindow.h"

// The run's window on a terminal: a progress bar on the error channel when
// that is a terminal, nothing otherwise.
class CliRunWindow : public RunWindow {
public:
    CliRunWindow();

    void SetRunning(bool running) override;
    void SetBusyCursor(bool) override {}
    void SetProgressMaximum(int maximum) override { m_maximum = maximum; }
    void SetProgressPosition(int position) override;
    void StepProgress() override { SetProgressPosition(m_position + 1); }
    void ProcessPendingEvents() override;

    // Takes the bar off the terminal line; the next step draws it again.
    void ClearLine();

private:
    void Draw();
    bool m_terminal = false;
    bool m_drawn = false;
    int m_maximum = 0;
    int m_position = 0;
};
