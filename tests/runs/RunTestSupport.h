// Shared pieces of the run tests: an application folder per test, a recording
// status line, factories over the recording fake, and a title block drawing.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "component/DrawingInfoXml.h"
#include "engine/cAutoCAD.h"
#include "runs/RunWindow.h"
#include "support/FakeComponent.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

namespace kel::test {

// Points the application folder at a fresh temporary folder for one test.
struct AppHome {
    std::string Read(const std::string& name) const { return ReadFile(dir.File(name)); }
    TempDir dir;
    ScopedEnv home{"KEL_HOME", dir.Path()};
};

// Records the messages, and "repaint" / "busy:0|1" between them.
template <class Window>
struct RecordingStatus : Window {
    void SetMessage(const std::string& t) override { messages.push_back(t), events.push_back("msg"); }
    void RepaintMessage() override { events.push_back("repaint"); }
    void SetBusy(bool b) override { events.push_back(b ? "busy:1" : "busy:0"); }
    bool Shown(const std::string& t) const { return std::count(messages.begin(), messages.end(), t) > 0; }
    std::vector<std::string> messages, events;
};

inline ComponentFactory FakeFactory(FakeComponent::Log& log) {
    return [&log](ComponentCreationError&) { return std::make_unique<FakeComponent>(log); };
}

inline ComponentFactory FailingFactory() {
    return [](ComponentCreationError& e) -> std::unique_ptr<IDrawingComponent> {
        e.description = "no component";
        return nullptr;
    };
}

// TITLE in model space with the attributes DWGNO (handle 1F) and REV (20).
inline std::string TitleBlockXml() {
    InsertInfo ins{"TITLE", "1E", 30, "0", 0, 0, 0, 0, 1, 1, {{"1F", 31, "DWGNO", "X-1"}, {"20", 32, "REV", "A"}}};
    return DrawingInfoToXml(DrawingInfo{"drawing", {BlockInfo{"*Model_Space", "Model", {ins}}}}, true);
}

inline const char* kSetDrawingNumber = "*INPUT\r\n*ATTRIBUTE_TAGS\r\nDWGNO,r,A-101\r\n";
inline const char* kNoInputSection = "*ATTRIBUTE_TAGS\r\nDWGNO,r,A-101\r\n";
inline const std::string kStamp = R"(\d\d/\d\d/\d{4} \d\d:\d\d:\d\d [ap]m)";
inline const std::string kSummary = R"(Attributes for (\d+) file\(s\) modified in \d+\.\d\d second\(s\)\.)";

// The CR LF lines of a log; a last line without CR LF is marked.
inline std::vector<std::string> LogLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string::size_type start = 0;
    for (auto pos = text.find("\r\n"); pos != std::string::npos; pos = text.find("\r\n", start = pos + 2)) {
        lines.push_back(text.substr(start, pos - start));
    }
    if (start < text.size()) lines.push_back(text.substr(start) + "<no CR LF>");
    return lines;
}

// The error log's lines without their time stamps.
inline std::vector<std::string> ErrorLines(const AppHome& home) {
    std::vector<std::string> lines = LogLines(home.Read("err.log"));
    for (auto& l : lines) l = l.substr(22);
    return lines;
}

inline int Occurrences(const std::string& text, const std::string& part) {
    int n = 0;
    for (auto p = text.find(part); p != std::string::npos; p = text.find(part, p + 1)) ++n;
    return n;
}

inline int Count(const std::vector<std::string>& calls, const std::string& prefix) {
    return static_cast<int>(
        std::count_if(calls.begin(), calls.end(), [&](const std::string& c) { return c.rfind(prefix, 0) == 0; }));
}

}  // namespace kel::test
