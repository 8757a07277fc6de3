#pragma once

#include <QPushButton>

class QLabel;

// A large button with its picture above an HTML caption ("<B>PDF</B> erzeugen").
class ImageButton : public QPushButton {
    Q_OBJECT
public:
    explicit ImageButton(const QIcon& icon, QWidget* parent = nullptr);

    void SetHtmlCaption(const QString& html);
    QString HtmlCaption() const;

protected:
    void changeEvent(QEvent* event) override;

private:
    QLabel* m_picture;
    QLabel* m_caption;
    QIcon m_icon;
};
