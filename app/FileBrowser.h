#pragma once

#include "core/MessageDlg.h"
#include "core/ProgramState.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>

class ExplorerView;
class FileListFilter;
class FolderListModel;
class QFileSystemModel;
class QModelIndex;
class QSplitter;
class QTreeView;

// The explorer-style browser of the main window: the folder tree on the left
// (PanelLeft, VirtualExplorerTreeview) bound to the file list on the right
// (PanelRight, VirtualExplorerListview). Selecting a folder in the tree shows
// its convertible files in the list; opening a folder in the list selects it
// in the tree. The browser answers the program state's SelectedFiles and
// RefreshFileList for as long as it lives, and keeps SelectionOrder.
//
// The delete and show buttons and the combine image belong to the window;
// the browser reports their state through the signals below.
class FileBrowser : public QWidget {
    Q_OBJECT
public:
    // How the browser asks the user (the message dialog's signature) and how
    // it opens a file with its program; tests replace both.
    using MessageDialog =
        std::function<int(const QString& title, const QString& message, TMsgDlgType type, TMsgDlgButtons buttons,
                          int helpContext)>;
    using FileOpener = std::function<bool(const QString& file)>;

    explicit FileBrowser(ProgramState& state, QWidget* parent = nullptr);
    ~FileBrowser() override;

    QTreeView* TreeView() const;
    QTreeView* ListView() const;
    QWidget* PanelLeft() const { return m_panelLeft; }
    QWidget* PanelRight() const { return m_panelRight; }
    QSplitter* Splitter() const { return m_splitter; }
    // The label showing the current folder. It belongs in the window's input
    // row: the window puts it into its layout, which makes it the owner.
    QLabel* LabelPath() const { return m_labelPath; }

    // The folder selected in the tree (the one the list shows).
    QString CurrentFolder() const;
    // Selects folder in the tree and expands it, collapsing the rest first.
    bool BrowseTo(const QString& folder);

    // Full paths of the selected items in the list's order, top to bottom.
    QStringList SelectedFiles() const;
    // Reads the shown folder again; selection and expanded folders stay.
    void RefreshFileList();

    void ButtonDelFileClick();
    void ButtonShowPDFClick();

    bool ButtonDelFileEnabled() const { return m_delFileEnabled; }
    bool ButtonShowPDFEnabled() const { return m_showPDFEnabled; }
    QString ImageConnectHint() const { return m_connectHint; }
    // The caption of the combine menu entry, which heads the combine hint.
    void SetConnectCaption(const QString& caption);

    // The tree's view data for the settings file, and back. Data that cannot
    // be read leaves the tree as it is; the result tells whether it was used.
    QByteArray SnapshotViewState() const;
    bool RestoreViewState(const QByteArray& stream);

    // Width of the folder pane.
    int LeftWindow() const;
    void SetLeftWindow(int width);

    void SetMessageDialog(MessageDialog dialog) { m_messageDialog = std::move(dialog); }
    void SetFileOpener(FileOpener opener) { m_openFile = std::move(opener); }

signals:
    void ButtonDelFileEnabledChanged(bool enabled);
    void ButtonShowPDFEnabledChanged(bool enabled);
    void ImageConnectHintChanged(const QString& hint);
    void CurrentFolderChanged(const QString& folder);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void VirtualExplorerListviewChange();
    void VirtualExplorerTreeviewChange();
    void VirtualExplorerListviewDblClick(const QModelIndex& index);
    void FillList(const QString& folder);
    void ShowColumnMenu(const QPoint& position);
    void CollectExpanded(const QModelIndex& parent, QStringList& folders) const;
    bool Reveal(const QString& folder, bool collapseFirst);

    ProgramState& m_state;
    QSplitter* m_splitter = nullptr;
    QWidget* m_panelLeft = nullptr;
    QWidget* m_panelRight = nullptr;
    ExplorerView* m_tree = nullptr;
    ExplorerView* m_list = nullptr;
    QPointer<QLabel> m_labelPath;
    QFileSystemModel* m_treeModel = nullptr;
    FolderListModel* m_listModel = nullptr;
    FileListFilter* m_listFilter = nullptr;
    QTimer m_refillTimer;
    QTimer m_scrollTimer;
    QElapsedTimer m_scrollClock;
    bool m_scrollPending = false;

    bool m_delFileEnabled = false;
    bool m_showPDFEnabled = false;
    QString m_connectCaption;
    QString m_connectHint;
    int m_leftWindow = 180;

    MessageDialog m_messageDialog;
    FileOpener m_openFile;
};
