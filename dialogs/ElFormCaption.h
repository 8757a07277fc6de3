#pragma once

#include <QObject>
#include <QString>

class QWidget;

// The caption component of a form: it owns the form's translated caption
// and shows it as the window title. Forms look for it by its object name
// "ElFormCaption"; AdjustFormCaption removes it when the language file is
// not a Unicode file, and the form then sets its ordinary caption itself.
class ElFormCaption : public QObject {
    Q_OBJECT
public:
    explicit ElFormCaption(QWidget* form);

    // The first caption text.
    QString Caption() const { return m_caption; }
    void SetCaption(const QString& caption);

private:
    QWidget* m_form;
    QString m_caption;
};

// Removes the form's "ElFormCaption" component unless the active language
// file is a Unicode file (a file that cannot be read counts as one).
void AdjustFormCaption(QWidget* form);

// The form's caption component, or nullptr when it has none.
ElFormCaption* FindFormCaption(QWidget* form);

// Puts caption into the form's caption component when it has one, otherwise
// into its ordinary window caption.
void SetFormCaption(QWidget* form, const QString& caption);
