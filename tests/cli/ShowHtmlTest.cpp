// kel-batch --show DRAWING --html FILE, run as a separate program: the page is
// the attribute viewer's page, and failures leave no page behind.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

#include "runs/AttributeViewer.h"
#include "support/Shell.h"
#include "support/TempDir.h"

namespace kel {
namespace {


// The viewer's window, boxes and desktop, all ignored.
struct Quiet : IViewerWindow, IUserMessages, IPageLauncher {
    void SetMessage(const std::string&) override {}
    void RepaintMessage() override {}
    void SetBusy(bool) override {}
    void Beep() override {}
    void ShowMessage(const std::string&, const std::string&, MessageIcon) override {}
    bool OpenDocument(const std::string&) override { return true; }
};

class ShowHtmlTest : public ::testing::Test {
protected:
    // Exit status of kel-batch; its error output goes to err.
    int Batch(const std::string& args) {
        const std::string command = "KEL_HOME=" + test::ShellQuote(dir.File("home")) + " " + test::ShellQuote(KEL_BATCH_EXE) + " " + args +
                                    " >" + test::ShellQuote(dir.File("stdout")) + " 2>" + test::ShellQuote(dir.File("stderr"));
        const int status = std::system(command.c_str());
        err = test::ReadFile(dir.File("stderr"));
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    test::TempDir dir;
    std::string err;
};

TEST_F(ShowHtmlTest, WritesTheViewersPage) {
    const std::string drawing = dir.Write("sheet.dxf", test::ReadFile(std::string(KEL_SOURCE_DIR) +
                                                                      "/examples/title-r2018-bin.dxf"));
    const std::string page = dir.Write("page.htm", "old page");
    ASSERT_EQ(Batch("--show " + test::ShellQuote(drawing) + " --html " + test::ShellQuote(page)), 0) << err;
    EXPECT_EQ(test::ReadFile(dir.File("stdout")), "");

    // The viewer shows the same drawing with the same page.
    test::TempDir app;
    Quiet quiet;
    AttributeViewer(app.Path(), quiet, quiet, quiet).View(dir.Path(), "sheet.dxf");
    const std::string viewed = test::ReadFile(app.File(kViewerPage));
    ASSERT_NE(viewed.find("<STRONG>tag</STRONG>"), std::string::npos);
    EXPECT_EQ(test::ReadFile(page), viewed);
    // No work file is left in the program's folder.
    EXPECT_TRUE(std::filesystem::is_empty(dir.File("home")));
}

TEST_F(ShowHtmlTest, PageThatCannotBeWrittenFails) {
    const std::string drawing = dir.Write("sheet.dxf", test::ReadFile(std::string(KEL_SOURCE_DIR) +
                                                                      "/examples/title-r12.dxf"));
    EXPECT_EQ(Batch("--show " + test::ShellQuote(drawing) + " --html " + test::ShellQuote(dir.File("no/such/a.htm"))), 1);
    EXPECT_EQ(err, "Unable to write " + dir.File("no/such/a.htm") + ".\n");
    std::filesystem::create_directory(dir.File("folder"));  // a folder is not replaced
    EXPECT_EQ(Batch("--show " + test::ShellQuote(drawing) + " --html " + test::ShellQuote(dir.File("folder"))), 1);
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("folder")));
}

}  // namespace
}  // namespace kel
