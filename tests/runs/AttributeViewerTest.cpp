// The attribute viewer against copies of the bundled drawings read by the real
// component, and against the recording fake for the failures: the page handed
// to the desktop, the work files, the message line and the message boxes.
#include <gtest/gtest.h>

#include "platform/FileSystem.h"
#include "runs/AttributeViewer.h"
#include "RunTestSupport.h"

namespace kel {
namespace {

using test::ReadFile;

struct ViewerWindow : IViewerWindow {
    void SetMessage(const std::string& t) override { events.push_back("msg:" + t); }
    void RepaintMessage() override { events.push_back("repaint"); }
    void SetBusy(bool b) override { events.push_back(b ? "busy:1" : "busy:0"); }
    void Beep() override { events.push_back("beep"); }
    std::vector<std::string> events;
};

// Message boxes as "title|text"; pages as they were when handed to the desktop.
struct Desktop : IUserMessages, IPageLauncher {
    void ShowMessage(const std::string& title, const std::string& text, MessageIcon) override {
        boxes.push_back(title + "|" + text);
    }
    bool OpenDocument(const std::string& f) override {
        opened.push_back(f);
        pages.push_back(ReadFile(f));
        return true;
    }
    std::vector<std::string> boxes, opened, pages;
};

class AttributeViewerTest : public ::testing::Test {
protected:
    void View(const std::string& name, ComponentFactory factory = DefaultComponentFactory()) {
        AttributeViewer(app.Path(), window, desktop, desktop, std::move(factory)).View(drawings.Path(), name);
    }
    bool Has(const char* work) const { return FileExists(app.File(work)); }

    test::TempDir app, drawings;
    ViewerWindow window;
    Desktop desktop;
    test::FakeComponent::Log log;
};

// The window tests check the page of each viewing and the messages of a missing
// or refused drawing; here: escaping, one row per attribute, the work files.
TEST_F(AttributeViewerTest, PageHasEscapedNamesAndOneRowPerAttribute) {
    const std::string dxf = ReadFile(std::string(KEL_SOURCE_DIR) + "/examples/title-r2018.dxf");
    const std::string path = drawings.Write("A&B plan.dxf", dxf);
    View("A&B plan.dxf");
    ASSERT_EQ(desktop.opened, std::vector<std::string>{app.File(kViewerPage)});
    const std::string& page = desktop.pages[0];
    const std::string escaped = drawings.Path() + "/A&amp;B plan.dxf";
    EXPECT_NE(page.find("<CENTER>" + escaped + "</CENTER></STRONG><BR>\r\n<TITLE>\r\n" + escaped + "\r\n</TITLE>"),
              std::string::npos)
        << page;
    // Bold headings, then one plain row per attribute of the drawing.
    EXPECT_NE(page.find("<TBODY>\r\n<TR ALIGN=RIGHT NOWRAP><TD NOWRAP><STRONG>Block</STRONG></TD>"), std::string::npos);
    EXPECT_EQ(test::Occurrences(page, "<TR "), test::Occurrences(dxf, "\nATTRIB\n") + 1);
    EXPECT_FALSE(Has(kViewerDrawingXml) || Has(kViewerFlatXml));
    EXPECT_EQ(window.events, (std::vector<std::string>{"busy:1", "busy:0"}));
    EXPECT_TRUE(desktop.boxes.empty());
}

TEST_F(AttributeViewerTest, MissingRefusedOrUncreatable) {
    View("Plan-a.dwg", test::FakeFactory(log));  // only the creation reaches the component
    EXPECT_TRUE(log.calls.empty());
    EXPECT_EQ(log.destroyed, 1);
    const std::string path = drawings.Write("plan.dwg", "x");
    log.openResult = 0;
    View("plan.dwg", test::FakeFactory(log));
    EXPECT_EQ(log.calls, std::vector<std::string>{"OpenFile(" + path + ",)"});
    EXPECT_EQ(window.events, (std::vector<std::string>{"busy:1", "busy:0", "beep", "msg:File PLAN-A.DWG not found.",
                                                       "busy:1", "busy:0", "beep", "msg:Error opening file PLAN.DWG."}));
    window.events.clear();
    View("plan.dwg", test::FailingFactory());  // the engine's own box only
    EXPECT_EQ(window.events, (std::vector<std::string>{"busy:1", "busy:0"}));
    ASSERT_EQ(desktop.boxes.size(), 1u);
    EXPECT_EQ(desktop.boxes[0].rfind("Error|", 0), 0u);
    EXPECT_TRUE(desktop.opened.empty());
}

TEST_F(AttributeViewerTest, FlatteningFailureShowsItsNumberAndNoTableIsSilent) {
    // No description written; the one left from before is removed first.
    const std::string path = drawings.Write("a.dxf", "x");
    app.Write(kViewerDrawingXml, "stale");
    View("a.dxf", test::FakeFactory(log));
    EXPECT_EQ(desktop.boxes, std::vector<std::string>{"FlattenXMLfile|-1"});  // no source file
    EXPECT_EQ(log.calls, (std::vector<std::string>{"OpenFile(" + path + ",)",
                                                   "WriteXML(" + app.File(kViewerDrawingXml) + ",1,0,0,0,0,0,0,0)",
                                                   "CloseFile()"}));
    EXPECT_FALSE(Has(kViewerDrawingXml));

    // A drawing without inserts flattens to no table: nothing is shown.
    DrawingInfo info;
    info.blocks.push_back(BlockInfo{"*Model_Space", "Model", {}});
    log.xml = DrawingInfoToXml(info, true);
    desktop.boxes.clear();
    View("a.dxf", test::FakeFactory(log));
    EXPECT_TRUE(desktop.boxes.empty() && desktop.opened.empty());
    EXPECT_FALSE(Has(kViewerDrawingXml) || Has(kViewerPage));
}

}  // namespace
}  // namespace kel
