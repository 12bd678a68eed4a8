// The audit log and the error log of the runs, and the layout of their lines.
#pragma once

#include <string>

#include "engine/LogFile.h"
#include "runs/RunOptions.h"

namespace kel {

// audit.log and err.log in the application folder; a run that is one slice of
// a batch writes audit-K-of-N.log and err-K-of-N.log, so that slices run at
// the same time never share a log.
std::string AuditLogPath(const Shard& shard = {});
std::string ErrorLogPath(const Shard& shard = {});

// Opens the audit log for appending and writes the start lines (an empty line
// and the timestamp). False when it cannot be opened.
bool OpenAuditLog(LogFile& audit, const Shard& shard = {});

// "Unable to write the audit log PATH (REASON). No drawing was changed." for a
// run that cannot open it.
std::string AuditLogFailureText(const Shard& shard = {});

// " Cancelled after D of T drawing(s)." for a cancelled run; "" otherwise.
std::string CancelNote(bool blnCancelled, int intDone, int intTotal);

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
