// Changing drawings of every version: every corpus drawing takes a new value
// in every attribute and loses one tag; read back, only those changed, every
// other object keeps its bytes, and the same edits write the same file. The
// attribute rows a drawing lists are those it describes, before and after.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include "component/dwg/DwgDocument.h"
#include "tests/component/dwg/DwgTestFiles.h"

namespace kel::dwg {
namespace {

using test::Open;

// One line per attribute with everything the drawing information shows.
std::vector<std::string> Lines(const DwgDocument& doc, std::map<std::string, std::string>* values = nullptr) {
    std::vector<std::string> out;
    for (const BlockInfo& b : doc.Describe().blocks) {
        for (const InsertInfo& i : b.inserts) {
            std::ostringstream insert;
            insert << b.name << '|' << b.layoutName << '|' << i.name << '|' << i.handle << '|' << i.layer << '|' << i.x
                   << '|' << i.y << '|' << i.z << '|' << i.numberConstantAttributes << '|' << i.rows << '|'
                   << i.columns;
            for (const AttributeInfo& a : i.attributes) {
                out.push_back(insert.str() + '|' + a.handle + '|' + a.tag);
                if (values) (*values)[a.handle] = a.value;
            }
        }
    }
    return out;
}

// From R2007 on the drawing lists its attribute rows itself: the rows must be
// those its description gives, in its order, each insert once.
void ExpectListedAsDescribed(const DwgDocument& doc) {
    AttributeRows rows;
    if (!doc.ListAttributes(rows)) {
        EXPECT_FALSE(AtLeast(doc.File().version, Version::R2007));
        return;
    }
    EXPECT_TRUE(AtLeast(doc.File().version, Version::R2007));
    const auto line = [](auto... parts) {
        std::string out;
        ((out += std::string(parts) + '|'), ...);
        return out;
    };
    std::vector<std::string> listed, described;
    for (const AttributeRow& r : rows.rows) {
        const RowInsert& i = *r.insert;
        listed.push_back(line(i.space, i.layout, i.block, i.layer, i.handle, r.handle, r.tag, r.value));
    }
    std::size_t inserts = 0;
    for (const BlockInfo& b : doc.Describe().blocks) {
        for (const InsertInfo& i : b.inserts) {
            inserts += i.attributes.empty() ? 0 : 1;
            for (const AttributeInfo& a : i.attributes) {
                described.push_back(line(b.name, b.layoutName, i.name, i.layer, i.handle, a.handle, a.tag, a.value));
            }
        }
    }
    EXPECT_EQ(listed, described);
    EXPECT_EQ(rows.inserts.size(), inserts);
}

std::map<std::uint64_t, std::string> ObjectBytes(const DwgDocument& doc, const std::string& bytes) {
    std::map<std::uint64_t, std::string> out;
    for (const ObjectLocation& loc : doc.File().objectMap) {
        const DecodedObject* o = doc.Model().Find(loc.handle);
        out[loc.handle] = std::string(doc.File().ObjectArea(bytes).substr(static_cast<std::size_t>(loc.offset), o->totalBytes));
    }
    return out;
}

std::string TagOf(const std::string& line) { return line.substr(line.rfind('|') + 1); }

std::string HandleOf(const std::string& line) {
    const std::size_t end = line.rfind('|');
    return line.substr(line.rfind('|', end - 1) + 1, end - line.rfind('|', end - 1) - 1);
}

// The first tag all of whose attributes can be deleted (one holding a field cannot).
std::string DeletableTag(const std::string& bytes, const std::vector<std::string>& lines) {
    for (const std::string& line : lines) {
        auto doc = Open(bytes);
        bool all = true;
        for (const std::string& other : lines) {
            if (TagOf(other) == TagOf(line)) all = all && doc->DeleteEntity(HandleOf(other)) == "1000:Ok";
        }
        if (all) return TagOf(line);
    }
    return {};
}

class DwgPagedEditTest : public ::testing::TestWithParam<const char*> {};

TEST_P(DwgPagedEditTest, EveryCorpusDrawingTakesNewValuesAndLosesOneTag) {
    KEL_NEED_CORPUS();
    const std::string folder = kel::test::CorpusPath(std::string("dwg/") + GetParam());
    // Text beyond the drawing's code page, nothing, and the most an R14 value holds.
    const std::string values[] = {"Neu Ω 設計 <&> \xF0\x9F\x98\x80", "", std::string(255, 'x')};
    kel::test::TempDir dir;
    std::size_t edited = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        SCOPED_TRACE(entry.path().filename().string());
        const std::string original = kel::test::ReadFile(entry.path().string());
        auto doc = Open(original);
        ASSERT_TRUE(doc);
        std::vector<std::string> before = Lines(*doc);
        ExpectListedAsDescribed(*doc);
        if (before.empty()) continue;
        const auto oldBytes = ObjectBytes(*doc, original);
        // Delete the first tag that can go wherever it occurs, set all others.
        const std::string tag = DeletableTag(original, before);
        EXPECT_NE(tag, "");
        std::vector<std::pair<std::string, bool>> edits;  // attribute handle, deleted
        std::map<std::string, std::string> wanted;         // attribute handle -> new value
        // Objects that may change: attributes, their inserts and multi-line copies.
        std::set<std::uint64_t> touched = test::MultiLineCopies(*doc, original);
        std::size_t deleted = 0;
        for (const std::string& line : before) {
            std::vector<std::string> parts;
            std::stringstream ss(line);
            for (std::string p; std::getline(ss, p, '|');) parts.push_back(p);
            const std::string handle = parts[parts.size() - 2];
            const bool remove = TagOf(line) == tag;
            touched.insert(std::stoull(handle, nullptr, 16));
            if (remove) touched.insert(std::stoull(parts[3], nullptr, 16));
            deleted += remove;
            edits.emplace_back(handle, remove);
            if (!remove) wanted[handle] = values[wanted.size() % std::size(values)];
        }
        auto apply = [&](DwgDocument& d) {
            for (const auto& [handle, remove] : edits) {
                EXPECT_EQ(remove ? d.DeleteEntity(handle) : d.SetAttributeValue(handle, wanted[handle]), "1000:Ok")
                    << handle;
            }
        };
        apply(*doc);
        // The open drawing shows the new values before it is saved.
        std::map<std::string, std::string> shown;
        Lines(*doc, &shown);
        EXPECT_EQ(shown, wanted);
        ExpectListedAsDescribed(*doc);
        const std::string first = dir.File("first.dwg");
        ASSERT_EQ(doc->Save(first, -1), "1000:Ok");
        const std::string saved = kel::test::ReadFile(first);
        auto back = Open(saved);
        ASSERT_TRUE(back);
        std::map<std::string, std::string> read;
        std::vector<std::string> after = Lines(*back, &read);
        ExpectListedAsDescribed(*back);
        std::vector<std::string> expected;
        for (const std::string& line : before) {
            if (TagOf(line) != tag) expected.push_back(line);
        }
        EXPECT_EQ(after, expected);
        EXPECT_EQ(read, wanted);
        // Every object but the attributes, their inserts and the SEQENDs of
        // emptied inserts keeps its bytes; the deleted ones are gone.
        const auto newBytes = ObjectBytes(*back, saved);
        std::size_t gone = 0;
        for (const auto& [handle, bytes] : oldBytes) {
            auto it = newBytes.find(handle);
            if (it == newBytes.end()) {
                ++gone;
                continue;
            }
            EXPECT_TRUE(touched.count(handle) || it->second == bytes) << std::hex << handle;
        }
        EXPECT_GE(gone, deleted);
        EXPECT_EQ(newBytes.size() + gone, oldBytes.size());

        // The same edits on the original write the same bytes; saving the
        // saved drawing unchanged writes it as it is.
        auto again = Open(original);
        apply(*again);
        std::string second;
        std::string status;
        ASSERT_TRUE(again->Serialize(second, status)) << status;
        EXPECT_TRUE(second == saved);
        ASSERT_EQ(back->Save(dir.File("second.dwg"), std::stoi(saved.substr(2, 4))), "1000:Ok");
        EXPECT_TRUE(kel::test::ReadFile(dir.File("second.dwg")) == saved);
        ++edited;
    }
    // The R13 folder holds one drawing; the broken block tables may hold no attributes.
    EXPECT_GE(edited, std::string(GetParam()) == "AC1012_R13" ? 1u : std::string(GetParam()) == "malformed" ? 0u : 2u);
}

TEST(DwgPagedEditTest, AnAttributeWhoseValueIsAFieldIsNotDeleted) {
    KEL_NEED_CORPUS();
    // Attribute 2F595 (tag X) owns a dictionary holding a field, which the
    // drawing's list of fields names too.
    const std::string bytes = test::ReadCorpus("dwg/AC1027_R2013/autocad-files__T-01.dwg");
    auto doc = Open(bytes);
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->DeleteEntity("2F595"), "3002:Deleting an ATTRIB whose value is a field is not supported");
    EXPECT_EQ(doc->DeleteEntity("2F821"), "1000:Ok");  // a revision holds none
    std::string out, status;
    ASSERT_TRUE(doc->Serialize(out, status)) << status;
    auto back = Open(out);
    ASSERT_TRUE(back);
    EXPECT_TRUE(back->Model().Find(0x2F595));
    EXPECT_FALSE(back->Model().Find(0x2F821));
}

INSTANTIATE_TEST_SUITE_P(Versions, DwgPagedEditTest,
                         ::testing::Values("AC1012_R13", "AC1014_R14", "AC1015_R2000", "malformed", "AC1018_R2004",
                                           "AC1021_R2007", "AC1024_R2010", "AC1027_R2013", "AC1032_R2018"));

}  // namespace
}  // namespace kel::dwg
