#include "runs/RunLogs.h"

#include "platform/AppFolder.h"
#include "runs/PathText.h"
#include "runs/RunFormats.h"

namespace kel {

std::string AuditLogPath() { return JoinPath(ApplicationFolder(), "audit.log"); }
std::string ErrorLogPath() { return JoinPath(ApplicationFolder(), "err.log"); }

bool OpenAuditLog(LogFile& audit) {
    if (!audit.Open(AuditLogPath(), LogFile::Mode::Append)) return false;
    audit.WriteLine("");
    audit.WriteLine(Timestamp());
    return true;
}

std::string AuditLogFailureText() {
    std::string strWhy;
    const std::string strFolder = ApplicationFolder(&strWhy);
    std::string text = "Unable to write the audit log " + JoinPath(strFolder, "audit.log");
    if (!strWhy.empty()) text += " (" + strWhy + ")";
    return text + ". No drawing was changed.";
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
