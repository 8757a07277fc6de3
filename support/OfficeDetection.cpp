#include "support/OfficeDetection.h"

#include "core/LanguageFile.h"
#include "core/Tools.h"
#include "core/UniCodeException.h"
#include "platform/Registry.h"

#include <QRegularExpression>

namespace {

constexpr int kClassUnknown = 6;
constexpr int kClassNone = 7;

const char* const kVersionTexts[] = {" 95", " 97", " 2000", " XP", " 2003", " 2007"};

}  // namespace

int GetOfficeVersion(const QString& registryName)
{
    const QString key = registryName + QStringLiteral(".Application\\CurVer");
    const Registry& registry = Registry::Current();
    // A key that is missing or holds no text counts as an empty value.
    QString value;
    if (registry.ValueType(RegistryRoot::ClassesRoot, key, QString()) == RegistryValueType::String)
        value = registry.ReadString(RegistryRoot::ClassesRoot, key, QString());

    const qsizetype dot = value.lastIndexOf('.');
    if (dot < 0)
        return kClassNone;

    const QString number = value.mid(dot + 1);
    static const QRegularExpression decimal(QStringLiteral("^[+-]?[0-9]+$"));
    bool ok = false;
    const int version = decimal.match(number).hasMatch() ? number.toInt(&ok) : 0;
    if (!ok) {
        const QString text =
            LangString("Tools", "InvalidOfficeVersion", "Die registrierte Version \"%s\" enthält keine gültige Versionsnummer.");
        throw UniCodeException(ReplaceFirst(text, QStringLiteral("%s"), value));
    }

    switch (version) {
    case 6: return 0;
    case 8: return 1;
    case 9: return 2;
    case 10: return 3;
    case 11: return 4;
    case 12: return 5;
    default: return kClassUnknown;
    }
}

QString GetWordInfo()
{
    const int versionClass = GetOfficeVersion(QStringLiteral("Word"));
    QString text;
    QString name = QStringLiteral("Winword");
    if (versionClass == 0)
        text = LangString("Tools", "WrongOfficeX", "%s gefunden - <b>nicht</b> kompatibel");
    else if (versionClass <= 5)
        text = LangString("Tools", "OfficeX", "%s gefunden - kompatibel");
    else if (versionClass == kClassUnknown)
        text = LangString("Tools", "unknownOffice", "unbekanntes %s gefunden");
    else
        text = LangString("Tools", "NoOffice", "kein %s gefunden");
    if (versionClass <= 5)
        name += QString::fromLatin1(kVersionTexts[versionClass]);
    return ReplaceFirst(text, QStringLiteral("%s"), name);
}
