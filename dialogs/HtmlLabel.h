#pragma once

#include <QImage>
#include <QString>
#include <QTextBrowser>

#include <functional>

// A read-only HTML text that behaves like a label: no frame, no caret, the
// window's background shows through, links are underlined and reported
// instead of followed. Pictures of image tags are asked from the owner.
class HtmlLabel : public QTextBrowser {
    Q_OBJECT
public:
    explicit HtmlLabel(QWidget* parent = nullptr);

    // The text as given (markup included); shown centred.
    void SetCaption(const QString& html);
    QString Caption() const { return m_caption; }

    // Answers the picture of an image tag by its source name.
    std::function<QImage(const QString& source)> ImageNeeded;

signals:
    void LinkClicked(const QString& target);

protected:
    QVariant loadResource(int type, const QUrl& name) override;

private:
    QString m_caption;
};
