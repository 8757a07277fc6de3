#pragma once

#include "core/DialogHost.h"

#include <QPointer>
#include <QWidget>

// The window program's dialogs: messages, the password dialog and the
// first-start language choice, owned by the main window once there is one.
class QtDialogHost : public DialogHost {
public:
    void SetMainWindow(QWidget* window) { m_mainWindow = window; }
    QWidget* MainWindow() const { return m_mainWindow; }

    int ShowMessage(const MessageRequest& request) override;
    bool InputPassword(const QString& description, QString& password, bool& save) override;
    bool RepeatPassword(const QString& description, QString& password) override;
    QString SelectLanguageFile() override;

    // The window a dialog belongs to: the main window, or the dialog the
    // user is working in on top of it; nullptr before the main window exists.
    QWidget* Owner() const;

private:
    QPointer<QWidget> m_mainWindow;
};
