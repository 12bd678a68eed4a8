// The DXF reader and writer against the third-party drawings of the corpus,
// checked with an independent reader (ezdxf).
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <regex>
#include <set>

#include "DxfTestSupport.h"
#include "component/DrawingComponent.h"
#include "component/dxf/DxfModel.h"
#include "support/Corpus.h"
#include "support/TempDir.h"

namespace kel::test {
namespace {

// Corpus files that hold at least one attribute, with what we read from them.
std::vector<std::pair<std::string, DrawingInfo>> FilesWithAttributes() {
    std::vector<std::pair<std::string, DrawingInfo>> out;
    for (const std::string& f : CorpusDxfFiles()) {
        DrawingInfo info = DescribeFile(f);
        if (!AttributeLines(info).empty()) out.emplace_back(f, std::move(info));
    }
    return out;
}

// What ezdxf reads from those files (audited), read once for all tests.
const std::vector<std::string>& OriginalDump() {
    static const std::vector<std::string> dump = [] {
        std::vector<std::string> paths;
        for (auto& [f, info] : FilesWithAttributes()) paths.push_back(f);
        return EzdxfDump(paths, true);
    }();
    return dump;
}

// Files ezdxf itself cannot load are checked with our reader only.
bool EzdxfReads(const std::string& file) { return LinesOf(OriginalDump(), file, "!\t").empty(); }

// R12 files written without handles get handles from each reader of its own.
bool FileHasHandles(const std::string& file) {
    std::string text = ReadFile(file);
    std::size_t at = text.find("$HANDLING");
    static const std::regex off(R"(^\$HANDLING\r?\n *70\r?\n *0\r?\n)");
    return at == std::string::npos || !std::regex_search(text.substr(at, 40), off);
}

// "A" lines made comparable: owner names without case (R12 spaces), handles only where the file has them.
std::vector<std::string> Comparable(std::vector<std::string> lines, bool handles) {
    for (std::string& line : lines) {
        std::string out = "A\t" + UpperCase(Field(line, 1));
        for (int i = 2; i <= 7; ++i) {
            if (handles || (i != 3 && i != 5)) out += "\t" + Field(line, i);
        }
        line = out;
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

// The entities of a dump whose handles the file itself holds: ezdxf adds blocks of
// its own (dimension arrows) with handles that change from run to run.
std::vector<std::string> FileEntities(const std::vector<std::string>& dump, const std::string& file) {
    dxf::DxfModel model;
    std::string bytes = ReadFile(file), err;
    bool notDxf = false;
    dxf::ReadDxfModel(bytes, model, err, notDxf);
    std::set<std::uint64_t> handles;
    for (const dxf::HandleEntry& e : model.handles) handles.insert(e.handle);
    std::vector<std::string> out;
    for (const std::string& line : LinesOf(dump, file, "E\t")) {
        std::uint64_t h = 0;
        if (dxf::ParseHandle(Field(line, 1), h) && handles.count(h)) out.push_back(line);
    }
    return out;
}

TEST(DxfCorpus, EveryDrawingOpensAndSavesUnchangedByteForByte) {
    KEL_NEED_CORPUS();
    TempDir dir;
    auto files = CorpusDxfFiles();
    ASSERT_GE(files.size(), 40u);
    for (const std::string& f : files) {
        DrawingComponent c;
        std::int32_t h = 0;
        ASSERT_GT(c.OpenFile(h, f, ""), 0) << f << ": " << c.Status();
        c.SaveFile(dir.File("copy.dxf"), -1);
        ASSERT_EQ(c.Status(), kStatusOk) << f;
        EXPECT_TRUE(ReadFile(dir.File("copy.dxf")) == ReadFile(f)) << f << " changed on an unchanged save";
        c.CloseFile();
        EXPECT_EQ(c.Status(), kStatusOk);
    }
}

TEST(DxfCorpus, AttributesAndLayoutsMatchTheIndependentReader) {
    KEL_NEED_INDEPENDENT_READER();
    KEL_NEED_CORPUS();
    auto files = FilesWithAttributes();
    ASSERT_GE(files.size(), 30u);
    for (auto& [f, info] : files) {
        if (!EzdxfReads(f)) continue;
        bool handles = FileHasHandles(f);
        EXPECT_EQ(Comparable(AttributeLines(info), handles), Comparable(LinesOf(OriginalDump(), f, "A\t"), handles))
            << f;
        if (f.find("AC1009") != std::string::npos || f.find("r12") != std::string::npos) continue;  // no layouts
        std::map<std::string, std::string> ours;
        for (const BlockInfo& b : info.blocks) ours[UpperCase(b.name)] = b.layoutName;
        for (const std::string& line : LinesOf(OriginalDump(), f, "L\t")) {
            std::string block = UpperCase(Field(line, 1));
            if (!ours.count(block)) continue;  // a layout whose block holds nothing we list
            EXPECT_EQ(ours[block], Field(line, 2)) << f << " block " << block;
        }
    }
    DrawingInfo multi = DescribeFile(CorpusPath("dxf/ascii/AC1027_R2013/ezdxf__multi_insert_with_attribs.dxf"));
    bool sawGrid = false;
    for (const BlockInfo& b : multi.blocks) {
        for (const InsertInfo& ins : b.inserts) sawGrid = sawGrid || ins.rows * ins.columns > 1;
    }
    EXPECT_TRUE(sawGrid) << "the MINSERT's rows and columns were not read";
}

// Sets every attribute, saves, and checks the result with both readers; ezdxf
// must also see every other entity exactly as before.
TEST(DxfCorpus, SettingEveryAttributeIsSeenByBothReaders) {
    KEL_NEED_INDEPENDENT_READER();
    KEL_NEED_CORPUS();
    TempDir dir;
    std::vector<std::string> before, after;
    std::vector<std::map<std::string, std::string>> expected;
    for (auto& [f, info] : FilesWithAttributes()) {
        DrawingComponent c;
        std::int32_t h = 0;
        ASSERT_GT(c.OpenFile(h, f, ""), 0) << f;
        std::map<std::string, std::string> values;
        for (const std::string& line : AttributeLines(info)) {
            std::string handle = Field(line, 5), n = std::to_string(values.size());
            std::string v = values.size() % 2 ? "a<b & \"c\" 'd' #" + n
                                              : "\xCE\xA9 Gr\xC3\xB6\xC3\x9F" "e \xE8\xA8\xAD\xE8\xA8\x88 #" + n;
            // Handles are taken in any case and with leading zeros.
            std::string given = values.size() % 3 == 1 ? "00" + handle : handle;
            if (values.size() % 3 == 2) {
                for (char& ch : given) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
            }
            c.SetAttributeValue(v, given);
            ASSERT_EQ(c.Status(), kStatusOk) << f << " " << handle;
            values[handle] = v;
        }
        after.push_back(dir.File("set" + std::to_string(before.size()) + ".dxf"));
        before.push_back(f);
        c.SaveFile(after.back(), -1);
        ASSERT_EQ(c.Status(), kStatusOk) << f;
        expected.push_back(values);
        for (const std::string& line : AttributeLines(DescribeFile(after.back()))) {
            EXPECT_EQ(Field(line, 7), EscapeField(values[Field(line, 5)])) << f << ": our reader";
        }
    }
    auto dump = EzdxfDump(after);
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (!EzdxfReads(before[i])) continue;
        EXPECT_EQ(LinesOf(dump, after[i], "!\t"), std::vector<std::string>()) << before[i];
        auto attribs = LinesOf(dump, after[i], "A\t");
        EXPECT_EQ(attribs.size(), expected[i].size()) << before[i];
        if (!FileHasHandles(before[i])) continue;  // the values cannot be paired by handle
        for (const std::string& line : attribs) {
            EXPECT_EQ(Field(line, 7), EscapeField(expected[i][Field(line, 5)])) << before[i] << ": ezdxf";
        }
        EXPECT_EQ(LineDiff(FileEntities(OriginalDump(), before[i]), FileEntities(dump, after[i])), "")
            << before[i] << ": an entity other than the attribute texts changed";
    }
}

TEST(DxfCorpus, DeletingAttributesKeepsTheDrawingSound) {
    KEL_NEED_INDEPENDENT_READER();
    KEL_NEED_CORPUS();
    TempDir dir;
    std::vector<std::string> before, after;
    std::vector<std::set<std::string>> deleted;
    // One drawing of each writer and kind.
    const char* samples[] = {"AC1009_ascii", "example_r12", "AC1032_ascii", "AC1009_binary", "AC1015_binary",
                             "insert_nesting", "multi_insert", "netdxf__sample_2000", "ezdxf__text", "example_2018",
                             "entities-2d"};
    for (auto& [f, info] : FilesWithAttributes()) {
        if (std::none_of(std::begin(samples), std::end(samples), [&](auto s) { return f.find(s) != f.npos; })) continue;
        // One attribute of the first insert that has some, and all of the last one's.
        std::vector<const InsertInfo*> withAttribs;
        for (const BlockInfo& b : info.blocks) {
            for (const InsertInfo& ins : b.inserts) {
                if (!ins.attributes.empty()) withAttribs.push_back(&ins);
            }
        }
        std::set<std::string> gone{withAttribs.front()->attributes.front().handle};
        if (withAttribs.size() > 1) {
            for (const AttributeInfo& a : withAttribs.back()->attributes) gone.insert(a.handle);
        }
        DrawingComponent c;
        std::int32_t h = 0;
        ASSERT_GT(c.OpenFile(h, f, ""), 0);
        for (const std::string& handle : gone) {
            c.DeleteEntity(handle);
            ASSERT_EQ(c.Status(), kStatusOk) << f << " " << handle;
        }
        c.DeleteEntity(*gone.begin());
        EXPECT_EQ(c.Status().substr(0, 5), "3001:") << "a deleted attribute was found again";
        after.push_back(dir.File("del" + std::to_string(before.size()) + ".dxf"));
        before.push_back(f);
        deleted.push_back(gone);
        c.SaveFile(after.back(), -1);
        ASSERT_EQ(c.Status(), kStatusOk);
        EXPECT_EQ(AttributeLines(DescribeFile(after.back())).size(), AttributeLines(info).size() - gone.size()) << f;
    }
    ASSERT_GE(before.size(), 10u);
    auto dump = EzdxfDump(after, true);
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (!EzdxfReads(before[i])) continue;
        EXPECT_EQ(LinesOf(dump, after[i], "!\t"), std::vector<std::string>()) << before[i] << " no longer loads";
        EXPECT_EQ(LinesOf(dump, after[i], "X\t"), LinesOf(OriginalDump(), before[i], "X\t")) << before[i] << ": audit";
        // The remaining attributes are the old ones without the deleted.
        std::vector<std::string> expect;
        for (const std::string& line : LinesOf(OriginalDump(), before[i], "A\t")) {
            if (!deleted[i].count(Field(line, 5))) expect.push_back(line);
        }
        if (FileHasHandles(before[i])) {
            EXPECT_EQ(LinesOf(dump, after[i], "A\t"), expect) << before[i];
        } else {
            EXPECT_EQ(LinesOf(dump, after[i], "A\t").size() + deleted[i].size(), expect.size()) << before[i];
        }
    }
}

}  // namespace
}  // namespace kel::test
