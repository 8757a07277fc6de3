#pragma once

#include "core/ProgramState.h"

#include <QString>

// Work file for a source whose extension was replaced by ".ps": in PSDir
// when UsePSDir is on (or the source folder's name holds ",", "=" or "€"),
// else next to the source; ",", "=" and "€" removed from the name. The file
// is created empty; raises std::runtime_error when it cannot be.
QString CheckPSPath(const ProgramState& state, const QString& path);

// The work file CheckPSPath would make for that path, without making it.
QString WorkFilePath(const ProgramState& state, const QString& path);

// Output path for a source: OutputDir (or the source's folder) plus the
// source's name without "=" and "€".
QString CheckOutPath(const ProgramState& state, const QString& path);

// A form of an existing path without blanks, so that paths can be joined by
// single blanks on the Ghostscript command line. Paths without blanks come
// back unchanged; for others a blank-free alias is made that names the same
// file. Never fails: without an alias the path comes back unchanged.
QString ShortPath(const QString& path);

// Removes the aliases ShortPath made (at the end of a run).
void ReleaseShortPaths();
