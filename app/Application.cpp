#include "app/Application.h"

#include "app/TFormMainPDF.h"
#include "core/DialogHost.h"
#include "core/StartupStep.h"
#include "dialogs/QtDialogHost.h"

#include <QApplication>

int RunKalvinora(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kalvinora"));
    QtDialogHost dialogs;
    ScopedDialogHost dialogHost(&dialogs);
    ToolsStartup();
    TFormMainPDF window;
    dialogs.SetMainWindow(&window);
    window.show();
    return app.exec();
}
