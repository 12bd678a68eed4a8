// kel-batch --xml, --show and -t on copies of real DWG drawings: what they
// show agrees with the DXF twins, changes read back with every CRC checked,
// and drawings that cannot be changed or read are reported and left alone.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include "component/DrawingComponent.h"
#include "component/dwg/DwgDocument.h"
#include "support/Shell.h"
#include "support/TempDir.h"

namespace kel {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;


Lines SplitLines(const std::string& text) {
    Lines lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// The drawing information XML without the line naming the file, with
// coordinates to 12 significant digits (a DXF holds 16, a DWG the exact double).
Lines ComparableXml(const std::string& xml) {
    Lines out;
    for (std::string line : SplitLines(xml)) {
        if (line.rfind("<databasefilename>", 0) == 0) continue;
        for (const char* tag : {"<x>", "<y>", "<z>"}) {
            if (line.rfind(tag, 0) == 0) {
                char buf[64];
                std::snprintf(buf, sizeof buf, "%s%.12g", tag, std::stod(line.substr(3)));
                line = buf;
            }
        }
        out.push_back(line);
    }
    return out;
}

// DWGs of the corpus with their DXF twins (the same drawing saved as DXF).
struct Twin {
    const char* dwg;
    const char* dxf;
    bool sameHandles;  // saved together: every insert keeps its handle
};
const Twin kTwins[] = {
    {"dwg/AC1012_R13/libredwg__example_r13.dwg", "dxf/ascii/AC1012_R13/libredwg__example_r13.dxf", false},
    {"dwg/AC1014_R14/libredwg__example_r14.dwg", "dxf/ascii/AC1014_R14/libredwg__example_r14.dxf", false},
    // The R2000 twin of this drawing saved as R14 (no R14 DXF of it exists).
    {"dwg/AC1014_R14/acadsharp__sample_AC1014.dwg", "dxf/ascii/AC1015_R2000/acadsharp__sample_AC1015_ascii.dxf",
     false},
    {"dwg/AC1015_R2000/acadsharp__sample_AC1015.dwg", "dxf/ascii/AC1015_R2000/acadsharp__sample_AC1015_ascii.dxf",
     false},
    {"dwg/AC1015_R2000/libredwg__example_2000.dwg", "dxf/ascii/AC1015_R2000/libredwg__example_2000.dxf", true},
    {"dwg/AC1015_R2000/libopencad__ACAD_r2000_sample.dwg",
     "dxf/ascii/AC1015_R2000/libopencad__ACAD_r2000_sample_original.dxf", true},
    {"dwg/AC1015_R2000/libredwg__entities-2d.dwg", "dxf/ascii/AC1015_R2000/libredwg__entities-2d.dxf", true},
};

struct Attribute {
    std::string insert, handle, tag, value;
    bool operator==(const Attribute&) const = default;
};

std::uint64_t HandleValue(const std::string& text) { return std::stoull(text, nullptr, 16); }

// The drawing as the DWG reader sees it: attributes in drawing order and the
// stored bytes of every object by handle.
struct DwgContent {
    std::vector<Attribute> attributes;
    std::map<std::uint64_t, std::string> objects;
};

DwgContent ReadDwg(const std::string& path) {
    DwgContent c;
    const std::string bytes = test::ReadFile(path);
    std::string status;
    auto doc = dwg::DwgDocument::Open(bytes, path, status);
    EXPECT_TRUE(doc) << path << ": " << status;
    if (!doc) return c;
    for (const BlockInfo& b : doc->Describe().blocks) {
        for (const InsertInfo& i : b.inserts) {
            for (const AttributeInfo& a : i.attributes) c.attributes.push_back({i.handle, a.handle, a.tag, a.value});
        }
    }
    for (const dwg::ObjectLocation& loc : doc->File().objectMap) {
        const dwg::DecodedObject* o = doc->Model().Find(loc.handle);
        if (o) c.objects[loc.handle] = bytes.substr(static_cast<std::size_t>(o->offset), o->totalBytes);
    }
    return c;
}

class DwgBatchTest : public ::testing::Test {
protected:
    using Result = test::ShellResult;
    Result Shell(const std::string& command) { return test::RunShell(command, dir.Path()); }
    Result Batch(const std::string& args) {
        return Shell("KEL_HOME=" + test::ShellQuote(home) + " " + test::ShellQuote(KEL_BATCH_EXE) + " " + args);
    }
    // A copy of a corpus drawing in the work folder, under its own name.
    std::string Copy(const std::string& corpus) {
        const std::string target = dir.File("work/" + fs::path(corpus).filename().string());
        fs::create_directories(fs::path(target).parent_path());
        fs::copy_file(test::CorpusPath(corpus), target, fs::copy_options::overwrite_existing);
        return target;
    }
    bool Untouched(const std::string& copy, const std::string& corpus) {
        return test::ReadFile(copy) == test::ReadFile(test::CorpusPath(corpus));
    }
    Lines ErrLog() { return SplitLines(test::ReadFile(home + "/err.log")); }

    test::TempDir dir;
    std::string home = dir.File("home");
};

TEST_F(DwgBatchTest, XmlAndShowAgreeWithTheDxfTwins) {
    for (const Twin& t : kTwins) {
        SCOPED_TRACE(t.dwg);
        const std::string copy = Copy(t.dwg);
        const Result dwgXml = Batch("--xml " + test::ShellQuote(copy));
        ASSERT_EQ(dwgXml.exitCode, 0) << dwgXml.err;
        EXPECT_EQ(dwgXml.err, "");
        EXPECT_NE(dwgXml.out.find("<databasefilename>" + copy + "</databasefilename>"), std::string::npos);
        // Every attribute (handle, tag, value) is the one an independent reader finds in the twin.
        const std::string xml = dir.Write("dwg.xml", dwgXml.out);
        const Result check = Shell(std::string(KEL_PYTHON) + " " +
                                   test::ShellQuote(std::string(KEL_SOURCE_DIR) + "/tests/cli/xml_matches_dxf.py") + " " +
                                   test::ShellQuote(test::CorpusPath(t.dxf)) + " " + test::ShellQuote(xml));
        EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
        const Result dwgShow = Batch("--show " + test::ShellQuote(copy));
        ASSERT_EQ(dwgShow.exitCode, 0) << dwgShow.err;
        if (t.sameHandles) {
            // Saved together: the whole description is the DXF reader's.
            const Result dxfXml = Batch("--xml " + test::ShellQuote(test::CorpusPath(t.dxf)));
            ASSERT_EQ(dxfXml.exitCode, 0) << dxfXml.err;
            EXPECT_EQ(ComparableXml(dwgXml.out), ComparableXml(dxfXml.out));
            EXPECT_EQ(dwgShow.out, Batch("--show " + test::ShellQuote(test::CorpusPath(t.dxf))).out);
        }
        EXPECT_TRUE(Untouched(copy, t.dwg));
    }
    EXPECT_TRUE(fs::is_empty(home)) << "work files removed";
}

TEST_F(DwgBatchTest, ModifyChangesTheNamedAttributesAndNothingElse) {
    // The dash and the omega are not in the drawings' code page.
    const std::string etikedo = "Nova valoro \xE2\x80\x93 Gr\xC3\xB6\xC3\x9F" "e \xCE\xA9";
    const std::string tmpl = dir.Write("t.txt", "*INPUT\r\n*ATTRIBUTE_TAGS\r\nETIKEDO,r," + etikedo +
                                                    "\r\nATTINFO,r,42\r\nPRESET_ATT,d\r\nTAG2,r,<Tag & two>\r\n"
                                                    "ATTR2,c\r\n");
    const std::map<std::string, std::string> newValues = {
        {"ETIKEDO", etikedo},
        {"ATTINFO", "42"},
        {"TAG2", "<Tag & two>"},
        {"ATTR2", ""}};
    std::vector<std::string> copies;
    std::vector<DwgContent> before;
    std::string args;
    for (const Twin& t : kTwins) {
        copies.push_back(Copy(t.dwg));
        before.push_back(ReadDwg(copies.back()));
        args += " " + test::ShellQuote(copies.back());
    }

    const Result r = Batch("-t " + test::ShellQuote(tmpl) + args);
    EXPECT_EQ(r.exitCode, 0) << r.out << test::ReadFile(home + "/err.log");
    EXPECT_NE(r.out.find("\nAttributes for " + std::to_string(copies.size()) + " file(s) modified in "),
              std::string::npos)
        << r.out;
    EXPECT_FALSE(fs::exists(home + "/err.log"));

    for (std::size_t f = 0; f < copies.size(); ++f) {
        SCOPED_TRACE(copies[f]);
        // The component opens the result again.
        DrawingComponent component;
        std::int32_t handle = 0;
        EXPECT_GT(component.OpenFile(handle, copies[f], ""), 0) << component.Status();
        const DwgContent after = ReadDwg(copies[f]);
        std::vector<Attribute> expected;
        std::set<std::uint64_t> edited, mayChange;  // a deletion also mends the insert and its other attributes
        std::size_t deletions = 0;
        for (const Attribute& a : before[f].attributes) {
            const auto n = newValues.find(a.tag);
            if (a.tag == "PRESET_ATT") {
                ++deletions;
                edited.insert(HandleValue(a.handle));
                mayChange.insert(HandleValue(a.insert));
                for (const Attribute& other : before[f].attributes) {
                    if (other.insert == a.insert) mayChange.insert(HandleValue(other.handle));
                }
                continue;
            }
            expected.push_back({a.insert, a.handle, a.tag, n == newValues.end() ? a.value : n->second});
            if (n != newValues.end()) edited.insert(HandleValue(a.handle));
        }
        EXPECT_EQ(after.attributes, expected);
        EXPECT_FALSE(edited.empty()) << "the template names a tag of every drawing";
        // Every object the edits did not reach keeps its bytes; the last
        // attribute's deletion may also change the insert's SEQEND.
        std::size_t changedElsewhere = 0;
        for (const auto& [h, bytes] : before[f].objects) {
            const auto it = after.objects.find(h);
            const bool changed = it == after.objects.end() || it->second != bytes;
            if (edited.count(h)) {
                EXPECT_TRUE(changed) << std::hex << h;
            } else if (changed && !mayChange.count(h)) {
                ++changedElsewhere;
            }
        }
        EXPECT_LE(changedElsewhere, deletions);
    }
}

TEST_F(DwgBatchTest, R2004DrawingsFailWithTheReasonAndStayUntouched) {
    const std::string tmpl = dir.Write("t.txt", "*INPUT\r\n*ATTRIBUTE_TAGS\r\nETIKEDO,r,x\r\nATTINFO,r,1\r\n");
    const std::string r2004[] = {"dwg/AC1018_R2004/libredwg__example_2004.dwg",
                                 "dwg/AC1018_R2004/acadsharp__sample_AC1018.dwg"};
    const std::string a = Copy(r2004[0]), b = Copy(r2004[1]);
    const std::string r2000 = Copy("dwg/AC1015_R2000/libredwg__example_2000.dwg");
    for (const std::string& copy : {a, b}) {
        EXPECT_EQ(Batch("--xml " + test::ShellQuote(copy)).exitCode, 0) << "R2004 drawings are described";
    }

    const Result r = Batch("-t " + test::ShellQuote(tmpl) + " " + test::ShellQuote(a) + " " + test::ShellQuote(r2000) + " " + test::ShellQuote(b));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.out.find("\nAttributes for 1 file(s) modified in "), std::string::npos) << r.out;
    const Lines err = ErrLog();
    ASSERT_EQ(err.size(), 2u) << test::ReadFile(home + "/err.log");
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(err[i].substr(err[i].find("  Drawing: ")),
                  "  Drawing: " + std::string(i == 0 ? a : b) +
                      "  Error: Unable to change attributes: 3002:Changing AC1018 drawings is not supported yet");
    }
    EXPECT_TRUE(Untouched(a, r2004[0]));
    EXPECT_TRUE(Untouched(b, r2004[1]));
    EXPECT_FALSE(Untouched(r2000, "dwg/AC1015_R2000/libredwg__example_2000.dwg"));
    // Nothing but the three drawings is left in their folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.File("work")), fs::directory_iterator()), 3);

