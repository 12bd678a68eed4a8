// kel-batch on DXF drawings: -t, --show (also as a page), --xml and the
// options, each run on copies; results read back with ezdxf. List files: the
// runs tests (ListBatchTest) and the other command-line tests.
#include <regex>

#include "runs/AttributeViewer.h"
#include "tests/cli/CliTest.h"

namespace kel::cli {
namespace {

const char* kFlags = "dxf/ascii/AC1027_R2013/ezdxf__multi_insert_with_attribs.dxf";
const char* kSample = "dxf/ascii/AC1015_R2000/acadsharp__sample_AC1015_ascii.dxf";

// Prints "TAG=value" for every attribute of every insert of every layout.
const char* kAttribScript = R"(import sys, ezdxf
for layout in ezdxf.readfile(sys.argv[1]).layouts:
    for ins in layout.query('INSERT'):
        for a in ins.attribs:
            print('%s=%s' % (a.dxf.tag, a.dxf.text))
)";

class BatchRunTest : public CliTest {
protected:
    Lines Attributes(const std::string& drawing) {
        const Result r = Shell(std::string(KEL_PYTHON) + " " + Q(dir.Write("a.py", kAttribScript)) + " " + Q(drawing));
        EXPECT_EQ(r.exitCode, 0) << drawing << "\n" << r.err;
        return SplitLines(r.out);
    }
    // The lines with every value of tag replaced.
    static Lines With(Lines lines, const std::string& tag, const std::string& value) {
        for (auto& l : lines) {
            if (l.rfind(tag + "=", 0) == 0) l = tag + "=" + value;
        }
        return lines;
    }
};

TEST_F(BatchRunTest, ModifyChangesOnlyTheNamedAttributesAndReportsFailures) {
    KEL_NEED_CORPUS();
    const std::string flags = Copy(kFlags, "Flags.dxf"), sample = Copy(kSample, "Sub Folder/Sample.DXF");
    const Lines flagsBefore = Attributes(flags), sampleBefore = Attributes(sample);
    const std::string tmpl = dir.Write("work/title.txt", "*INPUT\r\n*ATTRIBUTE_TAGS\r\nNAME,r,Renamed\r\nPRESET_ATT,r,changed\r\n");
    const std::string missing = dir.File("work/missing.dxf");
    Result r = Batch("-t " + Q(tmpl) + " " + Q(flags) + " " + Q(missing) + " " + Q(sample));
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_EQ(r.out.rfind("Modification in process...\nProcessing " + flags + "...\n", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("\nAttributes for 2 file(s) modified in "), std::string::npos) << r.out;
    EXPECT_NE(ErrLog().find("  Drawing: " + missing + "  Error: File MISSING.DXF not found.\r\n"), std::string::npos);
    EXPECT_EQ(Attributes(flags), With(flagsBefore, "NAME", "Renamed"));
    EXPECT_EQ(Attributes(sample), With(sampleBefore, "PRESET_ATT", "changed"));

    r = Batch("-t " + Q(tmpl) + " --bogus " + Q(flags));
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("--help"), std::string::npos) << "an unknown option points at --help";
}

TEST_F(BatchRunTest, ShowPrintsTheAttributeTableAsCsvOrAsTheViewersPage) {
    KEL_NEED_CORPUS();
    const std::string flags = Copy(kFlags, "Flags.dxf");
    Result r = Batch("--show " + Q(flags));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.rfind("Block,Layout,name,handle,", 0), 0u) << r.out;
    Lines values;
    std::istringstream in(r.out);
    for (std::string line; std::getline(in, line, '\n');) {
        ASSERT_EQ(line.back(), '\r');
        const auto tag = line.rfind(',', line.rfind(',') - 1);
        values.push_back(line.substr(tag + 1, line.size() - tag - 2));
        values.back()[values.back().find(',')] = '=';
    }
    values.erase(values.begin());
    EXPECT_EQ(values, Attributes(flags));
    EXPECT_TRUE(fs::is_empty(home)) << "work files removed";
    r = Batch("--show " + Q(dir.File("work/gone.dxf")));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "File GONE.DXF not found.\n");

    // --html writes the page the attribute viewer shows for the same drawing.
    struct Quiet : IViewerWindow, IUserMessages, IPageLauncher {
        void SetMessage(const std::string&) override {}
        void RepaintMessage() override {}
        void SetBusy(bool) override {}
        void Beep() override {}
        void ShowMessage(const std::string&, const std::string&, MessageIcon) override {}
        bool OpenDocument(const std::string&) override { return true; }
    } quiet;
    const std::string sheet = dir.Write("view/sheet.dxf", test::ReadFile(KEL_SOURCE_DIR "/examples/title-r2018-bin.dxf"));
    const std::string page = dir.Write("page.htm", "old page");
    r = Batch("--show " + Q(sheet) + " --html " + Q(page));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "");
    test::TempDir app;
    AttributeViewer(app.Path(), quiet, quiet, quiet).View(dir.File("view"), "sheet.dxf");
    const std::string viewed = test::ReadFile(app.File(kViewerPage));
    ASSERT_NE(viewed.find("<STRONG>tag</STRONG>"), std::string::npos);
    EXPECT_EQ(test::ReadFile(page), viewed);
    EXPECT_TRUE(fs::is_empty(home));
    fs::create_directory(dir.File("folder"));  // a folder is not replaced
    for (const std::string& target : {dir.File("no/such/a.htm"), dir.File("folder")}) {
        r = Batch("--show " + Q(sheet) + " --html " + Q(target));
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.err, "Unable to write " + target + ".\n");
    }
    EXPECT_TRUE(fs::is_directory(dir.File("folder")));
}

TEST_F(BatchRunTest, XmlMatchesEzdxfOrFailsWithAReason) {
    KEL_NEED_CORPUS();
    std::vector<std::string> drawings;
    for (const auto& e : fs::directory_iterator(KEL_SOURCE_DIR "/examples")) {
        if (e.path().extension() == ".dxf") drawings.push_back(e.path().string());
    }
    ASSERT_FALSE(drawings.empty());
    for (const char* rel : {"dxf/ascii/AC1009_R12/libredwg__r11_entities-2d.dxf", kFlags,
                            "dxf/ascii/AC1032_R2018/netdxf__sample_2018.dxf",
                            "dxf/binary/acadsharp__sample_AC1015_binary.dxf"}) {
        drawings.push_back(test::CorpusPath(rel));
    }
    for (const std::string& d : drawings) {
        SCOPED_TRACE(d);
        EXPECT_NE(XmlMatching(d, d).out.find("<Attributes>"), std::string::npos);
        EXPECT_TRUE(fs::is_empty(home)) << "work file removed";
    }
    Result r = Batch("--xml " + Q(dir.File("missing.dxf")));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(std::regex_search(r.err, std::regex("missing\\.dxf.*not found"))) << r.err;
    r = Batch("--xml " + Q(dir.Write("notes.txt", "0\nSECTION\n")));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find(".dwg or .dxf"), std::string::npos);
    // The component's own status text tells why it refused the file.
    r = Batch("--xml " + Q(dir.Write("broken.dxf", "this is not a drawing\n")));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(std::regex_search(r.err, std::regex("broken\\.dxf.*\\(\\d+:[^)]+\\)"))) << r.err;
}

}  // namespace
}  // namespace kel::cli
