#pragma once

#include <QDialog>
#include <QString>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class HtmlButton;

// The password dialog: asks for a PDF password twice, masked, and lets the
// user confirm only when both entries are equal. Only digits, ASCII letters
// and backspace can be typed; anything else is refused with a beep.
class TFormInputPasswort : public QDialog {
    Q_OBJECT
public:
    explicit TFormInputPasswort(QWidget* owner = nullptr);

    // A new password, with the box to store it. On OK: true, password = the
    // first entry, save = the box; on cancel: false, both untouched.
    static bool InputPassword(QWidget* owner, const QString& description, QString& password, bool& save);
    // Repeats password once more (no box, the form 24 pixels lower). On OK:
    // true and password = the first entry; on cancel: false, untouched.
    static bool RepeatPassword(QWidget* owner, const QString& description, QString& password);

    // Sets the form up for one of the two modes; the static routines above
    // use these before they run the form.
    void PrepareInput(const QString& description, bool save);
    void PrepareRepeat(const QString& description, const QString& password);

    QString Password() const;
    bool SaveChecked() const;

    // Enables OK exactly when the two entries are equal (with case); a
    // disabled OK shows its caption in the button-shadow colour.
    void UpdateOKButton();

    QLabel* LabelBeschreibung;
    QLabel* LabelKennwortCap;
    QLineEdit* EditPDFPasswordEncryp;
    QLabel* LabelWdhlCap;
    QLineEdit* EditPDFPasswordEncryp2;
    QCheckBox* CheckBoxSave;
    HtmlButton* ButtonOK;
    QPushButton* ButtonCancel;

signals:
    // A typed or pasted character was refused (the beep has sounded).
    void InputRefused();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FormCreate();
    // Return and Escape anywhere in the form; true when the key was handled.
    bool HandleFormKey(QKeyEvent* event);
    // True when an edit may take the key; otherwise the key is refused.
    static bool IsAcceptedKey(const QKeyEvent* event);
    void Refuse();
    void FixFormSize(bool withSaveBox);

    QSize m_inputSize;
};
