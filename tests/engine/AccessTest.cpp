// The engine object's life and its drawing access, against a recording component.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <stdexcept>

#include "engine/cAutoCAD.h"
#include "platform/FileSystem.h"
#include "support/FakeComponent.h"
#include "support/TempDir.h"

namespace kel {
namespace {

using test::FakeComponent;

struct ShownMessage {
    std::string title, text;
    MessageIcon icon;
};

class RecordingMessages : public IUserMessages {
public:
    void ShowMessage(const std::string& t, const std::string& x, MessageIcon i) override {
        shown.push_back({t, x, i});
    }
    std::vector<ShownMessage> shown;
};

ComponentFactory FakeFactory(FakeComponent::Log& log) {
    return [&log](ComponentCreationError&) { return std::make_unique<FakeComponent>(log); };
}

class AccessTest : public ::testing::Test {
protected:
    // An engine with a component already created.
    std::unique_ptr<cAutoCAD> Engine() {
        auto e = std::make_unique<cAutoCAD>(FakeFactory(log), &messages, dir.Path());
        EXPECT_EQ(e->CreateComponent(), 1);
        return e;
    }
    test::TempDir dir;
    FakeComponent::Log log;
    RecordingMessages messages;
};

TEST_F(AccessTest, ApplicationFolderGetsExactlyOneTrailingSeparator) {
    EXPECT_EQ(cAutoCAD(FakeFactory(log), &messages, "/srv/kel").strAppFolder, "/srv/kel/");
    EXPECT_EQ(cAutoCAD(FakeFactory(log), &messages, "/srv/kel/").strAppFolder, "/srv/kel/");
    EXPECT_EQ(cAutoCAD(FakeFactory(log), &messages, "/").strAppFolder, "/");

    // Without an explicit folder the per-user application folder is used.
    const char* old = std::getenv("KEL_HOME");
    const std::string saved = old ? old : "";
    ::setenv("KEL_HOME", (dir.Path() + "/home").c_str(), 1);
    cAutoCAD e(FakeFactory(log), &messages);
    if (old) ::setenv("KEL_HOME", saved.c_str(), 1); else ::unsetenv("KEL_HOME");
    EXPECT_EQ(e.strAppFolder, dir.Path() + "/home/");
    EXPECT_TRUE(FileExists(dir.Path() + "/home"));
    EXPECT_EQ(e.blnDrawingOpen, 0);
    EXPECT_EQ(e.objDWG, nullptr);
}

TEST_F(AccessTest, CreateComponentSucceedsSilently) {
    cAutoCAD e(FakeFactory(log), &messages, dir.Path());
    EXPECT_EQ(e.CreateComponent(), 1);
    EXPECT_NE(e.objDWG, nullptr);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(AccessTest, FailedCreationShowsNumberAndDescription) {
    ComponentFactory failing = [](ComponentCreationError& err) -> std::unique_ptr<IDrawingComponent> {
        err.number = 13;
        err.description = "Permission denied";
        return nullptr;
    };
    cAutoCAD e(failing, &messages, dir.Path());
    EXPECT_EQ(e.CreateComponent(), -1);
    EXPECT_EQ(e.objDWG, nullptr);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].title, "Error");
    EXPECT_EQ(messages.shown[0].text, "Unable to create instance of DToolsX-DWG.\r\n13 : Permission denied");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Exclamation);

    // A factory that throws is a failed creation too, with the exception's text.
    ComponentFactory throwing = [](ComponentCreationError&) -> std::unique_ptr<IDrawingComponent> {
        throw std::runtime_error("no licence");
    };
    cAutoCAD t(throwing, &messages, dir.Path());
    EXPECT_EQ(t.CreateComponent(), -1);
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_NE(messages.shown[1].text.find(" : no licence"), std::string::npos);
}

TEST_F(AccessTest, OpenDrawingRefusesMissingFilesAndOtherExtensionsWithoutCallingTheComponent) {
    auto e = Engine();
    const std::string txt = dir.Write("notes.txt", "x");
    const std::string dwgx = dir.Write("a.dwgx", "x");
    EXPECT_EQ(e->OpenDrawing(dir.File("missing.dxf")), 0);
    EXPECT_EQ(e->OpenDrawing(txt), 0);
    EXPECT_EQ(e->OpenDrawing(dwgx), 0);
    EXPECT_EQ(e->OpenDrawing(""), 0);
    EXPECT_TRUE(log.calls.empty());
    EXPECT_EQ(e->blnDrawingOpen, 0);
}

