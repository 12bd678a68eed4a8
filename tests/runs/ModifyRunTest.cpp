#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "platform/FileSystem.h"
#include "runs/ModifyRun.h"
#include "runs/RunState.h"
#include "RunTestSupport.h"

namespace kel::test {
namespace {

namespace fs = std::filesystem;

struct FakeModifyWindow : RecordingStatus<IModifyWindow> {
    std::string templateFolder, drawingFolder;
    std::vector<DrawingItem> items;
    bool audit = true, unselected = false, disabled = false;
    std::string TemplateFolder() override { return templateFolder; }
    std::string TemplateName() override { return "title.txt"; }
    std::string DrawingFolder() override { return drawingFolder; }
    std::vector<DrawingItem> Drawings() override { return items; }
    std::string Delimiter() override { return ","; }
    bool AuditOn() override { return audit; }
    void UnselectDrawings() override { unselected = true; }
    void DisableModify() override { disabled = true; }
};

class ModifyRunTest : public ::testing::Test {
protected:
    ModifyRunTest() {
        log.xml = TitleBlockXml();
        window.templateFolder = window.drawingFolder = work.Path();
        work.Write("title.txt", kSetDrawingNumber);
    }
    ModifyRunResult Run() { return RunModify(window, FakeFactory(log), nullptr); }
    std::vector<std::string> ErrLines() const { return LogLines(home.Read("err.log")); }

