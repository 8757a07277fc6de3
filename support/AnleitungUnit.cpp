#include "support/AnleitungUnit.h"

#include "core/LanguageFile.h"
#include "core/Settings.h"
#include "core/Tools.h"
#include "platform/SystemPaths.h"

namespace {

const QString kTable = QStringLiteral("<table width=\"100%\" border=\"0\" class=\"Text\">");

QString Marker(const QString& key) { return QStringLiteral("##") + key + QStringLiteral("##"); }

QString PictureLine(const QString& picture)
{
    return QStringLiteral("    <td><img src=\"##PATH##png/") + picture + QStringLiteral("\"></td>");
}

// A section heading.
void S(QStringList& t, const QString& key)
{
    t << QStringLiteral("<hr>") << QStringLiteral("<p class=\"Hervorhebung\">") + Marker(key) + QStringLiteral("</p>");
}

// A text cell beside a picture; the cell holds one or two markers.
void R(QStringList& t, const QStringList& keys, const QString& picture)
{
    QStringList markers;
    for (const QString& k : keys)
        markers << Marker(k);
    t << kTable << QStringLiteral("  <tr>") << QStringLiteral("    <td>") + markers.join(' ') + QStringLiteral("</td>")
      << PictureLine(picture) << QStringLiteral("  </tr>") << QStringLiteral("</table>");
}

// A text cell alone.
void X(QStringList& t, const QString& cellLine)
{
    t << kTable << QStringLiteral("  <tr>") << cellLine << QStringLiteral("  </tr>") << QStringLiteral("</table>");
}

// Paragraphs beside a picture.
void P(QStringList& t, const QStringList& keys, const QString& picture, int indent)
{
    t << kTable << QStringLiteral("  <tr>") << QStringLiteral("    <td>");
    for (const QString& k : keys)
        t << QString(indent, ' ') + QStringLiteral("<p>") + Marker(k) + QStringLiteral("</p>");
    t << QStringLiteral("    </td>") << PictureLine(picture) << QStringLiteral("  </tr>") << QStringLiteral("</table>");
}

void B(QStringList& t) { t << QStringLiteral("&nbsp;<br>"); }
void N(QStringList& t) { t << QStringLiteral("&nbsp;"); }
void E(QStringList& t) { t << QString(); }

QString Cell(const QString& key) { return QStringLiteral("    <td>") + Marker(key) + QStringLiteral("</td>"); }

}  // namespace

