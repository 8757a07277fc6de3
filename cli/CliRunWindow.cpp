#include "cli/CliRunWindow.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <unistd.h>

CliRunWindow::CliRunWindow() : m_terminal(isatty(STDERR_FILENO)) {}

void CliRunWindow::SetRunning(bool running)
{
    // The bar's line is finished before the run's messages are printed.
    if (!running)
        ClearLine();
}

void CliRunWindow::ClearLine()
{
    if (m_drawn) {
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
        m_drawn = false;
    }
}

void CliRunWindow::SetProgressPosition(int position)
{
    m_position = std::clamp(position, 0, std::max(m_maximum, 0));
    Draw();
}

void CliRunWindow::ProcessPendingEvents() { QCoreApplication::processEvents(); }

void CliRunWindow::Draw()
{
    if (!m_terminal || m_maximum <= 0)
        return;
    constexpr int width = 30;
    const int filled = m_position * width / m_maximum;
    std::fprintf(stderr, "\r[%.*s%*s] %3d%%", filled, "##############################", width - filled, "",
                 m_position * 100 / m_maximum);
    std::fflush(stderr);
    m_drawn = true;
}
