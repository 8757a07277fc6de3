#include "core/LanguageFile.h"

// Language files are not read yet: every lookup gives its default.
QString LangString(const QString&, const QString&, const QString& def) { return def; }

void OpenLanguageFile(const QString&) {}
