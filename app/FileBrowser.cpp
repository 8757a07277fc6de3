#include "app/FileBrowser.h"

#include "app/ExplorerView.h"
#include "app/FileListFilter.h"
#include "app/FileSelection.h"
#include "app/FolderListModel.h"
#include "app/ViewState.h"
#include "core/LanguageFile.h"
#include "core/Tools.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QSplitter>

#include <algorithm>

namespace {

// Folder changes on disk come in bursts (a conversion writes several files);
// the list is read once after the burst.
constexpr int kRefillDelayMs = 150;
constexpr int kMinimumPaneWidth = 100;
constexpr int kScrollSettleMs = 30;
constexpr int kScrollFollowMs = 3000;

}  // namespace

FileBrowser::FileBrowser(ProgramState& state, QWidget* parent)
    : QWidget(parent),
      m_state(state),
      m_messageDialog(&MessageDlg),
      m_openFile([](const QString& file) { return ShellExecuteFile(file); })
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_splitter->setObjectName(QStringLiteral("Splitter1"));
    m_splitter->setChildrenCollapsible(false);
    layout->addWidget(m_splitter);

    m_panelLeft = new QWidget(m_splitter);
    m_panelLeft->setObjectName(QStringLiteral("PanelLeft"));
    m_panelLeft->setMinimumWidth(kMinimumPaneWidth);
    auto* leftLayout = new QHBoxLayout(m_panelLeft);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    m_panelRight = new QWidget(m_splitter);
    m_panelRight->setObjectName(QStringLiteral("PanelRight"));
    m_panelRight->setMinimumWidth(kMinimumPaneWidth);
    auto* rightLayout = new QHBoxLayout(m_panelRight);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);

    m_labelPath = new QLabel;
    m_labelPath->setObjectName(QStringLiteral("LabelPath"));
    m_labelPath->setTextFormat(Qt::PlainText);

    // Folder tree: the whole file system, folders only, read lazily and
    // watched for changes.
    m_treeModel = new QFileSystemModel(this);
    m_treeModel->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    m_treeModel->setReadOnly(false);
    m_treeModel->setRootPath(QDir::rootPath());
    m_tree = new ExplorerView(m_panelLeft);
    m_tree->setObjectName(QStringLiteral("VirtualExplorerTreeview"));
    m_tree->setModel(m_treeModel);
    for (int column = 1; column < m_treeModel->columnCount(); ++column)
        m_tree->hideColumn(column);
    m_tree->setHeaderHidden(true);
    m_tree->setSortingEnabled(true);
    m_tree->sortByColumn(0, Qt::AscendingOrder);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tree->setEditTriggers(QAbstractItemView::EditKeyPressed);
    m_tree->setDragDropMode(QAbstractItemView::DropOnly);
    m_tree->setDefaultDropAction(Qt::CopyAction);
    m_tree->setAcceptDrops(true);
    leftLayout->addWidget(m_tree);

    // File list: the entries of the tree's folder that the program can
    // convert or show, in a details view.
    m_listModel = new FolderListModel(this);
    m_listFilter = new FileListFilter(this);
    m_listFilter->setSourceModel(m_listModel);
    m_list = new ExplorerView(m_panelRight);
    m_list->setObjectName(QStringLiteral("VirtualExplorerListview"));
    m_list->setModel(m_listFilter);
    m_list->setRootIsDecorated(false);
    m_list->setItemsExpandable(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setEditTriggers(QAbstractItemView::EditKeyPressed);
    m_list->setDragDropMode(QAbstractItemView::DropOnly);
    m_list->setDefaultDropAction(Qt::CopyAction);
    m_list->setAcceptDrops(true);
    m_list->setSortingEnabled(true);
    m_list->sortByColumn(FolderListModel::NameColumn, Qt::AscendingOrder);
    QHeaderView* header = m_list->header();
    header->setSectionsMovable(true);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setStretchLastSection(false);
    header->setSortIndicatorShown(true);
    header->resizeSection(FolderListModel::NameColumn, 220);
    header->resizeSection(FolderListModel::SizeColumn, 90);
    header->resizeSection(FolderListModel::TypeColumn, 140);
    header->resizeSection(FolderListModel::ModifiedColumn, 140);
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(header, &QWidget::customContextMenuRequested, this, &FileBrowser::ShowColumnMenu);
    rightLayout->addWidget(m_list);

    m_refillTimer.setSingleShot(true);
    m_refillTimer.setInterval(kRefillDelayMs);
    connect(&m_refillTimer, &QTimer::timeout, this, [this] { FillList(m_listModel->Folder()); });
    connect(m_listModel, &FolderListModel::FolderChangedOnDisk, &m_refillTimer, qOverload<>(&QTimer::start));

    // The folders above a revealed folder are listed in the background; as
    // their entries arrive the folder moves down and is brought into view
    // again, for a moment or until the user takes over the tree.
    m_scrollTimer.setSingleShot(true);
    m_scrollTimer.setInterval(kScrollSettleMs);
    connect(&m_scrollTimer, &QTimer::timeout, this, [this] {
        if (m_scrollPending && m_scrollClock.elapsed() < kScrollFollowMs)
            m_tree->scrollTo(m_tree->currentIndex(), QAbstractItemView::PositionAtCenter);
    });
    const auto followReveal = [this] {
        if (m_scrollPending && m_scrollClock.elapsed() < kScrollFollowMs)
            m_scrollTimer.start();
    };
    connect(m_treeModel, &QAbstractItemModel::rowsInserted, this, followReveal);
    connect(m_treeModel, &QAbstractItemModel::layoutChanged, this, followReveal);
    m_tree->viewport()->installEventFilter(this);
    m_tree->verticalScrollBar()->installEventFilter(this);
    m_tree->installEventFilter(this);
    connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &FileBrowser::VirtualExplorerTreeviewChange);
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &FileBrowser::VirtualExplorerListviewChange);
    // A reset of the list (another folder) empties the selection without a
    // selection signal.
    connect(m_listFilter, &QAbstractItemModel::modelReset, this, &FileBrowser::VirtualExplorerListviewChange);
    connect(m_list, &QAbstractItemView::activated, this, &FileBrowser::VirtualExplorerListviewDblClick);

    m_splitter->setSizes({m_leftWindow, 400});

    m_state.SelectedFilesHook = [this] { return SelectedFiles(); };
    m_state.RefreshFileListHook = [this] { RefreshFileList(); };

    BrowseTo(QDir::homePath());
}

