#include "support/RecordingDialogHost.h"
#include "support/TestEnvironment.h"

#include "core/DialogHost.h"
#include "core/LanguageFile.h"
#include "dialogs/HtmlButton.h"
#include "dialogs/Passworteingabe.h"
#include "dialogs/QtDialogHost.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>

#include <functional>

namespace {

// Runs action on the password form once it is shown modally.
void WhenFormShows(std::function<void(TFormInputPasswort*)> action)
{
    auto attempt = std::make_shared<std::function<void()>>();
    *attempt = [action, attempt] {
        auto* form = qobject_cast<TFormInputPasswort*>(QApplication::activeModalWidget());
        if (form && form->isVisible()) {
            action(form);
            // A dialog the action failed to close must not hang the test.
            QTimer::singleShot(5000, form, [form] {
                if (form->isVisible())
                    form->done(0);
            });
        }
        else
            QTimer::singleShot(10, *attempt);
    };
    QTimer::singleShot(0, *attempt);
}

// A key as the keyboard delivers it, with its text.
void TypeKey(QWidget* w, Qt::Key key, const QString& text, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(w, &release);
}

QColor CaptionColour(const QPushButton* b)
{
    return b->palette().color(b->isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText);
}

}  // namespace

class TestPasswordDialog : public QObject {
    Q_OBJECT
private slots:
    void init() { OpenLanguageFile(QString()); }

    void texts()
    {
        TFormInputPasswort form;
        QCOMPARE(form.windowTitle(), QStringLiteral("Passworteingabe"));
        QCOMPARE(form.ButtonOK->HtmlCaption(), QStringLiteral("<b>OK</b>"));
        QCOMPARE(form.ButtonCancel->text(), QStringLiteral("Abbrechen"));
        QCOMPARE(form.CheckBoxSave->text(), QStringLiteral("Passwort speichern"));
        QCOMPARE(form.LabelKennwortCap->text(), QStringLiteral("Kennwort:"));
        QCOMPARE(form.LabelWdhlCap->text(), QStringLiteral("Wiederholung:"));
        QVERIFY(form.EditPDFPasswordEncryp->toolTip().startsWith(QStringLiteral("Dieses Kennwort wird für")));
        QCOMPARE(form.EditPDFPasswordEncryp2->toolTip(), form.EditPDFPasswordEncryp->toolTip());
    }

    void freshInputPassword()
    {
        TFormInputPasswort form;
        form.PrepareInput(QStringLiteral("Bitte eingeben."), true);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QCOMPARE(form.LabelBeschreibung->text(), QStringLiteral("Bitte eingeben."));
        QVERIFY(form.EditPDFPasswordEncryp->text().isEmpty());
        QVERIFY(form.EditPDFPasswordEncryp2->text().isEmpty());
        QCOMPARE(QApplication::focusWidget(), form.EditPDFPasswordEncryp);
        QVERIFY(form.CheckBoxSave->isVisible());
        QVERIFY(form.CheckBoxSave->isChecked());
        QCOMPARE(form.EditPDFPasswordEncryp->echoMode(), QLineEdit::Password);
        QCOMPARE(form.EditPDFPasswordEncryp2->echoMode(), QLineEdit::Password);
        // Two empty entries are equal.
        QVERIFY(form.ButtonOK->isEnabled());
    }

    void keysAreFiltered_data()
    {
        QTest::addColumn<int>("edit");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        for (int edit : {1, 2}) {
            QTest::addRow("edit %d: lower letter", edit) << edit << int(Qt::Key_A) << "a" << true;
            QTest::addRow("edit %d: upper letter", edit) << edit << int(Qt::Key_Z) << "Z" << true;
            QTest::addRow("edit %d: digit", edit) << edit << int(Qt::Key_7) << "7" << true;
            QTest::addRow("edit %d: blank", edit) << edit << int(Qt::Key_Space) << " " << false;
            QTest::addRow("edit %d: umlaut", edit) << edit << int(Qt::Key_Adiaeresis) << "ä" << false;
            QTest::addRow("edit %d: hyphen", edit) << edit << int(Qt::Key_Minus) << "-" << false;
            QTest::addRow("edit %d: sharp s", edit) << edit << int(Qt::Key_ssharp) << "ß" << false;
            QTest::addRow("edit %d: euro", edit) << edit << int(Qt::Key_E) << "€" << false;
        }
    }
    void keysAreFiltered()
    {
        QFETCH(int, edit);
        QFETCH(int, key);
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        TFormInputPasswort form;
        form.PrepareInput(QString(), false);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QLineEdit* target = edit == 1 ? form.EditPDFPasswordEncryp : form.EditPDFPasswordEncryp2;
        target->setFocus();
        QSignalSpy refused(&form, &TFormInputPasswort::InputRefused);
        TypeKey(target, Qt::Key(key), text);
        QCOMPARE(target->text(), accepted ? text : QString());
        QCOMPARE(refused.count(), accepted ? 0 : 1);
    }

