#include <gtest/gtest.h>

#include <regex>

#include "platform/FileSystem.h"
#include "runs/ListBatch.h"
#include "RunTestSupport.h"

namespace kel::test {
namespace {

struct FakeBatchWindow : RecordingStatus<IBatchWindow> {
    std::string commandLine, dialogAnswer;
    bool cleared = false;
    int beeps = 0;
    void ClearCommandLine() override { cleared = true, commandLine.clear(); }
    std::string OpenFileDialog(const std::string&, const std::string&, const std::string&) override { return dialogAnswer; }
    void Beep() override { ++beeps; }
};

class ListBatchTest : public ::testing::Test {
protected:
    ListBatchTest() { log.xml = TitleBlockXml(); }
    BatchResult Run(const std::string& list) {
        window.commandLine = work.Write("Batch.dlf", list);
        return RunBatch();
    }
    // The window's command line is the batch's list file.
    BatchResult RunBatch() {
        RunOptions options;
        options.strListFile = window.commandLine;
        return RunListBatch(options, window, FakeFactory(log), nullptr);
    }
    std::string D(const std::string& rel) const { return work.File("dwg/" + rel); }
    std::string Drawing(const std::string& rel) const { return work.Write("dwg/" + rel, "x"); }
    std::vector<std::string> ErrLines() const { return ErrorLines(home); }
    int Saves(const std::string& path) const { return Count(log.calls, "SaveFile(" + path + ",-1)"); }