FileBrowser::~FileBrowser()
{
    m_state.SelectedFilesHook = nullptr;
    m_state.RefreshFileListHook = nullptr;
    // The label is the window's once it sits in the window's layout.
    if (m_labelPath && !m_labelPath->parent())
        delete m_labelPath;
}

bool FileBrowser::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::Wheel:
    case QEvent::KeyPress:
        m_scrollPending = false;
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

QTreeView* FileBrowser::TreeView() const { return m_tree; }

QTreeView* FileBrowser::ListView() const { return m_list; }

QString FileBrowser::CurrentFolder() const
{
    const QModelIndex current = m_tree->currentIndex();
    return current.isValid() ? m_treeModel->filePath(current) : QString();
}

bool FileBrowser::Reveal(const QString& folder, bool collapseFirst)
{
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return false;
    const QModelIndex index = m_treeModel->index(QDir::cleanPath(QDir(folder).absolutePath()));
    if (!index.isValid())
        return false;
    if (collapseFirst)
        m_tree->collapseAll();
    for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent())
        m_tree->expand(parent);
    m_tree->setCurrentIndex(index);
    m_tree->expand(index);
    m_tree->scrollTo(index, QAbstractItemView::PositionAtCenter);
    m_scrollPending = true;
    m_scrollClock.start();
    return true;
}

bool FileBrowser::BrowseTo(const QString& folder) { return Reveal(folder, true); }

void FileBrowser::VirtualExplorerTreeviewChange()
{
    const QModelIndex current = m_tree->currentIndex();
    if (!current.isValid())
        return;
    const QString folder = m_treeModel->filePath(current);
    m_labelPath->setText(QDir::toNativeSeparators(folder));
    FillList(folder);
    emit CurrentFolderChanged(folder);
}

void FileBrowser::FillList(const QString& folder)
{
    m_listFilter->SetWordGeneration(RegisteredWordGeneration());
    m_listModel->Fill(folder);
}

void FileBrowser::VirtualExplorerListviewDblClick(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    const QString path = index.data(FolderListModel::FilePathRole).toString();
    if (index.data(FolderListModel::IsFolderRole).toBool())
        BrowseTo(path);
    else
        m_openFile(path);
}

