#pragma once

#include <QString>
#include <QStringList>

// What a selection in the file list means for the buttons and for the order
// in which files are combined.

// True when the selection may be shown: exactly one file of a kind that
// opens in a viewer or in its office program.
bool CanShowSelection(const QStringList& selectedFiles);

// Brings the selection order up to date with the selected files: entries no
// longer selected go, newly selected ones are appended in list order. Both
// membership tests ignore letter case.
void UpdateSelectionOrder(QStringList& selectionOrder, const QStringList& selectedFiles);

// The hint over the combine image: caption, then every file in the order in
// which it will be combined, one per line. The paths are escaped, since a file
// name may hold characters that rich text would take as markup.
QString CombineHint(const QString& caption, const QStringList& selectionOrder);
