#include "support/RecordingDialogHost.h"

int RecordingDialogHost::ShowMessage(const MessageRequest& request)
{
    Message m{request.title, request.message, request.html, request.type, request.buttons, {},
              request.defaultButton, request.escapeButton};
    for (const MessageButton& b : request.buttonList)
        m.captions << b.caption;
    messages << m;
    if (!messageAnswers.isEmpty())
        return messageAnswers.takeFirst();
    const int escape = request.EscapeResult();
    return escape != 0 ? escape : mrOk;
}

bool RecordingDialogHost::InputPassword(const QString& description, QString& password, bool& save)
{
    passwordRequests << PasswordRequest{description, false, password, save};
    if (passwordAnswers.isEmpty())
        return false;
    const PasswordAnswer a = passwordAnswers.takeFirst();
    if (!a.ok)
        return false;
    password = a.password;
    save = a.save;
    return true;
}

bool RecordingDialogHost::RepeatPassword(const QString& description, QString& password)
{
    passwordRequests << PasswordRequest{description, true, password, false};
    if (passwordAnswers.isEmpty())
        return false;
    const PasswordAnswer a = passwordAnswers.takeFirst();
    if (!a.ok)
        return false;
    password = a.password;
    return true;
}

QString RecordingDialogHost::SelectLanguageFile()
{
    ++languageRequests;
    return languageAnswer;
}
