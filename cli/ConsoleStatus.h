// The System Messages line of kel-batch: every message becomes one output line
// as soon as it is set. Window is the run's window interface.
#pragma once

#include <ostream>
#include <string>

namespace kel::cli {

template <class Window>
class ConsoleStatus : public Window {
public:
    explicit ConsoleStatus(std::ostream& out) : out_(out) {}
    void SetMessage(const std::string& strText) override { out_ << strText << '\n' << std::flush; }
    void RepaintMessage() override {}
    void SetBusy(bool) override {}

protected:
    std::ostream& out_;
};

}  // namespace kel::cli
