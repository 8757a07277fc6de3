#include "core/MessageDlg.h"

#include "core/DialogHost.h"
#include "core/LanguageFile.h"

namespace {

DialogHost* g_host = nullptr;

QString ButtonCaption(TMsgDlgBtn b)
{
    switch (b) {
    case mbYes: return LangString("Dialogs", "ButtonYes", "&Ja");
    case mbNo: return LangString("Dialogs", "ButtonNo", "&Nein");
    case mbOK: return LangString("Dialogs", "ButtonOK", "OK");
    case mbCancel: return LangString("Dialogs", "ButtonCancel", "&Abbrechen");
    // Abort shares the caption of Cancel.
    case mbAbort: return LangString("Dialogs", "ButtonCancel", "&Abbrechen");
    case mbRetry: return LangString("Dialogs", "ButtonRetry", "&Wiederholen");
    case mbIgnore: return LangString("Dialogs", "ButtonIgnore", "&Ignorieren");
    case mbAll: return LangString("Dialogs", "ButtonAll", "Alle");
    case mbNoToAll: return LangString("Dialogs", "ButtonNoToAll", "N&ein für Alle");
    case mbYesToAll: return LangString("Dialogs", "ButtonYesToAll", "J&a für Alle");
    case mbHelp: return LangString("Dialogs", "ButtonHelp", "&Hilfe");
    }
    return {};
}

}  // namespace

int MessageRequest::ModalResultOf(TMsgDlgBtn b)
{
    switch (b) {
    case mbYes: return mrYes;
    case mbNo: return mrNo;
    case mbOK: return mrOk;
    case mbCancel: return mrCancel;
    case mbAbort: return mrAbort;
    case mbRetry: return mrRetry;
    case mbIgnore: return mrIgnore;
    case mbAll: return mrAll;
    case mbNoToAll: return mrNoToAll;
    case mbYesToAll: return mrYesToAll;
    // Help explains and never closes the dialog.
    case mbHelp: return 0;
    }
    return 0;
}

DialogHost* CurrentDialogHost() { return g_host; }

DialogHost* SetDialogHost(DialogHost* host)
{
    DialogHost* previous = g_host;
    g_host = host;
    return previous;
}

QString MessageHtml(const QString& title, const QString& message)
{
    QString html = title.isEmpty() ? message : QStringLiteral("<B>") + title + QStringLiteral("</B><BR><BR>") + message;
    html.replace(QStringLiteral(". "), QStringLiteral(".<BR>"));
    html.replace(QStringLiteral("! "), QStringLiteral("!<BR>"));
    html.replace(QStringLiteral("? "), QStringLiteral("?<BR>"));
    html.replace(QChar(u'\n'), QStringLiteral("<BR>"));
    return html;
}

MessageRequest BuildMessageRequest(const QString& title, const QString& message, TMsgDlgType type,
                                   TMsgDlgButtons buttons, int helpContext)
{
    MessageRequest r;
    r.title = title;
    r.message = message;
    r.html = MessageHtml(title, message);
    r.type = type;
    r.buttons = buttons;
    r.helpContext = helpContext;
    for (int b = mbYes; b <= mbHelp; ++b) {
        const auto button = TMsgDlgBtn(b);
        if (r.Has(button))
            r.buttonList.append(MessageButton{button, ButtonCaption(button), MessageRequest::ModalResultOf(button)});
    }
    r.defaultButton = r.Has(mbOK) ? mbOK : r.Has(mbYes) ? mbYes : mbRetry;
    r.escapeButton = r.Has(mbCancel) ? mbCancel : r.Has(mbNo) ? mbNo : mbOK;
    return r;
}

int MessageDlg(const QString& title, const QString& message, TMsgDlgType type, TMsgDlgButtons buttons,
               int helpContext)
{
    const MessageRequest request = BuildMessageRequest(title, message, type, buttons, helpContext);
    int result = mrOk;
    if (g_host) {
        if (const int answer = g_host->ShowMessage(request); answer > 0)
            result = answer;
    } else if (const int escape = request.EscapeResult(); escape != 0) {
        result = escape;
    }
    return result;
}

bool InputPassword(const QString& description, QString& password, bool& save)
{
    return g_host ? g_host->InputPassword(description, password, save) : false;
}

bool RepeatPassword(const QString& description, QString& password)
{
    return g_host ? g_host->RepeatPassword(description, password) : false;
}
