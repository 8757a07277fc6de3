#pragma once

#include <QElapsedTimer>
#include <QTreeView>

// The comparison of incremental search: the first n characters of the item's
// text and of the typed text, letter case ignored, n being the length of the
// shorter one. 0 means the item matches; otherwise negative or positive as
// for an ordinary text comparison.
int VirtualExplorerListviewIncrementalSearch(const QString& itemText, const QString& searchText);

// A tree view whose incremental search (typing while it has the focus) walks
// the visible items with the comparison above, in the column that has the
// focus. The folder tree and the file list both use it.
class ExplorerView : public QTreeView {
    Q_OBJECT
public:
    explicit ExplorerView(QWidget* parent = nullptr);

    void keyboardSearch(const QString& search) override;

private:
    QModelIndex NextVisible(const QModelIndex& index) const;

    QString m_searchText;
    QElapsedTimer m_searchClock;
};
