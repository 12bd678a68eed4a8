// The DXF reader and writer against the third-party drawings of the corpus,
// checked with an independent reader (ezdxf).
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <sstream>

#include "DxfTestSupport.h"
#include "component/ComponentStatus.h"
#include "component/DrawingComponent.h"
#include "component/dxf/DxfModel.h"
#include "support/TempDir.h"

namespace kel::test {
namespace {

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// Corpus files that hold at least one attribute, with what we read from them.
std::vector<std::pair<std::string, DrawingInfo>> FilesWithAttributes() {
    std::vector<std::pair<std::string, DrawingInfo>> out;
    for (const std::string& f : CorpusDxfFiles()) {
        DrawingInfo info = DescribeFile(f);
        if (!AttributeLines(info).empty()) out.emplace_back(f, std::move(info));
    }
    return out;
}

// What ezdxf reads from the corpus files with attributes (audited), read once for all tests.
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
    std::size_t at = text.find("$HANDLING\r\n");
    if (at == std::string::npos) at = text.find("$HANDLING\n");
    if (at == std::string::npos) return true;  // binary files and later versions always have handles
    // "$HANDLING", then the group code line 70, then the value line.
    std::istringstream in(text.substr(at));
    std::string name, code, value;
    std::getline(in, name);
    std::getline(in, code);
    std::getline(in, value);
    return std::atoi(value.c_str()) != 0;
}

// An "A" line without its two handle fields.
std::string WithoutHandles(const std::string& line) {
    std::vector<std::string> f;
    std::size_t pos = 0;
    while (true) {
        std::size_t t = line.find('\t', pos);
        f.push_back(line.substr(pos, t - pos));
        if (t == std::string::npos) break;
        pos = t + 1;
    }
    std::string out;
    for (std::size_t i = 0; i < f.size(); ++i) {
        if (i == 3 || i == 5) continue;
        out += (out.empty() ? "" : "\t") + f[i];
    }
    return out;
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
        std::size_t t = line.find('\t', 2);
        std::uint64_t h = 0;
        if (dxf::ParseHandle(line.substr(2, t - 2), h) && handles.count(h)) out.push_back(line);
    }
    return out;
}

TEST(DxfCorpus, EveryDrawingOpensAndSavesUnchangedByteForByte) {
    TempDir dir;
    auto files = CorpusDxfFiles();
    ASSERT_GE(files.size(), 40u);
    for (const std::string& f : files) {
        DrawingComponent c;
        std::int32_t h = 0;
        ASSERT_GT(c.OpenFile(h, f, ""), 0) << f << ": " << c.Status();
        EXPECT_GT(h, 0);
        std::string out = dir.File("copy.dxf");
        c.SaveFile(out, -1);
        ASSERT_EQ(c.Status(), kStatusOk) << f;
        EXPECT_TRUE(ReadFile(out) == ReadFile(f)) << f << " changed on an unchanged save";
        c.CloseFile();
        EXPECT_EQ(c.Status(), kStatusOk);
    }
}

TEST(DxfCorpus, AttributesMatchTheIndependentReader) {
    auto files = FilesWithAttributes();
    ASSERT_GE(files.size(), 30u);
    const auto& dump = OriginalDump();
    for (auto& [f, info] : files) {
        if (!EzdxfReads(f)) continue;
        auto theirs = LinesOf(dump, f, "A\t");
        auto ours = AttributeLines(info);
        if (!FileHasHandles(f)) {
            for (auto* v : {&theirs, &ours}) {
                for (std::string& line : *v) line = WithoutHandles(line);
            }
        }
        // R12 files name the spaces $MODEL_SPACE / *MODEL_SPACE in any case; compare owner names without case.
        for (auto* v : {&theirs, &ours}) {
            for (std::string& line : *v) {
                std::size_t t = line.find('\t', 2);
                line = Upper(line.substr(0, t)) + line.substr(t);
            }
            std::sort(v->begin(), v->end());
        }
        EXPECT_EQ(ours, theirs) << f;
    }
}

