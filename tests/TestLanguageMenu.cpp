#include "support/RecordingDialogHost.h"
#include "support/TestEnvironment.h"

#include "core/DialogHost.h"
#include "core/LanguageFile.h"
#include "core/ProgramState.h"
#include "dialogs/ElFormCaption.h"
#include "dialogs/LanguageMenu.h"
#include "dialogs/QtDialogHost.h"
#include "dialogs/TFormSelectLang.h"
#include "platform/SystemPaths.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSet>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <memory>

namespace {

void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    f.write(bytes);
}

QByteArray LanguageFileText(const char* name) { return QByteArray("[LangOptions]\r\nLanguageName=") + name + "\r\n\r\n"; }

// A program folder with three language files, one without a language name.
std::unique_ptr<QTemporaryDir> MakeProgramFolder()
{
    auto dir = std::make_unique<QTemporaryDir>();
    WriteBytes(dir->filePath(QStringLiteral("deutsch.lng")), LanguageFileText("Deutsch"));
    WriteBytes(dir->filePath(QStringLiteral("francais.lng")), LanguageFileText("Fran&çais"));
    WriteBytes(dir->filePath(QStringLiteral("ohne.lng")), "[Main]\r\nX=1\r\n\r\n");
    return dir;
}

QString Folder(const QTemporaryDir& dir) { return dir.path() + QLatin1Char('/'); }

QAction* ItemFor(const LanguageMenu& menu, const QString& fileName)
{
    for (QAction* a : menu.Items()) {
        if (a->statusTip() == fileName)
            return a;
    }
    return nullptr;
}

void WhenModalShows(std::function<void(QWidget*)> action)
{
    auto attempt = std::make_shared<std::function<void()>>();
    *attempt = [action, attempt] {
        QWidget* w = QApplication::activeModalWidget();
        if (w && w->isVisible()) {
            action(w);
            // A dialog the action failed to close must not hang the test.
            QTimer::singleShot(5000, w, [w] {
                if (auto* dialog = qobject_cast<QDialog*>(w); dialog && dialog->isVisible())
                    dialog->done(0);
            });
        }
        else
            QTimer::singleShot(10, *attempt);
    };
    QTimer::singleShot(0, *attempt);
}

}  // namespace

class TestLanguageMenu : public QObject {
    Q_OBJECT
private slots:
    void cleanup()
    {
        OpenLanguageFile(QString());
        platform::SetProgramFilePath(QString());
    }

    void selectLangListsLanguagesWithNothingSelected()
    {
        const auto dir = MakeProgramFolder();
        TFormSelectLang form(Folder(*dir));
        QCOMPARE(form.windowTitle(), QStringLiteral("Sprache / Language / Lingua / Taal"));
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.ListBoxLng->setFocus();
        QSet<QString> names;
        for (int i = 0; i < form.ListBoxLng->count(); ++i) {
            names << form.ListBoxLng->item(i)->text();
            QVERIFY(form.ListBoxLng->item(i)->textAlignment() & Qt::AlignHCenter);
        }
        QCOMPARE(names, (QSet<QString>{"Deutsch", "Fran&çais", "ohne.lng"}));
        QVERIFY(form.ListBoxLng->selectedItems().isEmpty());
        QVERIFY(form.SelectedFileName().isEmpty());
    }

