// A DXF model's texts are its own: once read, the file's bytes may go (a
// large drawing's are let go of after reading) and every name, value and
// kept token still reads as the file had it.
#include <gtest/gtest.h>

#include <string>

#include "component/dxf/DxfModel.h"

namespace kel::dxf {
namespace {

std::string Text(const std::vector<DxfToken>& chunks) {
    std::string out;
    for (const DxfToken& t : chunks) out += std::string(t.value) + "|";
    return out;
}

TEST(DxfModelTexts, OutliveTheFileBytes) {
    std::string file =
        "  0\r\nSECTION\r\n  2\r\nHEADER\r\n  9\r\n$ACADVER\r\n  1\r\nAC1032\r\n  9\r\n$DWGCODEPAGE\r\n  3\r\nANSI_1252\r\n"
        "  0\r\nENDSEC\r\n  0\r\nSECTION\r\n  2\r\nENTITIES\r\n"
        "  0\r\nINSERT\r\n  5\r\n2A\r\n  8\r\nTITLE\r\n 66\r\n     1\r\n  2\r\nFRAME\r\n"
        "  0\r\nATTRIB\r\n  5\r\n2B\r\n  8\r\nTITLE\r\n  1\r\nA-101\r\n  2\r\nDWGNO\r\n"
        "  0\r\nATTRIB\r\n  5\r\n2C\r\n  8\r\nTITLE\r\n  2\r\nNOTE\r\n101\r\nEmbedded Object\r\n"
        "  3\r\nfirst part\r\n  1\r\nlast part\r\n"
        "  0\r\nSEQEND\r\n  5\r\n2D\r\n"
        "  0\r\nENDSEC\r\n  0\r\nSECTION\r\n  2\r\nOBJECTS\r\n"
        "  0\r\nDICTIONARY\r\n  5\r\n30\r\n  3\r\nACAD_MLATT\r\n360\r\n31\r\n"
        "  0\r\nXRECORD\r\n  5\r\n31\r\n330\r\n30\r\n  1\r\nEmbedded Object\r\n  3\r\nkept copy\r\n  1\r\nend\r\n"
        "  0\r\nENDSEC\r\n  0\r\nEOF\r\n";
    DxfModel model;
    std::string err;
    bool notDxf = false;
    ASSERT_TRUE(ReadDxfModel(file, model, err, notDxf)) << err;
    file.assign(file.size(), '#');  // the bytes are gone

    EXPECT_EQ(model.acadVer, "AC1032");
    EXPECT_EQ(model.dwgCodePage, "ANSI_1252");
    ASSERT_EQ(model.inserts.size(), 1u);
    EXPECT_EQ(model.inserts[0].name, "FRAME");
    EXPECT_EQ(model.inserts[0].layer, "TITLE");
    EXPECT_EQ(model.inserts[0].followFlag.text, "     1");
    ASSERT_EQ(model.attribs.size(), 2u);
    EXPECT_EQ(model.attribs[0].tag, "DWGNO");
    EXPECT_EQ(model.attribs[0].value.text, "A-101");
    EXPECT_EQ(model.attribs[1].tag, "NOTE");
    ASSERT_EQ(model.mtextChunks.size(), 1u);
    EXPECT_EQ(Text(model.mtextChunks[0]), "first part|last part|");
    EXPECT_EQ(DxfKeptTexts::CodeBytes(model.mtextChunks[0][0]), "  3\r\n");
    for (const DxfBlock& b : model.blocks) EXPECT_EQ(b.name.find('#'), std::string_view::npos);
    ASSERT_EQ(model.objects.size(), 2u);
    EXPECT_EQ(model.objects[0].type, "DICTIONARY");
    ASSERT_EQ(model.objects[0].entries.size(), 1u);
    EXPECT_EQ(model.objects[0].entries[0].first, "ACAD_MLATT");
    EXPECT_EQ(model.objects[1].type, "XRECORD");
    EXPECT_EQ(Text(model.objects[1].textChunks), "kept copy|end|");
    for (const HandleEntry& e : model.handles) {
        EXPECT_EQ(model.TypeName(e).find('#'), std::string_view::npos) << e.handle;
    }
}

}  // namespace
}  // namespace kel::dxf