TEST_F(AccessTest, OpenDrawingPassesBothExtensionsInAnyCase) {
    auto e = Engine();
    for (const char* name : {"A.DXF", "b.dwg", "c.Dxf", "d.DwG"}) {
        const std::string path = dir.Write(name, "x");
        EXPECT_EQ(e->OpenDrawing(path), 1) << name;
        EXPECT_EQ(e->blnDrawingOpen, -1);
        EXPECT_EQ(log.calls.back(), "OpenFile(" + path + ",)");
    }
    e->OpenDrawing(dir.File("b.dwg"), "secret");
    EXPECT_EQ(log.calls.back(), "OpenFile(" + dir.File("b.dwg") + ",secret)");
}

TEST_F(AccessTest, OpenDrawingCutsThePathAtTheFirstNul) {
    auto e = Engine();
    const std::string path = dir.Write("a.dxf", "x");
    EXPECT_EQ(e->OpenDrawing(path + std::string("\0garbage.txt", 12)), 1);
    ASSERT_EQ(log.calls.size(), 1u);
    EXPECT_EQ(log.calls[0], "OpenFile(" + path + ",)");
    EXPECT_EQ(cAutoCAD::TrimNull(std::string("ab\0c\0", 5)), "ab");
    EXPECT_EQ(cAutoCAD::TrimNull("abc"), "abc");
    EXPECT_EQ(cAutoCAD::TrimNull(std::string("\0x", 2)), "");
}

TEST_F(AccessTest, RefusedDrawingIsNotOpenAndZeroResultKeepsTheState) {
    auto e = Engine();
    const std::string path = dir.Write("a.dxf", "x");
    ASSERT_EQ(e->OpenDrawing(path), 1);
    // A refused name leaves the open drawing's flag alone.
    EXPECT_EQ(e->OpenDrawing(dir.File("gone.dxf")), 0);
    EXPECT_EQ(e->blnDrawingOpen, -1);
    // The component refusing the file clears it.
    for (std::int32_t refused : {0, -5}) {
        log.openResult = refused;
        EXPECT_EQ(e->OpenDrawing(path), -1);
        EXPECT_EQ(e->blnDrawingOpen, 0);
        e->blnDrawingOpen = -1;
    }
    e->blnDrawingOpen = 0;
}

// Each status wrapper: the component call with its arguments in order, then the
// status decides, compared exactly.
struct WrapperCase {
    const char* name;
    std::function<std::int16_t(cAutoCAD&)> call;
    std::string expectedCall;
};

class StatusWrapperTest : public AccessTest, public ::testing::WithParamInterface<int> {
protected:
    static std::vector<WrapperCase> Cases() {
        return {
            {"SaveFile", [](cAutoCAD& e) { return e.SaveDrawing("/d/a.dwg", -1); }, "SaveFile(/d/a.dwg,-1)"},
            {"WriteXML", [](cAutoCAD& e) { return e.CreateXML("/t/x.xml", 1, 2, 3, 4, 5, 6, 7, 8); },
             "WriteXML(/t/x.xml,1,2,3,4,5,6,7,8)"},
            {"SetAttributeValue", [](cAutoCAD& e) { return e.UpdateBlockAttribute("A-101", "1F"); },
             "SetAttributeValue(A-101,1F)"},
            {"DeleteEntity", [](cAutoCAD& e) { return e.DeleteObject("2A"); }, "DeleteEntity(2A)"},
            {"CloseFile", [](cAutoCAD& e) { return e.CloseDrawing(); }, "CloseFile()"},
        };
    }
};

TEST_P(StatusWrapperTest, CallsTheComponentAndComparesTheStatusExactly) {
    const WrapperCase c = Cases()[GetParam()];
    auto e = Engine();
    EXPECT_EQ(c.call(*e), 1);
    ASSERT_EQ(log.calls.size(), 1u);
    EXPECT_EQ(log.calls[0], c.expectedCall);
    for (const char* bad : {"1000:OK", "1000:Ok ", " 1000:Ok", "", "3001:Handle 1F not found"}) {
        log.statusFor[c.name] = bad;
        EXPECT_EQ(c.call(*e), -1) << '"' << bad << '"';
    }
}

