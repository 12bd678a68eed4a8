// The attribute viewer against drawings read by the real component (copies of
// the bundled examples with values of our own) and against the recording fake
// for the failures: the page handed to the desktop, its title, heading and
// headings row, the work files, and what the message line and boxes show.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "runs/AttributeViewer.h"
#include "runs/RunState.h"
#include "RunTestSupport.h"

namespace kel {
namespace {

using test::FakeComponent;
using test::ReadFile;
using test::TempDir;

struct ViewerWindow : IViewerWindow {
    void SetMessage(const std::string& t) override { events.push_back("msg:" + t); }
    void RepaintMessage() override { events.push_back("repaint"); }
    void SetBusy(bool b) override { events.push_back(b ? "busy:1" : "busy:0"); }
    void Beep() override { events.push_back("beep"); }
    std::vector<std::string> events;
};

struct BoxRecord : IUserMessages {
    void ShowMessage(const std::string& title, const std::string& text, MessageIcon) override {
        shown.push_back(title + "|" + text);
    }
    std::vector<std::string> shown;
};

// Keeps each page as it was when the desktop was asked to open it.
struct PageRecord : IPageLauncher {
    bool OpenDocument(const std::string& f) override {
        opened.push_back(f);
        pages.push_back(ReadFile(f));
        return true;
    }
    std::vector<std::string> opened, pages;
};

std::size_t Count(const std::string& text, const std::string& piece) {
    std::size_t n = 0;
    for (auto p = text.find(piece); p != std::string::npos; p = text.find(piece, p + 1)) ++n;
    return n;
}

const std::vector<std::string> kQuiet = {"busy:1", "busy:0"};

class AttributeViewerTest : public ::testing::Test {
protected:
    // A copy of a bundled example whose date values read strValue.
    std::string Drawing(const std::string& name, const std::string& example = "title-r2018.dxf",
                        const std::string& strValue = "2026-01-15") {
        std::string dxf = ReadFile(std::string(KEL_SOURCE_DIR) + "/examples/" + example);
        const std::string date = "\n2026-01-15\r\n";
        const std::string lf = dxf.find(date) != std::string::npos ? date : "\n2026-01-15\n";
        EXPECT_NE(dxf.find(lf), std::string::npos) << example;
        for (auto p = dxf.find(lf); p != std::string::npos; p = dxf.find(lf, p + 1)) {
            dxf.replace(p + 1, 10, strValue);
        }
        return drawings.Write(name, dxf);
    }
    void ViewReal(const std::string& name) {
        AttributeViewer(app.Path(), window, boxes, launcher).View(drawings.Path(), name);
    }
    void ViewFake(const std::string& name) {
        AttributeViewer(app.Path(), window, boxes, launcher, test::FakeFactory(log)).View(drawings.Path(), name);
    }
    std::string Work(const char* name) const { return app.File(name); }

