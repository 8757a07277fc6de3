#include "platform/MailClient.h"

#include <QProcess>
#include <QStandardPaths>

namespace platform {

bool ComposeMail(const QString& address, const QString& subject, const QString& attachment)
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("xdg-email"));
    if (program.isEmpty())
        return false;
    QStringList arguments{QStringLiteral("--subject"), subject};
    if (!attachment.isEmpty())
        arguments << QStringLiteral("--attach") << attachment;
    arguments << address;
    return QProcess::startDetached(program, arguments);
}

}  // namespace platform
