#include <gtest/gtest.h>

#include <regex>

#include "platform/FileSystem.h"
#include "runs/ModifyRun.h"
#include "runs/RunState.h"
#include "RunTestSupport.h"

namespace kel::test {
namespace {

const std::string kStamp = R"(\d\d/\d\d/\d{4} \d\d:\d\d:\d\d [ap]m)";

class FakeModifyWindow : public RecordingStatus<IModifyWindow> {
public:
    std::string templateFolder, templateName, drawingFolder, delimiter = ",";
    std::vector<DrawingItem> items;
    bool audit = true, unselected = false, disabled = false;

    std::string TemplateFolder() override { return templateFolder; }
    std::string TemplateName() override { return templateName; }
    std::string DrawingFolder() override { return drawingFolder; }
    std::vector<DrawingItem> Drawings() override { return items; }
    std::string Delimiter() override { return delimiter; }
    bool AuditOn() override { return audit; }
    void UnselectDrawings() override { unselected = true; }
    void DisableModify() override { disabled = true; }
};

class ModifyRunTest : public ::testing::Test {
protected:
    ModifyRunTest() {
        log.xml = TitleBlockXml();
        window.templateFolder = work.Path();
        window.templateName = "title.txt";
        window.drawingFolder = work.Path();
        work.Write("title.txt", kSetDrawingNumber);
    }
    ModifyRunResult Run() { return RunModify(window, FakeFactory(log), nullptr); }
    std::string ErrLog() const { return ReadFile(home.File("err.log")); }
    std::string Audit() const { return ReadFile(home.File("audit.log")); }

    AppHome home;
    TempDir work;
    FakeComponent::Log log;
    FakeModifyWindow window;
};

TEST_F(ModifyRunTest, SavesSelectedDrawingsInPlaceKeepingTheirCaseAndClearsAnOldErrorLog) {
    work.Write("Plan-A.dxf", "x");
    work.Write("b.DXF", "x");
    work.Write("skip.dxf", "x");
    window.items = {{"Plan-A.dxf", true, {}}, {"skip.dxf", false, {}}, {"b.DXF", true, {}}};
    home.dir.Write("err.log", "left by an earlier run\r\n");

    const ModifyRunResult r = Run();

    EXPECT_EQ(r.outcome, ModifyRunResult::Outcome::Finished);
    EXPECT_EQ(r.modified, 2);
    EXPECT_EQ(r.errorLines, 0);
    const std::string a = work.File("Plan-A.dxf"), b = work.File("b.DXF");
    EXPECT_EQ(Count(log.calls, "OpenFile(" + a), 1);
    EXPECT_EQ(Count(log.calls, "SaveFile(" + a + ",-1)"), 1);
    EXPECT_EQ(Count(log.calls, "SaveFile(" + b + ",-1)"), 1);
    EXPECT_EQ(Count(log.calls, "OpenFile(" + work.File("skip.dxf")), 0);
    EXPECT_EQ(Count(log.calls, "SetAttributeValue(A-101,1F)"), 2);
    EXPECT_EQ(log.destroyed, 1) << "one component for the whole run";
    EXPECT_FALSE(FileExists(home.File("err.log")));

    // Status line: start text repainted, each drawing after its open, then the summary.
    const auto& ev = window.status.events;
    ASSERT_GE(ev.size(), 3u);
    EXPECT_EQ(ev[0], "msg:Modification in process...");
    EXPECT_EQ(ev[1], "repaint");
    const auto m = window.status.Messages();
    EXPECT_NE(std::find(m.begin(), m.end(), "Processing " + b + "..."), m.end());
    EXPECT_TRUE(std::regex_match(m.back(), std::regex(R"(Attributes for 2 file\(s\) modified in \d+\.\d\d second\(s\)\.)")))
        << m.back();
    EXPECT_EQ(ev.back(), "busy:0");
    EXPECT_TRUE(window.unselected);
    EXPECT_TRUE(window.disabled);
    EXPECT_EQ(strDWGpath, b);
    EXPECT_EQ(strDWGname, "b.DXF");

    // Audit: a blank line and the time, then per drawing its path and the engine's lines.
    const auto lines = LogLines(Audit());
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0], "");
    EXPECT_TRUE(std::regex_match(lines[1], std::regex(kStamp))) << lines[1];
    EXPECT_EQ(lines[2], a);
    EXPECT_NE(std::find(lines.begin(), lines.end(), b), lines.end());
    EXPECT_GT(lines.size(), 4u) << "GetAttributes adds its action lines";
}

