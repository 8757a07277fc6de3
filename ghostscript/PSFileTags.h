#pragma once

#include "core/ProgramState.h"

#include <QString>

// The PDF's title for an output path: the file name without its last
// extension, decorated as TitleMode asks (0 the name, 1 dtPrefix + name +
// dtSuffix, 2 dtFixCaption, anything else empty).
QString GetDocTitle(const ProgramState& state, const QString& outputPath);

// Rewrites the "%%Title:", "%%Creator:" and (with a non-empty owner)
// "%%For:" header comments of a PostScript file in place, through a ".new"
// copy. Only the first of several blank-separated paths is tagged. Never
// raises: every problem is logged and the file is then left as it was.
void SetPSFileTags(const QString& psPath, const QString& owner, const QString& title);

// The "%%Creator:" line written into tagged files.
QString PSCreatorLine();
