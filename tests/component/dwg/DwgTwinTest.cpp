// The drawing information of corpus DWGs against their DXF twins (the same
// drawing saved as DXF), as the independent DXF reader ezdxf sees them: every
// attribute of every insert, with its owner block, insert, layer, tag and value.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "component/DrawingInfoXml.h"
#include "component/dwg/DwgDocument.h"
#include "component/dxf/DxfDocument.h"
#include "support/Shell.h"
#include "tests/component/dwg/DwgTestFiles.h"

namespace kel::dwg {
namespace {

using kel::test::EscapeField;
using kel::test::UpperCase;
using Rows = std::vector<std::string>;

// owner, insert handle, insert name, layer, attribute handle, tag, value; owner
// block and insert name compare without case: R13 and R14 keep upper-case
// names where later versions keep the user's spelling.
std::string Row(std::vector<std::string> f) {
    f[0] = UpperCase(f[0]);
    f[2] = UpperCase(f[2]);
    std::string row = f[0];
    for (std::size_t i = 1; i < f.size(); ++i) row += "\t" + f[i];
    return row;
}

Rows FromDwg(const DrawingInfo& info) {
    Rows rows;
    for (const BlockInfo& b : info.blocks) {
        for (const InsertInfo& i : b.inserts) {
            for (const AttributeInfo& a : i.attributes) {
                rows.push_back(Row({b.name, i.handle, i.name, EscapeField(i.layer), a.handle, EscapeField(a.tag),
                                    EscapeField(a.value)}));
            }
        }
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

// The rows of each DXF file, in the order the files are named (one ezdxf run
// printing the file's index and the fields above, tab-separated).
std::vector<Rows> FromEzdxf(const std::vector<std::string>& dxfs) {
    std::string cmd = std::string(KEL_PYTHON) + " " + KEL_SOURCE_DIR + "/tests/component/dwg/dxf_attribs.py";
    for (const std::string& d : dxfs) cmd += " " + kel::test::ShellQuote(kel::test::CorpusPath(d));
    kel::test::TempDir scratch;
    std::istringstream in(kel::test::RunShell(cmd, scratch.Path()).out);
    std::vector<Rows> rows(dxfs.size());
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> f;
        for (std::size_t p = 0, t = 0; t != std::string::npos; p = t + 1) {
            t = line.find('\t', p);
            f.push_back(line.substr(p, t - p));
        }
        if (f.size() == 8 && std::stoul(f[0]) < rows.size()) rows[std::stoul(f[0])].push_back(Row({f.begin() + 1, f.end()}));
    }
    for (auto& r : rows) std::sort(r.begin(), r.end());
    return rows;
}

// The XML lines of a drawing, with coordinates rounded to 12 significant
// digits (DXF writes 16, a DWG holds the exact double).
Rows XmlLines(DrawingInfo info) {
    info.path = "same";
    Rows lines;
    std::istringstream in(DrawingInfoToXml(info, true));
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        for (const char* tag : {"<x>", "<y>", "<z>"}) {
            if (line.rfind(tag, 0) == 0) {
                char buf[64];
                std::snprintf(buf, sizeof buf, "%s%.12g", tag, std::stod(line.substr(3)));
                line = buf;
            }
        }
        lines.push_back(line);
    }
    return lines;
}

TEST(DwgTwinTest, AttributesMatchWhatEzdxfReadsFromTheDxfTwin) {
    KEL_NEED_INDEPENDENT_READER();
    KEL_NEED_CORPUS();
    // The DXF twin of dwg/V/N.dwg is dxf/ascii/V/N<suffix>.dxf. sameHandles: saved from one drawing with
    // the same handles, so the whole drawing information agrees with the DXF reader's, block order and layouts included.
    const struct Twin {
        std::string dwg, suffix;
        std::size_t attributes;
        bool sameHandles;
    } twins[] = {
        {"dwg/AC1012_R13/libredwg__example_r13.dwg", "", 2, false},
        {"dwg/AC1014_R14/libredwg__example_r14.dwg", "", 2, false},
        {"dwg/AC1015_R2000/libredwg__example_2000.dwg", "", 2, true},
        {"dwg/AC1015_R2000/acadsharp__sample_AC1015.dwg", "_ascii", 4, false},
        {"dwg/AC1015_R2000/libopencad__ACAD_r2000_sample.dwg", "_original", 1, true},
        {"dwg/AC1015_R2000/libredwg__entities-2d.dwg", "", 1, true},
        {"dwg/AC1018_R2004/libredwg__example_2004.dwg", "", 2, true},
        {"dwg/AC1018_R2004/acadsharp__sample_AC1018.dwg", "_ascii", 4, false},
        {"dwg/AC1021_R2007/libredwg__example_2007.dwg", "", 2, true},
        {"dwg/AC1021_R2007/acadsharp__sample_AC1021.dwg", "_ascii", 4, false},
        {"dwg/AC1021_R2007/acadsharp-48c4080__sample_AC1021.dwg", "_ascii", 4, false},
        {"dwg/AC1024_R2010/libredwg__example_2010.dwg", "", 2, true},
        {"dwg/AC1024_R2010/acadsharp__sample_AC1024.dwg", "_ascii", 4, false},
        {"dwg/AC1024_R2010/acadsharp-48c4080__sample_AC1024.dwg", "_ascii", 4, false},
        {"dwg/AC1024_R2010/acadsharp-ad27048__sample_AC1024.dwg", "_ascii", 4, false},
        {"dwg/AC1027_R2013/libredwg__example_2013.dwg", "", 2, true},
        {"dwg/AC1027_R2013/acadsharp__sample_AC1027.dwg", "_ascii", 4, false},
        // The program that wrote this DXF numbered two anonymous blocks otherwise.
        {"dwg/AC1032_R2018/libredwg__example_2018.dwg", "", 2, false},
        {"dwg/AC1032_R2018/acadsharp__sample_AC1032.dwg", "_ascii", 4, false},
    };
    std::vector<std::string> dxfs;
    for (const Twin& t : twins) dxfs.push_back("dxf/ascii/" + t.dwg.substr(4, t.dwg.size() - 8) + t.suffix + ".dxf");
    const std::vector<Rows> ezdxf = FromEzdxf(dxfs);
    for (std::size_t i = 0; i < std::size(twins); ++i) {
        const Twin& t = twins[i];
        SCOPED_TRACE(t.dwg);
        std::string status;
        auto doc = OpenDwgDocument(test::ReadCorpus(t.dwg), t.dwg, status);
        ASSERT_TRUE(doc) << status;
        const DrawingInfo info = doc->Describe();
        EXPECT_EQ(FromDwg(info).size(), t.attributes);
        EXPECT_EQ(FromDwg(info), ezdxf[i]);
        if (!t.sameHandles) continue;
        auto dxfDoc = dxf::DxfDocument::Open(test::ReadCorpus(dxfs[i]), status);
        ASSERT_TRUE(dxfDoc) << status;
        EXPECT_EQ(XmlLines(info), XmlLines(dxfDoc->Describe()));
    }
}

TEST(DwgTwinTest, BlocksLayoutsAndConstantAttributesOfOneDrawing) {
    KEL_NEED_CORPUS();
    std::string status;
    auto doc = OpenDwgDocument(test::ReadCorpus("dwg/AC1015_R2000/acadsharp__sample_AC1015.dwg"), "s.dwg", status);
    ASSERT_TRUE(doc) << status;
    const DrawingInfo info = doc->Describe();
    // The order and the numbering of extra paper spaces and anonymous blocks
    // are those the DXF twin shows.
    Rows names;
    for (const BlockInfo& b : info.blocks) names.push_back(b.name);
    ASSERT_GE(names.size(), 6u);
    EXPECT_EQ(Rows(names.begin(), names.begin() + 6),
              (Rows{"*Model_Space", "*Paper_Space", "*Paper_Space0", "*Paper_Space1", "_ArchTick", "*D3"}));
    EXPECT_EQ(names.back(), "*U26");
    const auto& b = info.blocks;
    EXPECT_EQ(b[0].layoutName, "Model");
    EXPECT_EQ(b[4].layoutName, "");
    EXPECT_FALSE(b[1].layoutName.empty() || b[2].layoutName.empty());
    EXPECT_NE(b[1].layoutName, b[2].layoutName);

    const auto& inserts = info.blocks[0].inserts;
    ASSERT_EQ(inserts.size(), 6u);
    EXPECT_EQ(inserts[0].name + "|" + inserts[0].handle + "|" + inserts[0].layer, "MyBlock|704|Layer1");
    // my_block_v2 defines one constant attribute among its four.
    EXPECT_EQ(inserts[2].name, "my_block_v2");
    EXPECT_EQ(inserts[2].attributes.size(), 3u);
    EXPECT_EQ(inserts[2].numberConstantAttributes, 1);
}

TEST(DwgTwinTest, BrokenBlockTablesStillDescribe) {
    KEL_NEED_CORPUS();
    // The paper space listed twice appears once under its own name; the
    // model space missing from the table is found all the same.
    for (const char* name : {"dwg/malformed/acadsharp__dup_paperspace_r2000.dwg",
                             "dwg/malformed/acadsharp__missing_modelspace_r2000.dwg"}) {
        std::string status;
        auto doc = OpenDwgDocument(test::ReadCorpus(name), name, status);
        ASSERT_TRUE(doc) << name << status;
        Rows blocks;
        for (const BlockInfo& b : doc->Describe().blocks) blocks.push_back(b.name + "|" + b.layoutName);
        EXPECT_EQ(blocks, (Rows{"*Model_Space|Model", "*Paper_Space|Layout1"})) << name;
    }
}

TEST(DwgTwinTest, ABlockTableThatLostItsModelSpaceStillDescribesFromR2004On) {
    KEL_NEED_CORPUS();
    // From R2004 on block headers are kept as stubs with what the model reads
    // of them: with the block table's model space entry pointing at nothing,
    // the model space block is found among those, and the drawing describes
    // as it did.
    for (const char* name : {"dwg/AC1018_R2004/cadsentinel__test2.dwg",
                             "dwg/AC1027_R2013/cad-drawing__Title Block Metric-PUBLISH.dwg"}) {
        SCOPED_TRACE(name);
        const std::string original = test::ReadCorpus(name);
        auto doc = test::Open(original);
        ASSERT_TRUE(doc);
        const std::string described = DrawingInfoToXml(doc->Describe(), true);
        const std::uint64_t modelSpace = doc->Model().BlockOrder().at(0);
        ASSERT_NE(UpperCase(described).find("*MODEL_SPACE"), std::string::npos);

        const DecodedObject* control = nullptr;
        for (const DecodedObject& o : doc->Model().Objects()) {
            if (o.common.type == type::kBlockControl) control = &o;
        }
        ASSERT_TRUE(control);
        DecodedObject broken = *control;
        std::size_t cut = 0;
        for (HandleRef& r : DataOf<ControlData>(broken.data).entries) {
            if (broken.Ref(r) == modelSpace) {
                r = HandleRef{2, 0};
                ++cut;
            }
        }
        ASSERT_EQ(cut, 1u);
        DwgEdits edits;
        ASSERT_TRUE(EncodeObject(broken, doc->File(), edits.replaced[control->Handle()]));
        ObjectsBuffer objects(doc->File().objectSection);
        std::string out, why;
        ASSERT_TRUE(doc->File().r2007 ? RelayR2007File(original, doc->File(), edits, objects, out, why)
                                      : RelayPagedFile(original, doc->File(), edits, objects, out, why))
            << why;

        auto reopened = test::Open(out);
        ASSERT_TRUE(reopened);
        EXPECT_EQ(DrawingInfoToXml(reopened->Describe(), true), described);
    }
}

}  // namespace
}  // namespace kel::dwg
