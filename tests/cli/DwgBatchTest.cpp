// kel-batch --xml, --show and -t on copies of real DWG drawings: what they
// show agrees with the DXF twins, changes read back with every CRC checked,
// and drawings that cannot be changed or read are reported and left alone.
#include <algorithm>
#include <map>

#include "component/dwg/DwgDocument.h"
#include "tests/cli/CliTest.h"
#include "tests/support/SameBytes.h"

namespace kel::cli {
namespace {

// DWGs of the corpus with their DXF twins; sameHandles: saved together, every insert keeps its handle.
const struct Twin {
    const char *dwg, *dxf;
    bool sameHandles;
} kTwins[] = {
    {"dwg/AC1012_R13/libredwg__example_r13.dwg", "dxf/ascii/AC1012_R13/libredwg__example_r13.dxf", false},
    {"dwg/AC1014_R14/libredwg__example_r14.dwg", "dxf/ascii/AC1014_R14/libredwg__example_r14.dxf", false},
    // The R2000 twin of this drawing saved as R14 (no R14 DXF of it exists).
    {"dwg/AC1014_R14/acadsharp__sample_AC1014.dwg", "dxf/ascii/AC1015_R2000/acadsharp__sample_AC1015_ascii.dxf", false},
    {"dwg/AC1015_R2000/acadsharp__sample_AC1015.dwg", "dxf/ascii/AC1015_R2000/acadsharp__sample_AC1015_ascii.dxf", false},
    {"dwg/AC1015_R2000/libredwg__example_2000.dwg", "dxf/ascii/AC1015_R2000/libredwg__example_2000.dxf", true},
    {"dwg/AC1015_R2000/libopencad__ACAD_r2000_sample.dwg",
     "dxf/ascii/AC1015_R2000/libopencad__ACAD_r2000_sample_original.dxf", true},
    {"dwg/AC1015_R2000/libredwg__entities-2d.dwg", "dxf/ascii/AC1015_R2000/libredwg__entities-2d.dxf", true},
    {"dwg/AC1018_R2004/libredwg__example_2004.dwg", "dxf/ascii/AC1018_R2004/libredwg__example_2004.dxf", false},
    {"dwg/AC1018_R2004/acadsharp__sample_AC1018.dwg", "dxf/ascii/AC1018_R2004/acadsharp__sample_AC1018_ascii.dxf",
     false},
};

struct Attribute {
    std::string handle, tag, value;
    bool operator==(const Attribute&) const = default;
    friend void PrintTo(const Attribute& a, std::ostream* os) { *os << a.handle << ' ' << a.tag << '=' << a.value; }
};

// The attributes as the DWG reader sees them (every CRC checked), in drawing order.
std::vector<Attribute> ReadDwg(const std::string& path) {
    std::vector<Attribute> out;
    std::string status;
    auto doc = dwg::DwgDocument::Open(test::ReadFile(path), path, status);
    EXPECT_TRUE(doc) << path << ": " << status;
    for (const BlockInfo& b : doc ? doc->Describe().blocks : std::vector<BlockInfo>{}) {
        for (const InsertInfo& i : b.inserts) {
            for (const AttributeInfo& a : i.attributes) out.push_back({a.handle, a.tag, a.value});
        }
    }
    return out;
}

using DwgBatchTest = CliTest;

// Each drawing: --xml and --show agree with its DXF twin and write nothing;
// then one run changes all of them, checked by reading every CRC back, and
// --undo puts every original back.
TEST_F(DwgBatchTest, TwinsAreShownAsTheDxfReaderSeesThemAndChanged) {
    KEL_NEED_CORPUS();
    // The dash and the omega are not in the drawings' code page.
    const std::string etikedo = "Nova valoro \xE2\x80\x93 Gr\xC3\xB6\xC3\x9F" "e \xCE\xA9";
    const std::string tmpl = dir.Write("t.txt", "*INPUT\r\n*ATTRIBUTE_TAGS\r\nETIKEDO,r," + etikedo +
                                                    "\r\nATTINFO,r,42\r\nPRESET_ATT,d\r\nTAG2,r,<Tag & two>\r\nATTR2,c\r\n");
    const std::map<std::string, std::string> newValues = {
        {"ETIKEDO", etikedo}, {"ATTINFO", "42"}, {"TAG2", "<Tag & two>"}, {"ATTR2", ""}};
    std::vector<std::string> copies;
    std::vector<std::vector<Attribute>> expected;
    std::string args;
    for (const Twin& t : kTwins) {
        SCOPED_TRACE(t.dwg);
        const std::string copy = Copy(t.dwg), dxf = test::CorpusPath(t.dxf);
        XmlMatching(copy, dxf);
        const Result show = Batch("--show " + Q(copy));
        ASSERT_EQ(show.exitCode, 0) << show.err;
        if (t.sameHandles) {
            EXPECT_EQ(show.out, Batch("--show " + Q(dxf)).out) << "the DXF reader's table";
        }
        EXPECT_TRUE(Untouched(copy, t.dwg));
        copies.push_back(copy);
        args += " " + Q(copy);
        expected.emplace_back();
        for (const Attribute& a : ReadDwg(copy)) {
            const auto n = newValues.find(a.tag);
            if (a.tag != "PRESET_ATT") expected.back().push_back({a.handle, a.tag, n == newValues.end() ? a.value : n->second});
        }
    }
    EXPECT_TRUE(fs::is_empty(home)) << "work files removed";
    const Result r = Batch("-t " + Q(tmpl) + args);
    EXPECT_EQ(r.exitCode, 0) << r.out << ErrLog();
    EXPECT_NE(r.out.find("\nAttributes for " + std::to_string(copies.size()) + " file(s) modified in "), std::string::npos);
    for (std::size_t f = 0; f < copies.size(); ++f) EXPECT_EQ(ReadDwg(copies[f]), expected[f]) << copies[f];
    // The journal puts every original back byte for byte.
    EXPECT_EQ(Batch("--undo").exitCode, 0);
    for (std::size_t f = 0; f < copies.size(); ++f) EXPECT_TRUE(Untouched(copies[f], kTwins[f].dwg)) << copies[f];
}

// A tag the template can name as it is.
bool PlainTag(const std::string& tag) {
    return !tag.empty() && std::all_of(tag.begin(), tag.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
    });
}

// True when every attribute with the tag can be deleted (one whose value is a field cannot).
bool Deletable(const std::string& path, const std::vector<Attribute>& all, const std::string& tag) {
    std::string status;
    auto doc = dwg::DwgDocument::Open(test::ReadFile(path), path, status);
    bool ok = doc != nullptr;
    for (const Attribute& a : all) ok = ok && (a.tag != tag || doc->DeleteEntity(a.handle) == "1000:Ok");
    return ok;
}

// Every drawing of the paged versions: shown (the R2007 ones with a DXF twin
// as the DXF reader sees it) and changed.
TEST_F(DwgBatchTest, EveryPagedDrawingIsShownAndChanged) {
    KEL_NEED_CORPUS();
    const std::map<std::string, std::string> twins = {
        {"dwg/AC1021_R2007/libredwg__example_2007.dwg", "dxf/ascii/AC1021_R2007/libredwg__example_2007.dxf"},
        {"dwg/AC1021_R2007/acadsharp__sample_AC1021.dwg", "dxf/ascii/AC1021_R2007/acadsharp__sample_AC1021_ascii.dxf"},
        {"dwg/AC1021_R2007/acadsharp-48c4080__sample_AC1021.dwg",
         "dxf/ascii/AC1021_R2007/acadsharp-48c4080__sample_AC1021_ascii.dxf"}};
    const std::string value = "Neu \xCE\xA9 \xE8\xA8\xAD <&>";
    std::size_t changed = 0, matched = 0;
    for (const char* folder :
         {"dwg/AC1018_R2004", "dwg/AC1021_R2007", "dwg/AC1024_R2010", "dwg/AC1027_R2013", "dwg/AC1032_R2018"}) {
        for (const auto& entry : fs::directory_iterator(test::CorpusPath(folder))) {
            const std::string rel = std::string(folder) + "/" + entry.path().filename().string();
            SCOPED_TRACE(rel);
            const std::string copy = Copy(rel);
            const std::vector<Attribute> before = ReadDwg(copy);
            const auto twin = twins.find(rel);
            const Result xml = twin == twins.end() ? Batch("--xml " + Q(copy)) : XmlMatching(copy, test::CorpusPath(twin->second));
            const Result show = Batch("--show " + Q(copy));
            matched += twin != twins.end();
            ASSERT_EQ(xml.exitCode, 0) << xml.err;
            ASSERT_EQ(show.exitCode, 0) << show.err;
            EXPECT_EQ(SplitLines(show.out).size(), before.size() + 1) << show.out;
            for (const Attribute& a : before) {
                EXPECT_NE(xml.out.find("<handle>" + a.handle + "</handle>"), std::string::npos) << a.handle;
                EXPECT_NE(show.out.find("," + a.handle + ","), std::string::npos) << a.handle;
            }
            // Up to four tags: deleted, set, cleared, and one whose value is replaced within.
            std::vector<std::string> tags;
            std::string find;
            for (const Attribute& a : before) {
                if (!PlainTag(a.tag) || std::find(tags.begin(), tags.end(), a.tag) != tags.end()) continue;
                if (tags.empty() && !Deletable(copy, before, a.tag)) continue;
                if (tags.size() == 3 && (a.value.empty() || a.value.find_first_of(",\\\r\n") != std::string::npos)) continue;
                tags.push_back(a.tag);
                if (tags.size() == 4) find = a.value;
                if (tags.size() == 4) break;
            }
            if (tags.empty()) continue;
            const char* actions[] = {",d", ",r,", ",c", ",f,"};
            std::string lines = "*INPUT\r\n*ATTRIBUTE_TAGS\r\n";
            for (std::size_t i = 0; i < tags.size(); ++i) {
                lines += tags[i] + actions[i] + (i == 1 ? value : i == 3 ? find + ",R" : "") + "\r\n";
            }
            std::vector<Attribute> expected;
            for (Attribute a : before) {
                const auto found = std::find(tags.begin(), tags.end(), a.tag);
                const auto at = found == tags.end() ? -1 : found - tags.begin();
                if (at == 0) continue;
                if (at == 1) a.value = value;
                if (at == 2) a.value.clear();
                for (std::size_t p = at == 3 ? a.value.find(find) : std::string::npos; p != std::string::npos;
                     p = a.value.find(find, p + 1)) {
                    a.value.replace(p, find.size(), "R");
                }
                expected.push_back(a);
            }
            const Result r = Batch("-t " + Q(dir.Write("t.txt", lines)) + " " + Q(copy));
            EXPECT_EQ(r.exitCode, 0) << r.out << ErrLog();
            EXPECT_EQ(ReadDwg(copy), expected);
            ++changed;
        }
    }
    EXPECT_GE(changed, 25u);
    EXPECT_EQ(matched, twins.size());
}

TEST_F(DwgBatchTest, DrawingsThatCannotBeChangedAreReportedAndLeftAlone) {
    KEL_NEED_CORPUS();
    const std::string tmpl = dir.Write("t.txt", "*INPUT\r\n*ATTRIBUTE_TAGS\r\nETIKEDO,r,x\r\nATTINFO,r,1\r\n");
    // Copy -> the status --xml reports.
    std::map<std::string, std::string> status;
    for (const char* rel : {"dwg/legacy_pre_R13/libredwg__r2.6_entities.dwg", "dwg/legacy_pre_R13/libredwg__r10_entities.dwg",
                            "dwg/legacy_pre_R13/libredwg__r11_entities-2d.dwg"}) {
        const std::string copy = Copy(rel);
        status[copy] = "(2004:Unsupported format " + test::ReadFile(copy).substr(0, 6);
    }
    // A damaged R2000 file (the kinds of damage are told apart in the reader's tests).
    const std::string r2000 = "dwg/AC1015_R2000/libredwg__example_2000.dwg", bytes = test::ReadFile(test::CorpusPath(r2000));
    status[dir.Write("work/cut.dwg", bytes.substr(0, bytes.size() / 2))] = "(2005:";
    std::map<std::string, std::string> original;
    std::string args;
    for (const auto& [copy, says] : status) {
        const Result r = Batch("--xml " + Q(copy));
        EXPECT_EQ(r.exitCode, 1) << copy;
        EXPECT_TRUE(r.out.empty() && r.err.find(says) != std::string::npos) << r.err;
        original[copy] = test::ReadFile(copy);
        args += " " + Q(copy);
    }
    const std::string changed = Copy(r2000);
    const Result r = Batch("-t " + Q(tmpl) + " " + Q(changed) + args);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.out.find("\nAttributes for 1 file(s) modified in "), std::string::npos) << r.out;
    EXPECT_FALSE(Untouched(changed, r2000));
    const std::string log = ErrLog();
    EXPECT_EQ(SplitLines(log).size(), status.size()) << log;
    for (const auto& [copy, says] : status) {
        EXPECT_NE(log.find("  Drawing: " + copy + "  Error: Error opening file "), std::string::npos) << copy << "\n" << log;
        EXPECT_TRUE(test::SameBytes(test::ReadFile(copy), original[copy])) << copy;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.File("work")), fs::directory_iterator()), status.size() + 1)
        << "no files left over";
}

}  // namespace
}  // namespace kel::cli
