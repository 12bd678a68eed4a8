// What the runs need from the main window besides their options: the status
// line, the dialog and the controls a run resets. The window implements these
// with its controls; the command line prints the messages.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "engine/AttributeChange.h"

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
    // Asked between drawings: true stops the run there.
    virtual bool CancelRequested() { return false; }
    // Whether the window takes the changes below: a run lists them only then.
    virtual bool WantsChanges() const { return true; }
    // The changes a drawing took (or, in a dry run, would take), in order.
    virtual void DrawingChanged(const std::string& /*strDrawing*/, const std::vector<AttributeChange>& /*changes*/) {}
    // After each drawing: how many of the run's drawings are done, and which
    // was the last.
    virtual void Progress(std::size_t /*done*/, std::size_t /*total*/, const std::string& /*strDrawing*/) {}
};

// The main window as seen by the Modify run (its inputs come as RunOptions).
class IModifyWindow : public IStatusLine {
public:
    virtual void UnselectDrawings() = 0;
    virtual void DisableModify() = 0;
};

// The main window as seen by the list file batch and its wildcard scans.
class IBatchWindow : public IStatusLine {
public:
    // Clears the command line once the batch has used it.
    virtual void ClearCommandLine() = 0;
    // A file-open dialog whose file must exist; "" when cancelled.
    virtual std::string OpenFileDialog(const std::string& strFilter, const std::string& strTitle,
                                       const std::string& strInitialFolder) = 0;
    virtual void Beep() = 0;
};

}  // namespace kel
