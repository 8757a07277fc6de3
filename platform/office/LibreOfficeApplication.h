#pragma once

#include "platform/OfficeApplication.h"

#include <memory>

struct OfficeInstance;

// The document application on LibreOffice, driven through C++ UNO.
//
// One headless office process serves the whole program: the first connect
// starts it (a private profile in the data folder, a pipe of its own), every
// later connect attaches to it, and Quit ends it. Documents are opened
// hidden and read-only, so nothing is ever written next to them; macros are
// never run. Printing stores the document as PDF and turns that into the
// PostScript file a printer driver would have written (see
// DriverPostScript.h).
//
// The office has no printers of its own here: ActivePrinter is the name last
// set, which must name a printer of the printer layer. Visible has no effect,
// as the office runs without a screen.
//
// Every call to the office is guarded by a watchdog: an office that does not
// answer in time is ended, and the call fails with a message saying so.
// The office is ended when the program ends, and dies with it if the program
// is killed.
class LibreOfficeApplication : public OfficeApplication {
public:
    explicit LibreOfficeApplication(std::shared_ptr<OfficeInstance> instance);
    ~LibreOfficeApplication() override;

    // Whether LibreOffice is installed where the program looks for it.
    static bool Installed();

    // Attaches to the running office, else starts one.
    static std::shared_ptr<OfficeApplication> Connect();
    // Ends the running office, if any (at program end; tests).
    static void Shutdown();
    // Process id of the running office, -1 when none runs.
    static qint64 RunningProcessId();

    // Limits for starting the office and for each call to it.
    static void SetTimeouts(int startMs, int callMs);
    static int StartTimeoutMs();
    static int CallTimeoutMs();

    // Process id of the office this object is connected to.
    qint64 ProcessId() const;

    QString ActivePrinter() const override;
    void SetActivePrinter(const QString& printerName) override;
    int DocumentsCount() const override;
    std::shared_ptr<OfficeDocument> DocumentsItem(int index) const override;
    void ChangeFileOpenDirectory(const QString& path) override;
    std::shared_ptr<OfficeDocument> DocumentsOpen(const QString& fileName) override;
    bool PrintReverse() const override;
    void SetPrintReverse(bool reverse) override;
    void Quit() override;
    void SetVisible(bool visible) override;

private:
    std::shared_ptr<OfficeInstance> m_instance;
};

// The connector of the real backend.
inline std::shared_ptr<OfficeApplication> ConnectLibreOffice() { return LibreOfficeApplication::Connect(); }
