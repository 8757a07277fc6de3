#include "dialogs/InfoUnitTovel.h"

#include "core/LanguageFile.h"
#include "core/MessageDlg.h"
#include "core/Protocol.h"
#include "core/Tools.h"
#include "core/UniCodeException.h"
#include "dialogs/ElFormCaption.h"
#include "dialogs/HtmlButton.h"
#include "dialogs/HtmlLabel.h"
#include "platform/MailClient.h"
#include "platform/SystemPaths.h"
#include "support/OfficeDetection.h"
#include "support/SupportInfo.h"

#include <QBoxLayout>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QPushButton>

#include <stdexcept>


namespace {

const char* const kVersionFormat = "%d.%d (build %3:d)";

}  // namespace

QString TFormInfo::HomepageUrl() { return QStringLiteral("https://www.kalvinora.org"); }
QString TFormInfo::HomepageText() { return QStringLiteral("www.kalvinora.org"); }
QString TFormInfo::SupportAddress() { return QStringLiteral("support@kalvinora.org"); }

TFormInfo::TFormInfo(QWidget* owner, const TGhostscriptPool* ghostscripts)
    : QDialog(owner), m_ghostscripts(ghostscripts)
{
    setObjectName(QStringLiteral("FormInfo"));
    new ElFormCaption(this);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Background());
    setPalette(pal);
    setAutoFillBackground(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(2);
    ElHTMLLabel1 = new HtmlLabel(this);
    ElHTMLLabel1->setObjectName(QStringLiteral("ElHTMLLabel1"));
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(8);
    ElHTMLLabel1->setFont(font);
    ElHTMLLabel1->ImageNeeded = [this](const QString& source) { return ElHTMLLabel1ImageNeeded(source); };
    connect(ElHTMLLabel1, &HtmlLabel::LinkClicked, this, &TFormInfo::ElHTMLLabel1LinkClick);
    layout->addWidget(ElHTMLLabel1, 1);

    auto* row = new QHBoxLayout;
    row->addStretch(1);
    ButtonOK = new HtmlButton(this);
    ButtonOK->setObjectName(QStringLiteral("ButtonOK"));
    ButtonOK->setDefault(true);
    connect(ButtonOK, &QPushButton::clicked, this, &QDialog::accept);
    row->addWidget(ButtonOK);
    layout->addLayout(row);

    FormCreate();
}

TFormInfo::~TFormInfo() = default;

QString TFormInfo::WordLine()
{
    // A registry entry that cannot be read spoils only this line, not the
    // about box.
    try {
        return GetWordInfo();
    } catch (const std::exception& e) {
        WriteProtocol(QStringLiteral("Error GetWordInfo: ") + ExceptionText(e));
        return ExceptionText(e);
    }
}

void TFormInfo::FormCreate()
{
    AdjustFormCaption(this);
    SetFormCaption(this, LangString("InfoDialog", "Caption", "Information"));

    const QString web = ReplaceFirst(
        LangString("InfoDialog", "GetInfos", "Weitere Information und neuere Versionen dieses Programmes finden Sie auf: %s"),
        QStringLiteral("%s"), QStringLiteral("<a href=\"%1\">%2</a>").arg(HomepageUrl(), HomepageText()));
    const QString support =
        ReplaceFirst(LangString("InfoDialog", "SendQuestion", "Anfragen richten Sie bitte direkt an: %s"),
                     QStringLiteral("%s"), QStringLiteral("<a href=\"email\">%1</a>").arg(SupportAddress()));
    const QString wordLine = WordLine();
    const QString programName = QFileInfo(platform::ProgramFilePath()).completeBaseName();
    ElHTMLLabel1->SetCaption(QStringLiteral("<html><img src=\"logo\"></html><BR><BR>") + web +
                             QStringLiteral(".<br><br>") + support + QStringLiteral(".<br><br>") + programName +
                             QLatin1Char(' ') + GetFileVersionText(QString::fromLatin1(kVersionFormat)) +
                             QStringLiteral("<br><br>") + wordLine);

    int height = kClientHeight;
    if (GetScreenDPI() != 96)
        height += 25;
    setFixedSize(kClientWidth, height);

    QString ok = LangString("InfoDialog", "ButtonOK", "OK");
    if (const qsizetype amp = ok.indexOf(QLatin1Char('&')); amp >= 0)
        ok.remove(amp, 1);
    // The button reads a single "&" as an access key; one left over is shown
    // as it is.
    ButtonOK->SetHtmlCaption(QStringLiteral("<b>") + QString(ok).replace(QLatin1Char('&'), QStringLiteral("&&")) +
                             QStringLiteral("</b>"));
}

QImage TFormInfo::ElHTMLLabel1ImageNeeded(const QString&)
{
    if (!m_logo) {
        QImageReader reader(QStringLiteral(":/LOGO"));
        const QImage picture = reader.read();
        QImage bitmap(picture.size().isEmpty() ? QSize(1, 1) : picture.size(), QImage::Format_RGB32);
        // Filled with the dialog's colour first, so a transparent logo sits
        // on the same light yellow as the text.
        bitmap.fill(Background());
        QPainter painter(&bitmap);
        painter.drawImage(0, 0, picture);
        painter.end();
        m_logo = bitmap;
    }
    return *m_logo;
}

void TFormInfo::ElHTMLLabel1LinkClick(const QString& target)
{
    if (target == QLatin1String("email")) {
        QString archive;
        try {
            archive = CreateSupportInfo(m_ghostscripts);
        } catch (const std::exception& e) {
            // No archive, no mail.
            WriteProtocol(QStringLiteral("Error SupportInfo: ") + ExceptionText(e));
            MessageDlg(QString(), ExceptionText(e), mtError, MsgButtons({mbOK}));
            return;
        }
        const QString subject = QFileInfo(platform::ProgramFilePath()).fileName() + QStringLiteral(" - ") +
                                GetFileVersionText(QString::fromLatin1(kVersionFormat));
        platform::ComposeMail(SupportAddress(), subject, archive);
        return;
    }
    ShellExecuteFile(target, QString(), QStringLiteral("open"), 1);
}

void ShowInfo(QWidget* parent, const TGhostscriptPool* ghostscripts)
{
    TFormInfo form(parent, ghostscripts);
    form.exec();
}