TEST_F(ModifyRunTest, MissingAndUnopenableDrawingsAreLoggedAndNotCounted) {
    work.Write("notes.txt", "not a drawing");
    work.Write("good.dxf", "x");
    window.items = {{"gone.dxf", true, {}}, {"notes.txt", true, {}}, {"good.dxf", true, {}}};

    const ModifyRunResult r = Run();

    EXPECT_EQ(r.modified, 1);
    EXPECT_EQ(r.errorLines, 2);
    const auto err = LogLines(ErrLog());
    ASSERT_EQ(err.size(), 2u);
    EXPECT_TRUE(std::regex_match(err[0], std::regex(kStamp + "  Drawing: " + work.File("gone.dxf") +
                                                    "  Error: File GONE\\.DXF not found\\.")))
        << err[0];
    EXPECT_TRUE(std::regex_match(err[1], std::regex(kStamp + "  Drawing: " + work.File("notes.txt") +
                                                    "  Error: Error opening file NOTES\\.TXT\\.")))
        << err[1];
    const std::string audit = Audit();
    EXPECT_NE(audit.find("\r\n" + work.File("gone.dxf") + " not found.\r\n"), std::string::npos);
    EXPECT_EQ(audit.find("Error opening"), std::string::npos) << "error lines never go to the audit log";
    EXPECT_EQ(window.status.Last().rfind("Attributes for 1 file(s) modified in ", 0), 0u);
}

TEST_F(ModifyRunTest, DrawingThatCouldNotBeChangedOrSavedIsAnErrorNotASuccess) {
    work.Write("nothing.dxf", "x");
    work.Write("title.txt", kSetMissingTag);
    window.items = {{"nothing.dxf", true, {}}};
    ModifyRunResult r = Run();
    EXPECT_EQ(r.modified, 0);
    EXPECT_EQ(Count(log.calls, "SaveFile"), 0);
    EXPECT_EQ(Count(log.calls, "CloseFile"), 1) << "closed unsaved";
    EXPECT_NE(ErrLog().find("  Error: No data found to process.\r\n"), std::string::npos) << ErrLog();

    work.Write("title.txt", kSetDrawingNumber);
    log.calls.clear();
    log.statusFor["SaveFile"] = "4002:Cannot write";
    r = Run();
    EXPECT_EQ(r.modified, 0);
    EXPECT_EQ(r.errorLines, 1);
    EXPECT_NE(ErrLog().find("  Error: Unable to save drawing NOTHING.DXF (4002:Cannot write).\r\n"), std::string::npos)
        << ErrLog();
    EXPECT_EQ(window.status.Last().rfind("Attributes for 0 file(s)", 0), 0u);
}

TEST_F(ModifyRunTest, RejectedTemplateEndsTheRunBeforeAnyDrawing) {
    work.Write("title.txt", kNoInputSection);
    work.Write("a.dxf", "x");
    window.templateFolder = work.Path() + "/";  // a folder given with its separator gets no second one
    window.items = {{"a.dxf", true, {}}};

    const ModifyRunResult r = Run();

    EXPECT_EQ(r.outcome, ModifyRunResult::Outcome::TemplateRejected);
    EXPECT_EQ(Count(log.calls, "OpenFile"), 0);
    EXPECT_EQ(window.status.Last(), "No attributes modified. Template file requires '*INPUT'.");
    const auto err = LogLines(ErrLog());
    ASSERT_EQ(err.size(), 1u);
    EXPECT_TRUE(std::regex_match(err[0], std::regex(kStamp + "  Template: " + work.File("title.txt") +
                                                    "  Error: Template file requires '\\*INPUT'\\.")))
        << err[0];
    EXPECT_FALSE(window.unselected);
    EXPECT_FALSE(window.disabled);
    EXPECT_EQ(Count(window.status.events, "busy"), 0);
    EXPECT_EQ(LogLines(Audit()).size(), 2u) << "only the start lines";
}

TEST_F(ModifyRunTest, NoComponentMeansNoLogsAndNoChange) {
    work.Write("a.dxf", "x");
    window.items = {{"a.dxf", true, {}}};
    home.dir.Write("err.log", "earlier\r\n");
    struct Capture : IUserMessages {
        std::string text;
        void ShowMessage(const std::string&, const std::string& t, MessageIcon) override { text += t; }
    } messages;

    const ModifyRunResult r = RunModify(window, FailingFactory(), &messages);

    EXPECT_EQ(r.outcome, ModifyRunResult::Outcome::ComponentFailed);
    EXPECT_EQ(window.status.Last(), "Modification in process...");
    EXPECT_EQ(ErrLog(), "earlier\r\n");
    EXPECT_FALSE(FileExists(home.File("audit.log")));
    EXPECT_NE(messages.text.find("no component"), std::string::npos);
    EXPECT_FALSE(window.unselected);
}

TEST_F(ModifyRunTest, AuditSwitchOffWritesNoAuditLog) {
    work.Write("a.dxf", "x");
    window.items = {{"a.dxf", true, {}}};
    window.audit = false;
    EXPECT_EQ(Run().modified, 1);
    EXPECT_FALSE(FileExists(home.File("audit.log")));
}

TEST_F(ModifyRunTest, DrawingsFromSeveralFoldersMakeOneRun) {
    const std::string other = work.Write("sub/Other.dxf", "x");
    work.Write("a.dxf", "x");
    window.drawingFolder = "/nowhere";
    window.items = {{"a.dxf", true, work.Path()}, {"Other.dxf", true, work.Path() + "/sub/"}};
    const ModifyRunResult r = Run();
    EXPECT_EQ(r.modified, 2);
    EXPECT_EQ(Count(log.calls, "SaveFile(" + other + ",-1)"), 1);
}

}  // namespace
}  // namespace kel::test
