#pragma once

#include "platform/OfficeApplication.h"

#include <QString>

#include <functional>
#include <memory>

struct ProgramState;

// How the Word section reaches its document application: LibreOffice
// unless replaced (tests put a scripted application here).
OfficeConnector OfficeApplicationFactory();
// Replaces the factory and returns the one before; an empty connector
// brings back LibreOffice.
OfficeConnector SetOfficeApplicationFactory(OfficeConnector connector);

// The Word section of a conversion run: connects to the document
// application, makes the chosen PostScript printer its active printer,
// prints each document into its work file and puts the application back as
// it was. The failures are UniCodeException texts for the run to show.
class WordAutomation {
public:
    // stepProgress is called at each step the run's progress bar counts.
    // An empty connector uses OfficeApplicationFactory().
    explicit WordAutomation(const ProgramState& state, std::function<void()> stepProgress = {},
                            OfficeConnector connector = {});
    ~WordAutomation();
    WordAutomation(const WordAutomation&) = delete;
    WordAutomation& operator=(const WordAutomation&) = delete;

    // Connects (one immediate retry) and switches the printer to Printer.
    // Raises "NoConnect" or "NoSetPrinter".
    void StartWord();
    // Prints one document into its work file and sets the PostScript input
    // and output path for the Ghostscript job. Raises "NoDocPrint".
    void ConvertWordDocument(const QString& path);
    // Puts the saved printer back, then quits the application when no
    // document is left open in it, else makes it visible. Failures pass
    // through unchanged.
    void FinishWord();
    // Drops the connection without asking the application to quit.
    void ReleaseWord() noexcept;

    // The short path of the last work file, and the output path for it.
    const QString& PSInput() const { return m_psInput; }
    const QString& OutputPath() const { return m_outputPath; }

    // The printer the application had before StartWord.
    const QString& SavedPrinter() const { return m_savedPrinter; }

private:
    const ProgramState& m_state;
    std::function<void()> m_stepProgress;
    OfficeConnector m_connector;
    std::shared_ptr<OfficeApplication> m_app;
    QString m_savedPrinter;
    QString m_psInput;
    QString m_outputPath;

    void StepProgress();
};
