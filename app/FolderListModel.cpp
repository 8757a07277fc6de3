#include "app/FolderListModel.h"

#include "core/LanguageFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMimeData>
#include <QMimeDatabase>
#include <QSet>
#include <QUrl>

FolderListModel::FolderListModel(QObject* parent) : QAbstractTableModel(parent)
{
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, [this](const QString& path) {
        if (path == m_folder)
            emit FolderChangedOnDisk();
    });
}

QVector<FolderListModel::Entry> FolderListModel::ReadFolder(const QString& folder)
{
    QVector<Entry> entries;
    if (folder.isEmpty())
        return entries;
    const QFileInfoList infos =
        QDir(folder).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::NoSort);
    entries.reserve(infos.size());
    for (const QFileInfo& info : infos) {
        Entry e;
        e.name = info.fileName();
        e.isFolder = info.isDir();
        e.size = e.isFolder ? 0 : info.size();
        e.modified = info.lastModified();
        entries << e;
    }
    return entries;
}

void FolderListModel::Fill(const QString& folder)
{
    QVector<Entry> fresh = ReadFolder(folder);
    if (folder != m_folder) {
        beginResetModel();
        m_folder = folder;
        m_entries = std::move(fresh);
        endResetModel();
        if (!m_watcher.directories().isEmpty())
            m_watcher.removePaths(m_watcher.directories());
        if (!folder.isEmpty() && QFileInfo(folder).isDir())
            m_watcher.addPath(folder);
        return;
    }
    // A folder removed and made again is no longer watched.
    if (!m_watcher.directories().contains(folder) && QFileInfo(folder).isDir())
        m_watcher.addPath(folder);

    QHash<QString, qsizetype> freshRow;
    for (qsizetype i = 0; i < fresh.size(); ++i)
        freshRow.insert(fresh[i].name, i);

    // Rows that went, in runs, from the end so the row numbers stay right.
    for (qsizetype row = m_entries.size() - 1; row >= 0; --row) {
        if (freshRow.contains(m_entries[row].name))
            continue;
        qsizetype first = row;
        while (first > 0 && !freshRow.contains(m_entries[first - 1].name))
            --first;
        beginRemoveRows(QModelIndex(), int(first), int(row));
        m_entries.remove(first, row - first + 1);
        endRemoveRows();
        row = first;
    }

    QSet<QString> known;
    for (qsizetype row = 0; row < m_entries.size(); ++row) {
        known.insert(m_entries[row].name);
        const Entry& now = fresh[freshRow.value(m_entries[row].name)];
        if (!(now == m_entries[row])) {
            m_entries[row] = now;
            emit dataChanged(index(int(row), 0), index(int(row), ColumnCount - 1));
        }
    }

    QVector<Entry> added;
    for (const Entry& e : fresh) {
        if (!known.contains(e.name))
            added << e;
    }
    if (!added.isEmpty()) {
        const int first = int(m_entries.size());
        beginInsertRows(QModelIndex(), first, first + int(added.size()) - 1);
        m_entries += added;
        endInsertRows();
    }
}

QString FolderListModel::FilePath(int row) const
{
    if (row < 0 || row >= m_entries.size())
        return {};
    return QDir(m_folder).filePath(m_entries[row].name);
}

int FolderListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_entries.size());
}

int FolderListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QString FolderListModel::TypeText(const Entry& entry) const
{
    if (entry.isFolder)
        return LangString("Main", "ListTypeFolder", "Dateiordner");
    const QString suffix = QFileInfo(entry.name).suffix().toLower();
    auto it = m_typeCache.constFind(suffix);
    if (it != m_typeCache.constEnd())
        return *it;
    // The name decides, as in a file manager; reading every file's content
    // would make large folders slow.
    const QMimeType type = QMimeDatabase().mimeTypeForFile(entry.name, QMimeDatabase::MatchExtension);
    const QString text = type.comment();
    m_typeCache.insert(suffix, text);
    return text;
}

QIcon FolderListModel::Icon(const Entry& entry) const
{
    if (entry.isFolder)
        return m_iconProvider.icon(QAbstractFileIconProvider::Folder);
    const QString suffix = QFileInfo(entry.name).suffix().toLower();
    auto it = m_iconCache.constFind(suffix);
    if (it != m_iconCache.constEnd())
        return *it;
    const QMimeType type = QMimeDatabase().mimeTypeForFile(entry.name, QMimeDatabase::MatchExtension);
    const QIcon icon = QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName(),
                                                                          m_iconProvider.icon(QAbstractFileIconProvider::File)));
    m_iconCache.insert(suffix, icon);
    return icon;
}

