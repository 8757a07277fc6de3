#pragma once

#include <QString>

// Which Word version is registered on the machine, as one line for the info
// dialog and the support archive.

// The version class of an Office application registered under its
// automation name ("Word"): 0 for 95, 1 to 5 for 97 to 2007, 6 for any other
// version, 7 when none is registered. Raises UniCodeException when the
// registered version is not a number.
int GetOfficeVersion(const QString& registryName);

// The translated report line for Word, for example "Winword 2007 gefunden -
// kompatibel". Raises like GetOfficeVersion.
QString GetWordInfo();