    TempDir app, drawings;
    ViewerWindow window;
    BoxRecord boxes;
    PageRecord launcher;
    FakeComponent::Log log;
};

TEST_F(AttributeViewerTest, ShowsTheDrawingsAttributesAsAPage) {
    const std::string name = "A&B plan.dxf";
    const std::string path = Drawing(name, "title-r2018.dxf", "<b>bold</b> Gr\xC3\xBC\xC3\x9F" "e \xCE\xA9");
    ViewReal(name);

    EXPECT_EQ(strDWGname, name);
    EXPECT_EQ(strDWGpath, path);
    ASSERT_EQ(launcher.opened, std::vector<std::string>{Work(kViewerPage)});
    const std::string& page = launcher.pages[0];
    const std::string escapedPath = drawings.Path() + "/A&amp;B plan.dxf";
    EXPECT_NE(page.find("<STRONG><CENTER>" + escapedPath + "</CENTER></STRONG><BR>\r\n<TITLE>\r\n" + escapedPath +
                        "\r\n</TITLE>"),
              std::string::npos)
        << page;
    // The headings row in bold, then one plain row per attribute of the drawing.
    EXPECT_NE(page.find("<TBODY>\r\n<TR ALIGN=RIGHT NOWRAP><TD NOWRAP><STRONG>Block</STRONG></TD>"),
              std::string::npos);
    EXPECT_NE(page.find("<TD NOWRAP><STRONG>tag</STRONG></TD><TD NOWRAP><STRONG>value</STRONG></TD></TR>"),
              std::string::npos);
    EXPECT_EQ(Count(page, "<TR "), 1 + Count(ReadFile(path), "\n  0\r\nATTRIB\r\n") +
                                       Count(ReadFile(path), "\n  0\nATTRIB\n"));
    EXPECT_EQ(Count(page, "<TD NOWRAP>DWGNO</TD>"), 2u);
    // The drawing's own value shows as text, letters intact.
    EXPECT_EQ(Count(page, "<TD NOWRAP>&lt;b&gt;bold&lt;/b&gt; Gr\xC3\xBC\xC3\x9F" "e \xCE\xA9</TD>"), 2u);
    EXPECT_EQ(page.find("<b>"), std::string::npos);

    // Only the page is left; the message line and the boxes stay quiet.
    EXPECT_FALSE(FileExists(Work(kViewerDrawingXml)));
    EXPECT_FALSE(FileExists(Work(kViewerFlatXml)));
    EXPECT_EQ(ReadFile(Work(kViewerPage)), page);
    EXPECT_EQ(window.events, kQuiet);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(AttributeViewerTest, SecondViewingReplacesThePage) {
    Drawing("first.dxf");
    const std::string second = Drawing("second.dxf", "title-r2000.dxf", "SECOND-DATE");
    ViewReal("first.dxf");
    ViewReal("second.dxf");
    ASSERT_EQ(launcher.pages.size(), 2u);
    const std::string page = ReadFile(Work(kViewerPage));
    EXPECT_EQ(page, launcher.pages[1]);
    EXPECT_NE(page.find("<TITLE>\r\n" + second + "\r\n"), std::string::npos);
    EXPECT_NE(page.find("SECOND-DATE"), std::string::npos);
    EXPECT_EQ(page.find("first.dxf"), std::string::npos);
    EXPECT_EQ(strDWGname, "second.dxf");
}

TEST_F(AttributeViewerTest, MissingOrRefusedDrawingBeepsAndSaysSo) {
    // Missing: nothing but the creation reaches the component.
    ViewFake("Plan-a.dwg");
    EXPECT_EQ(window.events, (std::vector<std::string>{"busy:1", "busy:0", "beep", "msg:File PLAN-A.DWG not found."}));
    EXPECT_TRUE(log.calls.empty());
    EXPECT_EQ(log.destroyed, 1);
    EXPECT_EQ(strDWGpath, drawings.File("Plan-a.dwg"));

    // Refused: the path keeps its case, the message is in upper case.
    window.events.clear();
    const std::string path = drawings.Write("plan.dwg", "not a drawing");
    log.openResult = 0;
    ViewFake("plan.dwg");
    EXPECT_EQ(window.events, (std::vector<std::string>{"busy:1", "busy:0", "beep", "msg:Error opening file PLAN.DWG."}));
    EXPECT_EQ(log.calls, std::vector<std::string>{"OpenFile(" + path + ",)"});
    EXPECT_EQ(log.destroyed, 2);

    // The real component refusing a file that is no drawing.
    window.events.clear();
    drawings.Write("broken.dxf", "hello world\n");
    ViewReal("broken.dxf");
    EXPECT_EQ(window.events.back(), "msg:Error opening file BROKEN.DXF.");
    EXPECT_TRUE(launcher.opened.empty());
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(AttributeViewerTest, ComponentThatCannotBeCreatedIsReportedOnlyByTheEngine) {
    Drawing("a.dxf");
    AttributeViewer(app.Path(), window, boxes, launcher, test::FailingFactory()).View(drawings.Path(), "a.dxf");
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].rfind("Error|", 0), 0u) << boxes.shown[0];
    EXPECT_EQ(window.events, kQuiet);
    EXPECT_TRUE(launcher.opened.empty());
}

TEST_F(AttributeViewerTest, FlatteningFailureShowsItsNumberInABox) {
    // The fake writes no description; a description left from before is removed first.
    drawings.Write("a.dxf", "x");
    test::TempDir scratch;
    app.Write(kViewerDrawingXml, "stale");
    log.xml.clear();
    ViewFake("a.dxf");
    cAutoCAD engine{nullptr, nullptr, scratch.Path()};
    std::int32_t field = 0;
    const int expected = engine.FlattenXMLfile(scratch.File("none.xml"), scratch.File("flat.xml"), 3, field);
    ASSERT_NE(expected, 1);
    EXPECT_EQ(boxes.shown, std::vector<std::string>{"FlattenXMLfile|" + std::to_string(expected)});
    EXPECT_EQ(log.calls, (std::vector<std::string>{"OpenFile(" + drawings.File("a.dxf") + ",)",
                                                   "WriteXML(" + Work(kViewerDrawingXml) + ",1,0,0,0,0,0,0,0)",
                                                   "CloseFile()"}));
    EXPECT_FALSE(FileExists(Work(kViewerDrawingXml)));
    EXPECT_EQ(window.events, kQuiet);
    EXPECT_TRUE(launcher.opened.empty());
}

TEST_F(AttributeViewerTest, TableThatCannotBeBuiltIsPassedOverSilently) {
    drawings.Write("empty.dxf", "x");
    DrawingInfo info;
    info.path = "drawing";
    info.blocks.push_back(BlockInfo{"*Model_Space", "Model", {}});
    log.xml = DrawingInfoToXml(info, true);
    ViewFake("empty.dxf");
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(window.events, kQuiet);
    EXPECT_TRUE(launcher.opened.empty());
    EXPECT_FALSE(FileExists(Work(kViewerDrawingXml)));
    EXPECT_FALSE(FileExists(Work(kViewerPage)));
}

}  // namespace
}  // namespace kel
