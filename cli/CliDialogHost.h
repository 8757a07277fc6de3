#pragma once

#include "core/DialogHost.h"

#include <QTextStream>

#include <functional>

// Dialogs of the command-line program: messages become lines (errors and
// warnings on the error channel, information on the output channel); the
// password prompt reads the terminal without echo and counts as cancelled
// where there is no terminal.
class CliDialogHost : public DialogHost {
public:
    int ShowMessage(const MessageRequest& request) override;
    bool InputPassword(const QString& description, QString& password, bool& save) override;
    bool RepeatPassword(const QString& description, QString& password) override;
    QString SelectLanguageFile() override { return {}; }

    // The HTML of a message as plain text lines.
    static QString PlainText(const QString& html);

    int Errors() const { return m_errors; }

    // Called before anything is written to the terminal, so that a progress
    // bar drawn there can make room first.
    std::function<void()> beforeOutput;

private:
    bool ReadHidden(const QString& prompt, QString& text);
    int m_errors = 0;
};
