#pragma once

#include "support/HelpPages.h"

#include <QString>
#include <QStringList>

// The manual Anleitung.htm, generated from the language file's section
// "Anleitung": the page's template carries markers such as "##0010##" that
// are replaced by the texts of those keys.

// The template lines. Newer systems (newSystem) get their own variants of
// a few texts and pictures.
QStringList AnleitungTemplate(bool newSystem);

// The page's lines for a program in programFolder. A key missing from the
// language file shows as the key between single number signs ("#0010#").
QStringList AnleitungPageLines(const QString& programFolder, bool newSystem, const HelpTextLookup& texts);

// Writes Anleitung.htm into the data folder. Raises UniCodeException when
// the file cannot be written.
void BuildAnleitungPage();

// Help menu: builds Anleitung.htm and opens it in the browser.
void menuAnleitungClick();
