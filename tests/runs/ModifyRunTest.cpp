#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <regex>

#include "platform/FileSystem.h"
#include "runs/ModifyRun.h"
#include "runs/PathText.h"
#include "RunTestSupport.h"

namespace kel::test {
namespace {

// The window's drawing list: a name, its selection and a folder of its own.
struct DrawingItem {
    std::string name;
    bool selected = false;
    std::optional<std::string> folder;
};

struct FakeModifyWindow : RecordingStatus<IModifyWindow> {
    std::string folder;
    std::vector<DrawingItem> items;
    void UnselectDrawings() override {}
    void DisableModify() override {}
    // The options the window builds from its controls: title.txt of the folder.
    RunOptions Options() const {
        RunOptions options;
        options.strTemplate = JoinPath(folder, "title.txt");
        for (const DrawingItem& item : items) {
            if (item.selected) options.drawings.push_back(JoinPath(item.folder ? *item.folder : folder, item.name));
        }
        return options;
    }
};

class ModifyRunTest : public ::testing::Test {
protected:
    ModifyRunTest() {
        log.xml = TitleBlockXml();
        window.folder = work.Path();
        work.Write("title.txt", kSetDrawingNumber);
    }
    ModifyRunResult Run() { return RunModify(window.Options(), window, FakeFactory(log), nullptr); }
    std::vector<std::string> Errors() const { return ErrorLines(home); }

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

    EXPECT_EQ(Run().modified, 2);
    const std::string xml = "WriteXML(" + home.dir.File("_file.xml") + ",1,0,0,0,0,0,0,0)";
    EXPECT_EQ(log.calls, (std::vector<std::string>{"OpenFile(" + a + ",)", xml, "SetAttributeValue(A-101,1F)",
                          "SaveFile(" + a + ",-1)", "CloseFile()", "OpenFile(" + b + ",)", xml,
                          "SetAttributeValue(A-101,1F)", "SaveFile(" + b + ",-1)", "CloseFile()"}));
    EXPECT_EQ(log.destroyed, 1) << "one component for the whole run";
    EXPECT_FALSE(FileExists(home.dir.File("err.log")));
    // The window tests check the messages while drawings open, the cleared
    // selection, the disabled button and an unticked audit box.
    EXPECT_EQ(window.events[1], "repaint");
    std::smatch m;
    ASSERT_TRUE(std::regex_match(window.messages.back(), m, std::regex(kSummary))) << window.messages.back();
    EXPECT_EQ(m[1], "2");
    EXPECT_EQ(window.events.back(), "busy:0");
    // An empty line and a time stamp, then each drawing followed by the engine's action lines.
    const auto audit = LogLines(home.Read("audit.log"));
    ASSERT_GE(audit.size(), 6u);
    EXPECT_TRUE(audit[0].empty() && std::regex_match(audit[1], std::regex(kStamp))) << audit[1];
    EXPECT_EQ(audit[2] + "|" + audit[4], a + "|" + b);
    EXPECT_NE(audit[3].find("DWGNO"), std::string::npos);
}

TEST_F(ModifyRunTest, FailedDrawingsAreLoggedAndNotCounted) {
    work.Write("notes.txt", "not a drawing");
    work.Write("good.dxf", "x");
    window.items = {{"gone.dxf", true, {}}, {"notes.txt", true, {}}, {"good.dxf", true, {}}};
    EXPECT_EQ(Run().modified, 1);
    EXPECT_TRUE(std::regex_match(home.Read("err.log").substr(0, 22), std::regex(kStamp)));
    EXPECT_EQ(Errors(), (std::vector<std::string>{"  Drawing: " + work.File("gone.dxf") + "  Error: File GONE.DXF not found.",
                          "  Drawing: " + work.File("notes.txt") + "  Error: Error opening file NOTES.TXT (the name must end in .dwg or .dxf)."}));
    const std::string audit = home.Read("audit.log");
    EXPECT_NE(audit.find("\r\n" + work.File("gone.dxf") + " not found.\r\n"), std::string::npos);
    EXPECT_EQ(audit.find("Error opening"), std::string::npos) << "errors never go to the audit log";

    // Nothing to change, then a refused save: closed unsaved or failed, never counted.
    work.Write("title.txt", "*INPUT\r\n*ATTRIBUTE_TAGS\r\nNOSUCHTAG,r,1\r\n");
    window.items = {{"good.dxf", true, {}}};
    log.calls.clear();
    EXPECT_EQ(Run().modified, 0);
    EXPECT_EQ(std::pair(Count(log.calls, "SaveFile"), Count(log.calls, "CloseFile")), std::pair(0, 1));
    const std::string drawing = "  Drawing: " + work.File("good.dxf") + "  Error: ";
    EXPECT_EQ(Errors(), std::vector<std::string>{drawing + "No data found to process."});
    work.Write("title.txt", kSetDrawingNumber);
    log.statusFor["SaveFile"] = "4002:Cannot write";
    const ModifyRunResult r = Run();
    EXPECT_EQ(std::pair(r.modified, r.errorLines), std::pair(0, 1));
    EXPECT_EQ(Errors(), std::vector<std::string>{drawing + "Unable to save drawing GOOD.DXF (4002:Cannot write)."});
}

TEST_F(ModifyRunTest, RejectedTemplateOrMissingComponentEndsTheRunBeforeAnyDrawing) {
    work.Write("title.txt", kNoInputSection);
    work.Write("a.dxf", "x");
    window.folder = work.Path() + "/";
    window.items = {{"a.dxf", true, {}}};
    EXPECT_EQ(Run().outcome, ModifyRunResult::Outcome::TemplateRejected);
    EXPECT_EQ(std::pair(Count(log.calls, "OpenFile"), Count(window.events, "busy")), std::pair(0, 0));
    EXPECT_EQ(window.messages.back(), "No attributes modified. Template file requires '*INPUT'.");
    EXPECT_EQ(Errors(), std::vector<std::string>{"  Template: " + work.File("title.txt") +
                                                 "  Error: Template file requires '*INPUT'."});
    EXPECT_EQ(LogLines(home.Read("audit.log")).size(), 2u) << "only the start lines";

    std::filesystem::remove(home.dir.File("audit.log"));
    window.messages.clear();
    EXPECT_EQ(RunModify(window.Options(), window, FailingFactory(), nullptr).outcome, ModifyRunResult::Outcome::ComponentFailed);
    EXPECT_EQ(window.messages, std::vector<std::string>{"Modification in process..."});
    EXPECT_EQ(Errors().size(), 1u) << "the earlier error log is untouched";
    EXPECT_FALSE(FileExists(home.dir.File("audit.log")));
}

TEST_F(ModifyRunTest, AuditLogThatCannotBeWrittenStopsTheRunFirst) {
    work.Write("a.dxf", "x");
    window.items = {{"a.dxf", true, {}}};
    std::filesystem::create_directory(home.dir.File("audit.log"));  // a folder where the log belongs
    EXPECT_EQ(Run().outcome, ModifyRunResult::Outcome::LogsUnwritable);
    EXPECT_EQ(Count(log.calls, "OpenFile"), 0);
    EXPECT_EQ(window.messages.back(), "Unable to write the audit log " + home.dir.File("audit.log") +
                                          ". No drawing was changed.");
}

}  // namespace
}  // namespace kel::test
