// Changing drawings in the paged containers (R2004, R2007, R2010, R2013, R2018): every
// corpus drawing of those versions takes a new value in every attribute and
// loses one tag; read back, only those changed, every other object keeps its
// bytes, and the same edits write the same file.
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

std::map<std::uint64_t, std::string> ObjectBytes(const DwgDocument& doc) {
    std::map<std::uint64_t, std::string> out;
    for (const ObjectLocation& loc : doc.File().objectMap) {
        const DecodedObject* o = doc.Model().Find(loc.handle);
        out[loc.handle] = doc.File().objectSection.substr(static_cast<std::size_t>(o->offset), o->totalBytes);
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
    const std::string value = "Neu Ω 設計 <&>";
    kel::test::TempDir dir;
    std::size_t edited = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        SCOPED_TRACE(entry.path().filename().string());
        const std::string original = kel::test::ReadFile(entry.path().string());
        auto doc = Open(original);
        ASSERT_TRUE(doc);
        std::vector<std::string> before = Lines(*doc);
        if (before.empty()) continue;
        const auto oldBytes = ObjectBytes(*doc);
        // Delete the first tag that can go wherever it occurs, set all others.
        const std::string tag = DeletableTag(original, before);
        EXPECT_NE(tag, "");
        std::vector<std::pair<std::string, bool>> edits;  // attribute handle, deleted
        // Objects that may change: attributes, their inserts and multi-line copies.
        std::set<std::uint64_t> touched = test::MultiLineCopies(*doc);
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
        }
        auto apply = [&](DwgDocument& d) {
            for (const auto& [handle, remove] : edits) {
                EXPECT_EQ(remove ? d.DeleteEntity(handle) : d.SetAttributeValue(handle, value), "1000:Ok") << handle;
            }
        };
        apply(*doc);
        const std::string first = dir.File("first.dwg");
        ASSERT_EQ(doc->Save(first, -1), "1000:Ok");
        const std::string saved = kel::test::ReadFile(first);
        auto back = Open(saved);
        ASSERT_TRUE(back);
        std::map<std::string, std::string> values;
        std::vector<std::string> after = Lines(*back, &values);
        std::vector<std::string> expected;
        for (const std::string& line : before) {
            if (TagOf(line) != tag) expected.push_back(line);
        }
        EXPECT_EQ(after, expected);
        for (const auto& [handle, v] : values) EXPECT_EQ(v, value) << handle;
        // Every object but the attributes, their inserts and the SEQENDs of
        // emptied inserts keeps its bytes; the deleted ones are gone.
        const auto newBytes = ObjectBytes(*back);
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
    EXPECT_GE(edited, 2u);
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
                         ::testing::Values("AC1018_R2004", "AC1021_R2007", "AC1024_R2010", "AC1027_R2013",
                                           "AC1032_R2018"));

TEST(DwgPagedEditTest, DeletingAttributesEmptiesAnR2004InsertsList) {
    KEL_NEED_CORPUS();
    // Insert 79C lists 79D, 79F and 7A0; insert 704 lists 705 alone.
    const std::string bytes = test::ReadCorpus("dwg/AC1018_R2004/acadsharp__sample_AC1018.dwg");
    kel::test::TempDir dir;
    auto doc = Open(bytes);
    ASSERT_TRUE(doc);
    const DecodedObject* lone = doc->Model().Find(0x704);
    ASSERT_TRUE(lone);
    const std::uint64_t seqend = lone->Ref(std::get<InsertData>(lone->data).seqend);
    ASSERT_NE(seqend, 0u);
    EXPECT_EQ(doc->DeleteEntity("79F"), "1000:Ok");
    EXPECT_EQ(doc->DeleteEntity("705"), "1000:Ok");
    EXPECT_EQ(doc->DeleteEntity("79F"), "3001:Handle 79F not found");
    ASSERT_EQ(doc->Save(dir.File("d.dwg"), -1), "1000:Ok");
    auto back = Open(kel::test::ReadFile(dir.File("d.dwg")));
    ASSERT_TRUE(back);
    const auto& kept = std::get<InsertData>(back->Model().Find(0x79C)->data);
    ASSERT_EQ(kept.ownedAttribs.size(), 2u);
    EXPECT_EQ(back->Model().AttribsOf(0x79C), (std::vector<std::uint64_t>{0x79D, 0x7A0}));
    const auto& emptied = std::get<InsertData>(back->Model().Find(0x704)->data);
    EXPECT_FALSE(emptied.hasAttribs);
    EXPECT_TRUE(emptied.ownedAttribs.empty());
    EXPECT_EQ(back->Model().Find(seqend), nullptr);
    EXPECT_EQ(back->Model().Find(0x705), nullptr);
}

}  // namespace
}  // namespace kel::dwg
