#include "dialogs/QtDialogHost.h"

#include "dialogs/Passworteingabe.h"
#include "dialogs/PromptDialog.h"
#include "dialogs/TFormSelectLang.h"
#include "platform/SystemPaths.h"

#include <QApplication>

QWidget* QtDialogHost::Owner() const
{
    if (!m_mainWindow)
        return nullptr;
    // A modal dialog of the main window (the options, say) stays below
    // what it asks.
    if (QWidget* modal = QApplication::activeModalWidget(); modal && modal != m_mainWindow.data())
        return modal;
    return m_mainWindow;
}

int QtDialogHost::ShowMessage(const MessageRequest& request)
{
    PromptDialog box(request, Owner());
    if (m_mainWindow)
        box.setFont(m_mainWindow->font());
    return box.Run();
}

bool QtDialogHost::InputPassword(const QString& description, QString& password, bool& save)
{
    return TFormInputPasswort::InputPassword(Owner(), description, password, save);
}

bool QtDialogHost::RepeatPassword(const QString& description, QString& password)
{
    return TFormInputPasswort::RepeatPassword(Owner(), description, password);
}

QString QtDialogHost::SelectLanguageFile()
{
    TFormSelectLang form(platform::ProgramFolder(), Owner());
    form.exec();
    return form.SelectedFileName();
}
