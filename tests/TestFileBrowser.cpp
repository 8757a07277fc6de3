#include "support/TestEnvironment.h"

#include "app/ExplorerView.h"
#include "app/FileBrowser.h"
#include "app/FileListFilter.h"
#include "app/FileSelection.h"
#include "app/FolderListModel.h"
#include "app/ViewState.h"
#include "core/ProgramState.h"
#include "core/Settings.h"
#include "platform/Registry.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLabel>
#include <QMimeData>
#include <QSignalSpy>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTreeView>
#include <QUrl>

#include <memory>

namespace {

const QString kCurVer = QStringLiteral("Word.Application\\CurVer");

// A registry that counts how often the Word version is read.
class CountingRegistry : public MemoryRegistry {
public:
    QString ReadString(RegistryRoot root, const QString& path, const QString& name) const override
    {
        if (path.compare(kCurVer, Qt::CaseInsensitive) == 0)
            ++reads;
        return MemoryRegistry::ReadString(root, path, name);
    }
    mutable int reads = 0;
};

std::shared_ptr<CountingRegistry> UseRegistry(const QString& wordCurVer)
{
    auto registry = std::make_shared<CountingRegistry>();
    if (!wordCurVer.isEmpty())
        registry->SetString(RegistryRoot::ClassesRoot, kCurVer, QString(), wordCurVer);
    Registry::SetCurrent(registry);
    return registry;
}

void Touch(const QString& path, int size = 0, char fill = 'x')
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    file.write(QByteArray(size, fill));
}

void MakeDir(const QString& path) { QVERIFY2(QDir().mkpath(path), qPrintable(path)); }

// Rows of the file list as the user sees them, top to bottom.
QStringList ListedNames(const FileBrowser& browser)
{
    QStringList names;
    const QAbstractItemModel* model = browser.ListView()->model();
    for (int row = 0; row < model->rowCount(); ++row)
        names << model->index(row, FolderListModel::NameColumn).data().toString();
    return names;
}

QModelIndex ListRow(const FileBrowser& browser, const QString& name)
{
    const QAbstractItemModel* model = browser.ListView()->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        const QModelIndex index = model->index(row, FolderListModel::NameColumn);
        if (index.data().toString() == name)
            return index;
    }
    return {};
}

QModelIndex TreeIndex(const FileBrowser& browser, const QString& path)
{
    auto* model = static_cast<QFileSystemModel*>(browser.TreeView()->model());
    return model->index(path);
}

bool ClickRow(FileBrowser& browser, const QString& name, Qt::KeyboardModifiers modifiers = {})
{
    const QModelIndex index = ListRow(browser, name);
    if (!index.isValid())
        return false;
    QTreeView* list = browser.ListView();
    list->scrollTo(index);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, list->visualRect(index).center());
    return true;
}

bool DoubleClickRow(FileBrowser& browser, const QString& name)
{
    const QModelIndex index = ListRow(browser, name);
    if (!index.isValid())
        return false;
    QTreeView* list = browser.ListView();
    list->scrollTo(index);
    const QPoint at = list->visualRect(index).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    return true;
}

QStringList Paths(const QString& folder, const QStringList& names)
{
    QStringList paths;
    for (const QString& name : names)
        paths << QDir(folder).filePath(name);
    return paths;
}

// Answers the delete question and remembers how it was asked.
struct Question {
    int answer = mrNo;
    int asked = 0;
    QString title;
    QString message;
    TMsgDlgType type = mtCustom;
    TMsgDlgButtons buttons = 0;

    FileBrowser::MessageDialog Dialog()
    {
        return [this](const QString& t, const QString& m, TMsgDlgType ty, TMsgDlgButtons b, int) {
            ++asked;
            title = t;
            message = m;
            type = ty;
            buttons = b;
            return answer;
        };
    }
};

class SettingsWindow : public SettingsHost {
public:
    SettingsWindow(ProgramState& state, FileBrowser& browser) : m_state(state), m_browser(browser) {}
    ProgramState& State() override { return m_state; }
    void RestoreViewState(const QByteArray& stream) override { m_browser.RestoreViewState(stream); }
    QByteArray SnapshotViewState() override { return m_browser.SnapshotViewState(); }

private:
    ProgramState& m_state;
    FileBrowser& m_browser;
};

}  // namespace

class TestFileBrowser : public QObject {
    Q_OBJECT

    std::unique_ptr<FileBrowser> MakeBrowser(ProgramState& state)
    {
        auto browser = std::make_unique<FileBrowser>(state);
        browser->resize(900, 600);
        browser->show();
        if (!QTest::qWaitForWindowExposed(browser.get()))
            qWarning("browser window not exposed");
        return browser;
    }

