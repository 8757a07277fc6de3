#pragma once

#include "core/ProgramState.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// Turns one PostScript input (several files joined by single blanks when
// they are combined into one output) into the output format of the program
// state, through the parameter file paramgs.inf in the data folder and the
// chosen Ghostscript's console program. outputPath still carries the
// source's extension; it is replaced by the format's ending. For PDF output
// with tagHeader the PostScript header is retagged first.
// Raises ItemFailure when a file name cannot be handed to Ghostscript safely
// and when Ghostscript fails on the input or writes nothing (the run goes on
// with its next file), UniCodeException when Ghostscript cannot be started
// or a setting cannot be written; the parameter file is removed in every case.
void PsToPdf(ProgramState& state, bool tagHeader, const QString& psInput, const QString& outputPath,
             const QString& runOwnerPassword);

// Warns when the chosen Ghostscript is older than the version required for
// the encryption (major * 100 + minor). Never raises.
void CheckGsVer(ProgramState& state, int required);

// The parts of the job, open for callers that only need one of them.

// The name Ghostscript writes to: the output path without its extension plus
// the format's ending ("%d" stands for the page number). A "%" of the path
// itself is doubled so that Ghostscript keeps it.
QString GsOutputName(const ProgramState& state, const QString& outputPath);

// The first file Ghostscript writes for that output (page 1 of a raster
// format written page by page).
QString GsFirstOutputFile(const ProgramState& state, const QString& outputPath);

// The lines of the parameter file, in order. Raises UniCodeException when a
// file name or a setting would break a line or pass for an option.
QStringList GsParameterLines(const ProgramState& state, const QString& psInput, const QString& outputPath,
                             const QString& runOwnerPassword);

// A number for Ghostscript: up to 15 significant digits, no trailing zeros,
// always "." as the decimal separator whatever the locale.
QString GsNumber(long double value);

// Title and text of the version warning, when there is one.
struct GsVersionWarning {
    QString title;
    QString text;
};
std::optional<GsVersionWarning> GsVersionCheck(const ProgramState& state, int required);

// What the user is told of Ghostscript's own output: its error lines.
QString GsMessageFromOutput(const QByteArray& output);
