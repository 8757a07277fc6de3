#pragma once

#include <QCollator>
#include <QSortFilterProxyModel>

// The installed Word generation as the registry tells it: 0 Word 95, 1 Word 97,
// 2 Word 2000, 3 Word XP, 4 Word 2003, 5 Word 2007, 6 another version number,
// 7 none registered. Read from "Word.Application\CurVer" under
// HKEY_CLASSES_ROOT each time it is called.
int RegisteredWordGeneration();

// Whether the file list shows an item: the files a conversion run accepts,
// the files the program can show, and folders (archives the desktop may
// present as folders excepted). Word documents only while an office
// application is registered (generation 1 to 5).
bool VirtualExplorerListviewEnumFolder(const QString& name, bool isFolder, int wordGeneration);

// Sits between the folder's entries and the file list: hides what the list
// does not show and sorts with folders first. The Word generation is handed
// in once per fill of the list, so large folders do not ask the registry
// for every item.
class FileListFilter : public QSortFilterProxyModel {
    Q_OBJECT
public:
    explicit FileListFilter(QObject* parent = nullptr);

    // Re-filters the list when the generation changed.
    void SetWordGeneration(int generation);
    int WordGeneration() const { return m_wordGeneration; }

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

private:
    int m_wordGeneration = 7;
    QCollator m_collator;
};
