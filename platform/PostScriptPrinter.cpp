#include "platform/PostScriptPrinter.h"

#include <stdexcept>

PostScriptPrinter::PostScriptPrinter(const QString& name) : m_name(name) {}

PostScriptPrinter::~PostScriptPrinter() = default;

// A4 at 600 dpi: 4961 x 7016 device pixels.
QSize PostScriptPrinter::PageSize() const
{
    const QSize portrait(4961, 7016);
    return m_landscape ? portrait.transposed() : portrait;
}

void PostScriptPrinter::BeginDoc(const QString& title)
{
    throw std::runtime_error("PostScript output is not available yet");
}

void PostScriptPrinter::DrawPicture(const QRect&, const PrintPicture&)
{
    throw std::runtime_error("PostScript output is not available yet");
}

void PostScriptPrinter::EndDoc()
{
    throw std::runtime_error("Es wird gerade nicht gedruckt");
}
