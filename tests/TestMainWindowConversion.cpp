#include "support/RecordingDialogHost.h"
#include "support/TestEnvironment.h"

#include "app/FileBrowser.h"
#include "app/ImageButton.h"
#include "app/TFormMainPDF.h"
#include "core/StartupStep.h"
#include "core/TMyIniFile.h"
#include "platform/SystemPaths.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>

namespace {

// Selects the list rows showing the given file names, as a person does with
// the Ctrl key held.
void SelectFiles(QTreeView* list, const QStringList& names)
{
    for (const QString& name : names) {
        const QModelIndexList hits =
            list->model()->match(list->model()->index(0, 0), Qt::DisplayRole, name, 1, Qt::MatchExactly);
        QVERIFY2(!hits.isEmpty(), qPrintable(name));
        const QRect rect = list->visualRect(hits.first());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, rect.center());
    }
}

}  // namespace

class TestMainWindowConversion : public QObject {
    Q_OBJECT

private slots:
    // A person's first day: an empty home, the language chosen at the first
    // start, three files converted into PDF, then into BMP pages.
    void firstStartConvertsThreeFiles()
    {
        QTemporaryDir work;
        const QString folder = work.filePath(QStringLiteral("Meine Dateien"));
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(QFile::copy(TestEnvironment::FixturePath(QStringLiteral("threepages.ps")), folder + "/report.ps"));
        QVERIFY(QFile::copy(TestEnvironment::FixturePath(QStringLiteral("office/fixture.docx")), folder + "/letter.docx"));
        QImage photo(400, 300, QImage::Format_RGB32);
        photo.fill(QColor(30, 120, 200));
        QVERIFY(photo.save(folder + "/photo.jpg", "JPEG"));

        RecordingDialogHost dialogs;
        dialogs.languageAnswer = QStringLiteral("english.lng");
        ScopedDialogHost host(&dialogs);
        ToolsStartup(QStringList());
        QCOMPARE(dialogs.languageRequests, 1);
        QCOMPARE(TMyIniFile(SettingsFileName()).ReadString("Allgemein", "LgFile", ""), QStringLiteral("english.lng"));

        TFormMainPDF window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(window.Browser()->BrowseTo(folder));
        QTRY_COMPARE(window.Browser()->ListView()->model()->rowCount(), 3);
        SelectFiles(window.Browser()->ListView(), {"report.ps", "photo.jpg", "letter.docx"});
        QCOMPARE(window.Browser()->SelectedFiles().size(), 3);

        auto* start = window.findChild<ImageButton*>(QStringLiteral("ButtonStart"));
        QVERIFY(start->isEnabled());
        QTest::mouseClick(start, Qt::LeftButton);

        QVERIFY(!dialogs.messages.isEmpty());
        QCOMPARE(dialogs.messages.last().message, QStringLiteral("3 document(s) converted successfully."));
        for (const char* pdf : {"report.pdf", "photo.pdf", "letter.pdf"})
            QVERIFY2(QFile::exists(folder + "/" + pdf), pdf);
        QVERIFY(!QFile::exists(folder + "/photo.ps"));  // work files are removed by default
        QVERIFY(start->isEnabled());

        // BMP pages, chosen on the start button's own menu.
        window.PopupMenuAusgabeformatPopup();
        QAction* bmp = window.PopupMenuAusgabeformat()->findChild<QAction*>(QStringLiteral("menuBMP2"));
        QVERIFY(bmp);
        bmp->trigger();
        QCOMPARE(start->HtmlCaption(), QStringLiteral("Create <B>BMP</B>"));
        dialogs.messages.clear();
        QTest::mouseClick(start, Qt::LeftButton);
        QCOMPARE(dialogs.messages.last().message, QStringLiteral("3 document(s) converted successfully."));
        for (const char* page : {"report1.bmp", "report2.bmp", "report3.bmp", "photo1.bmp", "letter1.bmp"})
            QVERIFY2(QFile::exists(folder + "/" + page), page);
    }

    // The window answers clicks while Ghostscript works: cancel stops the
    // run after the file being converted.
    void cancelDuringARun()
    {
        QTemporaryDir work;
        for (const char* name : {"a.ps", "b.ps", "c.ps"})
            QVERIFY(QFile::copy(TestEnvironment::FixturePath(QStringLiteral("threepages.ps")), work.filePath(name)));
        RecordingDialogHost dialogs;
        ScopedDialogHost host(&dialogs);
        TFormMainPDF window;
        window.findChild<QAction*>(QStringLiteral("menuPDF"))->trigger();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(window.Browser()->BrowseTo(work.path()));
        QTRY_COMPARE(window.Browser()->ListView()->model()->rowCount(), 3);
        SelectFiles(window.Browser()->ListView(), {"a.ps", "b.ps", "c.ps"});

        auto* start = window.findChild<ImageButton*>(QStringLiteral("ButtonStart"));
        auto* cancel = window.findChild<ImageButton*>(QStringLiteral("ButtonCancel"));
        QVERIFY(!cancel->isEnabled());
        bool cancelWasEnabled = false;
        QTimer::singleShot(0, cancel, [&] {
            cancelWasEnabled = cancel->isEnabled();
            QTest::mouseClick(cancel, Qt::LeftButton);
        });
        QTest::mouseClick(start, Qt::LeftButton);
        QVERIFY(cancelWasEnabled);
        QVERIFY(!cancel->isEnabled());
        QVERIFY(QFile::exists(work.filePath("a.pdf")));
        QVERIFY(!QFile::exists(work.filePath("b.pdf")));
        QVERIFY(!QFile::exists(work.filePath("c.pdf")));
        QVERIFY(dialogs.messages.last().message.contains(QLatin1String("1")));
    }
};

KALVINORA_TEST_MAIN(TestMainWindowConversion)
#include "TestMainWindowConversion.moc"
