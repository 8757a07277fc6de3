#include "dialogs/PromptDialog.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPushButton>

namespace {

QMessageBox::ButtonRole RoleOf(TMsgDlgBtn b)
{
    switch (b) {
    case mbYes:
    case mbYesToAll: return QMessageBox::YesRole;
    case mbNo:
    case mbNoToAll: return QMessageBox::NoRole;
    case mbCancel:
    case mbAbort: return QMessageBox::RejectRole;
    case mbHelp: return QMessageBox::HelpRole;
    case mbOK:
    case mbRetry:
    case mbIgnore:
    case mbAll: return QMessageBox::AcceptRole;
    }
    return QMessageBox::AcceptRole;
}

QMessageBox::Icon IconOf(TMsgDlgType type)
{
    switch (type) {
    case mtWarning: return QMessageBox::Warning;
    case mtError: return QMessageBox::Critical;
    case mtInformation: return QMessageBox::Information;
    case mtConfirmation: return QMessageBox::Question;
    case mtCustom: return QMessageBox::NoIcon;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

PromptDialog::PromptDialog(const MessageRequest& request, QWidget* owner) : QMessageBox(owner)
{
    setObjectName(QStringLiteral("PromptDialog"));
    setWindowTitle(QStringLiteral("Kalvinora"));
    setIcon(IconOf(request.type));
    setTextFormat(Qt::RichText);
    setText(request.html);
    for (const MessageButton& b : request.buttonList) {
        QPushButton* button = addButton(b.caption, RoleOf(b.button));
        button->setObjectName(QStringLiteral("PromptButton%1").arg(int(b.button)));
        m_buttons.insert(b.button, button);
        m_results.insert(button, b.result);
    }
    if (QAbstractButton* def = ButtonOf(request.defaultButton))
        setDefaultButton(qobject_cast<QPushButton*>(def));
    if (QAbstractButton* esc = ButtonOf(request.escapeButton)) {
        setEscapeButton(esc);
        m_escapeAllowed = true;
    }
}

int PromptDialog::ResultCode() const { return m_results.value(clickedButton(), 0); }

int PromptDialog::Run()
{
    for (;;) {
        exec();
        const QAbstractButton* pressed = clickedButton();
        if (!pressed || pressed != ButtonOf(mbHelp))
            break;
        // No help pages are bound to messages; the question stays open.
    }
    return ResultCode();
}

void PromptDialog::keyPressEvent(QKeyEvent* event)
{
    if (!m_escapeAllowed && event->matches(QKeySequence::Cancel)) {
        event->accept();
        return;
    }
    QMessageBox::keyPressEvent(event);
}

void PromptDialog::closeEvent(QCloseEvent* event)
{
    if (!m_escapeAllowed) {
        event->ignore();
        return;
    }
    QMessageBox::closeEvent(event);
}
