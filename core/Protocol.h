#pragma once

#include <QString>

// The protocol log protokoll.txt in the data folder: one time-stamped line
// per call while logging is switched on. The file keeps roughly its last
// thousand lines.

// The process-wide logging switch; off until the settings are loaded.
bool ProtocolEnabled();
void SetProtocolEnabled(bool enabled);

// Full path of the log file.
QString ProtocolFileName();

// Appends "timestamp - message". A failed write is swallowed; a log file that
// exists but cannot be read raises std::runtime_error to the caller.
void WriteProtocol(const QString& message);
