#include "support/RecordingDialogHost.h"
#include "support/TestEnvironment.h"

#include "core/DialogHost.h"
#include "core/LanguageFile.h"
#include "core/MessageDlg.h"
#include "dialogs/PromptDialog.h"
#include "dialogs/QtDialogHost.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>

Q_DECLARE_METATYPE(TMsgDlgButtons)
Q_DECLARE_METATYPE(TMsgDlgBtn)

namespace {

// Runs action on the message box once it is shown modally.
void WhenPromptShows(std::function<void(PromptDialog*)> action)
{
    auto attempt = std::make_shared<std::function<void()>>();
    *attempt = [action, attempt] {
        auto* box = qobject_cast<PromptDialog*>(QApplication::activeModalWidget());
        if (box && box->isVisible()) {
            action(box);
            // A dialog the action failed to close must not hang the test.
            QTimer::singleShot(5000, box, [box] {
                if (box->isVisible())
                    box->done(0);
            });
        }
        else
            QTimer::singleShot(10, *attempt);
    };
    QTimer::singleShot(0, *attempt);
}


}  // namespace

class TestMessageDlg : public QObject {
    Q_OBJECT
private slots:
    void init() { OpenLanguageFile(QString()); }
    void cleanup() { OpenLanguageFile(QString()); }

