#pragma once

#include "platform/PrinterDriver.h"

#include <QStringList>

#include <memory>
#include <vector>

// The printers the program can print to, in the system's order, with the
// default printer and the printer currently selected for the program's own
// printing. The built-in "Kalvinora PostScript" printer is always listed and
// is the default when nothing else is configured.
class PrinterSystem {
public:
    static PrinterSystem& Instance();

    static QString BuiltInPrinterName();

    QStringList PrinterNames() const;
    int Count() const;
    PrinterDriver* At(int index) const;
    // Index of the first printer whose name equals name without regard to
    // letter case, -1 when none does.
    int IndexOf(const QString& name) const;
    bool PrinterExists(const QString& name) const;

    QString DefaultPrinterName() const;
    void SetDefaultPrinterName(const QString& name);

    // The printer the program's own page printer draws on; -1 selects the
    // default printer.
    void SelectCurrent(int index);
    int CurrentIndex() const;
    PrinterDriver* Current() const;

    // Adds a printer after the ones present (tests add fake drivers here).
    void AddPrinter(std::shared_ptr<PrinterDriver> printer);
    void RemovePrinter(const QString& name);
    // Back to the built-in printer alone.
    void Reset();

private:
    PrinterSystem();
    std::vector<std::shared_ptr<PrinterDriver>> m_printers;
    QString m_defaultName;
    int m_current = -1;
};
