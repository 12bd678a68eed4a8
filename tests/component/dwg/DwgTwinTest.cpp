// The drawing information of corpus DWGs against their DXF twins (the same
// drawing saved as DXF), as the independent DXF reader ezdxf sees them: every
// attribute of every insert, with its owner block, insert, layer, tag and value.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "component/DrawingInfoXml.h"
#include "component/dwg/DwgDocument.h"
#include "component/dxf/DxfDocument.h"
#include "support/Shell.h"
#include "tests/component/dwg/DwgTestFiles.h"

namespace kel::dwg {
namespace {

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

using kel::test::EscapeField;

// Owner block and insert name compare without case: R13 and R14 keep
// upper-case names where later versions keep the user's spelling.
std::vector<std::string> FromDwg(const DrawingInfo& info) {
    std::vector<std::string> rows;
    for (const BlockInfo& b : info.blocks) {
        for (const InsertInfo& i : b.inserts) {
            for (const AttributeInfo& a : i.attributes) {
                rows.push_back(Upper(b.name) + "\t" + i.handle + "\t" + Upper(i.name) + "\t" + EscapeField(i.layer) +
                               "\t" + a.handle + "\t" + EscapeField(a.tag) + "\t" + EscapeField(a.value));
            }
        }
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

// The rows of each DXF file, in the order the files are named (one ezdxf run).
std::vector<std::vector<std::string>> FromEzdxf(const std::vector<std::string>& dxfs) {
    std::string cmd = std::string(KEL_PYTHON) + " " + KEL_SOURCE_DIR + "/tests/component/dwg/dxf_attribs.py";
    for (const std::string& d : dxfs) cmd += " '" + kel::test::CorpusPath(d) + "'";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(cmd.c_str(), "r"), pclose);
    std::string text;
    char buf[4096];
    std::size_t n;
    while (pipe && (n = fread(buf, 1, sizeof buf, pipe.get())) > 0) text.append(buf, n);
    std::vector<std::vector<std::string>> rows(dxfs.size());
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        std::string line = text.substr(start, end - start);
        start = end == std::string::npos ? text.size() : end + 1;
        // file, owner, insert handle, insert name, layer, attrib handle, tag, value
        std::vector<std::string> f;
        std::size_t p = 0;
        for (;;) {
            std::size_t t = line.find('\t', p);
            f.push_back(line.substr(p, t - p));
            if (t == std::string::npos) break;
            p = t + 1;
        }
        if (f.size() != 8) continue;
        std::size_t file = std::stoul(f[0]);
        if (file >= rows.size()) continue;
        rows[file].push_back(Upper(f[1]) + "\t" + f[2] + "\t" + Upper(f[3]) + "\t" + f[4] + "\t" + f[5] + "\t" +
                             f[6] + "\t" + f[7]);
    }
    for (auto& r : rows) std::sort(r.begin(), r.end());
    return rows;
}

TEST(DwgTwinTest, AttributesMatchWhatEzdxfReadsFromTheDxfTwin) {
    struct Twin {
        std::string dwg, dxf;
        std::size_t attributes;
    } twins[] = {
        {"dwg/AC1012_R13/libredwg__example_r13.dwg", "dxf/ascii/AC1012_R13/libredwg__example_r13.dxf", 2},
        {"dwg/AC1014_R14/libredwg__example_r14.dwg", "dxf/ascii/AC1014_R14/libredwg__example_r14.dxf", 2},
        {"dwg/AC1015_R2000/libredwg__example_2000.dwg", "dxf/ascii/AC1015_R2000/libredwg__example_2000.dxf", 2},
        {"dwg/AC1015_R2000/acadsharp__sample_AC1015.dwg", "dxf/ascii/AC1015_R2000/acadsharp__sample_AC1015_ascii.dxf",
         4},
        {"dwg/AC1015_R2000/libopencad__ACAD_r2000_sample.dwg",
         "dxf/ascii/AC1015_R2000/libopencad__ACAD_r2000_sample_original.dxf", 1},
        {"dwg/AC1015_R2000/libredwg__entities-2d.dwg", "dxf/ascii/AC1015_R2000/libredwg__entities-2d.dxf", 1},
        {"dwg/AC1018_R2004/libredwg__example_2004.dwg", "dxf/ascii/AC1018_R2004/libredwg__example_2004.dxf", 2},
        {"dwg/AC1018_R2004/acadsharp__sample_AC1018.dwg", "dxf/ascii/AC1018_R2004/acadsharp__sample_AC1018_ascii.dxf",
         4},
    };
    std::vector<std::string> dxfs;
    for (const Twin& t : twins) dxfs.push_back(t.dxf);
    std::vector<std::vector<std::string>> ezdxf = FromEzdxf(dxfs);
    for (std::size_t i = 0; i < std::size(twins); ++i) {
        const Twin& t = twins[i];
        SCOPED_TRACE(t.dwg);
        std::string status;
        auto doc = OpenDwgDocument(test::ReadCorpus(t.dwg), t.dwg, status);
        ASSERT_TRUE(doc) << status;
        std::vector<std::string> ours = FromDwg(doc->Describe());
        EXPECT_EQ(ours.size(), t.attributes);
        EXPECT_EQ(ours, ezdxf[i]);
    }
}

TEST(DwgTwinTest, BlocksLayoutsAndInsertFieldsOfOneDrawing) {
    std::string status;
    auto doc = OpenDwgDocument(test::ReadCorpus("dwg/AC1015_R2000/acadsharp__sample_AC1015.dwg"), "s.dwg", status);
    ASSERT_TRUE(doc) << status;
    DrawingInfo info = doc->Describe();
    EXPECT_EQ(info.path, "s.dwg");
    std::vector<std::string> names, layouts;
    for (const BlockInfo& b : info.blocks) {
        names.push_back(b.name);
        layouts.push_back(b.layoutName);
    }
    // The order and the numbering of extra paper spaces and anonymous blocks
    // are those the DXF twin shows.
    ASSERT_GE(names.size(), 6u);
    EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + 6),
              (std::vector<std::string>{"*Model_Space", "*Paper_Space", "*Paper_Space0", "*Paper_Space1", "_ArchTick",
                                        "*D3"}));
    EXPECT_EQ(layouts[0], "Model");
    EXPECT_FALSE(layouts[1].empty());
    EXPECT_FALSE(layouts[2].empty());
    EXPECT_NE(layouts[1], layouts[2]);
    EXPECT_EQ(layouts[4], "");
    EXPECT_EQ(names.back(), "*U26");