    void messageHtml_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("html");
        QTest::newRow("heading and two sentences")
            << QStringLiteral("Fehler") << QStringLiteral("Das ging schief. Bitte erneut versuchen!")
            << QStringLiteral("<B>Fehler</B><BR><BR>Das ging schief.<BR>Bitte erneut versuchen!");
        QTest::newRow("no heading") << QString() << QStringLiteral("Fertig. Weiter?")
                                    << QStringLiteral("Fertig.<BR>Weiter?");
        QTest::newRow("question and exclamation followed by blanks")
            << QString() << QStringLiteral("Sicher? Ja! Gut") << QStringLiteral("Sicher?<BR>Ja!<BR>Gut");
        QTest::newRow("file name between line feeds")
            << QString() << QStringLiteral("Die Datei \n\n/tmp/a b.htm\n\n wurde nicht gefunden.")
            << QStringLiteral("Die Datei <BR><BR>/tmp/a b.htm<BR><BR> wurde nicht gefunden.");
        QTest::newRow("abbreviation") << QString() << QStringLiteral("z. B. hier")
                                      << QStringLiteral("z.<BR>B.<BR>hier");
        QTest::newRow("carriage return stays") << QString() << QStringLiteral("a\r\nb")
                                               << QStringLiteral("a\r<BR>b");
        QTest::newRow("markup stays") << QString() << QStringLiteral("Das ist <b>nicht</b> erlaubt.")
                                      << QStringLiteral("Das ist <b>nicht</b> erlaubt.");
        QTest::newRow("heading with a sentence end") << QStringLiteral("Achtung. Hier") << QStringLiteral("x")
                                                     << QStringLiteral("<B>Achtung.<BR>Hier</B><BR><BR>x");
    }
    void messageHtml()
    {
        QFETCH(QString, title);
        QFETCH(QString, message);
        QFETCH(QString, html);
        QCOMPARE(MessageHtml(title, message), html);
    }

    void buttons_data()
    {
        QTest::addColumn<TMsgDlgButtons>("buttons");
        QTest::addColumn<QStringList>("captions");
        QTest::addColumn<TMsgDlgBtn>("defaultButton");
        QTest::addColumn<TMsgDlgBtn>("escapeButton");
        QTest::addColumn<int>("unattended");

        QTest::newRow("yes no") << MsgButtons({mbYes, mbNo}) << QStringList{"&Ja", "&Nein"} << mbYes << mbNo << 7;
        QTest::newRow("ok") << MsgButtons({mbOK}) << QStringList{"OK"} << mbOK << mbOK << 1;
        QTest::newRow("ok cancel") << MsgButtons({mbOK, mbCancel}) << QStringList{"OK", "&Abbrechen"} << mbOK
                                   << mbCancel << 2;
        QTest::newRow("yes no cancel") << MsgButtons({mbYes, mbNo, mbCancel})
                                       << QStringList{"&Ja", "&Nein", "&Abbrechen"} << mbYes << mbCancel << 2;
        QTest::newRow("retry cancel") << MsgButtons({mbRetry, mbCancel}) << QStringList{"&Abbrechen", "&Wiederholen"}
                                      << mbRetry << mbCancel << 2;
        QTest::newRow("abort retry ignore") << MsgButtons({mbAbort, mbRetry, mbIgnore})
                                            << QStringList{"&Abbrechen", "&Wiederholen", "&Ignorieren"} << mbRetry
                                            << mbOK << 1;
        QTest::newRow("all the rest") << MsgButtons({mbAll, mbNoToAll, mbYesToAll, mbHelp})
                                      << QStringList{"Alle", "N&ein für Alle", "J&a für Alle", "&Hilfe"} << mbRetry
                                      << mbOK << 1;
        QTest::newRow("yes no ok") << MsgButtons({mbYes, mbNo, mbOK}) << QStringList{"&Ja", "&Nein", "OK"} << mbOK
                                   << mbNo << 7;
    }
    void buttons()
    {
        QFETCH(TMsgDlgButtons, buttons);
        QFETCH(QStringList, captions);
        QFETCH(TMsgDlgBtn, defaultButton);
        QFETCH(TMsgDlgBtn, escapeButton);
        QFETCH(int, unattended);

        RecordingDialogHost host;
        {
            ScopedDialogHost scoped(&host);
            QCOMPARE(MessageDlg(QStringLiteral("Titel"), QStringLiteral("Text"), mtConfirmation, buttons), unattended);
        }
        QCOMPARE(host.messages.size(), 1);
        const RecordingDialogHost::Message& m = host.messages.first();
        QCOMPARE(m.captions, captions);
        QCOMPARE(m.buttons, buttons);
        QCOMPARE(m.defaultButton, defaultButton);
        QCOMPARE(m.escapeButton, escapeButton);
        QCOMPARE(m.type, mtConfirmation);
        QCOMPARE(m.title, QStringLiteral("Titel"));
        QCOMPARE(m.html, QStringLiteral("<B>Titel</B><BR><BR>Text"));

        // Without any front end nothing waits, and the answer is Escape's.
        ScopedDialogHost none(nullptr);
        QCOMPARE(MessageDlg(QString(), QStringLiteral("Text"), mtConfirmation, buttons), unattended);
    }

    void buttonSetValues()
    {
        QCOMPARE(MsgButtons({mbYes, mbNo}), TMsgDlgButtons(3));
        QCOMPARE(MsgButtons({mbOK}), TMsgDlgButtons(4));
        QCOMPARE(MsgButtons({mbHelp}), TMsgDlgButtons(1u << 10));
    }

    void hostAnswerIsTheResult()
    {
        RecordingDialogHost host;
        host.messageAnswers = {mrYes, mrNo};
        ScopedDialogHost scoped(&host);
        QCOMPARE(MessageDlg(QString(), QStringLiteral("a"), mtConfirmation, MsgButtons({mbYes, mbNo})), int(mrYes));
        QCOMPARE(MessageDlg(QString(), QStringLiteral("b"), mtConfirmation, MsgButtons({mbYes, mbNo})), int(mrNo));
    }

    void captionsComeFromTheLanguageFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("en.lng"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[Dialogs]\r\nButtonYes=&Yes\r\nButtonCancel=&Cancel\r\n\r\n");
        f.close();
        OpenLanguageFile(path);
        const MessageRequest r =
            BuildMessageRequest(QString(), QStringLiteral("x"), mtWarning, MsgButtons({mbYes, mbNo, mbAbort}), 0);
        QStringList captions;
        for (const MessageButton& b : r.buttonList)
            captions << b.caption;
        // Abort shares the Cancel caption; missing keys keep their defaults.
        QCOMPARE(captions, (QStringList{"&Yes", "&Nein", "&Cancel"}));
    }

    // The real message box: its buttons, captions, icon and keys.
    void promptDialogShowsTheRequest()
    {
        const MessageRequest r = BuildMessageRequest(QStringLiteral("Frage"), QStringLiteral("Wirklich? Ja."),
                                                     mtConfirmation, MsgButtons({mbYes, mbNo}), 0);
        PromptDialog box(r, nullptr);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QCOMPARE(box.windowTitle(), QStringLiteral("Kalvinora"));
        QCOMPARE(box.icon(), QMessageBox::Question);
        QCOMPARE(box.textFormat(), Qt::RichText);
        QCOMPARE(box.text(), QStringLiteral("<B>Frage</B><BR><BR>Wirklich?<BR>Ja."));
        QCOMPARE(box.buttons().size(), 2);
        QVERIFY(box.ButtonOf(mbYes));
        QVERIFY(box.ButtonOf(mbNo));
        QCOMPARE(box.ButtonOf(mbYes)->text(), QStringLiteral("&Ja"));
        QCOMPARE(box.ButtonOf(mbNo)->text(), QStringLiteral("&Nein"));
        QCOMPARE(box.defaultButton(), box.ButtonOf(mbYes));
        QTest::keyClick(&box, Qt::Key_Escape);
        QCOMPARE(box.ResultCode(), int(mrNo));
    }

    void promptDialogKeys_data()
    {
        QTest::addColumn<TMsgDlgButtons>("buttons");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("result");
        QTest::newRow("escape on ok cancel") << MsgButtons({mbOK, mbCancel}) << int(Qt::Key_Escape) << int(mrCancel);
        QTest::newRow("escape on ok") << MsgButtons({mbOK}) << int(Qt::Key_Escape) << int(mrOk);
        QTest::newRow("escape on abort cancel") << MsgButtons({mbCancel, mbAbort}) << int(Qt::Key_Escape)
                                                << int(mrCancel);
        QTest::newRow("escape on no and no to all") << MsgButtons({mbNo, mbNoToAll}) << int(Qt::Key_Escape)
                                                    << int(mrNo);
        QTest::newRow("return on yes no") << MsgButtons({mbYes, mbNo}) << int(Qt::Key_Return) << int(mrYes);
        QTest::newRow("return on retry cancel") << MsgButtons({mbRetry, mbCancel}) << int(Qt::Key_Return)
                                                << int(mrRetry);
    }
    void promptDialogKeys()
    {
        QFETCH(TMsgDlgButtons, buttons);
        QFETCH(int, key);
        QFETCH(int, result);
        QtDialogHost qt;
        ScopedDialogHost scoped(&qt);
        WhenPromptShows([key](PromptDialog* box) { QTest::keyClick(box, Qt::Key(key)); });
        QCOMPARE(MessageDlg(QString(), QStringLiteral("Text"), mtInformation, buttons), result);
    }

    // A question without a cancel button cannot be answered by Escape or
    // by closing the window.
    void escapeWithoutCancelButtonDoesNothing()
    {
        QtDialogHost qt;
        ScopedDialogHost scoped(&qt);
        bool stillOpen = false;
        WhenPromptShows([&stillOpen](PromptDialog* box) {
            QTest::keyClick(box, Qt::Key_Escape);
            box->close();
            QApplication::processEvents();
            stillOpen = box->isVisible() && box->ResultCode() == 0;
            box->ButtonOf(mbIgnore)->click();
        });
        QCOMPARE(MessageDlg(QString(), QStringLiteral("Text"), mtWarning, MsgButtons({mbAbort, mbRetry, mbIgnore})),
                 int(mrIgnore));
        QVERIFY(stillOpen);
    }

    void helpButtonDoesNotClose()
    {
        QtDialogHost qt;
        ScopedDialogHost scoped(&qt);
        int shown = 0;
        WhenPromptShows([&shown](PromptDialog* box) {
            ++shown;
            box->ButtonOf(mbHelp)->click();
            WhenPromptShows([&shown](PromptDialog* again) {
                ++shown;
                again->ButtonOf(mbOK)->click();
            });
        });
        QCOMPARE(MessageDlg(QString(), QStringLiteral("Text"), mtInformation, MsgButtons({mbOK, mbHelp})), int(mrOk));
        QCOMPARE(shown, 2);
    }

    void ownedByTheMainWindow()
    {
        QMainWindow window;
        window.setFont(QFont(QStringLiteral("Serif"), 13));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QtDialogHost qt;
        qt.SetMainWindow(&window);
        ScopedDialogHost scoped(&qt);
        QPointer<QWidget> parent;
        QFont font;
        WhenPromptShows([&](PromptDialog* box) {
            parent = box->parentWidget();
            font = box->font();
            box->ButtonOf(mbOK)->click();
        });
        QCOMPARE(MessageDlg(QString(), QStringLiteral("Text"), mtError, MsgButtons({mbOK})), int(mrOk));
        QCOMPARE(parent.data(), &window);
        QCOMPARE(font.pointSize(), 13);
    }
};

KALVINORA_TEST_MAIN(TestMessageDlg)
#include "TestMessageDlg.moc"