    // The chosen file is the one behind the selected entry, whatever order
    // the folder lists them in.
    void selectLangGivesTheFileOfTheSelectedEntry_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("fileName");
        QTest::newRow("named") << "Fran&çais" << "francais.lng";
        QTest::newRow("unnamed") << "ohne.lng" << "ohne.lng";
    }
    void selectLangGivesTheFileOfTheSelectedEntry()
    {
        QFETCH(QString, entry);
        QFETCH(QString, fileName);
        const auto dir = MakeProgramFolder();
        TFormSelectLang form(Folder(*dir));
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const QList<QListWidgetItem*> found = form.ListBoxLng->findItems(entry, Qt::MatchExactly);
        QCOMPARE(found.size(), 1);
        const QRect rect = form.ListBoxLng->visualItemRect(found.first());
        QTest::mouseClick(form.ListBoxLng->viewport(), Qt::LeftButton, {}, rect.center());
        QCOMPARE(form.SelectedFileName(), fileName);
    }

    void selectLangThroughTheHost_data()
    {
        QTest::addColumn<bool>("choose");
        QTest::addColumn<bool>("byCloseButton");
        QTest::addColumn<QString>("expected");
        QTest::newRow("entry and OK") << true << false << "deutsch.lng";
        QTest::newRow("entry and close button") << true << true << "deutsch.lng";
        QTest::newRow("nothing and OK") << false << false << "";
        QTest::newRow("nothing and close button") << false << true << "";
    }
    void selectLangThroughTheHost()
    {
        QFETCH(bool, choose);
        QFETCH(bool, byCloseButton);
        QFETCH(QString, expected);
        const auto dir = MakeProgramFolder();
        platform::SetProgramFilePath(dir->filePath(QStringLiteral("kalvinora")));
        QtDialogHost qt;
        bool shown = false;
        WhenModalShows([&](QWidget* w) {
            auto* form = qobject_cast<TFormSelectLang*>(w);
            if (!form) {
                w->close();
                return;
            }
            shown = true;
            if (choose) {
                QListWidgetItem* item = form->ListBoxLng->findItems(QStringLiteral("Deutsch"), Qt::MatchExactly).first();
                QTest::mouseClick(form->ListBoxLng->viewport(), Qt::LeftButton, {},
                                  form->ListBoxLng->visualItemRect(item).center());
            }
            if (byCloseButton)
                form->close();
            else
                QTest::mouseClick(form->ButtonOK, Qt::LeftButton);
        });
        QCOMPARE(qt.SelectLanguageFile(), expected);
        QVERIFY(shown);
    }

    void selectLangDoubleClickChooses()
    {
        const auto dir = MakeProgramFolder();
        platform::SetProgramFilePath(dir->filePath(QStringLiteral("kalvinora")));
        QtDialogHost qt;
        bool stillOpen = true;
        WhenModalShows([&stillOpen](QWidget* w) {
            auto* form = qobject_cast<TFormSelectLang*>(w);
            if (!form) {
                w->close();
                return;
            }
            QListWidgetItem* item = form->ListBoxLng->findItems(QStringLiteral("Fran&çais"), Qt::MatchExactly).first();
            const QPoint at = form->ListBoxLng->visualItemRect(item).center();
            QTest::mouseClick(form->ListBoxLng->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(form->ListBoxLng->viewport(), Qt::LeftButton, {}, at);
            stillOpen = form->isVisible();
            if (stillOpen)
                form->reject();
        });
        QCOMPARE(qt.SelectLanguageFile(), QStringLiteral("francais.lng"));
        QVERIFY(!stillOpen);
    }

    void selectLangWithoutLanguageFiles()
    {
        QTemporaryDir dir;
        TFormSelectLang form(Folder(dir));
        QCOMPARE(form.ListBoxLng->count(), 0);
        QVERIFY(form.SelectedFileName().isEmpty());
    }

    void menuEntries_data()
    {
        QTest::addColumn<QString>("lgFile");
        QTest::addColumn<QString>("checked");
        QTest::newRow("same name") << "deutsch.lng" << "deutsch.lng";
        QTest::newRow("letter case of a to z ignored") << "DEUTSCH.Lng" << "deutsch.lng";
        QTest::newRow("no such file") << "english.lng" << "";
    }
    void menuEntries()
    {
        QFETCH(QString, lgFile);
        QFETCH(QString, checked);
        const auto dir = MakeProgramFolder();
        QMenu menuSprache;
        ProgramState state;
        state.LgFile = lgFile;
        LanguageMenu menu(&menuSprache, state, Folder(*dir));
        QVERIFY(menuSprache.menuAction()->isVisible());
        QCOMPARE(menuSprache.actions().size(), 3);
        QSet<QString> entries;
        QStringList checkedFiles;
        for (QAction* a : menuSprache.actions()) {
            entries << a->text() + QLatin1Char('|') + a->statusTip();
            QVERIFY(a->isCheckable());
            QCOMPARE(a->actionGroup(), menu.Group());
            if (a->isChecked())
                checkedFiles << a->statusTip();
        }
        QVERIFY(menu.Group()->isExclusive());
        QCOMPARE(entries, (QSet<QString>{"Deutsch|deutsch.lng", "Fran&çais|francais.lng", "ohne.lng|ohne.lng"}));
        QCOMPARE(checkedFiles, checked.isEmpty() ? QStringList() : QStringList{checked});
        QCOMPARE(state.LgFile, lgFile);
    }

    void menuHiddenWithoutLanguageFiles()
    {
        QTemporaryDir dir;
        QMenu menuSprache;
        ProgramState state;
        LanguageMenu menu(&menuSprache, state, Folder(dir));
        QVERIFY(!menuSprache.menuAction()->isVisible());
        QVERIFY(menuSprache.actions().isEmpty());
    }

    void choosingALanguage()
    {
        const auto dir = MakeProgramFolder();
        OpenLanguageFile(dir->filePath(QStringLiteral("deutsch.lng")));
        QMenu menuSprache;
        ProgramState state;
        state.LgFile = QStringLiteral("deutsch.lng");
        LanguageMenu menu(&menuSprache, state, Folder(*dir));
        RecordingDialogHost host;
        ScopedDialogHost scoped(&host);

        // As the menu delivers it.
        ItemFor(menu, QStringLiteral("francais.lng"))->trigger();
        QCOMPARE(state.LgFile, QStringLiteral("francais.lng"));
        QVERIFY(ItemFor(menu, QStringLiteral("francais.lng"))->isChecked());
        QVERIFY(!ItemFor(menu, QStringLiteral("deutsch.lng"))->isChecked());
        QCOMPARE(host.messages.size(), 1);
        const RecordingDialogHost::Message& m = host.messages.first();
        QVERIFY(m.title.isEmpty());
        QCOMPARE(m.type, mtInformation);
        QCOMPARE(m.buttons, MsgButtons({mbOK}));
        QCOMPARE(m.message, QStringLiteral("Sie haben die Sprache Français gewählt. Diese Einstellung wird beim "
                                           "nächsten Start wirksam."));
        // Takes effect at the next start only.
        QCOMPARE(ActiveLanguageFile().FileName(), dir->filePath(QStringLiteral("deutsch.lng")));

        // The checked entry again: nothing happens.
        state.LgFile = QStringLiteral("marker");
        ItemFor(menu, QStringLiteral("francais.lng"))->trigger();
        menu.LanguageItemClick(ItemFor(menu, QStringLiteral("francais.lng")));
        QCOMPARE(host.messages.size(), 1);
        QCOMPARE(state.LgFile, QStringLiteral("marker"));
        QVERIFY(ItemFor(menu, QStringLiteral("francais.lng"))->isChecked());

        // Called directly on another entry.
        menu.LanguageItemClick(ItemFor(menu, QStringLiteral("ohne.lng")));
        QCOMPARE(state.LgFile, QStringLiteral("ohne.lng"));
        QVERIFY(ItemFor(menu, QStringLiteral("ohne.lng"))->isChecked());
        QVERIFY(!ItemFor(menu, QStringLiteral("francais.lng"))->isChecked());
        QCOMPARE(host.messages.size(), 2);
        QVERIFY(host.messages.last().message.startsWith(QStringLiteral("Sie haben die Sprache ohne.lng gewählt.")));
    }

    void choosingMessageIsTranslated()
    {
        QTemporaryDir dir;
        WriteBytes(dir.filePath(QStringLiteral("english.lng")),
                   "[LangOptions]\r\nLanguageName=English\r\n[Main]\r\nChooseLg=You chose %s; %s stays.\r\n\r\n");
        WriteBytes(dir.filePath(QStringLiteral("other.lng")), LanguageFileText("Other"));
        OpenLanguageFile(dir.filePath(QStringLiteral("english.lng")));
        QMenu menuSprache;
        ProgramState state;
        state.LgFile = QStringLiteral("english.lng");
        LanguageMenu menu(&menuSprache, state, Folder(dir));
        RecordingDialogHost host;
        ScopedDialogHost scoped(&host);
        ItemFor(menu, QStringLiteral("other.lng"))->trigger();
        QCOMPARE(host.messages.size(), 1);
        // Only the first placeholder is filled.
        QCOMPARE(host.messages.first().message, QStringLiteral("You chose Other; %s stays."));
    }

    void adjustFormCaption_data()
    {
        QTest::addColumn<QByteArray>("languageFile");
        QTest::addColumn<bool>("open");
        QTest::addColumn<bool>("keeps");
        QTest::newRow("UTF-16 LE file") << QByteArray("\xFF\xFE[\0A\0]\0", 8) << true << true;
        QTest::newRow("UTF-16 BE file") << QByteArray("\xFE\xFF\0[\0A\0]", 8) << true << true;
        QTest::newRow("8-bit file") << QByteArray("[A]\r\n\r\n") << true << false;
        QTest::newRow("UTF-8 file with mark") << QByteArray("\xEF\xBB\xBF[A]\r\n\r\n") << true << false;
        QTest::newRow("no language file") << QByteArray() << false << true;
    }
    void adjustFormCaption()
    {
        QFETCH(QByteArray, languageFile);
        QFETCH(bool, open);
        QFETCH(bool, keeps);
        QTemporaryDir dir;
        if (open) {
            WriteBytes(dir.filePath(QStringLiteral("x.lng")), languageFile);
            OpenLanguageFile(dir.filePath(QStringLiteral("x.lng")));
        } else {
            OpenLanguageFile(dir.filePath(QStringLiteral("missing.lng")));
        }
        QWidget form;
        new ElFormCaption(&form);
        AdjustFormCaption(&form);
        QCOMPARE(form.findChild<QObject*>(QStringLiteral("ElFormCaption")) != nullptr, keeps);
        QCOMPARE(FindFormCaption(&form) != nullptr, keeps);

        SetFormCaption(&form, QStringLiteral("Übersetzter Titel"));
        QCOMPARE(form.windowTitle(), QStringLiteral("Übersetzter Titel"));
        if (keeps)
            QCOMPARE(FindFormCaption(&form)->Caption(), QStringLiteral("Übersetzter Titel"));
    }
};

KALVINORA_TEST_MAIN(TestLanguageMenu)
#include "TestLanguageMenu.moc"
