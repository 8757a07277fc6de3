#pragma once

#include "core/MessageDlg.h"

#include <QList>
#include <QString>

// One button of a message: which it is, its caption (with "&" marking the
// access key) and the result code it returns.
struct MessageButton {
    TMsgDlgBtn button;
    QString caption;
    int result;
};

// Everything a front end needs to show one message.
struct MessageRequest {
    QString title;    // the heading as the caller gave it (may be empty)
    QString message;  // the text as the caller gave it
    QString html;     // the finished text to render: heading, one sentence a line
    TMsgDlgType type = mtInformation;
    TMsgDlgButtons buttons = 0;
    QList<MessageButton> buttonList;  // the buttons of the set, in enum order
    // Return answers the default button, Escape the cancel button; each is
    // only usable when it is part of the set.
    TMsgDlgBtn defaultButton = mbOK;
    TMsgDlgBtn escapeButton = mbOK;
    int helpContext = 0;

    bool Has(TMsgDlgBtn b) const { return (buttons & (1u << b)) != 0; }
    // Result of pressing Escape: the cancel button's, or 0 when the set has
    // no button that Escape may press.
    int EscapeResult() const { return Has(escapeButton) ? ModalResultOf(escapeButton) : 0; }

    static int ModalResultOf(TMsgDlgBtn b);
};

// The front end that shows dialogs for code below the widgets: the window
// program and the command-line program implement it, tests record with it.
class DialogHost {
public:
    virtual ~DialogHost() = default;

    // Shows the message modally and returns the result code of the button
    // that closed it.
    virtual int ShowMessage(const MessageRequest& request) = 0;

    // Asks for a new password twice; on OK sets password and save and
    // returns true, on cancel returns false and leaves both alone.
    virtual bool InputPassword(const QString& description, QString& password, bool& save) = 0;
    // Asks to repeat password; on OK sets password (the first entry) and
    // returns true, on cancel returns false and leaves it alone.
    virtual bool RepeatPassword(const QString& description, QString& password) = 0;

    // The first-start language choice: the file name of the chosen language
    // file in the program's folder, or empty text when none was chosen.
    virtual QString SelectLanguageFile() = 0;
};

// The host of this process; nullptr when none is set.
DialogHost* CurrentDialogHost();
// Sets the host (nullptr removes it); returns the previous one.
DialogHost* SetDialogHost(DialogHost* host);

// Installs a host for the lifetime of the guard and restores the previous one.
class ScopedDialogHost {
public:
    explicit ScopedDialogHost(DialogHost* host) : m_previous(SetDialogHost(host)) {}
    ~ScopedDialogHost() { SetDialogHost(m_previous); }
    ScopedDialogHost(const ScopedDialogHost&) = delete;
    ScopedDialogHost& operator=(const ScopedDialogHost&) = delete;

private:
    DialogHost* m_previous;
};

// The message as the prompt dialog shows it: "<B>title</B><BR><BR>" before a
// non-empty title's message, and a line break after every ". ", "! ", "? "
// and in place of every line feed.
QString MessageHtml(const QString& title, const QString& message);

// The complete request MessageDlg hands to the host: text, captions from the
// language file (section "Dialogs"), default and cancel button.
MessageRequest BuildMessageRequest(const QString& title, const QString& message, TMsgDlgType type,
                                   TMsgDlgButtons buttons, int helpContext);

// The password dialog for code below the widgets. Without a host both
// answer as if cancelled: false, and the caller's values stay as they are.
bool InputPassword(const QString& description, QString& password, bool& save);
bool RepeatPassword(const QString& description, QString& password);
