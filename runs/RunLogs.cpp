#include "runs/RunLogs.h"

#include "platform/AppFolder.h"
#include "runs/PathText.h"
#include "runs/RunFormats.h"

namespace kel {

namespace {

std::string LogName(const std::string& strStem, const Shard& shard) {
    if (shard.count <= 1) return strStem + ".log";
    return strStem + "-" + std::to_string(shard.index) + "-of-" + std::to_string(shard.count) + ".log";
}

}  // namespace

std::string AuditLogPath(const Shard& shard) { return JoinPath(ApplicationFolder(), LogName("audit", shard)); }
std::string ErrorLogPath(const Shard& shard) { return JoinPath(ApplicationFolder(), LogName("err", shard)); }

bool OpenAuditLog(LogFile& audit, const Shard& shard) {
    if (!audit.Open(AuditLogPath(shard), LogFile::Mode::Append)) return false;
    audit.WriteLine("");
    audit.WriteLine(Timestamp());
    return true;
}

std::string AuditLogFailureText(const Shard& shard) {
    std::string strWhy;
    const std::string strFolder = ApplicationFolder(&strWhy);
    std::string text = "Unable to write the audit log " + JoinPath(strFolder, LogName("audit", shard));
    if (!strWhy.empty()) text += " (" + strWhy + ")";
    return text + ". No drawing was changed.";
}

std::string CancelNote(bool blnCancelled, int intDone, int intTotal) {
    if (!blnCancelled) return {};
    return " Cancelled after " + std::to_string(intDone) + " of " + std::to_string(intTotal) + " drawing(s).";
}

std::string IgnoredLinesNote(int intIgnored) {
    if (intIgnored <= 0) return {};
    return " " + std::to_string(intIgnored) + " template line(s) ignored, see the error log.";
}

std::string TemplateErrorLine(const std::string& strTemplate, const std::string& strError) {
    return Timestamp() + "  Template: " + strTemplate + "  Error: " + strError;
}

std::string DrawingErrorLine(const std::string& strDrawing, const std::string& strError) {
    return Timestamp() + "  Drawing: " + strDrawing + "  Error: " + strError;
}

std::string EntryErrorLine(const std::string& strTemplate, const std::string& strDrawing,
                           const std::string& strError) {
    return Timestamp() + "  Template: " + strTemplate + "  Drawing: " + strDrawing + "  Error: " + strError;
}

std::string ListFileErrorLine(const std::string& strListFile, const std::string& strError) {
    return Timestamp() + "  List file: " + strListFile + "  Error: " + strError;
}

}  // namespace kel
