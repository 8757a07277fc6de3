#pragma once

#include <QCheckBox>
#include <QString>
#include <QTextDocument>

// A check box whose caption is simple HTML ("<b>40 Bit</b><br>(...)"):
// the indicator is drawn by the style, the caption as rich text beside it.
// Clicking the caption toggles the box, as on a plain check box.
class HtmlCheckBox : public QCheckBox {
    Q_OBJECT
public:
    explicit HtmlCheckBox(QWidget* parent = nullptr);

    void SetHtmlCaption(const QString& html);
    QString HtmlCaption() const { return m_html; }
    // The caption as the user reads it, without markup.
    QString PlainCaption() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;
    void changeEvent(QEvent* event) override;

private:
    void UpdateDocument();
    QRect IndicatorRect() const;
    int CaptionLeft() const;

    QString m_html;
    QTextDocument m_document;
};