    AppHome home;
    TempDir work;
    FakeComponent::Log log;
    FakeBatchWindow window;
    std::string good = work.Write("templates/Title.txt", kSetDrawingNumber);
    std::string noInput = work.Write("templates/NoInput.txt", kNoInputSection);
};

TEST_F(ListBatchTest, PlainEntriesWithTheBatchErrorLayout) {
    const std::string ok = Drawing("Ok-1.dxf"), notes = Drawing("notes.txt");
    Drawing("A-101");
    const BatchResult r = Run("' a comment, with a comma\r\n\r\nno comma\r\n" + D("Missing.dxf") + "," + good + "\r\n" +
                              notes + "," + good + "\r\n" + ok + "," + noInput + "\r\n" + ok + "," + good + "\r" +
                              D("A-101.dwg") + "," + good);
    EXPECT_EQ(r.outcome, BatchResult::Outcome::Finished);
    EXPECT_EQ(std::pair(r.modified, r.failures), std::pair(1, 4));
    EXPECT_EQ(Saves(ok), 1);
    EXPECT_EQ(Count(log.calls, "OpenFile"), 1) << "a rejected template keeps its drawing closed";
    EXPECT_TRUE(std::regex_match(home.Read("err.log").substr(0, 22), std::regex(kStamp)));
    const auto line = [](const std::string& t, const std::string& d, const std::string& e) {
        return "  Template: " + t + "  Drawing: " + d + "  Error: " + e;
    };
    EXPECT_EQ(ErrLines(), (std::vector<std::string>{line(good, D("Missing.dxf"), "DWG file not found."),
                                                    line(good, notes, "Error opening DWG file (the name must end "
                                                                      "in .dwg or .dxf)."),
                                                    line(noInput, ok, "Template file requires '*INPUT'."),
                                                    line(good, D("A-101.dwg"), "DWG file not found.")}));
    const auto audit = LogLines(home.Read("audit.log"));
    ASSERT_GE(audit.size(), 4u);
    EXPECT_EQ(audit[2], D("Missing.dxf") + " not found.");
    EXPECT_EQ(audit[3], notes);
    EXPECT_TRUE(window.Shown("Template file requires '*INPUT'."));
    EXPECT_TRUE(window.Shown("Error opening DWG file.")) << "the status line keeps the short text";
    EXPECT_TRUE(std::regex_match(window.messages.back(), std::regex("Attributes for 1 file\\(s\\) .*")));
    EXPECT_TRUE(window.cleared);
    EXPECT_EQ(log.destroyed, 1) << "one component serves every plain entry";

    home.dir.Write("err.log", "earlier\r\n");
    EXPECT_EQ(Run("' nothing\r\n").failures, 0);
    EXPECT_EQ(window.messages.back(), "No attributes modified.");
    EXPECT_TRUE(FileExists(home.dir.File("err.log")) && home.Read("err.log").empty());
}

TEST_F(ListBatchTest, EndStopsAtOnceWithTheLogsWritten) {
    const std::string a = Drawing("a.dxf"), b = Drawing("b.dxf");
    const BatchResult r = Run(a + "," + good + "\r\n" + D("gone.dxf") + "," + good + "\r\n   eNd  \r\n" + b + "," + good);
    EXPECT_EQ(r.outcome, BatchResult::Outcome::EndLine);
    EXPECT_EQ(Saves(a), 1);
    EXPECT_EQ(Count(log.calls, "OpenFile(" + b), 0);
    EXPECT_EQ(ErrLines().size(), 1u);
    EXPECT_NE(home.Read("audit.log").find(a + "\r\n"), std::string::npos);
    EXPECT_EQ(window.messages.back(), "DWG file not found.") << "no summary after END";
}

// The window tests check the dialog's texts and the message for a missing list file.
TEST_F(ListBatchTest, ChoosingAndReadingTheListFile) {
    window.commandLine = "\"" + work.File("nope.dlf") + "\"";  // quotes are part of the name
    EXPECT_EQ(RunBatch().outcome, BatchResult::Outcome::ListFileMissing);
    EXPECT_TRUE(window.beeps == 1 && window.cleared);
    EXPECT_FALSE(FileExists(home.dir.File("err.log")));

    window.commandLine = "/P";
    window.dialogAnswer = work.Write("Chosen.dlf", Drawing("a.dxf") + "," + good + "\r\n");
    EXPECT_EQ(RunBatch().modified, 1);
    window.dialogAnswer.clear();
    EXPECT_EQ(RunBatch().outcome, BatchResult::Outcome::Cancelled);

    window.commandLine = work.File("templates");  // exists, but no file to read
    EXPECT_EQ(RunBatch().outcome, BatchResult::Outcome::ListFileUnreadable);
    EXPECT_EQ(window.messages.back().rfind("Unable to read drawing list file '" + work.File("templates") + "'", 0), 0u);
    EXPECT_EQ(ErrLines().at(0).rfind("  List file: " + work.File("templates") + "  Error: ", 0), 0u);

    window.cleared = false;
    window.commandLine = work.Write("x.dlf", "");
    RunOptions options;
    options.strListFile = window.commandLine;
    EXPECT_EQ(RunListBatch(options, window, FailingFactory(), nullptr).outcome, BatchResult::Outcome::ComponentFailed);
    EXPECT_FALSE(window.cleared) << "kept for another try";
    EXPECT_EQ(window.events.back(), "busy:0");
}

TEST_F(ListBatchTest, WildcardEntriesScanTheirFolderOrTheTreeAndShareTheCount) {
    const std::string top = Drawing("A1.dwg"), topDxf = Drawing("a2.DXF"), deep = Drawing("sub/deep/a3.dwg");
    Drawing("b1.dwg");
    Drawing("sub/a4.dxf");
    Drawing("x.txt");
    const BatchResult r = Run(D("a*") + "," + good + "\r\n" + D("A*.dxf") + "," + good + "\r\n" + Drawing("p.dxf") +
                              "," + good + "\r\n" + D("q*") + "," + good + "\r\n" + D("x*.*") + "," + good + "\r\n" +
                              D("a*") + "," + noInput + "\r\n");
    EXPECT_EQ(std::pair(r.modified, r.failures), std::pair(4, 2));
    EXPECT_EQ(Saves(top) + Saves(deep) + Saves(topDxf), 3);
    EXPECT_EQ(Count(log.calls, "OpenFile(" + D("sub/a4.dxf")) + Count(log.calls, "OpenFile(" + D("b1.dwg")), 0);
    EXPECT_EQ(log.destroyed, 1) << "the batch's component serves its scans too";
    EXPECT_TRUE(window.Shown("Error opening DWG file."));
    EXPECT_TRUE(window.Shown("Unable to modify block attributes. Template file requires '*INPUT'."));
    EXPECT_EQ(window.messages.back().rfind("Attributes for 4 file(s)", 0), 0u);
    EXPECT_TRUE(ErrLines().empty()) << "scans write no log lines";
    EXPECT_EQ(home.Read("audit.log").find(top), std::string::npos);
}

}  // namespace
}  // namespace kel::test
