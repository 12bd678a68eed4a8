// Applying templates to a drawing described by the recording component: every
// tag-line form, the filters, the results and messages, the audit lines, and a
// value with markup characters carried unchanged from the XML to the component.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unordered_map>
#include <vector>

#include "component/DrawingInfoXml.h"
#include "engine/TextLines.h"
#include "engine/TextSearch.h"
#include "engine/cAutoCAD.h"
#include "platform/FileSystem.h"
#include "support/FakeComponent.h"
#include "support/TempDir.h"

namespace kel {
namespace {

using test::FakeComponent;
using test::ReadFile;
using test::TempDir;

InsertInfo Insert(const std::string& name, const std::string& layer, std::vector<AttributeInfo> atts) {
    return {name, "I" + name, 0, layer, 0, 0, 0, 0, 1, 1, std::move(atts)};
}

AttributeInfo Att(const std::string& handle, const std::string& tag, const std::string& value) {
    return {handle, 1, tag, value};
}

// Inserts in several spaces, layouts and layers; handles in table order.
DrawingInfo SampleDrawing() {
    DrawingInfo d;
    d.path = "/dwg/A-101.dxf";
    d.blocks.push_back({"*Model_Space", "Model",
                        {Insert("TITLE", "0",
                                {Att("1F", "DWGNO", "X-1"), Att("20", "REV", "A-a"), Att("21", "TITLE", "Drawing 1"),
                                 Att("22", "DATE", "2006"), Att("23", "UPDATED", "u")}),
                         Insert("BORDER", "FRAME", {Att("2A", "DWGNO", "X-2")}),
                         Insert("TITLE2", "0", {Att("40", "DWGNO", "X-3")})}});
    d.blocks.push_back({"*Paper_Space", "Layout1",
                        {Insert("REV", "0", {Att("30", "F", "fff")}), Insert("IT", "", {Att("31", "NAME", "Jo")})}});
    d.blocks.push_back({"DETAIL", "", {Insert("TITLE", "0", {Att("50", "DWGNO", "X-5")})}});
    return d;
}

class ModifyTest : public ::testing::Test {
protected:
    void SetUp() override { MakeEngine(dir.Path()); }

    void MakeEngine(const std::string& folder) {
        engine = std::make_unique<cAutoCAD>(
            [this](ComponentCreationError&) { return std::make_unique<FakeComponent>(log); }, nullptr, folder);
        ASSERT_EQ(engine->CreateComponent(), 1);
        log.xml = DrawingInfoToXml(drawing, true);
    }

    // Runs the tag lines first with the component describing the drawing in
    // memory, then with it writing the XML (unless xmlOnly): both ways must give
    // the same result, message, changes and audit lines, and the description
    // leaves no work file. The XML run's outcome is left for the test.
    std::int16_t Run(const std::vector<std::string>& tagLines, bool withAudit = true) {
        std::vector<std::string> described;
        if (!xmlOnly) {
            log.info = drawing;
            described = Outcome(RunOnce(tagLines, withAudit));
            EXPECT_TRUE(log.calls.empty() || log.calls.front() == "DescribeDrawing()");
            EXPECT_FALSE(FileExists(dir.File("_file.xml")) || FileExists(dir.File("_flat.xml")));
        }
        log.info.reset();
        const std::int16_t rc = RunOnce(tagLines, withAudit);
        EXPECT_EQ(xmlOnly ? Outcome(rc) : described, Outcome(rc)) << (tagLines.empty() ? "" : tagLines.front());
        return rc;
    }
    std::vector<std::string> Outcome(std::int16_t rc) const {
        std::string changes, audit;
        for (const auto& c : Changes()) changes += c + "\n";
        for (const auto& a : auditLines) audit += a + "\n";
        return {std::to_string(rc), err, changes, audit};
    }

    // Runs the tag lines once with an audit file; strErr starts empty.
    std::int16_t RunOnce(const std::vector<std::string>& tagLines, bool withAudit = true) {
        engine->strTagLines = tagLines;
        log.calls.clear(), err.clear();
        LogFile audit;
        if (withAudit) audit.Open(dir.File("audit.log"), LogFile::Mode::Truncate);
        std::int16_t rc = engine->GetAttributes(&err, ",", withAudit ? &audit : nullptr);
        audit.Close();
        auditLines = SplitLines(ReadFile(dir.File("audit.log")));
        return rc;
    }

