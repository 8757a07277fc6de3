#pragma once

#include "core/LanguageFile.h"

#include <QDialog>
#include <QList>
#include <QString>

class QListWidget;
class QPushButton;

// The language choice of the very first start: every language file in the
// program's folder, listed under its language name. Nothing is selected at
// first; closing the form counts the same as its OK button.
class TFormSelectLang : public QDialog {
    Q_OBJECT
public:
    // Lists the language files of folder (with trailing delimiter).
    explicit TFormSelectLang(const QString& folder, QWidget* parent = nullptr);

    // The file name of the selected entry, or empty text when none is selected.
    QString SelectedFileName() const;

    QListWidget* ListBoxLng;
    QPushButton* ButtonOK;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QList<LanguageChoice> m_files;
};
