#pragma once

#include <QString>

#include <cstdint>

enum TMsgDlgType { mtWarning = 0, mtError = 1, mtInformation = 2, mtConfirmation = 3, mtCustom = 4 };

enum TMsgDlgBtn {
    mbYes = 0, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp
};

// A set of buttons: bit n stands for the n-th button ([mbYes, mbNo] is 3).
using TMsgDlgButtons = uint16_t;
constexpr TMsgDlgButtons MsgButtons(std::initializer_list<TMsgDlgBtn> buttons)
{
    TMsgDlgButtons set = 0;
    for (TMsgDlgBtn b : buttons)
        set = TMsgDlgButtons(set | (1u << b));
    return set;
}

// Result codes.
enum : int { mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6, mrNo = 7, mrAll = 8,
             mrNoToAll = 9, mrYesToAll = 10 };

// Asks or tells the user something and returns the code of the button that
// closed the dialog. The dialog is shown by the process's DialogHost
// (core/DialogHost.h). Without a host nothing is shown and nothing waits:
// the answer is the one Escape would give (the cancel button's result:
// Cancel 2, else No 7, else OK 1), or 1 when Escape has no button to press,
// so an unattended run never agrees to anything by itself.
int MessageDlg(const QString& title, const QString& message, TMsgDlgType type, TMsgDlgButtons buttons,
               int helpContext = 0);