    // The component describes one TITLE insert in model space with these attributes.
    void OnlyTitle(std::vector<AttributeInfo> atts) {
        drawing = {"", {{"*Model_Space", "Model", {Insert("TITLE", "0", std::move(atts))}}}};
        log.xml = DrawingInfoToXml(drawing, true);
    }

    // The component calls that change the drawing.
    std::vector<std::string> Changes() const {
        std::vector<std::string> out;
        for (const auto& c : log.calls) {
            if (c.rfind("SetAttributeValue(", 0) == 0 || c.rfind("DeleteEntity(", 0) == 0) out.push_back(c);
        }
        return out;
    }

    TempDir dir;
    DrawingInfo drawing = SampleDrawing();  // what the component describes or writes as XML
    bool xmlOnly = false;
    FakeComponent::Log log;
    std::unique_ptr<cAutoCAD> engine;
    std::string err;
    std::vector<std::string> auditLines;
};

using Strings = std::vector<std::string>;

TEST_F(ModifyTest, EveryTagLineForm) {
    struct Case {
        std::string line;
        Strings changes;
        std::string firstAudit;
    };
    const std::vector<Case> cases = {
        {"d", {}, "Deleted DWGNO"},
        {"c", {}, "Cleared DWGNO"},
        {"f,a,B", {"SetAttributeValue(B-B,20)", "SetAttributeValue(DrBwing 1,21)"}, "Found 'a' in REV and replaced with 'B'"},
        {"r,Smith, John", {}, "Replaced DWGNO with 'Smith, John'"},
        {"t,DATE,2007", {"SetAttributeValue(2007,22)", "SetAttributeValue(2007,23)"}, "Found DATE and replaced with '2007'"},
        {"dwgno,d", {"DeleteEntity(1F)", "DeleteEntity(2A)", "DeleteEntity(40)", "DeleteEntity(50)"}, "Deleted dwgno"},
        {"title,c", {"SetAttributeValue(,21)"}, "Cleared title"},
        {"NAME,r,Smith, John", {"SetAttributeValue( John,31)"}, "Found NAME and replaced with ' John'"},
        {"TITLE,r,Drawing 1", {"SetAttributeValue(Drawing 1,21)"}, "Found TITLE and replaced with 'Drawing 1'"},
        {"REV,F,A,b", {"SetAttributeValue(b-b,20)"}, "Found 'A' in REV and replaced with 'b'"},
        {"F,r,X", {"SetAttributeValue(DXawing 1,21)"}, "Found 'r' in TITLE and replaced with 'X'"},  // not tag F
        {"REV,f,,Q", {"SetAttributeValue(A-a,20)"}, "Found '' in REV and replaced with 'Q'"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Run({c.line}), 1) << c.line;
        EXPECT_EQ(c.changes.empty() ? Strings{} : Changes(), c.changes) << c.line;
        EXPECT_EQ(auditLines.size(), Changes().size()) << c.line;
        EXPECT_EQ(auditLines.empty() ? "" : auditLines.front(), c.firstAudit) << c.line;
    }
    // The lines without a tag act on all ten attributes; the work files are removed.
    EXPECT_EQ(Run({"r,Smith, John"}), 1);
    EXPECT_EQ(Changes().size(), 10u);
    EXPECT_EQ(log.calls.front(), "WriteXML(" + dir.File("_file.xml") + ",1,0,0,0,0,0,0,0)");
    EXPECT_EQ(Changes().back(), "SetAttributeValue(Smith, John,50)");
    EXPECT_FALSE(FileExists(dir.File("_file.xml")) || FileExists(dir.File("_flat.xml")));
    // Lines of no known form, tags that match nothing, find texts that occur nowhere.
    for (const char* line : {"junk", "REV,x", "REV,f,A", "f,A", "NOTAG,r,1", "REV,f,zz,B", "DWGNO"}) {
        EXPECT_EQ(Run({line}), 0) << line;
        EXPECT_TRUE(Changes().empty()) << line;
    }
}

TEST_F(ModifyTest, Filters) {
    auto handlesWith = [&](const char* block, const char* space, const char* layer, const char* layout) {
        std::tie(engine->strBlockFilter, engine->strSpaceFilter, engine->strLayerFilter, engine->strLayoutFilter) =
            std::tie(block, space, layer, layout);
        Run({"r,v"});
        Strings handles;
        for (const auto& c : Changes()) handles.push_back(c.substr(20, c.size() - 21));  // after "SetAttributeValue(v,"
        return handles;
    };
    // A block filter lists names in any notation; IT is contained in it, TITLE2 is not.
    EXPECT_EQ(handlesWith("title,REV", "", "", ""), (Strings{"1F", "20", "21", "22", "23", "30", "31", "50"}));
    // The space filter is a fragment of the owner block's name.
    EXPECT_EQ(handlesWith("", "MODEL", "", ""), (Strings{"1F", "20", "21", "22", "23", "2A", "40"}));
    // Empty layer and layout names pass every filter.
    EXPECT_EQ(handlesWith("", "", "FRAME", ""), (Strings{"2A", "31"}));
    EXPECT_EQ(handlesWith("", "", "", "LAYOUT1"), (Strings{"30", "31", "50"}));
    EXPECT_EQ(handlesWith("*", "*", "*", "*").size(), 10u);
    EXPECT_EQ(handlesWith("BORDER", "PAPER", "", ""), Strings{});
}

TEST_F(ModifyTest, FailureResultsAndMessages) {
    // No template: nothing asked of the component, nothing written.
    EXPECT_EQ(Run({}), -1);
    EXPECT_TRUE(log.calls.empty() && auditLines.empty());

    // Nothing qualifies: with and without an audit file.
    engine->strBlockFilter = "NONE";
    EXPECT_EQ(Run({"d"}), 0);
    EXPECT_EQ(auditLines, Strings{"No data found to process."});
    std::filesystem::remove(dir.File("audit.log"));
    EXPECT_EQ(Run({"d"}, false), 0);
    EXPECT_EQ(err + "|" + std::to_string(auditLines.size()), "No data found to process.|0");
    engine->strBlockFilter.clear();

    // A drawing without attributes gives no table.
    OnlyTitle({});
    EXPECT_EQ(Run({"d"}), -1);
    EXPECT_EQ(err, "Unable to parse XML file.");
    EXPECT_EQ(auditLines, Strings{"Unable to parse XML file."});
    EXPECT_FALSE(FileExists(dir.File("_file.xml")) || FileExists(dir.File("_flat.xml")));

    // The component writes no XML; a stale work file does not stand in for it.
    xmlOnly = true;
    log.xml.clear();
    dir.Write("_file.xml", DrawingInfoToXml(SampleDrawing(), true));
    EXPECT_EQ(Run({"d"}), -1);
    EXPECT_EQ(auditLines, Strings{"Unable to create XML file."});
    EXPECT_TRUE(Changes().empty());

    // A description that fails gives the message of the XML way.
    log.statusFor["DescribeDrawing"] = "2010:No drawing is open";
    log.info = SampleDrawing();
    EXPECT_EQ(RunOnce({"d"}), -1);
    EXPECT_EQ(err, "Unable to create XML file.");
    EXPECT_TRUE(Changes().empty());
}

TEST_F(ModifyTest, FlatFileThatCannotBeWritten) {
    // A folder so deep that the work file's path fits the limit but the path of
    // the flat file's temporary neighbour does not.
    std::string folder = dir.Path();
    while (folder.size() < 4071 - 252) folder += "/" + std::string(250, 'd');
    folder += "/" + std::string(4071 - folder.size() - 2, 'e');
#ifndef __linux__
    GTEST_SKIP() << "relies on the 4096-byte path limit of Linux";
#endif
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    ASSERT_FALSE(ec) << ec.message();
    MakeEngine(folder);
    ASSERT_EQ(engine->strAppFolder.size(), 4071u);
    xmlOnly = true;
    EXPECT_EQ(Run({"d"}), -1);
    EXPECT_EQ(err, "Unable to create flattened XML file.");
    EXPECT_FALSE(FileExists(folder + "/_file.xml"));
}

TEST_F(ModifyTest, FailedComponentCallsAreReportedAsFailed) {
    log.statusFor["SetAttributeValue"] = "2001:No such handle";
    EXPECT_EQ(Run({"REV,r,x", "TITLE,c"}), -1);
    EXPECT_EQ(err, "Unable to change attributes: 2001:No such handle");
    EXPECT_EQ(auditLines, (Strings{"Found REV and replaced with 'x' - failed: 2001:No such handle",
                                   "Cleared TITLE - failed: 2001:No such handle",
                                   "Unable to change attributes: 2001:No such handle"}));
    // One call that succeeds makes the run a success; the failed one stays marked.
    EXPECT_EQ(Run({"REV,r,x", "REV,d"}), 1);
    EXPECT_EQ(err, "");
    EXPECT_EQ(auditLines, (Strings{"Found REV and replaced with 'x' - failed: 2001:No such handle", "Deleted REV"}));
}

// Tags are told apart by their text, not by the number a line compares first:
// of two tags that share that number, only the one a line names changes.
TEST_F(ModifyTest, TagsThatShareTheirQuickKeyStayApart) {
    std::unordered_map<std::uint32_t, std::string> seen;
    std::string named, other;
    for (int i = 0; other.empty() && i < 2000000; ++i) {
        std::string tag = "T" + std::to_string(i);
        const auto [it, added] = seen.emplace(FoldedKey(tag), tag);
        if (!added) named = it->second, other = std::move(tag);
    }
    ASSERT_FALSE(other.empty());
    OnlyTitle({Att("1F", named, "a"), Att("20", other, "b")});
    for (const std::string& line : {named + ",r,x", named + ",c", named + ",d"}) {
        EXPECT_EQ(Run({line}), 1) << line;
        EXPECT_EQ(Changes().size(), 1u) << line;
        EXPECT_NE(Changes().front().find("1F)"), std::string::npos) << line;
    }
    EXPECT_EQ(auditLines, Strings{"Deleted " + named});
}

// Drawings of one insert: later lines act on the values as read, audit lines
// name multi-line values, markup characters pass unchanged from the XML to the
// component, and row counts go beyond 16 bits.
TEST_F(ModifyTest, OneInsertDrawings) {
    const std::string markup = "a<b & \"c\" name='x' /> &lt; line\nbreak";
    std::vector<AttributeInfo> many;
    for (int i = 0; i < 40000; ++i) many.push_back(Att(std::to_string(i + 1), "T" + std::to_string(i), "v"));
    const struct {
        std::vector<AttributeInfo> atts;
        Strings lines, changes, audit;  // audit lines checked when given
    } cases[] = {
        {{Att("1F", "DWGNO", "1")},
         {"DWGNO,r,A", "DWGNO,f,1,2", "DWGNO,d", "DWGNO,c"},
         {"SetAttributeValue(A,1F)", "SetAttributeValue(2,1F)", "DeleteEntity(1F)", "SetAttributeValue(,1F)"},
         {}},
        {{Att("1F", "NOTE", "first\nsecond"), Att("20", "DWGNO", "one line")},
         {"f,second,2nd", "DWGNO,r,x", "NOTE,c"},
         {"SetAttributeValue(first\n2nd,1F)", "SetAttributeValue(x,20)", "SetAttributeValue(,1F)"},
         {"Found 'second' in NOTE and replaced with '2nd' (multi-line value)", "Found DWGNO and replaced with 'x'",
          "Cleared NOTE (multi-line value)"}},
        {{Att("1F", "DOORHANDLE", markup), Att("2B", "HANDLE", "h")},
         {"DOORHANDLE,f,,Q", "doorhandle,f,name='x',N"},
         {"SetAttributeValue(" + markup + ",1F)", "SetAttributeValue(a<b & \"c\" N /> &lt; line\nbreak,1F)"},
         {}},
        {many, {"T39999,r,last"}, {"SetAttributeValue(last,40000)"}, {}},
    };
    for (const auto& c : cases) {
        OnlyTitle(c.atts);
        EXPECT_EQ(Run(c.lines), 1) << c.lines.front();
        EXPECT_EQ(Changes(), c.changes);
        if (!c.audit.empty()) {
            EXPECT_EQ(auditLines, c.audit);
        }
    }
}

}  // namespace
}  // namespace kel