TEST(DxfCorpus, LayoutNamesMatchTheIndependentReader) {
    std::vector<std::string> paths;
    std::vector<DrawingInfo> infos;
    for (const std::string& f : CorpusDxfFiles()) {
        if (f.find("AC1009") != std::string::npos || f.find("r12") != std::string::npos) continue;  // no layouts in R12
        paths.push_back(f);
        infos.push_back(DescribeFile(f));
    }
    auto dump = EzdxfDump(paths);
    for (std::size_t i = 0; i < paths.size(); ++i) {
        std::map<std::string, std::string> ours;
        for (const BlockInfo& b : infos[i].blocks) ours[Upper(b.name)] = b.layoutName;
        for (const std::string& line : LinesOf(dump, paths[i], "L\t")) {
            std::size_t t = line.find('\t', 2);
            std::string block = Upper(line.substr(2, t - 2)), layout = line.substr(t + 1);
            if (!ours.count(block)) continue;  // a layout whose block holds nothing we list
            EXPECT_EQ(ours[block], layout) << paths[i] << " block " << block;
        }
    }
}

TEST(DxfCorpus, NestedAndMultipleInsertsAreCounted) {
    DrawingInfo nested = DescribeFile(CorpusPath("dxf/ascii/AC1018_R2004/ezdxf__insert_nesting_level_0.dxf"));
    std::size_t attribs = AttributeLines(nested).size();
    EXPECT_EQ(attribs, 576u);
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
    TempDir dir;
    auto files = FilesWithAttributes();
    std::vector<std::string> before, after;
    std::vector<std::map<std::string, std::string>> expected;
    int n = 0;
    for (auto& [f, info] : files) {
        DrawingComponent c;
        std::int32_t h = 0;
        ASSERT_GT(c.OpenFile(h, f, ""), 0) << f;
        std::map<std::string, std::string> values;
        int k = 0;
        for (const BlockInfo& b : info.blocks) {
            for (const InsertInfo& ins : b.inserts) {
                for (const AttributeInfo& a : ins.attributes) {
                    std::string v = (k++ % 2 == 0) ? "\xCE\xA9 Gr\xC3\xB6\xC3\x9F" "e \xE8\xA8\xAD\xE8\xA8\x88 #" + std::to_string(k)
                                                   : "a<b & \"c\" 'd' #" + std::to_string(k);
                    std::string handle = a.handle;
                    if (k % 3 == 0) handle = "0" + Upper(handle);  // leading zero, other case
                    if (k % 5 == 0) {
                        for (char& ch : handle) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
                    }
                    c.SetAttributeValue(v, handle);
                    ASSERT_EQ(c.Status(), kStatusOk) << f << " " << a.handle;
                    values[a.handle] = v;
                }
            }
        }
        std::string out = dir.File("set" + std::to_string(n++) + ".dxf");
        c.SaveFile(out, -1);
        ASSERT_EQ(c.Status(), kStatusOk) << f;
        before.push_back(f);
        after.push_back(out);
        expected.push_back(values);

        // Our own reader sees the new values after a reopen.
        DrawingInfo again = DescribeFile(out);
        for (const BlockInfo& b : again.blocks) {
            for (const InsertInfo& ins : b.inserts) {
                for (const AttributeInfo& a : ins.attributes) EXPECT_EQ(a.value, values[a.handle]) << f;
            }
        }
        EXPECT_EQ(AttributeLines(again).size(), values.size()) << f;
    }
    auto dump = EzdxfDump(after);
    const auto& original = OriginalDump();
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (!EzdxfReads(before[i])) continue;
        auto errors = LinesOf(dump, after[i], "!\t");
        EXPECT_TRUE(errors.empty()) << before[i] << ": " << (errors.empty() ? "" : errors[0]);
        auto attribs = LinesOf(dump, after[i], "A\t");
        EXPECT_EQ(attribs.size(), expected[i].size()) << before[i];
        if (!FileHasHandles(before[i])) continue;  // the values cannot be paired by handle
        for (const std::string& line : attribs) {
            std::size_t v = line.rfind('\t');
            std::size_t hEnd = line.rfind('\t', v - 1);
            std::size_t hStart = line.rfind('\t', hEnd - 1);
            std::string handle = line.substr(hStart + 1, hEnd - hStart - 1);
            EXPECT_EQ(line.substr(v + 1), EscapeField(expected[i][handle])) << before[i] << " " << line;
        }
        EXPECT_EQ(LineDiff(FileEntities(original, before[i]), FileEntities(dump, after[i])), "")
            << before[i] << ": an entity other than the attribute texts changed";
    }
}

