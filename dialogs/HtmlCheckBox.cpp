#include "dialogs/HtmlCheckBox.h"

#include <QAbstractTextDocumentLayout>
#include <QEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>

#include <algorithm>
#include <cmath>

HtmlCheckBox::HtmlCheckBox(QWidget* parent) : QCheckBox(parent)
{
    m_document.setDocumentMargin(0);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void HtmlCheckBox::SetHtmlCaption(const QString& html)
{
    m_html = html;
    // The plain text keeps the box accessible and searchable by its caption;
    // it is never painted.
    setAccessibleName(PlainCaption());
    UpdateDocument();
}

QString HtmlCheckBox::PlainCaption() const
{
    QTextDocument doc;
    doc.setHtml(m_html);
    return doc.toPlainText().simplified();
}

void HtmlCheckBox::UpdateDocument()
{
    m_document.setDefaultFont(font());
    m_document.setHtml(m_html);
    m_document.setTextWidth(-1);
    updateGeometry();
    update();
}

void HtmlCheckBox::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        UpdateDocument();
    QCheckBox::changeEvent(event);
}

QRect HtmlCheckBox::IndicatorRect() const
{
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    const int w = style()->pixelMetric(QStyle::PM_IndicatorWidth, &option, this);
    const int h = style()->pixelMetric(QStyle::PM_IndicatorHeight, &option, this);
    // The indicator stands beside the first line of the caption.
    const int lineHeight = fontMetrics().height();
    return QRect(0, std::max(0, (lineHeight - h) / 2), w, h);
}

int HtmlCheckBox::CaptionLeft() const
{
    return IndicatorRect().width() + style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, this);
}

QSize HtmlCheckBox::sizeHint() const
{
    const QSizeF doc = m_document.size();
    const int h = std::max(IndicatorRect().bottom() + 1, int(std::ceil(doc.height())));
    return QSize(CaptionLeft() + int(std::ceil(doc.width())) + 2, h);
}

QSize HtmlCheckBox::minimumSizeHint() const { return sizeHint(); }

bool HtmlCheckBox::hitButton(const QPoint& pos) const { return rect().contains(pos); }

void HtmlCheckBox::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    option.rect = IndicatorRect();
    style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, &painter, this);

    painter.translate(CaptionLeft(), 0);
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette = palette();
    context.palette.setColor(QPalette::Text, palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                                             QPalette::WindowText));
    m_document.documentLayout()->draw(&painter, context);

    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = QRect(-1, 0, int(std::ceil(m_document.size().width())) + 2,
                           int(std::ceil(m_document.size().height())));
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}
