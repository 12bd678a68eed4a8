// The audit log and the error log of the runs, and the layout of their lines.
#pragma once

#include <string>

#include "engine/LogFile.h"

namespace kel {

// audit.log and err.log in the application folder.
std::string AuditLogPath();
std::string ErrorLogPath();

// Opens the audit log for appending and writes the start lines (an empty line
// and the timestamp). False when it cannot be opened.
bool OpenAuditLog(LogFile& audit);

// "Unable to write the audit log PATH: REASON." for a run that cannot open it.
std::string AuditLogFailureText();

// " N template line(s) ignored, see the error log." after a run's summary; ""
// for none.
std::string IgnoredLinesNote(int intIgnored);

// Error log lines; every field follows the previous one directly.
std::string TemplateErrorLine(const std::string& strTemplate, const std::string& strError);
std::string DrawingErrorLine(const std::string& strDrawing, const std::string& strError);
std::string EntryErrorLine(const std::string& strTemplate, const std::string& strDrawing,
                           const std::string& strError);
std::string ListFileErrorLine(const std::string& strListFile, const std::string& strError);

}  // namespace kel
