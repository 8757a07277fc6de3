#pragma once

#include <QColor>
#include <QDialog>
#include <QImage>
#include <QString>

#include <optional>

class HtmlButton;
class HtmlLabel;
class TGhostscriptPool;

// The about box: the maker's logo, a link to the web page, a link that mails
// a support request with the support archive attached, the program's name and
// version, and the line about the installed Word.
class TFormInfo : public QDialog {
    Q_OBJECT
public:
    // ghostscripts: the main window's installation list, for the support
    // archive (may be null).
    explicit TFormInfo(QWidget* owner = nullptr, const TGhostscriptPool* ghostscripts = nullptr);
    ~TFormInfo() override;

    static constexpr int kClientWidth = 547;
    static constexpr int kClientHeight = 196;
    // The dialog's background, the one the help pages use as well.
    static QColor Background() { return QColor(0xFF, 0xFF, 0xCC); }

    static QString HomepageUrl();
    static QString HomepageText();
    static QString SupportAddress();

    HtmlLabel* ElHTMLLabel1;
    HtmlButton* ButtonOK;

    // The label's picture for an image tag (the source name is not looked
    // at): the logo on the dialog's background, made once.
    QImage ElHTMLLabel1ImageNeeded(const QString& source);
    void ElHTMLLabel1LinkClick(const QString& target);

private:
    void FormCreate();
    static QString WordLine();

    const TGhostscriptPool* m_ghostscripts;
    std::optional<QImage> m_logo;
};

// Shows the info dialog modally over parent.
void ShowInfo(QWidget* parent, const TGhostscriptPool* ghostscripts = nullptr);
