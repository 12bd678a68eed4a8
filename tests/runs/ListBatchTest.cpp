#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "platform/FileSystem.h"
#include "runs/ListBatch.h"
#include "runs/RunState.h"
#include "RunTestSupport.h"

namespace kel::test {
namespace {

const std::string kStamp = R"(\d\d/\d\d/\d{4} \d\d:\d\d:\d\d [ap]m)";

class FakeBatchWindow : public RecordingStatus<IBatchWindow> {
public:
    std::string commandLine, dialogAnswer, delimiter = ",";
    bool audit = true, cleared = false;
    int beeps = 0;
    std::vector<std::string> dialogs;

    std::string Delimiter() override { return delimiter; }
    bool AuditOn() override { return audit; }
    std::string CommandLine() override { return commandLine; }
    void ClearCommandLine() override {
        cleared = true;
        commandLine.clear();
    }
    std::string OpenFileDialog(const std::string& filter, const std::string& title,
                               const std::string& folder) override {
        dialogs.push_back(filter + "|" + title + "|" + folder);
        return dialogAnswer;
    }
    void Beep() override { ++beeps; }
};

class ListBatchTest : public ::testing::Test {
protected:
    ListBatchTest() {
        log.xml = TitleBlockXml();
        good = work.Write("templates/Title.txt", kSetDrawingNumber);
        noInput = work.Write("templates/NoInput.txt", kNoInputSection);
    }
    BatchResult Run(const std::string& list) {
        window.commandLine = work.Write("Batch.dlf", list);
        return RunListBatch(window, FakeFactory(log), nullptr);
    }
    std::string D(const std::string& rel) const { return work.File("dwg/" + rel); }
    std::string Drawing(const std::string& rel) const { return work.Write("dwg/" + rel, "x"); }
    std::vector<std::string> ErrLog() const { return LogLines(ReadFile(home.File("err.log"))); }
    int Saves(const std::string& path) const { return Count(log.calls, "SaveFile(" + path + ",-1)"); }