    std::unique_ptr<QTemporaryDir> MakeFolder(const QStringList& files, const QStringList& folders = {})
    {
        auto dir = std::make_unique<QTemporaryDir>(TestEnvironment::Home() + QStringLiteral("/files-XXXXXX"));
        for (const QString& f : folders)
            MakeDir(dir->filePath(f));
        for (const QString& f : files)
            Touch(dir->filePath(f));
        return dir;
    }

private slots:
    void init() { UseRegistry(QString()); }

    void startsAtHomeWithTheWholeFileSystemAbove()
    {
        ProgramState state;
        auto browser = MakeBrowser(state);
        QCOMPARE(browser->CurrentFolder(), QDir::homePath());
        QCOMPARE(browser->LabelPath()->text(), QDir::toNativeSeparators(QDir::homePath()));
        // The file system root is the top of the tree, and home is shown
        // expanded below it.
        QTreeView* tree = browser->TreeView();
        QCOMPARE(tree->model()->index(0, 0, tree->rootIndex()).data(QFileSystemModel::FilePathRole).toString(),
                 QDir::rootPath());
        QVERIFY(tree->isExpanded(TreeIndex(*browser, QDir::homePath())));
        QVERIFY(browser->findChild<QWidget*>(QStringLiteral("PanelLeft")));
        QVERIFY(browser->findChild<QWidget*>(QStringLiteral("PanelRight")));
        QCOMPARE(browser->findChild<QTreeView*>(QStringLiteral("VirtualExplorerTreeview")), tree);
        QCOMPARE(browser->findChild<QTreeView*>(QStringLiteral("VirtualExplorerListview")), browser->ListView());
        QCOMPARE(browser->LabelPath()->objectName(), QStringLiteral("LabelPath"));
        QVERIFY(!browser->ButtonDelFileEnabled());
        QVERIFY(!browser->ButtonShowPDFEnabled());
    }

    void listShowsWhatCanBeConvertedOrShown_data()
    {
        QTest::addColumn<QString>("curVer");
        QTest::addColumn<bool>("wordDocuments");
        QTest::newRow("Word 2003") << "Word.Application.11" << true;
        QTest::newRow("Word 97") << "Word.Application.8" << true;
        QTest::newRow("office backend") << "Word.Application.12" << true;
        QTest::newRow("Word 95") << "Word.Application.6" << false;
        QTest::newRow("unknown version") << "Word.Application.14" << false;
        QTest::newRow("no Word") << "" << false;
        QTest::newRow("version no number") << "Word.Application.x" << false;
    }

    void listShowsWhatCanBeConvertedOrShown()
    {
        QFETCH(QString, curVer);
        QFETCH(bool, wordDocuments);
        UseRegistry(curVer);
        auto dir = MakeFolder({"a.doc", "b.docx", "c.prn", "d.png", "f.txt", "g.pdf", "H.PS", "i.lnk", "j.tiff",
                               "k.pcx", "l.gif", "m.jpeg", "n.rtf", "o.dotm", "p.xls", "r", "s.zip", "t.DOC",
                               ".q.pdf", "u.bmp", "v.jpg", "w.tif", "x.dot", "y.docm", "z.dotx"},
                              {"e.zip", "sub", "report.pdf.d"});
        ProgramState state;
        auto browser = MakeBrowser(state);
        QVERIFY(browser->BrowseTo(dir->path()));

        QStringList expected{"c.prn", "d.png", "g.pdf", "H.PS", "i.lnk", "j.tiff", "k.pcx", "l.gif", "m.jpeg",
                             ".q.pdf", "u.bmp", "v.jpg", "w.tif", "sub", "report.pdf.d"};
        if (wordDocuments)
            expected << QStringList{"a.doc", "b.docx", "n.rtf", "o.dotm", "t.DOC", "x.dot", "y.docm", "z.dotx"};
        QStringList listed = ListedNames(*browser);
        listed.sort();
        expected.sort();
        QCOMPARE(listed, expected);
    }

    void wordVersionIsReadOncePerFill()
    {
        auto registry = UseRegistry(QStringLiteral("Word.Application.6"));
        QStringList files;
        for (int i = 0; i < 40; ++i)
            files << QStringLiteral("doc%1.doc").arg(i) << QStringLiteral("pic%1.jpg").arg(i);
        auto dir = MakeFolder(files);
        ProgramState state;
        auto browser = MakeBrowser(state);
        registry->reads = 0;
        QVERIFY(browser->BrowseTo(dir->path()));
        QCOMPARE(registry->reads, 1);
        QCOMPARE(ListedNames(*browser).size(), 40);

        // Word registered meanwhile: the next fill asks again and lists them.
        registry->SetString(RegistryRoot::ClassesRoot, kCurVer, QString(), QStringLiteral("Word.Application.11"));
        browser->RefreshFileList();
        QCOMPARE(registry->reads, 2);
        QCOMPARE(ListedNames(*browser).size(), 80);
    }

