#pragma once

#include <QString>

// Hands a new message to the desktop's mail program (xdg-email), which shows
// it for the user to check and send.
namespace platform {

// address: the one recipient; attachment: a file to attach, or empty text.
// True when the mail program could be started; whether the user sends the
// message is not known.
bool ComposeMail(const QString& address, const QString& subject, const QString& attachment);

}  // namespace platform