TEST_P(StatusWrapperTest, FailsWithoutAComponent) {
    cAutoCAD e(FakeFactory(log), &messages, dir.Path());
    EXPECT_EQ(Cases()[GetParam()].call(e), -1);
    EXPECT_TRUE(log.calls.empty());
}

// A component whose calls throw after a successful one: the stale "1000:Ok"
// must not make the failed call look successful.
class ThrowingComponent : public FakeComponent {
public:
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

TEST_F(AccessTest, ComponentExceptionsBecomeFailures) {
    cAutoCAD e([this](ComponentCreationError&) { return std::make_unique<ThrowingComponent>(log); }, &messages,
               dir.Path());
    ASSERT_EQ(e.CreateComponent(), 1);
    EXPECT_EQ(e.OpenDrawing(dir.Write("a.dwg", "x")), -1);
    EXPECT_EQ(e.blnDrawingOpen, 0);
    EXPECT_EQ(e.SaveDrawing("/d/a.dwg", -1), -1);
    EXPECT_EQ(e.DeleteObject("1"), 1);
}

TEST_F(AccessTest, OpenDrawingWithoutComponentFails) {
    cAutoCAD e(FakeFactory(log), &messages, dir.Path());
    EXPECT_EQ(e.OpenDrawing(dir.Write("a.dwg", "x")), -1);
    EXPECT_EQ(e.OpenDrawing(dir.File("none.dwg")), 0);
    EXPECT_EQ(e.blnDrawingOpen, 0);
}

TEST_F(AccessTest, CloseDrawingClearsTheFlagWhateverTheStatus) {
    auto e = Engine();
    ASSERT_EQ(e->OpenDrawing(dir.Write("a.dwg", "x")), 1);
    log.statusFor["CloseFile"] = "2010:No drawing is open";
    EXPECT_EQ(e->CloseDrawing(), -1);
    EXPECT_EQ(e->blnDrawingOpen, 0);
}

TEST_F(AccessTest, OtherOperationsKeepTheDrawingOpen) {
    auto e = Engine();
    ASSERT_EQ(e->OpenDrawing(dir.Write("a.dwg", "x")), 1);
    log.status = "4002:Cannot write";
    e->SaveDrawing("/x.dwg", -1);
    e->CreateXML("/x.xml", 1);
    e->UpdateBlockAttribute("v", "1");
    e->DeleteObject("1");
    EXPECT_EQ(e->blnDrawingOpen, -1);
}

TEST_F(AccessTest, DestructionClosesAnOpenDrawingOnce) {
    {
        auto e = Engine();
        ASSERT_EQ(e->OpenDrawing(dir.Write("a.dwg", "x")), 1);
    }
    EXPECT_EQ(log.calls.back(), "CloseFile()");
    EXPECT_EQ(log.destroyed, 1);

    log.calls.clear();
    {
        auto e = Engine();
        ASSERT_EQ(e->OpenDrawing(dir.File("a.dwg")), 1);
        e->CloseDrawing();
    }
    EXPECT_EQ(std::count(log.calls.begin(), log.calls.end(), "CloseFile()"), 1);
    EXPECT_EQ(log.destroyed, 2);

    log.calls.clear();
    { auto e = Engine(); }
    EXPECT_TRUE(log.calls.empty());
}

TEST_F(AccessTest, RecreatingTheComponentClosesTheDrawingOfTheOldOne) {
    auto e = Engine();
    ASSERT_EQ(e->OpenDrawing(dir.Write("a.dwg", "x")), 1);
    ASSERT_EQ(e->CreateComponent(), 1);
    EXPECT_EQ(log.calls.back(), "CloseFile()");
    EXPECT_EQ(log.destroyed, 1);
    EXPECT_EQ(e->blnDrawingOpen, 0);
}

INSTANTIATE_TEST_SUITE_P(Each, StatusWrapperTest, ::testing::Range(0, 5));

}  // namespace
}  // namespace kel
