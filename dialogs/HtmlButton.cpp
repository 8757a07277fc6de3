#include "dialogs/HtmlButton.h"

#include <QAbstractTextDocumentLayout>
#include <QEvent>
#include <QRegularExpression>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTextDocument>

namespace {

// "&x" as an access-key marker, but not an entity such as "&amp;".
const QRegularExpression& MnemonicPattern()
{
    static const QRegularExpression re(QStringLiteral("&(&|(?![A-Za-z]+;|#[0-9]+;)([^<]))"));
    return re;
}

}  // namespace

HtmlButton::HtmlButton(QWidget* parent) : QPushButton(parent) {}

void HtmlButton::SetHtmlCaption(const QString& html)
{
    m_html = html;
    // The plain text carries the access key and names the button for
    // accessibility; it is not drawn.
    static const QRegularExpression tags(QStringLiteral("<[^>]*>"));
    QString plain = html;
    plain.remove(tags);
    setText(plain);
    updateGeometry();
    update();
}

QString HtmlButton::DisplayHtml() const
{
    const bool underline = style()->styleHint(QStyle::SH_UnderlineShortcut, nullptr, this);
    QString out;
    qsizetype pos = 0;
    auto it = MnemonicPattern().globalMatch(m_html);
    while (it.hasNext()) {
        const auto m = it.next();
        out += m_html.mid(pos, m.capturedStart() - pos);
        if (m.captured(1) == QStringLiteral("&"))
            out += QStringLiteral("&amp;");
        else if (underline)
            out += QStringLiteral("<u>") + m.captured(2) + QStringLiteral("</u>");
        else
            out += m.captured(2);
        pos = m.capturedEnd();
    }
    out += m_html.mid(pos);
    return out;
}

QSize HtmlButton::CaptionSize() const
{
    QTextDocument doc;
    doc.setDocumentMargin(0);
    doc.setDefaultFont(font());
    doc.setHtml(DisplayHtml());
    return doc.size().toSize();
}

QSize HtmlButton::sizeHint() const
{
    QStyleOptionButton opt;
    initStyleOption(&opt);
    opt.text.clear();
    const QSize caption = CaptionSize();
    const QSize hint = style()->sizeFromContents(QStyle::CT_PushButton, &opt, caption, this);
    return hint.expandedTo(QPushButton::sizeHint());
}

QSize HtmlButton::minimumSizeHint() const { return sizeHint(); }

void HtmlButton::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionButton opt;
    initStyleOption(&opt);
    opt.text.clear();
    painter.drawControl(QStyle::CE_PushButton, opt);

    QTextDocument doc;
    doc.setDocumentMargin(0);
    doc.setDefaultFont(font());
    doc.setHtml(DisplayHtml());
    const QSizeF size = doc.size();
    QRect contents = style()->subElementRect(QStyle::SE_PushButtonContents, &opt, this);
    if (isDown() || isChecked()) {
        contents.translate(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &opt, this),
                           style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &opt, this));
    }
    const QPointF origin(contents.x() + (contents.width() - size.width()) / 2.0,
                         contents.y() + (contents.height() - size.height()) / 2.0);
    QAbstractTextDocumentLayout::PaintContext context;
    const QPalette::ColorGroup group = isEnabled() ? QPalette::Active : QPalette::Disabled;
    context.palette = palette();
    context.palette.setColor(QPalette::Text, palette().color(group, QPalette::ButtonText));
    painter.save();
    painter.translate(origin);
    doc.documentLayout()->draw(&painter, context);
    painter.restore();
}

void HtmlButton::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        updateGeometry();
    QPushButton::changeEvent(event);
}
