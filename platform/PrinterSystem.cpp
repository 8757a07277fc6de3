#include "platform/PrinterSystem.h"

#include "platform/PostScriptPrinter.h"

PrinterSystem::PrinterSystem() { Reset(); }

PrinterSystem& PrinterSystem::Instance()
{
    static PrinterSystem system;
    return system;
}

QString PrinterSystem::BuiltInPrinterName() { return QStringLiteral("Kalvinora PostScript"); }

void PrinterSystem::Reset()
{
    m_printers.clear();
    m_printers.push_back(std::make_shared<PostScriptPrinter>(BuiltInPrinterName()));
    m_defaultName = BuiltInPrinterName();
    m_current = -1;
}

QStringList PrinterSystem::PrinterNames() const
{
    QStringList names;
    for (const auto& p : m_printers)
        names << p->Name();
    return names;
}

int PrinterSystem::Count() const { return int(m_printers.size()); }

PrinterDriver* PrinterSystem::At(int index) const
{
    if (index < 0 || index >= Count())
        return nullptr;
    return m_printers[size_t(index)].get();
}

int PrinterSystem::IndexOf(const QString& name) const
{
    for (int i = 0; i < Count(); ++i) {
        if (m_printers[size_t(i)]->Name().compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

bool PrinterSystem::PrinterExists(const QString& name) const
{
    const int i = IndexOf(name);
    return i >= 0 && At(i)->CanOpen();
}

QString PrinterSystem::DefaultPrinterName() const
{
    return IndexOf(m_defaultName) >= 0 ? m_defaultName : QString();
}

void PrinterSystem::SetDefaultPrinterName(const QString& name) { m_defaultName = name; }

void PrinterSystem::SelectCurrent(int index) { m_current = (index >= 0 && index < Count()) ? index : -1; }

int PrinterSystem::CurrentIndex() const { return m_current; }

PrinterDriver* PrinterSystem::Current() const
{
    if (m_current >= 0)
        return At(m_current);
    return At(IndexOf(m_defaultName));
}

void PrinterSystem::AddPrinter(std::shared_ptr<PrinterDriver> printer)
{
    m_printers.push_back(std::move(printer));
}

void PrinterSystem::RemovePrinter(const QString& name)
{
    const int i = IndexOf(name);
    if (i < 0)
        return;
    m_printers.erase(m_printers.begin() + i);
    if (m_current == i)
        m_current = -1;
    else if (m_current > i)
        --m_current;
}
