#include "support/FAQUnit.h"

#include "core/LanguageFile.h"
#include "core/Settings.h"
#include "platform/SystemPaths.h"

namespace {

// The head of the page. The page is written in UTF-8, the system's own
// encoding, and says so.
const char* const kHeadLines[] = {
    "<html>",
    "<head>",
    "<title>##HTMLTITLE##</title>",
    "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">",
    "<meta name=\"Author\" content=\"Kalvinora\">",
    "<meta name=\"Content-language\" content=\"DE\">",
    "\t<link rel=\"STYLESHEET\" type=\"text/css\" href=\"##PATH##style.css\">",
    "</head>",
    "<body bgcolor=\"#ffffcc\" text=\"#000080\" link=\"#0000CC\" vlink=\"#0000CC\" alink=\"#0000CC\">",
    "<p align=\"center\"><font face=\"Arial, Helvetica, sans-serif\" size=\"2\"><b><a name=\"Top\"></a>"
    "##HTMLHEADLINE##</b></font></p>",
};

const char* const kContentsLine =
    "<p><font face=\"Arial, Helvetica, sans-serif\" size=\"2\"><a href=\"###LINKZSFG##\">##TITLEZSFG##</a></font></p>";

const char* const kQuestionLine =
    "<p><font face=\"Arial, Helvetica, sans-serif\" size=\"2\"><a name=\"##NAMELINK##\"></a><b>F</b>: ##FRAGE##<br>"
    "<b>A</b>: ##ANTWORT##</font></p>";

QString Question(const HelpTextLookup& texts, int n)
{
    return texts(QStringLiteral("FAQ"), QStringLiteral("Frage") + QString::number(n), QString());
}

}  // namespace

QStringList FAQPageLines(const QString& programFolder, const HelpTextLookup& texts)
{
    const QString path = HelpPathPrefix(programFolder);
    QStringList lines;
    for (const char* head : kHeadLines) {
        HelpTemplateLine line(QString::fromUtf8(head));
        line.Replace(QStringLiteral("##PATH##"), path);
        line.Replace(QStringLiteral("##HTMLTITLE##"), QStringLiteral("tovel-werk  -  Kalvinora FAQ"));
        line.Replace(QStringLiteral("##HTMLHEADLINE##"), QStringLiteral("FAQ - Kalvinora"));
        lines << line.Text();
    }

    for (int n = 1;; ++n) {
        const QString question = Question(texts, n);
        if (question.isEmpty())
            break;
        HelpTemplateLine line(QString::fromUtf8(kContentsLine));
        line.Replace(QStringLiteral("##TITLEZSFG##"), HTMLEncode(question));
        line.Replace(QStringLiteral("##LINKZSFG##"), QStringLiteral("F") + QString::number(n));
        lines << line.Text();
    }

    lines << QStringLiteral("<hr>");

    for (int n = 1;; ++n) {
        const QString question = Question(texts, n);
        if (question.isEmpty())
            break;
        HelpTemplateLine line(QString::fromUtf8(kQuestionLine));
        line.Replace(QStringLiteral("##FRAGE##"), HTMLEncode(question));
        line.Replace(QStringLiteral("##NAMELINK##"), QStringLiteral("F") + QString::number(n));
        line.Replace(QStringLiteral("##ANTWORT##"),
                     HTMLEncode(texts(QStringLiteral("FAQ"), QStringLiteral("Antwort") + QString::number(n), QString())));
        lines << line.Text();
    }

    lines << QStringLiteral("</body>") << QStringLiteral("</html>");
    return lines;
}

void BuildFAQPage()
{
    WriteHelpPage(GetDataFolder() + QStringLiteral("FAQ.htm"), FAQPageLines(platform::ProgramFolder(), LanguageFileTexts()));
}

void menuFAQClick() { OpenHelpPage(GetDataFolder() + QStringLiteral("FAQ.htm"), BuildFAQPage); }
