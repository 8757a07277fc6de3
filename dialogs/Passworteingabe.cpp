#include "dialogs/Passworteingabe.h"

#include "core/LanguageFile.h"
#include "dialogs/ElFormCaption.h"
#include "dialogs/HtmlButton.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace {

// Untranslated on purpose: the same hint on both entries.
const char* const kPasswordHint =
    "Dieses Kennwort wird für den Schutz des Dokumentes verwendet. Damit kann der Schutz auch wieder aufgehoben "
    "werden. Geben Sie hier kein Kennwort ein, werden Sie vor jeder Konvertierung danach gefragt.";

constexpr int kDesignWidth = 276;
constexpr int kDesignHeight = 154;
// Without the save box the form is this much lower.
constexpr int kSaveBoxHeight = 24;

bool IsPasswordCharacter(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z');
}

QLineEdit* MakePasswordEdit(QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setEchoMode(QLineEdit::Password);
    // Every character is shown as "*", whatever the style would pick.
    edit->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    edit->setToolTip(QString::fromUtf8(kPasswordHint));
    // Whatever reaches the text without a key press (pasting from the
    // context menu, dropping) passes the same filter as typing.
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9A-Za-z]*")), edit));
    return edit;
}

}  // namespace

TFormInputPasswort::TFormInputPasswort(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("FormInputPasswort"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    LabelBeschreibung = new QLabel(this);
    LabelBeschreibung->setObjectName(QStringLiteral("LabelBeschreibung"));
    LabelBeschreibung->setWordWrap(true);
    LabelBeschreibung->setTextFormat(Qt::PlainText);
    LabelBeschreibung->setMinimumSize(262, 28);
    LabelBeschreibung->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    LabelKennwortCap = new QLabel(this);
    LabelKennwortCap->setObjectName(QStringLiteral("LabelKennwortCap"));
    EditPDFPasswordEncryp = MakePasswordEdit(this);
    EditPDFPasswordEncryp->setObjectName(QStringLiteral("EditPDFPasswordEncryp"));
    LabelWdhlCap = new QLabel(this);
    LabelWdhlCap->setObjectName(QStringLiteral("LabelWdhlCap"));
    EditPDFPasswordEncryp2 = MakePasswordEdit(this);
    EditPDFPasswordEncryp2->setObjectName(QStringLiteral("EditPDFPasswordEncryp2"));
    LabelKennwortCap->setBuddy(EditPDFPasswordEncryp);
    LabelWdhlCap->setBuddy(EditPDFPasswordEncryp2);

    CheckBoxSave = new QCheckBox(this);
    CheckBoxSave->setObjectName(QStringLiteral("CheckBoxSave"));

    ButtonOK = new HtmlButton(this);
    ButtonOK->setObjectName(QStringLiteral("ButtonOK"));
    ButtonCancel = new QPushButton(this);
    ButtonCancel->setObjectName(QStringLiteral("ButtonCancel"));
    // Return and Escape are the form's own business (see HandleFormKey).
    ButtonOK->setAutoDefault(false);
    ButtonCancel->setAutoDefault(false);

    auto* grid = new QGridLayout;
    grid->addWidget(LabelKennwortCap, 0, 0);
    grid->addWidget(EditPDFPasswordEncryp, 0, 1);
    grid->addWidget(LabelWdhlCap, 1, 0);
    grid->addWidget(EditPDFPasswordEncryp2, 1, 1);
    grid->setColumnStretch(1, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ButtonOK);
    buttons->addWidget(ButtonCancel);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(7, 6, 7, 7);
    layout->addWidget(LabelBeschreibung);
    layout->addLayout(grid);
    layout->addWidget(CheckBoxSave);
    layout->addStretch(1);
    layout->addLayout(buttons);

    connect(ButtonOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
    for (QLineEdit* edit : {EditPDFPasswordEncryp, EditPDFPasswordEncryp2}) {
        connect(edit, &QLineEdit::textChanged, this, &TFormInputPasswort::UpdateOKButton);
        connect(edit, &QLineEdit::inputRejected, this, &TFormInputPasswort::Refuse);
    }
    // The form sees every key first, whichever control has the focus.
    for (QWidget* w : findChildren<QWidget*>())
        w->installEventFilter(this);

    FormCreate();
}

void TFormInputPasswort::FormCreate()
{
    AdjustFormCaption(this);
    SetFormCaption(this, LangString("PswDlg", "Caption", "Passworteingabe"));
    ButtonOK->SetHtmlCaption(QStringLiteral("<b>") + LangString("Dialogs", "ButtonOK", "OK") + QStringLiteral("</b>"));
    ButtonCancel->setText(LangString("Dialogs", "ButtonCancel", "Abbrechen"));
    CheckBoxSave->setText(LangString("PswDlg", "SavePsw", "Passwort speichern"));
    LabelKennwortCap->setText(LangString("PswDlg", "Password", "Kennwort") + QLatin1Char(':'));
    LabelWdhlCap->setText(LangString("PswDlg", "Wiederholung", "Wiederholung") + QLatin1Char(':'));
}

void TFormInputPasswort::FixFormSize(bool withSaveBox)
{
    CheckBoxSave->setVisible(withSaveBox);
    if (!m_inputSize.isValid()) {
        // The size with the save box, grown where the texts need more room
        // than the design gives them.
        const bool wasVisible = CheckBoxSave->isVisibleTo(this);
        CheckBoxSave->setVisible(true);
        layout()->activate();
        const int width = std::max(kDesignWidth, layout()->totalSizeHint().width());
        int height = layout()->hasHeightForWidth() ? layout()->totalHeightForWidth(width)
                                                   : layout()->totalSizeHint().height();
        height = std::max({kDesignHeight, height, layout()->totalMinimumSize().height()});
        m_inputSize = QSize(width, height);
        CheckBoxSave->setVisible(wasVisible);
    }
    setFixedSize(m_inputSize.width(), m_inputSize.height() - (withSaveBox ? 0 : kSaveBoxHeight));
}

void TFormInputPasswort::PrepareInput(const QString& description, bool save)
{
    LabelBeschreibung->setText(description);
    EditPDFPasswordEncryp->clear();
    EditPDFPasswordEncryp2->clear();
    CheckBoxSave->setChecked(save);
    FixFormSize(true);
    UpdateOKButton();
    EditPDFPasswordEncryp->setFocus();
}

void TFormInputPasswort::PrepareRepeat(const QString& description, const QString& password)
{
    LabelBeschreibung->setText(description);
    EditPDFPasswordEncryp->setText(password);
    EditPDFPasswordEncryp2->clear();
    FixFormSize(false);
    UpdateOKButton();
    EditPDFPasswordEncryp2->setFocus();
}

QString TFormInputPasswort::Password() const { return EditPDFPasswordEncryp->text(); }

bool TFormInputPasswort::SaveChecked() const { return CheckBoxSave->isChecked(); }

void TFormInputPasswort::UpdateOKButton()
{
    if (EditPDFPasswordEncryp2->isVisibleTo(this) && EditPDFPasswordEncryp2->isEnabled())
        ButtonOK->setEnabled(EditPDFPasswordEncryp->text() == EditPDFPasswordEncryp2->text());
    if (ButtonOK->isEnabled()) {
        ButtonOK->setPalette(QPalette());
    } else {
        QPalette shadow = palette();
        const QColor colour = palette().color(QPalette::Active, QPalette::Dark);
        for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            shadow.setColor(group, QPalette::ButtonText, colour);
        ButtonOK->setPalette(shadow);
    }
}

bool TFormInputPasswort::InputPassword(QWidget* owner, const QString& description, QString& password, bool& save)
{
    TFormInputPasswort form(owner);
    form.PrepareInput(description, save);
    if (form.exec() != QDialog::Accepted)
        return false;
    password = form.Password();
    save = form.SaveChecked();
    return true;
}

bool TFormInputPasswort::RepeatPassword(QWidget* owner, const QString& description, QString& password)
{
    TFormInputPasswort form(owner);
    form.PrepareRepeat(description, password);
    if (form.exec() != QDialog::Accepted)
        return false;
    password = form.Password();
    return true;
}

bool TFormInputPasswort::IsAcceptedKey(const QKeyEvent* event)
{
    // Keys that move through the form or the text, without a character.
    switch (event->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_Meta:
    case Qt::Key_AltGr:
    case Qt::Key_CapsLock:
        return true;
    default: break;
    }
    if (event->matches(QKeySequence::Paste) || event->matches(QKeySequence::Copy) ||
        event->matches(QKeySequence::Cut) || event->matches(QKeySequence::Undo) ||
        event->matches(QKeySequence::Redo) || event->matches(QKeySequence::SelectAll))
        return false;
    const bool command = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete)
        return !command;
    const QString text = event->text();
    if (text.isEmpty())
        return true;  // cursor movement and the like
    if (command)
        return false;
    for (QChar c : text) {
        if (!IsPasswordCharacter(c))
            return false;
    }
    return true;
}

void TFormInputPasswort::Refuse()
{
    QApplication::beep();
    emit InputRefused();
}

bool TFormInputPasswort::HandleFormKey(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (ButtonOK->isVisible() && ButtonOK->isEnabled())
            ButtonOK->click();
        return true;
    case Qt::Key_Escape:
        if (ButtonCancel->isVisible() && ButtonCancel->isEnabled())
            ButtonCancel->click();
        return true;
    default: return false;
    }
}

bool TFormInputPasswort::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (HandleFormKey(key))
            return true;
        if ((watched == EditPDFPasswordEncryp || watched == EditPDFPasswordEncryp2) && !IsAcceptedKey(key)) {
            Refuse();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TFormInputPasswort::keyPressEvent(QKeyEvent* event)
{
    if (HandleFormKey(event))
        return;
    QDialog::keyPressEvent(event);
}
