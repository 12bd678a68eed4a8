// Shared pieces of the run tests: an application folder per test, a recording
// status line, a component factory over the recording fake, and a drawing
// description the fake hands out as its XML.
#pragma once

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "component/DrawingInfoXml.h"
#include "engine/cAutoCAD.h"
#include "runs/RunWindow.h"
#include "support/FakeComponent.h"
#include "support/TempDir.h"

namespace kel::test {

// Points the application folder at a fresh temporary folder for one test.
class AppHome {
public:
    AppHome() { setenv("KEL_HOME", dir.Path().c_str(), 1); }
    ~AppHome() { unsetenv("KEL_HOME"); }
    std::string File(const std::string& name) const { return dir.File(name); }
    TempDir dir;
};

// Everything a run shows, in order: "msg:<text>", "repaint", "busy:1", ...
struct StatusRecord {
    std::vector<std::string> events;
    std::vector<std::string> Messages() const {
        std::vector<std::string> m;
        for (const auto& e : events) {
            if (e.rfind("msg:", 0) == 0) m.push_back(e.substr(4));
        }
        return m;
    }
    std::string Last() const {
        auto m = Messages();
        return m.empty() ? std::string() : m.back();
    }
};

template <class Window>
class RecordingStatus : public Window {
public:
    void SetMessage(const std::string& t) override { status.events.push_back("msg:" + t); }
    void RepaintMessage() override { status.events.push_back("repaint"); }
    void SetBusy(bool b) override { status.events.push_back(b ? "busy:1" : "busy:0"); }
    StatusRecord status;
};

inline ComponentFactory FakeFactory(FakeComponent::Log& log) {
    return [&log](ComponentCreationError&) -> std::unique_ptr<IDrawingComponent> {
        return std::make_unique<FakeComponent>(log);
    };
}

inline ComponentFactory FailingFactory() {
    return [](ComponentCreationError& e) -> std::unique_ptr<IDrawingComponent> {
        e.number = 429;
        e.description = "no component";
        return nullptr;
    };
}

// A title block TITLE in model space with the attributes DWGNO (1F) and REV (20).
inline std::string TitleBlockXml() {
    DrawingInfo info;
    info.path = "drawing";
    BlockInfo model{"*Model_Space", "Model", {}};
    InsertInfo ins;
    ins.name = "TITLE";
    ins.handle = "1E";
    ins.elementId = 30;
    ins.layer = "0";
    ins.attributes = {{"1F", 31, "DWGNO", "X-1"}, {"20", 32, "REV", "A"}};
    model.inserts.push_back(ins);
    info.blocks.push_back(model);
    return DrawingInfoToXml(info, true);
}

inline const char* kSetDrawingNumber = "*INPUT\r\n*ATTRIBUTE_TAGS\r\nDWGNO,r,A-101\r\n";
inline const char* kSetMissingTag = "*INPUT\r\n*ATTRIBUTE_TAGS\r\nNOSUCHTAG,r,1\r\n";
inline const char* kNoInputSection = "*ATTRIBUTE_TAGS\r\nDWGNO,r,A-101\r\n";

// Splits a log into its CR LF lines (the last line's terminator included).
inline std::vector<std::string> LogLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string::size_type start = 0;
    for (auto pos = text.find("\r\n"); pos != std::string::npos; pos = text.find("\r\n", start)) {
        lines.push_back(text.substr(start, pos - start));
        start = pos + 2;
    }
    if (start < text.size()) lines.push_back(text.substr(start) + "<no CR LF>");
    return lines;
}

inline int Count(const std::vector<std::string>& calls, const std::string& prefix) {
    int n = 0;
    for (const auto& c : calls) n += c.rfind(prefix, 0) == 0 ? 1 : 0;
    return n;
}

}  // namespace kel::test