    // A list file, plain and wildcard entries, does the same.
    fs::remove(home + "/err.log");
    const std::string list =
        dir.Write("run.dlf", a + "," + tmpl + "\r\n" + dir.File("work/*_AC1018.dwg") + "," + tmpl + "\r\n");
    const Result l = Batch(test::ShellQuote(list));
    EXPECT_EQ(l.exitCode, 1);
    EXPECT_NE(l.out.find("Processing " + b + "...\nUnable to modify block attributes. Unable to change attributes: "
                         "3002:Changing AC1018 drawings is not supported yet\n"),
              std::string::npos)
        << l.out;
    ASSERT_EQ(ErrLog().size(), 1u);
    EXPECT_NE(ErrLog()[0].find("  Drawing: " + a + "  Error: Unable to modify block attributes. Unable to change "
                               "attributes: 3002:"),
              std::string::npos);
    EXPECT_TRUE(Untouched(a, r2004[0]));
    EXPECT_TRUE(Untouched(b, r2004[1]));
}

TEST_F(DwgBatchTest, UnreadableDwgsAreRefusedWithAStatusAndLeftAlone) {
    const std::string tmpl = dir.Write("t.txt", "*INPUT\r\n*ATTRIBUTE_TAGS\r\nETIKEDO,r,x\r\n");
    std::vector<std::pair<std::string, std::string>> refused;  // copy, expected status
    for (const char* rel :
         {"dwg/legacy_pre_R13/libredwg__r2.6_entities.dwg", "dwg/legacy_pre_R13/libredwg__r10_entities.dwg",
          "dwg/legacy_pre_R13/libredwg__r11_entities-2d.dwg", "dwg/AC1021_R2007/libredwg__example_2007.dwg",
          "dwg/AC1024_R2010/libredwg__example_2010.dwg", "dwg/AC1027_R2013/libredwg__example_2013.dwg",
          "dwg/AC1032_R2018/libredwg__example_2018.dwg"}) {
        const std::string copy = Copy(rel);
        refused.push_back({copy, "2004:Unsupported format " + test::ReadFile(copy).substr(0, 6)});
    }
    // Damaged R2000 files: cut in half, and a byte inside the header variables changed.
    std::string bytes = test::ReadFile(test::CorpusPath("dwg/AC1015_R2000/libredwg__example_2000.dwg"));
    refused.push_back({dir.Write("work/cut.dwg", bytes.substr(0, bytes.size() / 2)), "2005:"});
    dwg::DwgFile file;
    std::string status;
    ASSERT_TRUE(file.Parse(bytes, status)) << status;
    const dwg::SectionLocator& header = file.locators.at(dwg::kHeaderSection);
    const std::size_t inside = static_cast<std::size_t>(header.seeker + header.size / 2);
    bytes[inside] = static_cast<char>(bytes[inside] ^ 0x5A);
    refused.push_back({dir.Write("work/flipped.dwg", bytes), "2005:"});

    std::string args;
    for (const auto& [copy, status] : refused) {
        SCOPED_TRACE(copy);
        const Result r = Batch("--xml " + test::ShellQuote(copy));
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("(" + status), std::string::npos) << r.err;
        args += " " + test::ShellQuote(copy);
    }
    std::map<std::string, std::string> original;
    for (const auto& [copy, status] : refused) original[copy] = test::ReadFile(copy);

    const Result r = Batch("-t " + test::ShellQuote(tmpl) + args);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.out.find("\nAttributes for 0 file(s) modified in "), std::string::npos) << r.out;
    const Lines err = ErrLog();
    ASSERT_EQ(err.size(), refused.size());
    for (const std::string& line : err) EXPECT_NE(line.find("  Error: Error opening file "), std::string::npos);
    for (const auto& [copy, bytesBefore] : original) EXPECT_EQ(test::ReadFile(copy), bytesBefore) << copy;

    // Broken block tables (a paper space listed twice, the model space missing)
    // still describe; their drawings hold no attributes.
    for (const char* rel : {"dwg/malformed/acadsharp__dup_paperspace_r2000.dwg",
                            "dwg/malformed/acadsharp__missing_modelspace_r2000.dwg"}) {
        const Result x = Batch("--xml " + test::ShellQuote(Copy(rel)));
        EXPECT_EQ(x.exitCode, 0) << rel << x.err;
        EXPECT_NE(x.out.find("<block name='*Model_Space'>"), std::string::npos) << rel;
        EXPECT_EQ(x.out.find("<Attribute>"), std::string::npos) << rel;
    }
}

}  // namespace
}  // namespace kel
