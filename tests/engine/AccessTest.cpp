// The engine object's life and its drawing access, against a recording component.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <stdexcept>

#include "engine/cAutoCAD.h"
#include "platform/FileSystem.h"
#include "support/FakeComponent.h"
#include "support/TempDir.h"

namespace kel {
namespace {

using test::FakeComponent;

struct RecordingMessages : IUserMessages {
    void ShowMessage(const std::string& t, const std::string& x, MessageIcon i) override {
        shown.push_back(t + "|" + x + "|" + std::to_string(static_cast<int>(i)));
    }
    std::vector<std::string> shown;
};

// Its SaveFile throws after recording the call; OpenFile throws after filling in a handle.
struct ThrowingComponent : FakeComponent {
    using FakeComponent::FakeComponent;
    std::int32_t OpenFile(std::int32_t& n, const std::string&, const std::string&) override {
        n = 7;
        throw std::runtime_error("open");
    }
    void SaveFile(const std::string& p, std::int32_t v) override {
        FakeComponent::SaveFile(p, v);
        throw std::runtime_error("disk full");
    }
};

class AccessTest : public ::testing::Test {
protected:
    template <class Component = FakeComponent>
    std::unique_ptr<cAutoCAD> Engine(bool create = true) {
        auto e = std::make_unique<cAutoCAD>(
            [this](ComponentCreationError&) { return std::make_unique<Component>(log); }, &messages, dir.Path());
        EXPECT_EQ(create ? e->CreateComponent() : 1, 1);
        return e;
    }
    test::TempDir dir;
    FakeComponent::Log log;
    RecordingMessages messages;
};

TEST_F(AccessTest, AppFolderAndCreationFailures) {
    EXPECT_EQ(cAutoCAD({}, &messages, "/srv/kel").strAppFolder, std::string("/srv/kel") + PathSeparator());
    EXPECT_EQ(cAutoCAD({}, &messages, "/srv/kel/").strAppFolder, "/srv/kel/");
    EXPECT_EQ(cAutoCAD({}, &messages, "/").strAppFolder, "/");
    cAutoCAD failing([](ComponentCreationError& err) -> std::unique_ptr<IDrawingComponent> {
        err.number = 13;
        err.description = "Permission denied";
        return nullptr;
    }, &messages, dir.Path());
    EXPECT_EQ(failing.CreateComponent(), -1);
    EXPECT_EQ(failing.objDWG, nullptr);
    cAutoCAD throwing([](ComponentCreationError&) -> std::unique_ptr<IDrawingComponent> {
        throw std::runtime_error("no licence");
    }, &messages, dir.Path());
    EXPECT_EQ(throwing.CreateComponent(), -1);
    const std::string icon = "|" + std::to_string(static_cast<int>(MessageIcon::Exclamation));
    EXPECT_EQ(messages.shown, (std::vector<std::string>{
                                  "Error|Unable to create instance of DToolsX-DWG.\r\n13 : Permission denied" + icon,
                                  "Error|Unable to create instance of DToolsX-DWG.\r\n0 : no licence" + icon}));
}

TEST_F(AccessTest, OpenDrawingChecksTheNameAndTracksTheOpenState) {
    auto e = Engine();
    for (const std::string& path : {dir.File("missing.dxf"), dir.Write("notes.txt", "x"), dir.Write("a.dwgx", "x")}) {
        EXPECT_EQ(e->OpenDrawing(path), 0) << path;
    }
    EXPECT_TRUE(log.calls.empty());
    EXPECT_EQ(Engine(false)->OpenDrawing(dir.Write("a.dwg", "x")), -1);  // no component
    for (const char* name : {"A.DXF", "b.dwg"}) EXPECT_EQ(e->OpenDrawing(dir.Write(name, "x")), 1) << name;
    // The path ends at the first NUL; the password is passed on.
    EXPECT_EQ(e->OpenDrawing(dir.File("b.dwg") + std::string("\0x.txt", 6), "pw"), 1);
    EXPECT_EQ(log.calls.back(), "OpenFile(" + dir.File("b.dwg") + ",pw)");
    // A refused name leaves the state alone; a drawing the component refuses clears it.
    EXPECT_EQ(e->OpenDrawing(dir.File("gone.dxf")), 0);
    EXPECT_EQ(e->blnDrawingOpen, -1);
    for (std::int32_t refused : {0, -5}) {
        log.openResult = refused;
        EXPECT_EQ(e->OpenDrawing(dir.File("b.dwg")), -1);
        EXPECT_EQ(e->blnDrawingOpen, 0);
    }
}

TEST_F(AccessTest, WrappersCallTheComponentAndCompareTheStatusExactly) {
    const std::vector<std::tuple<const char*, std::function<std::int16_t(cAutoCAD&)>, const char*>> cases = {
        {"SaveFile", [](cAutoCAD& e) { return e.SaveDrawing("/d/a.dwg", -1); }, "SaveFile(/d/a.dwg,-1)"},
        {"WriteXML", [](cAutoCAD& e) { return e.CreateXML("/t/x.xml", 1, 2, 3, 4, 5, 6, 7, 8); },
         "WriteXML(/t/x.xml,1,2,3,4,5,6,7,8)"},
        {"SetAttributeValue", [](cAutoCAD& e) { return e.UpdateBlockAttribute("A-101", "1F"); },
         "SetAttributeValue(A-101,1F)"},
        {"DeleteEntity", [](cAutoCAD& e) { return e.DeleteObject("2A"); }, "DeleteEntity(2A)"},
        {"CloseFile", [](cAutoCAD& e) { return e.CloseDrawing(); }, "CloseFile()"},
    };
    auto e = Engine();
    auto none = Engine(false);
    const std::string drawing = dir.Write("a.dwg", "x");
    for (const auto& [name, call, expected] : cases) {
        log.calls.clear();
        EXPECT_EQ(call(*e), 1) << name;
        EXPECT_EQ(log.calls, std::vector<std::string>{expected});
        ASSERT_EQ(e->OpenDrawing(drawing), 1);
        for (const char* bad : {"1000:OK", "1000:Ok ", "", "3001:Handle 1F not found"}) {
            log.statusFor[name] = bad;
            EXPECT_EQ(call(*e), -1) << name << " \"" << bad << '"';
        }
        // A failed call keeps the drawing open; only CloseDrawing ends it, failed or not.
        EXPECT_EQ(e->blnDrawingOpen, std::string(name) == "CloseFile" ? 0 : -1) << name;
        EXPECT_EQ(call(*none), -1) << name;
    }
}

// A throwing component fails the call even after an OK status.
TEST_F(AccessTest, ThrowingComponent) {
    auto t = Engine<ThrowingComponent>();
    EXPECT_EQ(t->SaveDrawing("/d/a.dwg", -1), -1);
    EXPECT_EQ(t->OpenDrawing(dir.Write("a.dwg", "x")), -1);
    EXPECT_EQ(t->blnDrawingOpen, 0);
}

TEST_F(AccessTest, DestructionAndRecreationCloseAnOpenDrawingOnce) {
    const auto closes = [&] { return std::count(log.calls.begin(), log.calls.end(), "CloseFile()"); };
    Engine()->OpenDrawing(dir.Write("a.dwg", "x"));
    EXPECT_EQ(closes(), 1);
    EXPECT_EQ(log.destroyed, 1);
    Engine()->CloseDrawing();  // nothing open: no second close on destruction
    EXPECT_EQ(closes(), 2);
    auto e = Engine();
    e->OpenDrawing(dir.File("a.dwg"));
    EXPECT_EQ(e->CreateComponent(), 1);
    EXPECT_EQ(closes(), 3);
    EXPECT_EQ(e->blnDrawingOpen, 0);
}

}  // namespace
}  // namespace kel
