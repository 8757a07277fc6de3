#include "app/ExplorerView.h"

#include <QApplication>

int VirtualExplorerListviewIncrementalSearch(const QString& itemText, const QString& searchText)
{
    const qsizetype n = std::min(itemText.size(), searchText.size());
    return QString::compare(itemText.left(n), searchText.left(n), Qt::CaseInsensitive);
}

ExplorerView::ExplorerView(QWidget* parent) : QTreeView(parent) {}

QModelIndex ExplorerView::NextVisible(const QModelIndex& index) const
{
    const QModelIndex below = indexBelow(index);
    return below.isValid() ? below : model()->index(0, 0, rootIndex());
}

void ExplorerView::keyboardSearch(const QString& search)
{
    if (!model() || search.isEmpty())
        return;
    // Keys typed in quick succession extend the search text; after a pause
    // a new search starts with the item after the current one, so that
    // pressing one letter again steps through the items beginning with it.
    const bool fresh = !m_searchClock.isValid() || m_searchClock.elapsed() > QApplication::keyboardInputInterval();
    if (fresh)
        m_searchText.clear();
    m_searchText += search;
    m_searchClock.start();

    const QModelIndex first = model()->index(0, 0, rootIndex());
    if (!first.isValid())
        return;
    const QModelIndex current = currentIndex();
    const int column = current.isValid() ? current.column() : 0;
    QModelIndex start = current.isValid() ? current.siblingAtColumn(0) : first;
    if (fresh && current.isValid())
        start = NextVisible(start);

    QModelIndex candidate = start;
    do {
        const QString text = candidate.siblingAtColumn(column).data(Qt::DisplayRole).toString();
        if (VirtualExplorerListviewIncrementalSearch(text, m_searchText) == 0) {
            const auto flags = selectionMode() == QAbstractItemView::NoSelection
                                   ? QItemSelectionModel::NoUpdate
                                   : QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows;
            selectionModel()->setCurrentIndex(candidate, flags);
            scrollTo(candidate);
            return;
        }
        candidate = NextVisible(candidate);
    } while (candidate.isValid() && candidate != start);
}
