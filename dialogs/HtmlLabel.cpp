#include "dialogs/HtmlLabel.h"

#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextDocument>

HtmlLabel::HtmlLabel(QWidget* parent) : QTextBrowser(parent)
{
    setFrameShape(QFrame::NoFrame);
    document()->setDocumentMargin(2);
    setOpenLinks(false);
    setOpenExternalLinks(false);
    setLineWrapMode(QTextEdit::NoWrap);
    setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setAutoFillBackground(false);
    setStyleSheet(QStringLiteral("QTextBrowser { background: transparent; }"));
    connect(this, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        emit LinkClicked(url.toString());
    });
}

void HtmlLabel::SetCaption(const QString& html)
{
    m_caption = html;
    setHtml(html);
    QTextCursor cursor(document());
    cursor.select(QTextCursor::Document);
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    cursor.mergeBlockFormat(centred);
}

QVariant HtmlLabel::loadResource(int type, const QUrl& name)
{
    if (type == QTextDocument::ImageResource && ImageNeeded) {
        const QImage image = ImageNeeded(name.toString());
        if (!image.isNull())
            return image;
    }
    // Nothing else is loaded: the label never reads files named in its text.
    return {};
}
