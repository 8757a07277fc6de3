#pragma once

#include "core/DialogHost.h"

#include <QList>
#include <QString>

// Answers dialogs in tests without showing them, and records what was asked.
// Install it for the length of a test with ScopedDialogHost.
class RecordingDialogHost : public DialogHost {
public:
    struct Message {
        QString title;
        QString message;
        QString html;
        TMsgDlgType type;
        TMsgDlgButtons buttons;
        QStringList captions;  // in the order the buttons were offered
        TMsgDlgBtn defaultButton;
        TMsgDlgBtn escapeButton;
    };
    struct PasswordRequest {
        QString description;
        bool repeat;          // RepeatPassword rather than InputPassword
        QString password;     // the password the caller passed in
        bool save;            // the save flag the caller passed in (InputPassword)
    };
    struct PasswordAnswer {
        bool ok = false;
        QString password;
        bool save = false;
    };

    // Answers to give, in turn; when they run out a message is answered as
    // Escape would answer it (or 1), a password request as cancelled.
    QList<int> messageAnswers;
    QList<PasswordAnswer> passwordAnswers;
    QString languageAnswer;

    QList<Message> messages;
    QList<PasswordRequest> passwordRequests;
    int languageRequests = 0;

    int ShowMessage(const MessageRequest& request) override;
    bool InputPassword(const QString& description, QString& password, bool& save) override;
    bool RepeatPassword(const QString& description, QString& password) override;
    QString SelectLanguageFile() override;
};