    void typingAndBackspace()
    {
        TFormInputPasswort form;
        form.PrepareInput(QString(), false);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QSignalSpy refused(&form, &TFormInputPasswort::InputRefused);
        QTest::keyClicks(form.EditPDFPasswordEncryp, QStringLiteral("Ab1 x-y"));
        QCOMPARE(form.EditPDFPasswordEncryp->text(), QStringLiteral("Ab1xy"));
        QCOMPARE(refused.count(), 2);
        QTest::keyClick(form.EditPDFPasswordEncryp, Qt::Key_Backspace);
        QCOMPARE(form.EditPDFPasswordEncryp->text(), QStringLiteral("Ab1x"));
        QTest::keyClick(form.EditPDFPasswordEncryp, Qt::Key_Left);
        QTest::keyClick(form.EditPDFPasswordEncryp, Qt::Key_Delete);
        QCOMPARE(form.EditPDFPasswordEncryp->text(), QStringLiteral("Ab1"));
        QCOMPARE(refused.count(), 2);
    }

    void pastingIsFiltered()
    {
        TFormInputPasswort form;
        form.PrepareInput(QString(), false);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QSignalSpy refused(&form, &TFormInputPasswort::InputRefused);
        QLineEdit* edit = form.EditPDFPasswordEncryp;
        edit->setFocus();

        // The paste keys are refused like any other control key.
        QApplication::clipboard()->setText(QStringLiteral("abc"));
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(edit, Qt::Key_Insert, Qt::ShiftModifier);
        QVERIFY(edit->text().isEmpty());
        QCOMPARE(refused.count(), 2);

        // What arrives otherwise (the context menu) passes the same filter.
        QApplication::clipboard()->setText(QStringLiteral("ab-cd"));
        edit->paste();
        QVERIFY(edit->text().isEmpty());
        QCOMPARE(refused.count(), 3);
        QApplication::clipboard()->setText(QStringLiteral("abcd"));
        edit->paste();
        QCOMPARE(edit->text(), QStringLiteral("abcd"));
        QCOMPARE(refused.count(), 3);
    }

    void okOnlyWhenEqual()
    {
        TFormInputPasswort form;
        form.PrepareInput(QString(), false);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const QColor normal = CaptionColour(form.ButtonOK);
        const QColor shadow = form.palette().color(QPalette::Dark);
        QVERIFY(normal != shadow);

        QTest::keyClicks(form.EditPDFPasswordEncryp, QStringLiteral("abc"));
        QVERIFY(!form.ButtonOK->isEnabled());
        QCOMPARE(CaptionColour(form.ButtonOK), shadow);

        QTest::keyClicks(form.EditPDFPasswordEncryp2, QStringLiteral("abc"));
        QVERIFY(form.ButtonOK->isEnabled());
        QCOMPARE(CaptionColour(form.ButtonOK), normal);

        QTest::keyClick(form.EditPDFPasswordEncryp2, Qt::Key_Backspace);
        QTest::keyClicks(form.EditPDFPasswordEncryp2, QStringLiteral("C"));
        QVERIFY(!form.ButtonOK->isEnabled());
        QCOMPARE(CaptionColour(form.ButtonOK), shadow);

        // Return does nothing while OK is disabled.
        QTest::keyClick(form.EditPDFPasswordEncryp2, Qt::Key_Return);
        QVERIFY(form.isVisible());
        QCOMPARE(form.result(), 0);
    }

    void repeatPasswordForm()
    {
        TFormInputPasswort input;
        input.PrepareInput(QString(), false);
        TFormInputPasswort repeat;
        repeat.PrepareRepeat(QStringLiteral("Bitte wiederholen."), QStringLiteral("Geheim7"));
        repeat.show();
        QVERIFY(QTest::qWaitForWindowActive(&repeat));
        QCOMPARE(repeat.EditPDFPasswordEncryp->displayText(), QStringLiteral("*******"));
        QVERIFY(repeat.EditPDFPasswordEncryp2->text().isEmpty());
        QCOMPARE(QApplication::focusWidget(), repeat.EditPDFPasswordEncryp2);
        QVERIFY(!repeat.CheckBoxSave->isVisible());
        QVERIFY(!repeat.ButtonOK->isEnabled());
        QCOMPARE(repeat.height(), input.height() - 24);
        QCOMPARE(repeat.width(), input.width());
        // Nothing is cut off in the lower form.
        QVERIFY(repeat.layout()->totalMinimumSize().height() <= repeat.height());
        QVERIFY(repeat.ButtonOK->geometry().bottom() < repeat.height());

        QTest::keyClicks(repeat.EditPDFPasswordEncryp2, QStringLiteral("Geheim"));
        QVERIFY(!repeat.ButtonOK->isEnabled());
        QTest::keyClicks(repeat.EditPDFPasswordEncryp2, QStringLiteral("7"));
        QVERIFY(repeat.ButtonOK->isEnabled());
    }