TEST(DxfCorpus, DeletingAttributesKeepsTheDrawingSound) {
    TempDir dir;
    std::vector<std::string> before, after;
    std::vector<std::set<std::string>> deleted;
    int n = 0;
    for (auto& [f, info] : FilesWithAttributes()) {
        // One drawing of each writer and kind is enough here.
        static const char* kSample[] = {"AC1009_ascii", "example_r12", "AC1032_ascii", "AC1009_binary", "AC1015_binary",
                                        "insert_nesting", "multi_insert", "netdxf__sample_2000", "ezdxf__text",
                                        "example_2018", "entities-2d"};
        if (std::none_of(std::begin(kSample), std::end(kSample),
                         [&](const char* k) { return f.find(k) != std::string::npos; })) {
            continue;
        }
        // Inserts with attributes: delete one of the first one's, and every one of the last one's.
        std::vector<const InsertInfo*> withAttribs;
        for (const BlockInfo& b : info.blocks) {
            for (const InsertInfo& ins : b.inserts) {
                if (!ins.attributes.empty()) withAttribs.push_back(&ins);
            }
        }
        DrawingComponent c;
        std::int32_t h = 0;
        ASSERT_GT(c.OpenFile(h, f, ""), 0);
        std::set<std::string> gone;
        gone.insert(withAttribs.front()->attributes.front().handle);
        if (withAttribs.size() > 1) {
            for (const AttributeInfo& a : withAttribs.back()->attributes) gone.insert(a.handle);
        }
        for (const std::string& handle : gone) {
            c.DeleteEntity(handle);
            ASSERT_EQ(c.Status(), kStatusOk) << f << " " << handle;
        }
        c.DeleteEntity(*gone.begin());
        EXPECT_EQ(c.Status().substr(0, 5), "3001:") << "a deleted attribute was found again";
        std::string out = dir.File("del" + std::to_string(n++) + ".dxf");
        c.SaveFile(out, -1);
        ASSERT_EQ(c.Status(), kStatusOk);
        before.push_back(f);
        after.push_back(out);
        deleted.push_back(gone);
        std::size_t left = AttributeLines(DescribeFile(out)).size();
        EXPECT_EQ(left, AttributeLines(info).size() - gone.size()) << f;
    }
    ASSERT_GE(before.size(), 10u);
    auto dump = EzdxfDump(after, true);
    const auto& original = OriginalDump();
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (!EzdxfReads(before[i])) continue;
        EXPECT_TRUE(LinesOf(dump, after[i], "!\t").empty()) << before[i] << " no longer loads";
        EXPECT_EQ(LinesOf(dump, after[i], "X\t"), LinesOf(original, before[i], "X\t")) << before[i] << ": audit";
        if (!FileHasHandles(before[i])) {
            EXPECT_EQ(LinesOf(dump, after[i], "A\t").size() + deleted[i].size(),
                      LinesOf(original, before[i], "A\t").size());
            continue;
        }
        // The remaining attributes are exactly the old ones without the deleted.
        std::vector<std::string> expect;
        for (const std::string& line : LinesOf(original, before[i], "A\t")) {
            std::size_t v = line.rfind('\t');
            std::size_t hEnd = line.rfind('\t', v - 1);
            std::size_t hStart = line.rfind('\t', hEnd - 1);
            if (!deleted[i].count(line.substr(hStart + 1, hEnd - hStart - 1))) expect.push_back(line);
        }
        EXPECT_EQ(LinesOf(dump, after[i], "A\t"), expect) << before[i];
    }
}

}  // namespace
}  // namespace kel::test
