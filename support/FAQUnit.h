#pragma once

#include "support/HelpPages.h"

#include <QString>
#include <QStringList>

// The question-and-answer page FAQ.htm, generated from the language file's
// section "FAQ" (keys Frage1, Antwort1, Frage2, ...).

// The page's lines for a program in programFolder. The questions run from
// Frage1 to the last one before the first missing (or empty) question.
QStringList FAQPageLines(const QString& programFolder, const HelpTextLookup& texts);

// Writes FAQ.htm into the data folder. Raises UniCodeException when the
// file cannot be written.
void BuildFAQPage();

// Help menu: builds FAQ.htm and opens it in the browser.
void menuFAQClick();