    AppHome home;
    TempDir work;
    FakeComponent::Log log;
    FakeModifyWindow window;
};

TEST_F(ModifyRunTest, SavesSelectedDrawingsInPlaceAndDeletesTheErrorLog) {
    const std::string a = work.Write("Plan-A.dxf", "x"), b = work.Write("sub/b.DXF", "x");
    work.Write("skip.dxf", "x");
    window.items = {{"Plan-A.dxf", true, {}}, {"skip.dxf", false, {}}, {"b.DXF", true, work.Path() + "/sub/"}};
    home.dir.Write("err.log", "left by an earlier run\r\n");

    const ModifyRunResult r = Run();

    EXPECT_EQ(r.modified, 2);
    EXPECT_EQ(log.calls, (std::vector<std::string>{"OpenFile(" + a + ",)", "WriteXML(" + home.dir.File("_file.xml") +
                          ",1,0,0,0,0,0,0,0)", "SetAttributeValue(A-101,1F)", "SaveFile(" + a + ",-1)", "CloseFile()",
                          "OpenFile(" + b + ",)", "WriteXML(" + home.dir.File("_file.xml") + ",1,0,0,0,0,0,0,0)",
                          "SetAttributeValue(A-101,1F)", "SaveFile(" + b + ",-1)", "CloseFile()"}));
    EXPECT_EQ(log.destroyed, 1) << "one component for the whole run";
    EXPECT_FALSE(FileExists(home.dir.File("err.log")));
    EXPECT_EQ(window.messages.front(), "Modification in process...");
    EXPECT_EQ(window.events[1], "repaint");
    EXPECT_TRUE(window.Shown("Processing " + b + "..."));
    std::smatch m;
    ASSERT_TRUE(std::regex_match(window.messages.back(), m, std::regex(kSummary))) << window.messages.back();
    EXPECT_EQ(m[1], "2");
    EXPECT_EQ(window.events.back(), "busy:0");
    EXPECT_TRUE(window.unselected && window.disabled);
    EXPECT_EQ(strDWGpath, b);

    const auto audit = LogLines(home.Read("audit.log"));
    ASSERT_GE(audit.size(), 6u);
    EXPECT_EQ(audit[0], "");
    EXPECT_TRUE(std::regex_match(audit[1], std::regex(kStamp))) << audit[1];
    EXPECT_EQ(audit[2], a);
    EXPECT_NE(audit[3].find("DWGNO"), std::string::npos) << "the engine's action line";
    EXPECT_EQ(audit[4], b);

    window.audit = false;
    window.items = {{"Plan-A.dxf", true, {}}};
    fs::remove(home.dir.File("audit.log"));
    EXPECT_EQ(Run().modified, 1);
    EXPECT_FALSE(FileExists(home.dir.File("audit.log")));
}

TEST_F(ModifyRunTest, FailedDrawingsAreLoggedAndNotCounted) {
    work.Write("notes.txt", "not a drawing");
    work.Write("good.dxf", "x");
    work.Write("unsaved.dxf", "x");
    window.items = {{"gone.dxf", true, {}}, {"notes.txt", true, {}}, {"good.dxf", true, {}}};
    EXPECT_EQ(Run().modified, 1);
    auto err = ErrLines();
    ASSERT_EQ(err.size(), 2u);
    EXPECT_TRUE(std::regex_match(err[0], std::regex(kStamp + "  Drawing: " + work.File("gone.dxf") +
                                                    "  Error: File GONE\\.DXF not found\\.")))
        << err[0];
    EXPECT_EQ(err[1].substr(22), "  Drawing: " + work.File("notes.txt") + "  Error: Error opening file NOTES.TXT.");
    const std::string audit = home.Read("audit.log");
    EXPECT_NE(audit.find("\r\n" + work.File("gone.dxf") + " not found.\r\n"), std::string::npos);
    EXPECT_EQ(audit.find("Error opening"), std::string::npos) << "errors never go to the audit log";

    // Nothing to change, then a refused save: closed unsaved or failed, never counted.
    work.Write("title.txt", "*INPUT\r\n*ATTRIBUTE_TAGS\r\nNOSUCHTAG,r,1\r\n");
    window.items = {{"unsaved.dxf", true, {}}};
    log.calls.clear();
    EXPECT_EQ(Run().modified, 0);
    EXPECT_EQ(Count(log.calls, "SaveFile"), 0);
    EXPECT_EQ(Count(log.calls, "CloseFile"), 1);
    EXPECT_EQ(ErrLines().at(0).substr(22), "  Drawing: " + work.File("unsaved.dxf") + "  Error: No data found to process.");
    work.Write("title.txt", kSetDrawingNumber);
    log.statusFor["SaveFile"] = "4002:Cannot write";
    const ModifyRunResult r = Run();
    EXPECT_EQ(r.modified, 0);
    EXPECT_EQ(r.errorLines, 1);
    EXPECT_EQ(ErrLines().at(0).substr(22),
              "  Drawing: " + work.File("unsaved.dxf") + "  Error: Unable to save drawing UNSAVED.DXF (4002:Cannot write).");
}

TEST_F(ModifyRunTest, RejectedTemplateOrMissingComponentEndsTheRunBeforeAnyDrawing) {
    work.Write("title.txt", kNoInputSection);
    work.Write("a.dxf", "x");
    window.templateFolder = work.Path() + "/";
    window.items = {{"a.dxf", true, {}}};
    EXPECT_EQ(Run().outcome, ModifyRunResult::Outcome::TemplateRejected);
    EXPECT_EQ(Count(log.calls, "OpenFile"), 0);
    EXPECT_EQ(window.messages.back(), "No attributes modified. Template file requires '*INPUT'.");
    const auto err = ErrLines();
    ASSERT_EQ(err.size(), 1u);
    EXPECT_EQ(err[0].substr(22), "  Template: " + work.File("title.txt") + "  Error: Template file requires '*INPUT'.");
    EXPECT_FALSE(window.unselected || window.disabled);
    EXPECT_EQ(Count(window.events, "busy"), 0);
    EXPECT_EQ(LogLines(home.Read("audit.log")).size(), 2u) << "only the start lines";

    fs::remove(home.dir.File("audit.log"));
    window.messages.clear();
    EXPECT_EQ(RunModify(window, FailingFactory(), nullptr).outcome, ModifyRunResult::Outcome::ComponentFailed);
    EXPECT_EQ(window.messages, std::vector<std::string>{"Modification in process..."});
    EXPECT_EQ(ErrLines().size(), 1u) << "the earlier error log is untouched";
    EXPECT_FALSE(FileExists(home.dir.File("audit.log")));
}

}  // namespace
}  // namespace kel::test
