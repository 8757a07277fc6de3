#pragma once

#include <QAbstractTableModel>
#include <QDateTime>
#include <QFileIconProvider>
#include <QFileSystemWatcher>
#include <QHash>
#include <QIcon>
#include <QVector>

// The entries of one folder in the columns of a details view: name, size,
// type and date of last change. The folder is read at once when it is set
// and read again on request; a read of the same folder updates the rows in
// place, so selections on the rows that stay survive it. Changes on disk are
// announced through FolderChangedOnDisk so that the owner decides when to
// read again.
class FolderListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { NameColumn = 0, SizeColumn, TypeColumn, ModifiedColumn, ColumnCount };
    enum Role {
        FilePathRole = Qt::UserRole + 1,
        FileNameRole,
        IsFolderRole,
        SortKeyRole,
    };

    explicit FolderListModel(QObject* parent = nullptr);

    // Reads folder; a different folder replaces every row.
    void Fill(const QString& folder);
    QString Folder() const { return m_folder; }
    QString FilePath(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Renaming in place.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // Files dropped onto the list are copied into the folder (or onto the
    // folder row they were dropped on); nothing existing is overwritten.
    QStringList mimeTypes() const override;
    Qt::DropActions supportedDropActions() const override;
    bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                         const QModelIndex& parent) const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;

signals:
    void FolderChangedOnDisk();

private:
    struct Entry {
        QString name;
        bool isFolder = false;
        qint64 size = 0;
        QDateTime modified;
        bool operator==(const Entry&) const = default;
    };
    static QVector<Entry> ReadFolder(const QString& folder);
    QString TypeText(const Entry& entry) const;
    QIcon Icon(const Entry& entry) const;
    QString DropTarget(const QModelIndex& parent) const;

    QString m_folder;
    QVector<Entry> m_entries;
    QFileSystemWatcher m_watcher;
    QFileIconProvider m_iconProvider;
    mutable QHash<QString, QIcon> m_iconCache;
    mutable QHash<QString, QString> m_typeCache;
};
