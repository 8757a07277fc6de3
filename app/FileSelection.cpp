#include "app/FileSelection.h"

#include <QFileInfo>
#include <QSet>

namespace {

QString UpperExtension(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix();
    return suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix.toUpper();
}

bool IsViewable(const QString& path)
{
    // Documents, sheets and slides open in their office program; PDF, TIFF
    // and the pictures the list shows open in a viewer.
    static const QSet<QString> viewable{
        QStringLiteral(".PDF"),  QStringLiteral(".RTF"),  QStringLiteral(".TIF"),  QStringLiteral(".TIFF"),
        QStringLiteral(".DOC"),  QStringLiteral(".DOCX"), QStringLiteral(".DOCM"), QStringLiteral(".DOT"),
        QStringLiteral(".DOTX"), QStringLiteral(".DOTM"), QStringLiteral(".XLS"),  QStringLiteral(".XLSX"),
        QStringLiteral(".XLSM"), QStringLiteral(".XLSB"), QStringLiteral(".PPT"),  QStringLiteral(".PPTX"),
        QStringLiteral(".PPTM"), QStringLiteral(".PPS"),  QStringLiteral(".PPSX"), QStringLiteral(".PPSM"),
        QStringLiteral(".BMP"),  QStringLiteral(".JPEG"), QStringLiteral(".JPG"),  QStringLiteral(".PNG"),
        QStringLiteral(".GIF"),
    };
    return viewable.contains(UpperExtension(path));
}

bool ContainsIgnoringCase(const QStringList& list, const QString& entry)
{
    return list.contains(entry, Qt::CaseInsensitive);
}

}  // namespace

bool CanShowSelection(const QStringList& selectedFiles)
{
    return selectedFiles.size() == 1 && IsViewable(selectedFiles.first());
}

void UpdateSelectionOrder(QStringList& selectionOrder, const QStringList& selectedFiles)
{
    if (selectedFiles.isEmpty()) {
        selectionOrder.clear();
        return;
    }
    for (qsizetype i = selectionOrder.size() - 1; i >= 0; --i) {
        if (!ContainsIgnoringCase(selectedFiles, selectionOrder[i]))
            selectionOrder.removeAt(i);
    }
    for (const QString& file : selectedFiles) {
        if (!ContainsIgnoringCase(selectionOrder, file))
            selectionOrder << file;
    }
}

QString CombineHint(const QString& caption, const QStringList& selectionOrder)
{
    QString hint = QStringLiteral("<html>") + caption + QStringLiteral(":<br>");
    for (const QString& file : selectionOrder)
        hint += QStringLiteral("<br>") + file.toHtmlEscaped();
    return hint + QStringLiteral("</html>");
}