    const BlockInfo& model = info.blocks[0];
    ASSERT_EQ(model.inserts.size(), 6u);
    const InsertInfo& first = model.inserts[0];
    EXPECT_EQ(first.name, "MyBlock");
    EXPECT_EQ(first.handle, "704");
    EXPECT_EQ(first.elementId, 0x704u);
    EXPECT_EQ(first.layer, "Layer1");
    EXPECT_NEAR(first.x, 920.6796266627232, 1e-9);
    EXPECT_EQ(first.rows, 1);
    EXPECT_EQ(first.columns, 1);
    // my_block_v2 defines one constant attribute among its four.
    const InsertInfo& v2 = model.inserts[2];
    EXPECT_EQ(v2.name, "my_block_v2");
    EXPECT_EQ(v2.attributes.size(), 3u);
    EXPECT_EQ(v2.numberConstantAttributes, 1);
}

// The XML lines of a drawing, with coordinates rounded to 12 significant
// digits (DXF writes 16, a DWG holds the exact double).
std::vector<std::string> XmlLines(const DrawingInfo& info) {
    std::vector<std::string> lines;
    std::string xml = DrawingInfoToXml(info, true);
    std::size_t start = 0;
    while (start < xml.size()) {
        std::size_t end = xml.find("\r\n", start);
        std::string line = xml.substr(start, end - start);
        start = end == std::string::npos ? xml.size() : end + 2;
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

TEST(DwgTwinTest, XmlEqualsTheDxfReadersXmlOfTheTwin) {
    // Twins saved from one drawing with the same handles: the whole
    // drawing information agrees, block order and layouts included.
    const std::pair<std::string, std::string> twins[] = {
        {"dwg/AC1015_R2000/libredwg__example_2000.dwg", "dxf/ascii/AC1015_R2000/libredwg__example_2000.dxf"},
        {"dwg/AC1015_R2000/libopencad__ACAD_r2000_sample.dwg",
         "dxf/ascii/AC1015_R2000/libopencad__ACAD_r2000_sample_original.dxf"},
        {"dwg/AC1015_R2000/libredwg__entities-2d.dwg", "dxf/ascii/AC1015_R2000/libredwg__entities-2d.dxf"},
        {"dwg/AC1018_R2004/libredwg__example_2004.dwg", "dxf/ascii/AC1018_R2004/libredwg__example_2004.dxf"},
    };
    for (const auto& [dwgName, dxfName] : twins) {
        SCOPED_TRACE(dwgName);
        std::string status;
        auto dwgDoc = OpenDwgDocument(test::ReadCorpus(dwgName), "same", status);
        ASSERT_TRUE(dwgDoc) << status;
        auto dxfDoc = dxf::DxfDocument::Open(test::ReadCorpus(dxfName), status);
        ASSERT_TRUE(dxfDoc) << status;
        DrawingInfo fromDwg = dwgDoc->Describe();
        DrawingInfo fromDxf = dxfDoc->Describe();
        fromDwg.path = fromDxf.path = "same";
        EXPECT_EQ(XmlLines(fromDwg), XmlLines(fromDxf));
    }
}

TEST(DwgTwinTest, BrokenBlockTablesStillDescribe) {
    for (const char* name : {"dwg/malformed/acadsharp__dup_paperspace_r2000.dwg",
                             "dwg/malformed/acadsharp__missing_modelspace_r2000.dwg"}) {
        SCOPED_TRACE(name);
        std::string status;
        auto doc = OpenDwgDocument(test::ReadCorpus(name), name, status);
        ASSERT_TRUE(doc) << status;
        // The paper space listed twice appears once under its own name; the
        // model space missing from the table is found all the same.
        DrawingInfo info = doc->Describe();
        ASSERT_EQ(info.blocks.size(), 2u);
        EXPECT_EQ(info.blocks[0].name, "*Model_Space");
        EXPECT_EQ(info.blocks[0].layoutName, "Model");
        EXPECT_EQ(info.blocks[1].name, "*Paper_Space");
        EXPECT_EQ(info.blocks[1].layoutName, "Layout1");
    }
}

}  // namespace
}  // namespace kel::dwg
