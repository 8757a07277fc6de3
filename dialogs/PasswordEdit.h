#pragma once

#include <QLineEdit>

// A masked edit for a PDF password. Ghostscript and the PDF readers agree
// only on plain ASCII letters and digits, so nothing else gets in: a typed
// key or a pasted text that would add any other character is refused with
// the system beep. Characters already in the text (a password stored by an
// older version, say) can still be deleted.
class PasswordEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit PasswordEdit(QWidget* parent = nullptr);

    static bool IsPasswordCharacter(QChar c);

signals:
    // A key or a paste was refused (the beep has sounded).
    void InputRefused();
};