    void inputPasswordConfirmed()
    {
        QString password = QStringLiteral("unchanged");
        bool save = false;
        WhenFormShows([](TFormInputPasswort* form) {
            QTest::keyClicks(form->EditPDFPasswordEncryp, QStringLiteral("Abc123"));
            QTest::keyClicks(form->EditPDFPasswordEncryp2, QStringLiteral("Abc123"));
            QTest::mouseClick(form->CheckBoxSave, Qt::LeftButton);
            QTest::keyClick(form->EditPDFPasswordEncryp2, Qt::Key_Return);
        });
        QVERIFY(TFormInputPasswort::InputPassword(nullptr, QStringLiteral("x"), password, save));
        QCOMPARE(password, QStringLiteral("Abc123"));
        QVERIFY(save);
    }

    void inputPasswordEmptyConfirmed()
    {
        QString password = QStringLiteral("old");
        bool save = true;
        WhenFormShows([](TFormInputPasswort* form) { QTest::mouseClick(form->ButtonOK, Qt::LeftButton); });
        QVERIFY(TFormInputPasswort::InputPassword(nullptr, QStringLiteral("x"), password, save));
        QCOMPARE(password, QString());
        QVERIFY(save);
    }

    void repeatPasswordConfirmed()
    {
        QString password = QStringLiteral("Geheim7");
        WhenFormShows([](TFormInputPasswort* form) {
            QTest::keyClicks(form->EditPDFPasswordEncryp2, QStringLiteral("Geheim7"));
            QTest::keyClick(form->ButtonCancel, Qt::Key_Return);  // Return anywhere means OK
        });
        QVERIFY(TFormInputPasswort::RepeatPassword(nullptr, QStringLiteral("x"), password));
        QCOMPARE(password, QStringLiteral("Geheim7"));
    }

    void escapeLeavesValuesUntouched_data()
    {
        QTest::addColumn<bool>("repeat");
        QTest::newRow("InputPassword") << false;
        QTest::newRow("RepeatPassword") << true;
    }
    void escapeLeavesValuesUntouched()
    {
        QFETCH(bool, repeat);
        QString password = QStringLiteral("Vorher1");
        bool save = false;
        bool okWasEnabled = false;
        WhenFormShows([&okWasEnabled](TFormInputPasswort* form) {
            // The entries change; the caller's values must not.
            form->EditPDFPasswordEncryp->clear();
            QTest::keyClicks(form->EditPDFPasswordEncryp, QStringLiteral("Neu"));
            QTest::keyClicks(form->EditPDFPasswordEncryp2, QStringLiteral("Neu"));
            if (form->CheckBoxSave->isVisible())
                form->CheckBoxSave->setChecked(true);
            okWasEnabled = form->ButtonOK->isEnabled();
            QTest::keyClick(form->EditPDFPasswordEncryp, Qt::Key_Escape);
        });
        const bool ok = repeat ? TFormInputPasswort::RepeatPassword(nullptr, QStringLiteral("x"), password)
                               : TFormInputPasswort::InputPassword(nullptr, QStringLiteral("x"), password, save);
        QVERIFY(!ok);
        QVERIFY(okWasEnabled);
        QCOMPARE(password, QStringLiteral("Vorher1"));
        QVERIFY(!save);
    }

    // The conversion run asks through the dialog host, in the window program
    // with this form.
    void reachedThroughTheHost()
    {
        QtDialogHost qt;
        ScopedDialogHost scoped(&qt);
        QString password;
        bool save = true;
        QString shown;
        WhenFormShows([&shown](TFormInputPasswort* form) {
            shown = form->LabelBeschreibung->text();
            QTest::keyClicks(form->EditPDFPasswordEncryp, QStringLiteral("k1"));
            QTest::keyClicks(form->EditPDFPasswordEncryp2, QStringLiteral("k1"));
            QTest::mouseClick(form->ButtonOK, Qt::LeftButton);
        });
        QVERIFY(InputPassword(QStringLiteral("Bitte geben Sie das Passwort ein."), password, save));
        QCOMPARE(shown, QStringLiteral("Bitte geben Sie das Passwort ein."));
        QCOMPARE(password, QStringLiteral("k1"));
        QVERIFY(save);
    }

    void withoutHostNothingIsAsked()
    {
        ScopedDialogHost none(nullptr);
        QString password = QStringLiteral("p");
        bool save = true;
        QVERIFY(!InputPassword(QStringLiteral("x"), password, save));
        QVERIFY(!RepeatPassword(QStringLiteral("x"), password));
        QCOMPARE(password, QStringLiteral("p"));
        QVERIFY(save);
    }
};

KALVINORA_TEST_MAIN(TestPasswordDialog)
#include "TestPasswordDialog.moc"
