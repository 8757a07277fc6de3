#include "app/TFormMainPDF.h"

TFormMainPDF::TFormMainPDF(QWidget* parent) : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("Kalvinora"));
    resize(800, 600);
}

TFormMainPDF::~TFormMainPDF() = default;