QVariant FolderListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_entries.size())
        return {};
    const Entry& e = m_entries[index.row()];
    switch (role) {
    case FilePathRole:
        return FilePath(index.row());
    case FileNameRole:
        return e.name;
    case IsFolderRole:
        return e.isFolder;
    case Qt::DisplayRole:
    case Qt::EditRole:
        switch (index.column()) {
        case NameColumn:
            return e.name;
        case SizeColumn:
            return e.isFolder ? QString() : QLocale().formattedDataSize(e.size, 1, QLocale::DataSizeTraditionalFormat);
        case TypeColumn:
            return TypeText(e);
        case ModifiedColumn:
            return QLocale().toString(e.modified, QLocale::ShortFormat);
        }
        break;
    case SortKeyRole:
        switch (index.column()) {
        case NameColumn:
            return e.name;
        case SizeColumn:
            return QVariant::fromValue<qlonglong>(e.size);
        case TypeColumn:
            return TypeText(e);
        case ModifiedColumn:
            return e.modified;
        }
        break;
    case Qt::DecorationRole:
        if (index.column() == NameColumn)
            return Icon(e);
        break;
    case Qt::TextAlignmentRole:
        if (index.column() == SizeColumn)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        break;
    }
    return {};
}

QVariant FolderListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::TextAlignmentRole && section == SizeColumn)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    switch (section) {
    case NameColumn:
        return LangString("Main", "ListColName", "Name");
    case SizeColumn:
        return LangString("Main", "ListColSize", "Größe");
    case TypeColumn:
        return LangString("Main", "ListColType", "Typ");
    case ModifiedColumn:
        return LangString("Main", "ListColModified", "Änderungsdatum");
    }
    return {};
}

Qt::ItemFlags FolderListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.column() == NameColumn)
        f |= Qt::ItemIsEditable;
    if (index.row() < m_entries.size() && m_entries[index.row()].isFolder)
        f |= Qt::ItemIsDropEnabled;
    return f;
}

bool FolderListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || index.column() != NameColumn || index.row() >= m_entries.size())
        return false;
    const QString newName = value.toString();
    Entry& e = m_entries[index.row()];
    if (newName == e.name)
        return true;
    if (newName.isEmpty() || newName.contains(QLatin1Char('/')) || newName == QLatin1String(".") ||
        newName == QLatin1String(".."))
        return false;
    QDir folder(m_folder);
    // Renaming never replaces another file.
    if (QFileInfo::exists(folder.filePath(newName)) || QFileInfo(folder.filePath(newName)).isSymLink())
        return false;
    if (!folder.rename(e.name, newName))
        return false;
    const QFileInfo info(folder.filePath(newName));
    e.name = newName;
    e.modified = info.lastModified();
    emit dataChanged(this->index(index.row(), 0), this->index(index.row(), ColumnCount - 1));
    return true;
}

QStringList FolderListModel::mimeTypes() const { return {QStringLiteral("text/uri-list")}; }

Qt::DropActions FolderListModel::supportedDropActions() const { return Qt::CopyAction; }

QString FolderListModel::DropTarget(const QModelIndex& parent) const
{
    if (parent.isValid() && parent.row() < m_entries.size() && m_entries[parent.row()].isFolder)
        return FilePath(parent.row());
    return m_folder;
}

bool FolderListModel::canDropMimeData(const QMimeData* data, Qt::DropAction action, int, int,
                                      const QModelIndex& parent) const
{
    return data && data->hasUrls() && action == Qt::CopyAction && !DropTarget(parent).isEmpty();
}

bool FolderListModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                                   const QModelIndex& parent)
{
    if (!canDropMimeData(data, action, row, column, parent))
        return false;
    const QDir target(DropTarget(parent));
    bool copied = false;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile())
            continue;
        const QFileInfo source(url.toLocalFile());
        if (!source.isFile())
            continue;
        const QString destination = target.filePath(source.fileName());
        if (QFileInfo::exists(destination) || QFileInfo(destination).isSymLink())
            continue;
        if (QFile::copy(source.absoluteFilePath(), destination))
            copied = true;
    }
    if (copied)
        emit FolderChangedOnDisk();
    return copied;
}
