#include "dialogs/TFormSelectLang.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kClientWidth = 320;
constexpr int kClientHeight = 261;
constexpr int kRowHeight = 16;

}  // namespace

TFormSelectLang::TFormSelectLang(const QString& folder, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FormSelectLang"));
    // In every language it may be read in: it is shown before any is chosen.
    setWindowTitle(QStringLiteral("Sprache / Language / Lingua / Taal"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    ListBoxLng = new QListWidget(this);
    ListBoxLng->setObjectName(QStringLiteral("ListBoxLng"));
    ListBoxLng->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBoxLng->setUniformItemSizes(true);

    ButtonOK = new QPushButton(QStringLiteral("OK"), this);
    ButtonOK->setObjectName(QStringLiteral("ButtonOK"));
    ButtonOK->setDefault(true);
    connect(ButtonOK, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ButtonOK);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ListBoxLng);
    layout->addLayout(buttons);
    setFixedSize(kClientWidth, kClientHeight);

    m_files = FindLanguageFiles(folder);
    // A row is 16 pixels high unless the font needs more.
    const int rowHeight = std::max(kRowHeight, ListBoxLng->fontMetrics().height() + 2);
    for (const LanguageChoice& choice : std::as_const(m_files)) {
        auto* item = new QListWidgetItem(choice.languageName, ListBoxLng);
        item->setTextAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
        item->setSizeHint(QSize(0, rowHeight));
    }
    // A double click chooses the entry and closes the form at once.
    connect(ListBoxLng, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    ListBoxLng->setCurrentRow(-1);
    ListBoxLng->clearSelection();
    ButtonOK->setFocus();
}

QString TFormSelectLang::SelectedFileName() const
{
    const QList<QListWidgetItem*> selected = ListBoxLng->selectedItems();
    if (selected.isEmpty())
        return {};
    const int row = ListBoxLng->row(selected.first());
    return (row >= 0 && row < m_files.size()) ? m_files.at(row).fileName : QString();
}

void TFormSelectLang::closeEvent(QCloseEvent* event)
{
    // The close button chooses what is selected, like OK.
    event->accept();
    accept();
}
