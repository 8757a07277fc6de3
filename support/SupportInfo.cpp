#include "support/SupportInfo.h"

#include "core/Protocol.h"
#include "core/Settings.h"
#include "core/Tools.h"
#include "core/UniCodeException.h"
#include "ghostscript/UGhostscript.h"
#include "platform/SystemInfo.h"
#include "platform/SystemPaths.h"
#include "support/CABFile.h"
#include "support/OfficeDetection.h"

#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>

SupportSystemFacts SupportSystemFacts::Current()
{
    SupportSystemFacts facts;
    facts.systemName = platform::SystemName();
    facts.memoryBytes = platform::PhysicalMemory();
    facts.screenSize = platform::ScreenSize();
    facts.screenDpi = GetScreenDPI();
    facts.now = QDateTime::currentDateTime();
    facts.programPath = platform::ProgramFilePath();
    return facts;
}

QString MemoryLine(qint64 bytes)
{
    // Whole mebibytes, always with the thousands separators of the locale.
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    return QStringLiteral("Memory Available to Windows: ") + locale.toString(bytes / 1048576) + QStringLiteral("MB");
}

QStringList SystemInfoLines(const SupportSystemFacts& facts, const TGhostscriptPool* ghostscripts)
{
    QStringList lines;
    lines << QStringLiteral("Version ") + GetFileVersionText(QStringLiteral("%d.%d.%d.%d"));
    lines << facts.systemName;
    lines << MemoryLine(facts.memoryBytes);
    // Without a screen (no display) the size reads 0 x 0.
    lines << QStringLiteral("Screen: %1 x %2 / %3 DPI")
                 .arg(qMax(0, facts.screenSize.width()))
                 .arg(qMax(0, facts.screenSize.height()))
                 .arg(facts.screenDpi);
    lines << LocaleTimestamp(facts.now);
    lines << QStringLiteral("ParamStr: ") + facts.programPath;
    lines << QString();
    lines << GetWordInfo();
    lines << QString();
    GetPrinterlist(lines);
    lines << QString();
    if (ghostscripts) {
        for (int i = 0; i < ghostscripts->Count(); ++i)
            lines << ghostscripts->Item(i)->DisplayName();
    }
    return lines;
}

QString CreateSupportInfo(const TGhostscriptPool* ghostscripts)
{
    const QString folder = GetDataFolder();
    const QString target = folder + QStringLiteral("SupportInfo.CAB");

    const QString systemFile = folder + QStringLiteral("system.txt");
    QByteArray text;
    for (const QString& line : SystemInfoLines(SupportSystemFacts::Current(), ghostscripts))
        text += line.toUtf8() + "\r\n";
    QSaveFile out(systemFile);
    if (!out.open(QIODevice::WriteOnly) || out.write(text) != text.size() || !out.commit())
        throw UniCodeException(QStringLiteral("Die Datei %1 kann nicht geschrieben werden: %2").arg(systemFile, out.errorString()));

    TCABFile cab;
    cab.Add(systemFile);
    cab.Add(folder + QStringLiteral("protokoll.txt"));
    cab.Add(folder + QStringLiteral("settings.ini"));
    cab.CABFile = target;
    // Files that are not there (no log written yet, no settings saved yet)
    // are simply left out.
    for (qsizetype i = cab.Entries.size() - 1; i >= 0; --i) {
        if (!QFileInfo(cab.Entries[i].Name).isFile())
            cab.Entries.removeAt(i);
    }
    cab.Build();
    return target;
}