    void listIsSortedByNameWithFoldersFirstAndByColumnOnClick()
    {
        auto dir = MakeFolder({}, {"m", "z-folder"});
        Touch(dir->filePath("a.pdf"), 10);
        Touch(dir->filePath("b.pdf"), 2000);
        Touch(dir->filePath("c.pdf"), 300);
        ProgramState state;
        auto browser = MakeBrowser(state);
        QVERIFY(browser->BrowseTo(dir->path()));
        QCOMPARE(ListedNames(*browser),
                 QStringList({"m", "z-folder", "a.pdf", "b.pdf", "c.pdf"}));

        // Sizes sort as numbers, not as text.
        QHeaderView* header = browser->ListView()->header();
        const QPoint sizeHeader(header->sectionViewportPosition(FolderListModel::SizeColumn) + 10, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, sizeHeader);
        QCOMPARE(header->sortIndicatorSection(), int(FolderListModel::SizeColumn));
        QCOMPARE(ListedNames(*browser), QStringList({"m", "z-folder", "a.pdf", "c.pdf", "b.pdf"}));
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, sizeHeader);
        QCOMPARE(ListedNames(*browser), QStringList({"b.pdf", "c.pdf", "a.pdf", "z-folder", "m"}));

        const QModelIndex size = ListRow(*browser, "b.pdf").siblingAtColumn(FolderListModel::SizeColumn);
        QVERIFY(size.data(Qt::TextAlignmentRole).toInt() & Qt::AlignRight);
        QVERIFY(!size.data().toString().isEmpty());
        QVERIFY(header->sectionsMovable());
        QCOMPARE(header->sectionResizeMode(FolderListModel::TypeColumn), QHeaderView::Interactive);
    }

    void selectionOrderFollowsTheClicks()
    {
        auto dir = MakeFolder({"x.pdf", "y.pdf", "z.pdf"});
        ProgramState state;
        auto browser = MakeBrowser(state);
        browser->SetConnectCaption(QStringLiteral("combine output document"));
        QVERIFY(browser->BrowseTo(dir->path()));

        QVERIFY(ClickRow(*browser, "x.pdf"));
        QVERIFY(ClickRow(*browser, "z.pdf", Qt::ControlModifier));
        QVERIFY(ClickRow(*browser, "y.pdf", Qt::ControlModifier));
        const QString folder = dir->path();
        QCOMPARE(state.SelectionOrder, Paths(folder, {"x.pdf", "z.pdf", "y.pdf"}));
        QCOMPARE(state.SelectedFiles(), Paths(folder, {"x.pdf", "y.pdf", "z.pdf"}));
        QCOMPARE(browser->ImageConnectHint(),
                 QStringLiteral("<html>combine output document:<br><br>%1/x.pdf<br>%1/z.pdf<br>%1/y.pdf</html>")
                     .arg(folder));

        QSignalSpy hints(browser.get(), &FileBrowser::ImageConnectHintChanged);
        QVERIFY(ClickRow(*browser, "z.pdf", Qt::ControlModifier));
        QCOMPARE(state.SelectionOrder, Paths(folder, {"x.pdf", "y.pdf"}));
        QCOMPARE(state.SelectedFiles(), Paths(folder, {"x.pdf", "y.pdf"}));
        QVERIFY(!hints.isEmpty());
        QCOMPARE(hints.last().first().toString(),
                 QStringLiteral("<html>combine output document:<br><br>%1/x.pdf<br>%1/y.pdf</html>").arg(folder));

        // A plain click starts a new selection.
        QVERIFY(ClickRow(*browser, "y.pdf"));
        QCOMPARE(state.SelectionOrder, Paths(folder, {"y.pdf"}));
    }

    void selectionOrderIgnoresLetterCase_data()
    {
        QTest::addColumn<QStringList>("order");
        QTest::addColumn<QStringList>("selected");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("same file in other case stays once")
            << QStringList{"/d/A.pdf"} << QStringList{"/d/a.pdf", "/d/b.pdf"} << QStringList{"/d/A.pdf", "/d/b.pdf"};
        QTest::newRow("deselected entry goes whatever its case")
            << QStringList{"/d/A.pdf", "/d/B.pdf"} << QStringList{"/d/b.pdf"} << QStringList{"/d/B.pdf"};
        QTest::newRow("empty selection clears") << QStringList{"/d/a.pdf"} << QStringList{} << QStringList{};
        QTest::newRow("new entries in list order")
            << QStringList{"/d/c.pdf"} << QStringList{"/d/a.pdf", "/d/b.pdf", "/d/c.pdf"}
            << QStringList{"/d/c.pdf", "/d/a.pdf", "/d/b.pdf"};
    }

    void selectionOrderIgnoresLetterCase()
    {
        QFETCH(QStringList, order);
        QFETCH(QStringList, selected);
        QFETCH(QStringList, expected);
        UpdateSelectionOrder(order, selected);
        QCOMPARE(order, expected);
    }

    void combineHintEscapesFileNames()
    {
        QCOMPARE(CombineHint(QStringLiteral("Zusammenfassen"), {QStringLiteral("/d/<b>&.ps")}),
                 QStringLiteral("<html>Zusammenfassen:<br><br>/d/&lt;b&gt;&amp;.ps</html>"));
        QCOMPARE(CombineHint(QStringLiteral("Zusammenfassen"), {}), QStringLiteral("<html>Zusammenfassen:<br></html>"));
    }

    void showButtonWantsOneViewableFile_data()
    {
        QTest::addColumn<QStringList>("selected");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("one sheet") << QStringList{"/d/table.xls"} << true;
        QTest::newRow("one sheet, capitals") << QStringList{"/d/TABLE.XLSX"} << true;
        QTest::newRow("one PDF") << QStringList{"/d/a.pdf"} << true;
        QTest::newRow("one PNG") << QStringList{"/d/a.png"} << true;
        QTest::newRow("two PDFs") << QStringList{"/d/a.pdf", "/d/b.pdf"} << false;
        QTest::newRow("one PostScript file") << QStringList{"/d/a.ps"} << false;
        QTest::newRow("one PCX") << QStringList{"/d/a.pcx"} << false;
        QTest::newRow("nothing") << QStringList{} << false;
        QTest::newRow("folder without extension") << QStringList{"/d/sub"} << false;
    }

    void showButtonWantsOneViewableFile()
    {
        QFETCH(QStringList, selected);
        QFETCH(bool, enabled);
        QCOMPARE(CanShowSelection(selected), enabled);
    }

    void buttonsFollowTheSelection()
    {
        auto dir = MakeFolder({"a.pdf", "b.pdf", "c.ps"});
        ProgramState state;
        auto browser = MakeBrowser(state);
        QVERIFY(browser->BrowseTo(dir->path()));
        QSignalSpy del(browser.get(), &FileBrowser::ButtonDelFileEnabledChanged);
        QSignalSpy show(browser.get(), &FileBrowser::ButtonShowPDFEnabledChanged);

        QVERIFY(ClickRow(*browser, "a.pdf"));
        QVERIFY(browser->ButtonDelFileEnabled());
        QVERIFY(browser->ButtonShowPDFEnabled());
        QCOMPARE(show.last().first().toBool(), true);

        QVERIFY(ClickRow(*browser, "b.pdf", Qt::ControlModifier));
        QVERIFY(browser->ButtonDelFileEnabled());
        QVERIFY(!browser->ButtonShowPDFEnabled());
        QCOMPARE(show.last().first().toBool(), false);

        QVERIFY(ClickRow(*browser, "c.ps"));
        QVERIFY(browser->ButtonDelFileEnabled());
        QVERIFY(!browser->ButtonShowPDFEnabled());

        browser->ListView()->clearSelection();
        QVERIFY(!browser->ButtonDelFileEnabled());
        QCOMPARE(del.last().first().toBool(), false);
    }

    void deleteNeedsYes_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("No") << int(mrNo);
        QTest::newRow("closed") << int(mrCancel);
        QTest::newRow("OK") << int(mrOk);
    }

    void deleteNeedsYes()
    {
        QFETCH(int, answer);
        auto dir = MakeFolder({"a.pdf", "b.ps"});
        ProgramState state;
        auto browser = MakeBrowser(state);
        Question question;
        question.answer = answer;
        browser->SetMessageDialog(question.Dialog());
        QVERIFY(browser->BrowseTo(dir->path()));
        QVERIFY(ClickRow(*browser, "a.pdf"));
        QVERIFY(ClickRow(*browser, "b.ps", Qt::ControlModifier));

        browser->ButtonDelFileClick();
        QCOMPARE(question.asked, 1);
        QCOMPARE(question.title, QString());
        QCOMPARE(question.message, QStringLiteral("Sollen die ausgewählten Dateien wirklich gelöscht werden?"));
        QCOMPARE(question.type, mtConfirmation);
        QCOMPARE(question.buttons, MsgButtons({mbYes, mbNo}));
        QVERIFY(QFileInfo::exists(dir->filePath("a.pdf")));
        QVERIFY(QFileInfo::exists(dir->filePath("b.ps")));
        QCOMPARE(state.SelectedFiles(), Paths(dir->path(), {"a.pdf", "b.ps"}));
    }

    void deleteAnsweredYesMovesFilesToTheTrash()
    {
        auto dir = MakeFolder({"a.pdf", "b.ps", "keep.pdf"}, {"sub"});
        Touch(dir->filePath("a.pdf"), 123, 'a');
        ProgramState state;
        auto browser = MakeBrowser(state);
        Question question;
        question.answer = mrYes;
        browser->SetMessageDialog(question.Dialog());
        QVERIFY(browser->BrowseTo(dir->path()));
        QVERIFY(ClickRow(*browser, "a.pdf"));
        QVERIFY(ClickRow(*browser, "b.ps", Qt::ControlModifier));
        QVERIFY(ClickRow(*browser, "sub", Qt::ControlModifier));

        browser->ButtonDelFileClick();
        QCOMPARE(question.asked, 1);
        QVERIFY(!QFileInfo::exists(dir->filePath("a.pdf")));
        QVERIFY(!QFileInfo::exists(dir->filePath("b.ps")));
        // Only files go; the folder and what was not selected stay.
        QVERIFY(QFileInfo(dir->filePath("sub")).isDir());
        QVERIFY(QFileInfo::exists(dir->filePath("keep.pdf")));
        const QString trash = TestEnvironment::Home() + QStringLiteral("/share/Trash/files/");
        QCOMPARE(QFileInfo(trash + "a.pdf").size(), 123);
        QVERIFY(QFileInfo::exists(trash + "b.ps"));

        // The list follows the folder by itself.
        QTRY_COMPARE(ListedNames(*browser), QStringList({"sub", "keep.pdf"}));
        QCOMPARE(state.SelectedFiles(), Paths(dir->path(), {"sub"}));
        QCOMPARE(state.SelectionOrder, Paths(dir->path(), {"sub"}));
    }

    void showOpensTheSelectedFile()
    {
        auto dir = MakeFolder({"a.pdf", "b.pdf"});
        ProgramState state;
        auto browser = MakeBrowser(state);
        QStringList opened;
        browser->SetFileOpener([&](const QString& file) {
            opened << file;
            return true;
        });
        QVERIFY(browser->BrowseTo(dir->path()));
        browser->ButtonShowPDFClick();
        QVERIFY(opened.isEmpty());

        QVERIFY(ClickRow(*browser, "b.pdf"));
        browser->ButtonShowPDFClick();
        QCOMPARE(opened, Paths(dir->path(), {"b.pdf"}));
    }

    void doubleClickOpensFilesAndEntersFolders_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::newRow("folder") << "sub";
        QTest::newRow("hidden folder") << ".hidden";
        QTest::newRow("folder shortcut") << "link";
    }

    void doubleClickOpensFilesAndEntersFolders()
    {
        QFETCH(QString, folder);
        auto dir = MakeFolder({"a.pdf", "sub/inner.ps", ".hidden/inner.ps", "elsewhere/inner.ps"},
                              {"sub", ".hidden", "elsewhere"});
        QVERIFY(QFile::link(dir->filePath("elsewhere"), dir->filePath("link")));
        ProgramState state;
        auto browser = MakeBrowser(state);
        QStringList opened;
        browser->SetFileOpener([&](const QString& file) {
            opened << file;
            return true;
        });
        QVERIFY(browser->BrowseTo(dir->path()));

        QVERIFY(DoubleClickRow(*browser, "a.pdf"));
        QCOMPARE(opened, Paths(dir->path(), {"a.pdf"}));
        QCOMPARE(browser->CurrentFolder(), dir->path());

        QVERIFY(DoubleClickRow(*browser, folder));
        const QString target = dir->filePath(folder);
        QCOMPARE(opened.size(), 1);
        QCOMPARE(browser->CurrentFolder(), target);
        QVERIFY(browser->TreeView()->isExpanded(TreeIndex(*browser, target)));
        QVERIFY(browser->TreeView()->isExpanded(TreeIndex(*browser, dir->path())));
        QCOMPARE(browser->LabelPath()->text(), QDir::toNativeSeparators(target));
        QCOMPARE(ListedNames(*browser), QStringList{"inner.ps"});
        QVERIFY(state.SelectionOrder.isEmpty());
        QVERIFY(!browser->ButtonDelFileEnabled());
    }

    void clickingAFolderInTheTreeShowsItsFiles()
    {
        auto dir = MakeFolder({"a.pdf", "one/b.ps"}, {"one", "two"});
        ProgramState state;
        auto browser = MakeBrowser(state);
        QSignalSpy folders(browser.get(), &FileBrowser::CurrentFolderChanged);
        QVERIFY(browser->BrowseTo(dir->path()));
        QCOMPARE(folders.last().first().toString(), dir->path());

        QTreeView* tree = browser->TreeView();
        const QModelIndex one = TreeIndex(*browser, dir->filePath("one"));
        QVERIFY(one.isValid());
        tree->scrollTo(one);
        QTRY_VERIFY(!tree->visualRect(one).isEmpty());
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(one).center());
        QCOMPARE(browser->CurrentFolder(), dir->filePath("one"));
        QCOMPARE(browser->LabelPath()->text(), QDir::toNativeSeparators(dir->filePath("one")));
        QCOMPARE(ListedNames(*browser), QStringList{"b.ps"});
    }

    void incrementalSearchComparesTheStartOfTheText_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("search");
        QTest::addColumn<int>("sign");
        QTest::newRow("prefix") << "bravo.pdf" << "br" << 0;
        QTest::newRow("other case") << "Bravo.pdf" << "bRA" << 0;
        QTest::newRow("item before") << "beta.pdf" << "br" << -1;
        QTest::newRow("item after") << "charlie.pdf" << "br" << 1;
    }

    void incrementalSearchComparesTheStartOfTheText()
    {
        QFETCH(QString, item);
        QFETCH(QString, search);
        QFETCH(int, sign);
        const int result = VirtualExplorerListviewIncrementalSearch(item, search);
        QCOMPARE(result < 0 ? -1 : (result > 0 ? 1 : 0), sign);
    }

    void typingInTheListFindsTheItem()
    {
        auto dir = MakeFolder({"alpha.pdf", "beta.pdf", "bravo.pdf", "Charlie.pdf"});
        ProgramState state;
        auto browser = MakeBrowser(state);
        QVERIFY(browser->BrowseTo(dir->path()));
        QTreeView* list = browser->ListView();
        list->setFocus();
        QTest::keyClicks(list, QStringLiteral("br"));
        QCOMPARE(list->currentIndex().siblingAtColumn(0).data().toString(), QStringLiteral("bravo.pdf"));
        QCOMPARE(state.SelectedFiles(), Paths(dir->path(), {"bravo.pdf"}));

        QTest::qWait(QApplication::keyboardInputInterval() + 100);
        QTest::keyClicks(list, QStringLiteral("c"));
        QCOMPARE(state.SelectedFiles(), Paths(dir->path(), {"Charlie.pdf"}));
    }

    void typingInTheTreeFindsTheFolder()
    {
        auto dir = MakeFolder({}, {"one", "other", "two"});
        ProgramState state;
        auto browser = MakeBrowser(state);
        QVERIFY(browser->BrowseTo(dir->path()));
        QTreeView* tree = browser->TreeView();
        QTRY_COMPARE(tree->model()->rowCount(TreeIndex(*browser, dir->path())), 3);
        tree->setFocus();
        QTest::keyClicks(tree, QStringLiteral("ot"));
        QCOMPARE(browser->CurrentFolder(), dir->filePath("other"));
    }

    void refreshReadsTheFolderAgainAndKeepsTheSelection()
    {
        auto dir = MakeFolder({"a.pdf", "c.pdf", "d.pdf", "sub/inner.ps"}, {"sub"});
        ProgramState state;
        auto browser = MakeBrowser(state);
        QVERIFY(browser->BrowseTo(dir->path()));
        QTreeView* tree = browser->TreeView();
        tree->expand(TreeIndex(*browser, dir->filePath("sub")));
        QVERIFY(ClickRow(*browser, "d.pdf"));
        QVERIFY(ClickRow(*browser, "a.pdf", Qt::ControlModifier));
        QVERIFY(ClickRow(*browser, "c.pdf", Qt::ControlModifier));

        // A conversion writes a new file and a file is removed; nothing has
        // had time to notice yet.
        Touch(dir->filePath("b.pdf"));
        QVERIFY(QFile::remove(dir->filePath("c.pdf")));
        QCOMPARE(ListedNames(*browser), QStringList({"sub", "a.pdf", "c.pdf", "d.pdf"}));

        state.RefreshFileList();
        QCOMPARE(ListedNames(*browser), QStringList({"sub", "a.pdf", "b.pdf", "d.pdf"}));
        QCOMPARE(state.SelectedFiles(), Paths(dir->path(), {"a.pdf", "d.pdf"}));
        QCOMPARE(state.SelectionOrder, Paths(dir->path(), {"d.pdf", "a.pdf"}));
        QCOMPARE(browser->CurrentFolder(), dir->path());
        QVERIFY(tree->isExpanded(TreeIndex(*browser, dir->path())));
        QVERIFY(tree->isExpanded(TreeIndex(*browser, dir->filePath("sub"))));
    }

    void listFollowsChangesOnDisk()
    {
        auto dir = MakeFolder({"a.pdf"});
        ProgramState state;
        auto browser = MakeBrowser(state);
        QVERIFY(browser->BrowseTo(dir->path()));
        Touch(dir->filePath("new.ps"));
        QTRY_COMPARE(ListedNames(*browser), QStringList({"a.pdf", "new.ps"}));
    }

    void renameInPlaceNeverReplacesAFile()
    {
        auto dir = MakeFolder({"a.pdf"});
        Touch(dir->filePath("b.pdf"), 5, 'b');
        ProgramState state;
        auto browser = MakeBrowser(state);
        QVERIFY(browser->BrowseTo(dir->path()));
        QAbstractItemModel* model = browser->ListView()->model();

        QVERIFY(!model->setData(ListRow(*browser, "a.pdf"), QStringLiteral("b.pdf")));
        QVERIFY(!model->setData(ListRow(*browser, "a.pdf"), QStringLiteral("../a.pdf")));
        QVERIFY(QFileInfo::exists(dir->filePath("a.pdf")));
        QCOMPARE(QFileInfo(dir->filePath("b.pdf")).size(), 5);

        QVERIFY(ClickRow(*browser, "a.pdf"));
        QTreeView* list = browser->ListView();
        QTest::keyClick(list, Qt::Key_F2);
        QWidget* editor = QApplication::focusWidget();
        QVERIFY(editor && editor != list);
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(editor, QStringLiteral("renamed.pdf"));
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(QFileInfo::exists(dir->filePath("renamed.pdf")));
        QVERIFY(!QFileInfo::exists(dir->filePath("a.pdf")));
        QCOMPARE(ListedNames(*browser), QStringList({"b.pdf", "renamed.pdf"}));
    }

    void droppedFilesAreCopiedIn()
    {
        auto source = MakeFolder({});
        Touch(source->filePath("new.pdf"), 7, 'n');
        Touch(source->filePath("b.pdf"), 9, 'o');
        auto dir = MakeFolder({}, {"sub"});
        Touch(dir->filePath("b.pdf"), 3, 'b');
        ProgramState state;
        auto browser = MakeBrowser(state);
        QVERIFY(browser->BrowseTo(dir->path()));

        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(source->filePath("new.pdf")), QUrl::fromLocalFile(source->filePath("b.pdf"))});
        QAbstractItemModel* model = browser->ListView()->model();
        QVERIFY(model->dropMimeData(&data, Qt::CopyAction, -1, -1, QModelIndex()));
        QCOMPARE(QFileInfo(dir->filePath("new.pdf")).size(), 7);
        QCOMPARE(QFileInfo(dir->filePath("b.pdf")).size(), 3);
        QVERIFY(QFileInfo::exists(source->filePath("new.pdf")));
        QTRY_COMPARE(ListedNames(*browser), QStringList({"sub", "b.pdf", "new.pdf"}));

        QVERIFY(model->dropMimeData(&data, Qt::CopyAction, -1, -1, ListRow(*browser, "sub")));
        QCOMPARE(QFileInfo(dir->filePath("sub/b.pdf")).size(), 9);
    }

    void viewStateRoundTrip()
    {
        auto dir = MakeFolder({"one/two/deep.pdf"}, {"one/two", "other/inner", "gone"});
        QByteArray stream;
        {
            ProgramState state;
            auto browser = MakeBrowser(state);
            QVERIFY(browser->BrowseTo(dir->filePath("one/two")));
            browser->TreeView()->expand(TreeIndex(*browser, dir->filePath("other")));
            browser->TreeView()->expand(TreeIndex(*browser, dir->filePath("gone")));
            stream = browser->SnapshotViewState();
        }
        const std::optional<ViewState> view = ViewState::Parse(stream);
        QVERIFY(view);
        QCOMPARE(view->CurrentFolder, dir->filePath("one/two"));
        QVERIFY(view->ExpandedFolders.contains(dir->filePath("other")));
        QVERIFY(QDir(dir->filePath("gone")).removeRecursively());

        ProgramState state;
        auto browser = MakeBrowser(state);
        QCOMPARE(browser->CurrentFolder(), QDir::homePath());
        QVERIFY(browser->RestoreViewState(stream));
        QCOMPARE(browser->CurrentFolder(), dir->filePath("one/two"));
        QCOMPARE(browser->LabelPath()->text(), QDir::toNativeSeparators(dir->filePath("one/two")));
        QCOMPARE(ListedNames(*browser), QStringList{"deep.pdf"});
        QTreeView* tree = browser->TreeView();
        QVERIFY(tree->isExpanded(TreeIndex(*browser, dir->filePath("other"))));
        QVERIFY(tree->isExpanded(TreeIndex(*browser, dir->filePath("one"))));
        QVERIFY(!tree->isExpanded(TreeIndex(*browser, dir->filePath("other/inner"))));
    }

    void viewStateSurvivesTheSettingsFile()
    {
        // Enough expanded folders with long names to need several chunks.
        QStringList folders;
        for (int i = 0; i < 40; ++i)
            folders << QStringLiteral("folder-with-a-rather-long-name-number-%1").arg(i);
        auto dir = MakeFolder({}, folders);
        SettingsFileName() = TestEnvironment::Home() + QStringLiteral("/browser-settings.ini");
        {
            ProgramState state;
            state.SaveAllowed = true;
            auto browser = MakeBrowser(state);
            QVERIFY(browser->BrowseTo(dir->filePath(folders.last())));
            for (const QString& f : folders)
                browser->TreeView()->expand(TreeIndex(*browser, dir->filePath(f)));
            QVERIFY(browser->SnapshotViewState().size() > 2000);
            SettingsWindow window(state, *browser);
            SaveSettings(window);
        }
        ProgramState state;
        auto browser = MakeBrowser(state);
        SettingsWindow window(state, *browser);
        LoadSettings(window);
        QCOMPARE(browser->CurrentFolder(), dir->filePath(folders.last()));
        for (const QString& f : folders)
            QVERIFY2(browser->TreeView()->isExpanded(TreeIndex(*browser, dir->filePath(f))), qPrintable(f));
        SettingsFileName().clear();
    }

    void damagedViewStateIsIgnored_data()
    {
        QTest::addColumn<QByteArray>("stream");
        ViewState good;
        good.CurrentFolder = QStringLiteral("/");
        good.ExpandedFolders = QStringList{QStringLiteral("/")};
        const QByteArray valid = good.Serialize();
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("text") << QByteArray("hello world, this is no view");
        QTest::newRow("other version") << QByteArray(valid).replace(4, 1, QByteArray(1, char(2)));
        QTest::newRow("trailing byte") << valid + QByteArray(1, 'x');
        QTest::newRow("huge count") << QByteArray(valid).replace(4 + 1 + 4 + 1, 4, QByteArray(4, char(0xff)));
        QTest::newRow("huge length") << QByteArray(valid).replace(4 + 1, 4, QByteArray(4, char(0x7f)));
        QByteArray badText = valid;
        badText[4 + 1 + 4] = char(0xff);
        QTest::newRow("not UTF-8") << badText;
        for (int cut = 1; cut < valid.size(); ++cut)
            QTest::newRow(qPrintable(QStringLiteral("cut at %1").arg(cut))) << valid.left(cut);
    }

    void damagedViewStateIsIgnored()
    {
        QFETCH(QByteArray, stream);
        auto dir = MakeFolder({}, {"here"});
        ProgramState state;
        auto browser = MakeBrowser(state);
        QVERIFY(browser->BrowseTo(dir->filePath("here")));
        QVERIFY(!browser->RestoreViewState(stream));
        QCOMPARE(browser->CurrentFolder(), dir->filePath("here"));
        QVERIFY(browser->TreeView()->isExpanded(TreeIndex(*browser, dir->path())));
    }

    void viewStateWithVanishedFoldersKeepsTheTree()
    {
        auto dir = MakeFolder({}, {"here", "there"});
        ViewState view;
        view.CurrentFolder = dir->filePath("gone");
        view.ExpandedFolders = QStringList{dir->path(), dir->filePath("there"), dir->filePath("gone"),
                                           QStringLiteral("relative/path")};
        ProgramState state;
        auto browser = MakeBrowser(state);
        QVERIFY(browser->BrowseTo(dir->filePath("here")));
        QVERIFY(browser->RestoreViewState(view.Serialize()));
        QCOMPARE(browser->CurrentFolder(), dir->filePath("here"));
        QVERIFY(browser->TreeView()->isExpanded(TreeIndex(*browser, dir->filePath("there"))));
    }

    void folderPaneWidth()
    {
        ProgramState state;
        auto browser = MakeBrowser(state);
        browser->SetLeftWindow(250);
        QCOMPARE(browser->PanelLeft()->width(), 250);
        QCOMPARE(browser->LeftWindow(), 250);
        browser->SetLeftWindow(20);
        QCOMPARE(browser->PanelLeft()->width(), 100);
    }

    void stateForgetsTheBrowserWithIt()
    {
        auto dir = MakeFolder({"a.pdf"});
        ProgramState state;
        {
            auto browser = MakeBrowser(state);
            QVERIFY(browser->BrowseTo(dir->path()));
            QVERIFY(ClickRow(*browser, "a.pdf"));
            QCOMPARE(state.SelectedFiles().size(), 1);
        }
        QVERIFY(state.SelectedFiles().isEmpty());
        state.RefreshFileList();
    }

    void labelPathLeavesWithTheWindowThatHoldsIt()
    {
        ProgramState state;
        QWidget window;
        QPointer<QLabel> label;
        {
            auto browser = MakeBrowser(state);
            label = browser->LabelPath();
            label->setParent(&window);
        }
        QVERIFY(label);
        QVERIFY(!label->text().isEmpty());
    }
};

KALVINORA_TEST_MAIN(TestFileBrowser)
#include "TestFileBrowser.moc"