QStringList FileBrowser::SelectedFiles() const
{
    QModelIndexList rows;
    for (const QModelIndex& index : m_list->selectionModel()->selectedIndexes()) {
        if (index.column() == FolderListModel::NameColumn)
            rows << index;
    }
    std::sort(rows.begin(), rows.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    QStringList files;
    for (const QModelIndex& index : rows)
        files << index.data(FolderListModel::FilePathRole).toString();
    return files;
}

void FileBrowser::VirtualExplorerListviewChange()
{
    const QStringList selected = SelectedFiles();
    m_delFileEnabled = !selected.isEmpty();
    emit ButtonDelFileEnabledChanged(m_delFileEnabled);
    m_showPDFEnabled = CanShowSelection(selected);
    emit ButtonShowPDFEnabledChanged(m_showPDFEnabled);
    UpdateSelectionOrder(m_state.SelectionOrder, selected);
    m_connectHint = CombineHint(m_connectCaption, m_state.SelectionOrder);
    emit ImageConnectHintChanged(m_connectHint);
}

void FileBrowser::SetConnectCaption(const QString& caption)
{
    m_connectCaption = caption;
    m_connectHint = CombineHint(m_connectCaption, m_state.SelectionOrder);
    emit ImageConnectHintChanged(m_connectHint);
}

void FileBrowser::RefreshFileList()
{
    m_refillTimer.stop();
    FillList(m_listModel->Folder());
}

void FileBrowser::ButtonDelFileClick()
{
    const int answer = m_messageDialog(
        QString(), LangString("Main", "ConfirmDel", "Sollen die ausgewählten Dateien wirklich gelöscht werden?"),
        mtConfirmation, MsgButtons({mbYes, mbNo}), 0);
    if (answer != mrYes)
        return;
    // The list follows through the folder's change notification.
    ShellDeleteFiles(this, SelectedFiles(), dfSilent | dfAllowUndo | dfFilesOnly);
}

void FileBrowser::ButtonShowPDFClick()
{
    const QStringList selected = SelectedFiles();
    // Without a selection there is nothing to open (the button is disabled
    // then anyway); an empty name would only start the desktop's opener for
    // nothing.
    if (selected.isEmpty())
        return;
    m_openFile(selected.first());
}

void FileBrowser::ShowColumnMenu(const QPoint& position)
{
    QHeaderView* header = m_list->header();
    QMenu menu(this);
    for (int column = 0; column < FolderListModel::ColumnCount; ++column) {
        QAction* action = menu.addAction(m_listModel->headerData(column, Qt::Horizontal).toString());
        action->setCheckable(true);
        action->setChecked(!header->isSectionHidden(column));
        // The name column always stays: it is what the user selects.
        action->setEnabled(column != FolderListModel::NameColumn);
        connect(action, &QAction::toggled, this, [header, column](bool shown) { header->setSectionHidden(column, !shown); });
    }
    menu.exec(header->mapToGlobal(position));
}

void FileBrowser::CollectExpanded(const QModelIndex& parent, QStringList& folders) const
{
    const int rows = m_treeModel->rowCount(parent);
    for (int row = 0; row < rows; ++row) {
        const QModelIndex index = m_treeModel->index(row, 0, parent);
        if (!m_tree->isExpanded(index))
            continue;
        folders << m_treeModel->filePath(index);
        CollectExpanded(index, folders);
    }
}

QByteArray FileBrowser::SnapshotViewState() const
{
    ViewState view;
    view.CurrentFolder = CurrentFolder();
    CollectExpanded(QModelIndex(), view.ExpandedFolders);
    return view.Serialize();
}

bool FileBrowser::RestoreViewState(const QByteArray& stream)
{
    const std::optional<ViewState> view = ViewState::Parse(stream);
    if (!view)
        return false;
    m_tree->collapseAll();
    // Folders that are gone since the view was saved are passed over.
    for (const QString& folder : view->ExpandedFolders) {
        if (!QDir::isAbsolutePath(folder) || !QFileInfo(folder).isDir())
            continue;
        const QModelIndex index = m_treeModel->index(QDir::cleanPath(folder));
        if (index.isValid())
            m_tree->expand(index);
    }
    if (QDir::isAbsolutePath(view->CurrentFolder))
        Reveal(view->CurrentFolder, false);
    if (!m_tree->currentIndex().isValid())
        Reveal(QDir::homePath(), false);
    return true;
}

int FileBrowser::LeftWindow() const
{
    return m_panelLeft->isVisible() ? m_panelLeft->width() : m_leftWindow;
}

void FileBrowser::SetLeftWindow(int width)
{
    m_leftWindow = std::max(width, kMinimumPaneWidth);
    const QList<int> sizes = m_splitter->sizes();
    const int total = sizes.size() == 2 && sizes[0] + sizes[1] > 0 ? sizes[0] + sizes[1] : m_leftWindow + 400;
    m_splitter->setSizes({m_leftWindow, std::max(total - m_leftWindow, kMinimumPaneWidth)});
}
