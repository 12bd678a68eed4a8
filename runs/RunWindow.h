// What the runs need from the main window. The window implements these with its
// controls; the command line implements them with its arguments and prints the
// messages.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace kel {

// The System Messages line and the pointer.
class IStatusLine {
public:
    virtual ~IStatusLine() = default;
    virtual void SetMessage(const std::string& strText) = 0;
    // Repaints the message at once (the runs do not return to the event loop).
    virtual void RepaintMessage() = 0;
    // Busy pointer on or back to the default.
    virtual void SetBusy(bool blnBusy) = 0;
    // A drawing the run could not change, with the reason (the text of its
    // error log line). The window leaves it to the error log; the command line
    // prints it at once.
    virtual void DrawingFailed(const std::string& /*strDrawing*/, const std::string& /*strReason*/) {}
    // A warning about the run's input, such as a template line that does
    // nothing. The window shows it in the status line.
    virtual void Warn(const std::string& strText) {
        SetMessage(strText);
        RepaintMessage();
    }
};

// One entry of the drawing list.
struct DrawingItem {
    std::string name;
    bool selected = false;
    // The drawing's own folder when it is not the drawing folder of the window.
    std::optional<std::string> folder;
};

// The main window as seen by the Modify run.
class IModifyWindow : public IStatusLine {
public:
    virtual std::string TemplateFolder() = 0;
    virtual std::string TemplateName() = 0;
    virtual std::string DrawingFolder() = 0;
    virtual std::vector<DrawingItem> Drawings() = 0;
    virtual std::string Delimiter() = 0;
    virtual bool AuditOn() = 0;
    virtual void UnselectDrawings() = 0;
    virtual void DisableModify() = 0;
};

// The main window as seen by the list file batch and its wildcard scans.
class IBatchWindow : public IStatusLine {
public:
    virtual std::string Delimiter() = 0;
    virtual bool AuditOn() = 0;
    // The trimmed command line, and clearing it once the batch has used it.
    virtual std::string CommandLine() = 0;
    virtual void ClearCommandLine() = 0;
    // A file-open dialog whose file must exist; "" when cancelled.
    virtual std::string OpenFileDialog(const std::string& strFilter, const std::string& strTitle,
                                       const std::string& strInitialFolder) = 0;
    virtual void Beep() = 0;
    // Wildcard entries write the audit and error logs like plain entries
    // (by default they write neither).
    virtual bool LogScans() { return false; }
};

}  // namespace kel