QStringList AnleitungTemplate(bool newSystem)
{
    QStringList t;
    // The page is written in UTF-8, the system's own encoding, and says so.
    t << QStringLiteral("<html>") << QStringLiteral("<head>") << QStringLiteral("<title>Kalvinora</title>")
      << QStringLiteral("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">")
      << QStringLiteral("<meta name=\"Author\" content=\"Kalvinora\">")
      << QStringLiteral("<meta name=\"Content-language\" content=\"DE\">")
      << QStringLiteral("\t<link rel=\"STYLESHEET\" type=\"text/css\" href=\"##PATH##style.css\">")
      << QStringLiteral("</head>") << QString()
      << QStringLiteral("<body bgcolor=\"#ffffcc\" text=\"#000080\" link=\"#0000CC\" vlink=\"#0000CC\" alink=\"#0000CC\">");

    t << QStringLiteral("<div align=\"center\">") << QStringLiteral("  <p class=\"headline\">##0010##</p>")
      << QStringLiteral("</div>") << QStringLiteral("<p class=\"Text\">##0020##</p>") << QStringLiteral("<ul>");
    t << (newSystem ? QStringLiteral("  <li class=\"Text\">##0031##</li>") : QStringLiteral("  <li class=\"Text\">##0030##</li>"));
    t << QStringLiteral("  <li class=\"Text\">##0040##</li>") << QStringLiteral("  <li class=\"Text\">##0050##</li>")
      << QStringLiteral("</ul>");

    S(t, QStringLiteral("0100"));
    t << QStringLiteral("<p class=\"Text\">##0110##</p>");

    R(t, {QStringLiteral("0150")}, QStringLiteral("1.png"));
    B(t);
    E(t);
    P(t, {QStringLiteral("0160"), QStringLiteral("0170"), QStringLiteral("0180")}, QStringLiteral("2.png"), 6);
    B(t);
    E(t);
    R(t, {QStringLiteral("0190")}, QStringLiteral("5.png"));

    if (!newSystem) {
        S(t, QStringLiteral("0200"));
        R(t, {QStringLiteral("0202")}, QStringLiteral("6_1.png"));
        R(t, {QStringLiteral("0203")}, QStringLiteral("6_2.png"));
        t << kTable << QStringLiteral("  <tr>") << QStringLiteral("    <td>##0210##</td>") << QStringLiteral("    <td>")
          << QStringLiteral("      <p><img src=\"##PATH##png/7.png\"></p>") << QStringLiteral("    </td>")
          << QStringLiteral("  </tr>") << QStringLiteral("</table>");
        B(t);
        R(t, {QStringLiteral("0220")}, QStringLiteral("9.png"));
        R(t, {QStringLiteral("0225")}, QStringLiteral("A.png"));
        P(t, {QStringLiteral("0226"), QStringLiteral("0227")}, QStringLiteral("A_1.png"), 4);
        R(t, {QStringLiteral("0228")}, QStringLiteral("A_2.png"));
        R(t, {QStringLiteral("0250")}, QStringLiteral("B.png"));
        B(t);
        R(t, {QStringLiteral("0260")}, QStringLiteral("C.png"));
        R(t, {QStringLiteral("0270"), QStringLiteral("0280")}, QStringLiteral("D.png"));
        N(t);
    }

    S(t, QStringLiteral("0300"));
    R(t, {QStringLiteral("0310"), QStringLiteral("0315")}, QStringLiteral("H.png"));
    B(t);

    if (newSystem) {
        R(t, {QStringLiteral("0312")}, QStringLiteral("I.png"));
        B(t);
    }

    t << kTable << QStringLiteral("  <tr>") << QStringLiteral("    <td>##0318##");
    if (!newSystem)
        t << QStringLiteral("        ##0320##");
    t << QStringLiteral("    </td>") << PictureLine(newSystem ? QStringLiteral("L.png") : QStringLiteral("K.png"))
      << QStringLiteral("  </tr>") << QStringLiteral("</table>");

    if (!newSystem) {
        B(t);
        R(t, {QStringLiteral("0330")}, QStringLiteral("M.png"));
    }

    N(t);
    S(t, QStringLiteral("0400"));
    X(t, Cell(QStringLiteral("0410")));
    B(t);
    X(t, Cell(QStringLiteral("0420")));
    B(t);

    if (newSystem)
        R(t, {QStringLiteral("0440")}, QStringLiteral("printerop2.png"));
    else
        R(t, {QStringLiteral("0430")}, QStringLiteral("printerop4.png"));
    B(t);

    X(t, QStringLiteral("    <td><p>##0450##</p></td>"));
    t << QStringLiteral("</body>") << QStringLiteral("</html>");
    return t;
}

QStringList AnleitungPageLines(const QString& programFolder, bool newSystem, const HelpTextLookup& texts)
{
    const QString path = HelpPathPrefix(programFolder);
    QStringList lines;
    for (const QString& templateLine : AnleitungTemplate(newSystem)) {
        HelpTemplateLine line(templateLine);
        line.Replace(QStringLiteral("##PATH##"), path);
        // Each marker is replaced everywhere in the line at once; texts that
        // went in are not searched again, so a text that names a marker
        // (even its own) cannot make the loop run on.
        for (QString marker = line.FirstMarker(); !marker.isEmpty(); marker = line.FirstMarker()) {
            const QString key = marker.mid(2, 4);
            const QString text = texts(QStringLiteral("Anleitung"), key, '#' + key + '#');
            line.Replace(marker, HTMLEncode(text));
        }
        lines << line.Text();
    }
    return lines;
}

void BuildAnleitungPage()
{
    const bool newSystem = IsWindows2000OrLater();
    WriteHelpPage(GetDataFolder() + QStringLiteral("Anleitung.htm"),
                  AnleitungPageLines(platform::ProgramFolder(), newSystem, LanguageFileTexts()));
}

void menuAnleitungClick() { OpenHelpPage(GetDataFolder() + QStringLiteral("Anleitung.htm"), BuildAnleitungPage); }
