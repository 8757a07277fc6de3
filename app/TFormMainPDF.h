#pragma once

#include "core/ProgramState.h"

#include <QMainWindow>

// The main window: it owns the program state for the whole run.
class TFormMainPDF : public QMainWindow {
    Q_OBJECT
public:
    explicit TFormMainPDF(QWidget* parent = nullptr);
    ~TFormMainPDF() override;

    ProgramState& State() { return m_state; }

private:
    ProgramState m_state;
};
