#pragma once

#include <QPushButton>
#include <QString>

// A push button whose caption is simple HTML ("<b>OK</b>"). An "&" before a
// character marks its access key, as on plain buttons ("&&" is an ampersand).
// The caption is drawn in the button-text colour of the button's palette for
// its current state, so a disabled button can be given its own colour.
class HtmlButton : public QPushButton {
    Q_OBJECT
public:
    explicit HtmlButton(QWidget* parent = nullptr);

    void SetHtmlCaption(const QString& html);
    QString HtmlCaption() const { return m_html; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QString DisplayHtml() const;
    QSize CaptionSize() const;

    QString m_html;
};
