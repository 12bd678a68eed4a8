// The System Messages line of kel-batch: every message becomes one output line
// as soon as it is set. Failures of drawings and warnings go to the error
// stream at once, with their reasons. Window is the run's window interface.
#pragma once

#include <ostream>
#include <string>

namespace kel::cli {

template <class Window>
class ConsoleStatus : public Window {
public:
    ConsoleStatus(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}
    void SetMessage(const std::string& strText) override { out_ << strText << '\n' << std::flush; }
    void RepaintMessage() override {}
    void SetBusy(bool) override {}
    void DrawingFailed(const std::string& strDrawing, const std::string& strReason) override {
        err_ << "kel-batch: " << strDrawing << ": " << strReason << '\n' << std::flush;
    }
    void Warn(const std::string& strText) override { err_ << "kel-batch: warning: " << strText << '\n' << std::flush; }

protected:
    std::ostream& out_;
    std::ostream& err_;
};

}  // namespace kel::cli
