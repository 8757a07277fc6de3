#pragma once

#include "core/ProgramState.h"
#include "engine/RunWindow.h"

#include <QString>
#include <QStringList>

// What one run did, for the command-line front end's exit status.
struct ConversionReport {
    int SuccessCount = 0;
    int Refused = 0;          // files of kinds that are not converted
    QStringList Failures;     // "file: reason", one per file that failed
    QStringList Dropped;      // gone since they were selected, or PostScript files that cannot be opened
    bool SectionFailed = false;  // a whole section ended on a failure
    bool Started = false;     // false when a precondition stopped the run
};

// The start button: converts every selected file and reports the result.
// Returns when the run is over.
ConversionReport ButtonStartClick(ProgramState& state, RunWindow& window);

// The cancel button: the run stops after its current item.
void ButtonCancelClick(ProgramState& state);
