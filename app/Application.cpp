#include "app/Application.h"

#include "app/TFormMainPDF.h"

#include <QApplication>

int RunKalvinora(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kalvinora"));
    TFormMainPDF window;
    window.show();
    return app.exec();
}
