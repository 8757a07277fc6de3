#include "cli/CliDialogHost.h"

#include <QRegularExpression>
#include <QTextDocumentFragment>

#include <cstdio>
#include <iostream>
#include <string>
#include <termios.h>
#include <unistd.h>

QString CliDialogHost::PlainText(const QString& html)
{
    QString text = html;
    text.replace(QRegularExpression(QStringLiteral("<br\\s*/?>"), QRegularExpression::CaseInsensitiveOption),
                 QStringLiteral("\n"));
    QStringList lines;
    for (const QString& line : text.split('\n')) {
        // Tags go, character references become characters.
        const QString plain = QTextDocumentFragment::fromHtml(line).toPlainText().trimmed();
        if (!plain.isEmpty())
            lines << plain;
    }
    return lines.join('\n');
}

int CliDialogHost::ShowMessage(const MessageRequest& request)
{
    if (beforeOutput)
        beforeOutput();
    const QString text = PlainText(request.html);
    const bool problem = request.type == mtError || request.type == mtWarning;
    if (request.type == mtError)
        ++m_errors;
    FILE* channel = problem ? stderr : stdout;
    const QByteArray bytes = (text + '\n').toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), channel);
    std::fflush(channel);
    // No one can answer: the default button is taken.
    return request.Has(request.defaultButton) ? MessageRequest::ModalResultOf(request.defaultButton)
                                              : (request.buttonList.isEmpty() ? mrOk : request.buttonList.first().result);
}

bool CliDialogHost::ReadHidden(const QString& prompt, QString& text)
{
    if (!isatty(STDIN_FILENO))
        return false;
    if (beforeOutput)
        beforeOutput();
    const QByteArray p = prompt.toLocal8Bit();
    std::fwrite(p.constData(), 1, size_t(p.size()), stderr);
    std::fflush(stderr);
    termios saved {};
    tcgetattr(STDIN_FILENO, &saved);
    termios hidden = saved;
    hidden.c_lflag &= ~tcflag_t(ECHO);
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &hidden);
    std::string line;
    const bool ok = bool(std::getline(std::cin, line));
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    std::fputc('\n', stderr);
    if (!ok)
        return false;
    text = QString::fromLocal8Bit(line.c_str());
    return true;
}

bool CliDialogHost::InputPassword(const QString& description, QString& password, bool& save)
{
    if (!isatty(STDIN_FILENO)) {
        if (beforeOutput)
            beforeOutput();
        // Cancelled, as in the window: the outputs are not encrypted. Said
        // so, because the user asked for encryption.
        std::fputs("kalvinora-cli: no terminal to ask for the owner password: the output is not encrypted "
                   "(give one with --set ProtP=...)\n",
                   stderr);
        return false;
    }
    QString first, second;
    if (!ReadHidden(PlainText(description) + QStringLiteral(" "), first))
        return false;
    if (!ReadHidden(QStringLiteral("(2) "), second) || first != second || first.isEmpty())
        return false;
    password = first;
    save = false;
    return true;
}

bool CliDialogHost::RepeatPassword(const QString& description, QString& password)
{
    QString again;
    if (!ReadHidden(PlainText(description) + QStringLiteral(" "), again) || again != password)
        return false;
    return true;
}
