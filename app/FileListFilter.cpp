#include "app/FileListFilter.h"

#include "app/FolderListModel.h"
#include "support/OfficeDetection.h"

#include <QDateTime>
#include <QFileInfo>
#include <QSet>

int RegisteredWordGeneration()
{
    // A version text that is no number names no Word the program knows; the
    // list then simply shows no Word documents instead of failing to fill.
    try {
        return GetOfficeVersion(QStringLiteral("Word"));
    } catch (const std::exception&) {
        return 6;
    }
}

bool VirtualExplorerListviewEnumFolder(const QString& name, bool isFolder, int wordGeneration)
{
    // Everything the conversion run takes (PostScript, pictures), plus what
    // the list offers to show or open (PDF, TIFF, PCX, shortcuts).
    static const QSet<QString> alwaysShown{
        QStringLiteral(".pdf"), QStringLiteral(".lnk"),  QStringLiteral(".ps"),   QStringLiteral(".prn"),
        QStringLiteral(".jpg"), QStringLiteral(".jpeg"), QStringLiteral(".bmp"),  QStringLiteral(".png"),
        QStringLiteral(".gif"), QStringLiteral(".tif"),  QStringLiteral(".tiff"), QStringLiteral(".pcx"),
    };
    static const QSet<QString> wordDocuments{
        QStringLiteral(".doc"),  QStringLiteral(".dot"),  QStringLiteral(".rtf"),  QStringLiteral(".docx"),
        QStringLiteral(".docm"), QStringLiteral(".dotx"), QStringLiteral(".dotm"),
    };
    const QString suffix = QFileInfo(name).suffix();
    const QString ext = suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix.toLower();
    if (alwaysShown.contains(ext))
        return true;
    if (wordGeneration >= 1 && wordGeneration <= 5 && wordDocuments.contains(ext))
        return true;
    return isFolder && ext != QLatin1String(".zip");
}

FileListFilter::FileListFilter(QObject* parent) : QSortFilterProxyModel(parent)
{
    m_collator.setNumericMode(true);
    m_collator.setCaseSensitivity(Qt::CaseInsensitive);
    setSortRole(FolderListModel::SortKeyRole);
    setDynamicSortFilter(true);
}

void FileListFilter::SetWordGeneration(int generation)
{
    if (generation == m_wordGeneration)
        return;
    m_wordGeneration = generation;
    invalidateFilter();
}

bool FileListFilter::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const
{
    const QModelIndex index = sourceModel()->index(sourceRow, 0, sourceParent);
    return VirtualExplorerListviewEnumFolder(index.data(FolderListModel::FileNameRole).toString(),
                                             index.data(FolderListModel::IsFolderRole).toBool(), m_wordGeneration);
}

bool FileListFilter::lessThan(const QModelIndex& left, const QModelIndex& right) const
{
    const bool leftFolder = left.data(FolderListModel::IsFolderRole).toBool();
    const bool rightFolder = right.data(FolderListModel::IsFolderRole).toBool();
    if (leftFolder != rightFolder)
        return leftFolder;
    const QVariant a = left.data(FolderListModel::SortKeyRole);
    const QVariant b = right.data(FolderListModel::SortKeyRole);
    int order = 0;
    if (a.typeId() == QMetaType::LongLong)
        order = a.toLongLong() < b.toLongLong() ? -1 : (a.toLongLong() > b.toLongLong() ? 1 : 0);
    else if (a.typeId() == QMetaType::QDateTime)
        order = a.toDateTime() < b.toDateTime() ? -1 : (a.toDateTime() > b.toDateTime() ? 1 : 0);
    else
        order = m_collator.compare(a.toString(), b.toString());
    if (order != 0)
        return order < 0;
    // Equal keys keep a stable, name-based order.
    return m_collator.compare(left.data(FolderListModel::FileNameRole).toString(),
                              right.data(FolderListModel::FileNameRole).toString()) < 0;
}