    AppHome home;
    TempDir work;
    FakeComponent::Log log;
    FakeBatchWindow window;
    std::string good, noInput;
};

TEST_F(ListBatchTest, PlainEntriesAreReportedInTheBatchErrorLayout) {
    const std::string ok = Drawing("Ok-1.dxf");
    const std::string notes = Drawing("notes.txt");
    Drawing("A-101");
    const std::string list = "' a comment, with a comma\r\n\r\nno comma here\r\n" + D("Missing.dxf") + "," + good +
                             "\r\n" + notes + "," + good + "\r\n" + ok + "," + noInput + "\r\n" + ok + "," + good +
                             "\r\n" + D("A-101.dwg") + "," + good;
    const BatchResult r = Run(list);

    EXPECT_EQ(r.outcome, BatchResult::Outcome::Finished);
    EXPECT_EQ(r.modified, 1);
    EXPECT_EQ(r.failures, 4);
    EXPECT_EQ(Saves(ok), 1);
    EXPECT_EQ(Count(log.calls, "OpenFile"), 1) << "the rejected template keeps its drawing closed";
    const auto err = ErrLog();
    ASSERT_EQ(err.size(), 4u);
    auto expect = [&](const std::string& line, const std::string& tmpl, const std::string& dwg,
                      const std::string& text) {
        EXPECT_EQ(line.substr(22), "  Template: " + tmpl + "  Drawing: " + dwg + "  Error: " + text);
        EXPECT_TRUE(std::regex_match(line.substr(0, 22), std::regex(kStamp))) << line;
    };
    expect(err[0], good, D("Missing.dxf"), "DWG file not found.");
    expect(err[1], good, notes, "Error opening DWG file.");
    expect(err[2], noInput, ok, "Template file requires '*INPUT'.");
    expect(err[3], good, D("A-101.dwg"), "DWG file not found.");

    const auto audit = LogLines(ReadFile(home.File("audit.log")));
    ASSERT_GE(audit.size(), 5u);
    EXPECT_EQ(audit[0], "");
    EXPECT_EQ(audit[2], D("Missing.dxf") + " not found.");
    EXPECT_EQ(audit[3], notes);
    const auto m = window.status.Messages();
    EXPECT_NE(std::find(m.begin(), m.end(), "Template file requires '*INPUT'."), m.end());
    EXPECT_TRUE(std::regex_match(m.back(), std::regex(R"(Attributes for 1 file\(s\) modified in \d+\.\d\d second\(s\)\.)")))
        << m.back();
    EXPECT_TRUE(window.cleared);
    EXPECT_EQ(strDWGpath, "");
    EXPECT_EQ(lngModified, 0);
    EXPECT_EQ(log.destroyed, 1) << "one component serves every plain entry";
}

TEST_F(ListBatchTest, NothingModifiedKeepsAnEmptyErrorLog) {
    home.dir.Write("err.log", "earlier\r\n");
    const BatchResult r = Run("' only a comment\r\n");
    EXPECT_EQ(r.failures, 0);
    EXPECT_EQ(window.status.Last(), "No attributes modified.");
    EXPECT_TRUE(FileExists(home.File("err.log")));
    EXPECT_EQ(ReadFile(home.File("err.log")), "");
}

TEST_F(ListBatchTest, EndStopsAtOnceWithTheLogsWritten) {
    const std::string a = Drawing("a.dxf"), b = Drawing("b.dxf");
    window.audit = true;
    const BatchResult r = Run(a + "," + good + "\r\n" + D("gone.dxf") + "," + good + "\r\n   eNd  \r\n" + b + "," + good);
    EXPECT_EQ(r.outcome, BatchResult::Outcome::EndLine);
    EXPECT_EQ(Saves(a), 1);
    EXPECT_EQ(Count(log.calls, "OpenFile(" + b), 0);
    EXPECT_EQ(ErrLog().size(), 1u);
    EXPECT_NE(ReadFile(home.File("audit.log")).find(a + "\r\n"), std::string::npos);
    EXPECT_EQ(window.status.Last(), "DWG file not found.") << "no summary after END";
}

TEST_F(ListBatchTest, ChoosingTheListFile) {
    window.commandLine = "\"" + work.File("nope.dlf") + "\"";
    BatchResult r = RunListBatch(window, FakeFactory(log), nullptr);
    EXPECT_EQ(r.outcome, BatchResult::Outcome::ListFileMissing);
    EXPECT_EQ(window.status.Last(), "Passed file '\"" + work.File("nope.dlf") + "\"' does not exist.");
    EXPECT_EQ(window.beeps, 1);
    EXPECT_TRUE(window.cleared);
    EXPECT_FALSE(FileExists(home.File("err.log")));

    window.commandLine = "/P";
    r = RunListBatch(window, FakeFactory(log), nullptr);
    EXPECT_EQ(r.outcome, BatchResult::Outcome::Cancelled);
    ASSERT_EQ(window.dialogs.size(), 1u);
    EXPECT_EQ(window.dialogs[0], "DLF Files (*.dlf)|*.dlf|All Files (*.*)|*.*|Open Drawing List File|" + home.dir.Path());

    const std::string a = Drawing("a.dxf");
    window.commandLine.clear();
    window.dialogAnswer = work.Write("Chosen.dlf", a + "," + good + "\r\n");
    r = RunListBatch(window, FakeFactory(log), nullptr);
    EXPECT_EQ(r.outcome, BatchResult::Outcome::Finished);
    EXPECT_EQ(Saves(a), 1);

    window.commandLine = work.File("templates");  // a folder: exists, cannot be read
    r = RunListBatch(window, FakeFactory(log), nullptr);
    EXPECT_EQ(r.outcome, BatchResult::Outcome::ListFileUnreadable);
    EXPECT_EQ(window.status.Last().rfind("Unable to read drawing list file '" + work.File("templates") + "'", 0), 0u);
    ASSERT_EQ(ErrLog().size(), 1u);
    EXPECT_NE(ErrLog()[0].find("  List file: " + work.File("templates") + "  Error: "), std::string::npos);
}

TEST_F(ListBatchTest, NoComponentLeavesTheCommandLineForAnotherTry) {
    const std::string list = work.Write("x.dlf", "");
    window.commandLine = list;
    const BatchResult r = RunListBatch(window, FailingFactory(), nullptr);
    EXPECT_EQ(r.outcome, BatchResult::Outcome::ComponentFailed);
    EXPECT_FALSE(window.cleared);
    EXPECT_EQ(window.status.Last(), "Modification in process...");
    EXPECT_EQ(window.status.events.back(), "busy:0");
}

TEST_F(ListBatchTest, WildcardEntriesScanTheirFolderOrTheWholeTree) {
    const std::string top = Drawing("A1.dwg"), topDxf = Drawing("a2.DXF"), deep = Drawing("sub/deep/a3.dwg");
    Drawing("b1.dwg");
    Drawing("sub/a4.dxf");
    const std::string plain = Drawing("plain.dxf");
    const BatchResult r = Run(D("a*") + "," + good + "\r\n" + D("A*.dxf") + "," + good + "\r\n" + plain + "," + good +
                              "\r\n" + D("q*") + "," + good + "\r\n");
    EXPECT_EQ(r.modified, 4) << "scans and plain entries share the count";
    EXPECT_EQ(r.failures, 0);
    EXPECT_EQ(Saves(top), 1);
    EXPECT_EQ(Saves(deep), 1);
    EXPECT_EQ(Saves(topDxf), 1) << "the extension entry lists its own folder only";
    EXPECT_EQ(Count(log.calls, "OpenFile(" + D("sub/a4.dxf")), 0);
    EXPECT_EQ(Count(log.calls, "OpenFile(" + D("b1.dwg")), 0);
    EXPECT_EQ(log.destroyed, 4) << "each scan has its own component";
    EXPECT_EQ(window.status.Last().rfind("Attributes for 4 file(s)", 0), 0u);
    EXPECT_EQ(ErrLog().size(), 0u) << "scans write no error lines";
    const std::string audit = ReadFile(home.File("audit.log"));
    EXPECT_EQ(audit.find(top), std::string::npos) << "scans write no audit lines";
}

TEST_F(ListBatchTest, ScanFailuresShowInTheMessagesAndAreCountedAsFailures) {
    Drawing("x1.dwg");
    Drawing("x2.txt");
    const BatchResult r = Run(D("x*.*") + "," + good + "\r\n" + D("x*") + "," + noInput + "\r\n");
    EXPECT_EQ(r.modified, 1);
    EXPECT_EQ(r.failures, 2);
    const auto m = window.status.Messages();
    EXPECT_NE(std::find(m.begin(), m.end(), "Error opening DWG file."), m.end());
    EXPECT_NE(std::find(m.begin(), m.end(), "Unable to modify block attributes. Template file requires '*INPUT'."),
              m.end());
}

}  // namespace
}  // namespace kel::test
