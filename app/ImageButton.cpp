#include "app/ImageButton.h"

#include <QEvent>
#include <QLabel>
#include <QRegularExpression>
#include <QVBoxLayout>

ImageButton::ImageButton(const QIcon& icon, QWidget* parent) : QPushButton(parent), m_icon(icon)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 3, 2, 3);
    layout->setSpacing(1);
    m_picture = new QLabel(this);
    m_picture->setAlignment(Qt::AlignCenter);
    m_picture->setPixmap(icon.pixmap(20, 20));
    m_caption = new QLabel(this);
    m_caption->setAlignment(Qt::AlignCenter);
    m_caption->setTextFormat(Qt::RichText);
    m_caption->setWordWrap(true);
    for (QLabel* l : {m_picture, m_caption})
        l->setAttribute(Qt::WA_TransparentForMouseEvents);
    layout->addWidget(m_picture);
    layout->addWidget(m_caption);
}

void ImageButton::SetHtmlCaption(const QString& html)
{
    m_caption->setText(html);
    // The plain text serves accessibility and keyboard mnemonics.
    QString plain = html;
    plain.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
    setAccessibleName(plain);
}

QString ImageButton::HtmlCaption() const { return m_caption->text(); }

void ImageButton::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange)
        m_picture->setPixmap(m_icon.pixmap(20, 20, isEnabled() ? QIcon::Normal : QIcon::Disabled));
    QPushButton::changeEvent(event);
}
