#include "dialogs/PasswordEdit.h"

#include <QApplication>
#include <QValidator>

namespace {

qsizetype CountForeign(const QString& text)
{
    qsizetype n = 0;
    for (QChar c : text) {
        if (!PasswordEdit::IsPasswordCharacter(c))
            ++n;
    }
    return n;
}

// Judges every change of the text, whether typed or pasted: a change that
// brings in a character other than a digit or an ASCII letter is invalid.
// The edit already holds the changed text while it asks, so the validator
// remembers the text of the last accepted change itself.
class PasswordValidator : public QValidator {
public:
    explicit PasswordValidator(QLineEdit* edit) : QValidator(edit), m_last(edit->text())
    {
        connect(edit, &QLineEdit::textChanged, this, [this](const QString& text) { m_last = text; });
    }

    State validate(QString& input, int&) const override
    {
        const qsizetype foreign = CountForeign(input);
        if (foreign == 0)
            return Acceptable;
        return foreign <= CountForeign(m_last) ? Intermediate : Invalid;
    }

private:
    QString m_last;
};

}  // namespace

PasswordEdit::PasswordEdit(QWidget* parent) : QLineEdit(parent)
{
    setEchoMode(QLineEdit::Password);
    setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    setValidator(new PasswordValidator(this));
    connect(this, &QLineEdit::inputRejected, this, [this] {
        QApplication::beep();
        emit InputRefused();
    });
}

bool PasswordEdit::IsPasswordCharacter(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z');
}
