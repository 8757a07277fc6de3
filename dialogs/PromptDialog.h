#pragma once

#include "core/DialogHost.h"

#include <QHash>
#include <QMessageBox>

// The window MessageDlg shows: a message box with the finished HTML text,
// an icon by dialog type, the button captions from the language file, and
// Return and Escape on the default and cancel buttons.
class PromptDialog : public QMessageBox {
    Q_OBJECT
public:
    PromptDialog(const MessageRequest& request, QWidget* owner);

    // Shows the box modally until a button closes it and returns that
    // button's result code. The Help button explains and does not close.
    int Run();
    // The result code of the button that closed the box, 0 before that.
    int ResultCode() const;

    QAbstractButton* ButtonOf(TMsgDlgBtn button) const { return m_buttons.value(button); }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QHash<int, QAbstractButton*> m_buttons;
    QHash<QAbstractButton*, int> m_results;
    // Without its cancel button in the set, Escape and the window's close
    // button do nothing: a question is never answered by accident.
    bool m_escapeAllowed = false;
};
