#pragma once

#include "core/ProgramState.h"

#include <QString>

// The source path with its extension (the last "." of the file name and
// what follows) replaced by newExtension (".ps"); appended when it has none.
QString ReplaceExtension(const QString& path, const QString& newExtension);

// The output path of a document or picture: the short form of the folder
// that CheckOutPath gives for the source's ".ps" name, then that ".ps" name
// as it is (the job replaces the extension by the output format's).
QString DocumentOutputPath(const ProgramState& state, const QString& sourcePath);
