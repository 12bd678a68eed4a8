// Text encodings of attribute values: the DXF and DWG text codecs (code pages,
// \U+ and \M+ escapes, double-byte pages), and small drawings generated here in
// ASCII and binary form, read back by our reader and by ezdxf.
#include <gtest/gtest.h>

#include <cstring>
#include <utility>

#include "DxfTestSupport.h"
#include "component/DrawingComponent.h"
#include "component/dwg/DwgText.h"
#include "component/dxf/DxfText.h"
#include "component/dxf/DxfTokenizer.h"
#include "support/Corpus.h"
#include "support/TempDir.h"

namespace kel::test {
namespace {

using Groups = std::vector<std::pair<int, std::string>>;

// A drawing with one block TB (one variable and one constant ATTDEF) inserted once
// in model space with the attribute NAME = value (raw file bytes).
Groups TitleDrawing(const std::string& acadVer, const std::string& codePage, const std::string& value) {
    return {{0, "SECTION"}, {2, "HEADER"}, {9, "$ACADVER"}, {1, acadVer}, {9, "$DWGCODEPAGE"}, {3, codePage},
            {0, "ENDSEC"}, {0, "SECTION"}, {2, "BLOCKS"}, {0, "BLOCK"}, {5, "20"}, {8, "0"}, {2, "TB"}, {70, "2"},
            {10, "0"}, {20, "0"}, {30, "0"}, {3, "TB"}, {0, "ATTDEF"}, {5, "21"}, {8, "0"}, {10, "0"}, {20, "0"},
            {30, "0"}, {40, "1"}, {1, ""}, {3, "Name"}, {2, "NAME"}, {70, "0"}, {0, "ATTDEF"}, {5, "22"}, {8, "0"},
            {10, "0"}, {20, "0"}, {30, "0"}, {40, "1"}, {1, "fixed"}, {3, "C"}, {2, "CONST"}, {70, "2"},
            {0, "ENDBLK"}, {5, "23"}, {8, "0"}, {0, "ENDSEC"}, {0, "SECTION"}, {2, "ENTITIES"}, {0, "INSERT"},
            {5, "30"}, {8, "Title"}, {66, "1"}, {2, "TB"}, {10, "1.5"}, {20, "2"}, {30, "0"}, {0, "ATTRIB"},
            {5, "31"}, {8, "0"}, {10, "0"}, {20, "0"}, {30, "0"}, {40, "1"}, {1, value}, {2, "NAME"}, {70, "0"},
            {0, "SEQEND"}, {5, "32"}, {8, "0"}, {0, "ENDSEC"}, {0, "EOF"}};
}

std::string Ascii(const Groups& groups, const std::string& eol = "\n") {
    std::string out;
    for (const auto& [code, value] : groups) {
        std::string c = std::to_string(code);
        out += std::string(c.size() < 3 ? 3 - c.size() : 0, ' ') + c + eol + value + eol;
    }
    return out;
}

// Binary form; twoByteCodes false gives the 1-byte group codes of R12 files.
std::string Binary(const Groups& groups, bool twoByteCodes) {
    std::string out(dxf::kBinarySentinel);
    auto put = [&out](std::uint64_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    for (const auto& [code, value] : groups) {
        put(static_cast<std::uint64_t>(code), twoByteCodes ? 2 : 1);
        switch (dxf::KindOfCode(code)) {
            case dxf::ValueKind::Double: {
                double d = std::stod(value);
                std::uint64_t bits;
                std::memcpy(&bits, &d, 8);
                put(bits, 8);
                break;
            }
            case dxf::ValueKind::Int16: put(static_cast<std::uint64_t>(std::stoi(value)), 2); break;
            default: out += value; out += '\0';
        }
    }
    return out;
}

// Sets NAME through the component, saves, and returns the saved bytes; the value both
// readers see afterwards goes to ours/theirs.
std::string SetAndSave(const TempDir& dir, const std::string& bytes, const std::string& value, std::string& ours,
                       std::string& theirs) {
    std::string in = dir.Write("in.dxf", bytes), out = dir.File("out.dxf");
    DrawingComponent c;
    std::int32_t h = 0;
    EXPECT_GT(c.OpenFile(h, in, ""), 0) << c.Status();
    c.SetAttributeValue(value, "31");
    EXPECT_EQ(c.Status(), kStatusOk);
    c.SaveFile(out, -1);
    EXPECT_EQ(c.Status(), kStatusOk);
    DrawingInfo info = DescribeFile(out);
    ours = info.blocks.empty() ? "" : info.blocks[0].inserts.at(0).attributes.at(0).value;
    auto lines = LinesOf(EzdxfDump({out}), out, "A\t");
    theirs = lines.empty() ? "<none>" : lines[0].substr(lines[0].rfind('\t') + 1);
    return ReadFile(out);
}

const std::string kGroesse = "Gr\xC3\xB6\xC3\x9F" "e";       // Größe
const std::string kDesign = "\xE8\xA8\xAD\xE8\xA8\x88";      // 設計
const std::string kOmega = "\xCE\xA9";                       // Ω

TEST(DxfText, CodePagesEscapesCaretsAndMText) {
    dxf::TextCodec cp1252("AC1015", "ANSI_1252");
    EXPECT_EQ(cp1252.Decode("Gr\xF6\xDF" "e"), kGroesse);
    EXPECT_EQ(cp1252.Encode(kGroesse), "Gr\xF6\xDF" "e");
    EXPECT_EQ(cp1252.Encode(kDesign + kOmega), "\\U+8A2D\\U+8A08\\U+03A9");
    EXPECT_EQ(cp1252.Decode("\\U+8A2D\\U+8A08\\u+03a9"), kDesign + kOmega);
    EXPECT_EQ(cp1252.Decode("\\U+D83D\\U+DE00"), "\xF0\x9F\x98\x80") << "a surrogate pair is one character";
    EXPECT_EQ(cp1252.Encode("\xF0\x9F\x98\x80"), "\\U+D83D\\U+DE00");
    dxf::TextCodec cp1250("AC1018", "ansi_1250");
    EXPECT_EQ(cp1250.Encode("\xC5\x81\xC3\xB3" "d\xC5\xBA"), "\xA3\xF3" "d\x9F");  // Łódź
    // Every byte of every page survives decode and encode.
    EXPECT_EQ(dxf::TextCodec("AC1009", "dos850").Encode(kGroesse), "Gr\x94\xE1" "e");
    for (const char* page : {"ANSI_874", "ANSI_1250", "ANSI_1251", "ANSI_1252", "ANSI_1253", "ANSI_1254", "ANSI_1255",
                             "ANSI_1256", "ANSI_1257", "ANSI_1258", "DOS437", "DOS866", "ISO8859-2", "MAC-ROMAN"}) {
        dxf::TextCodec codec("AC1015", page);
        for (int b = 0x80; b < 0x100; ++b) {
            std::string byte(1, static_cast<char>(b));
            std::string text = codec.Decode(byte);
            if (text == "\xEF\xBF\xBD") continue;  // unassigned in this page
            EXPECT_EQ(codec.Encode(text), byte) << page << " byte " << b;
        }
    }
    // Caret notation; R2007 and later files are UTF-8; MTEXT markup to plain text and back.
    dxf::TextCodec utf8("AC1021", "ANSI_1252");
    EXPECT_EQ(utf8.Decode("a^Jb^Ic^ d"), "a\nb\tc^d");
    EXPECT_EQ(utf8.Encode("a\nb\tc^d"), "a^Jb^Ic^ d");
    EXPECT_EQ(utf8.Encode(kGroesse + kDesign), kGroesse + kDesign);
    EXPECT_EQ(dxf::MTextToPlain("{\\fArial|b1;Bold}\\Pnext \\\\ \\{x\\} \\S1^2;"), "Bold\nnext \\ {x} 1/2");
    EXPECT_EQ(dxf::MTextToPlain(dxf::PlainToMText("a\nb \\ {c}")), "a\nb \\ {c}");
}

constexpr int kDwgAnsi1252 = 30;

// \M+nXXXX escapes of every double-byte page read as their characters in DXF
// and DWG text alike; a new value takes the escapes the drawing writes.
TEST(DoubleByteText, EscapesReadAsTheirCharactersAndNewValuesTakeTheDrawingsForm) {
    const struct {
        const char* raw;
        const char* shown;
    } cases[] = {
        {"\\M+18140", "\xE3\x80\x80"},             // 932: U+3000
        {"\\M+2A440", "\xE4\xB8\x80"},             // 950: U+4E00
        {"\\M+3B0A1", "\xEA\xB0\x80"},             // 949: U+AC00
        {"\\M+4B0A1", "\xE5\x95\x8A"},             // 936: U+554A
        {"\\M+58861", "\xEA\xB0\x80"},             // 1361: U+AC00
        {"\\m+190dd\\M+18C76 Rev", "\xE8\xA8\xAD\xE8\xA8\x88 Rev"},
        {"\\M+68140", "\\M+68140"},                // no such page: kept as written
        {"\\M+1814", "\\M+1814"},                  // too short
        {"\\M+17F7F", "\\M+17F7F"},                // a code the page does not assign
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.raw);
        EXPECT_EQ(dxf::TextCodec("AC1015", "ANSI_1252").Decode(c.raw), c.shown);
        EXPECT_EQ(dwg::DecodeText(c.raw, kDwgAnsi1252), c.shown);
    }
    // A drawing that writes escapes of page 1 gets them again; é is in its own page.
    const std::string value = kDesign + " \xC3\xA9";
    dxf::TextCodec codec("AC1015", "ANSI_1252");
    codec.Decode("\\M+18140");
    EXPECT_EQ(codec.Encode(value), "\\M+190DD\\M+18C76 \xE9");
    int page = 0;
    dwg::DecodeText("\\M+18140", kDwgAnsi1252, &page);
    EXPECT_EQ(page, 1);
    EXPECT_EQ(dwg::EncodeText(value, kDwgAnsi1252, page), "\\M+190DD\\M+18C76 \xE9");
    EXPECT_EQ(dwg::EncodeText("\xEA\xB0\x80", kDwgAnsi1252, 2), "\\U+AC00");  // not in page 2 (950)
}

TEST(DoubleByteText, ADoubleBytePageDrawingKeepsItsBytes) {
    // 設計ソ: the trail byte of ソ is a backslash, which must not start an escape.
    const std::string bytes = "\x90\xDD\x8C\x76\x83\x5C A";
    const std::string shown = kDesign + "\xE3\x82\xBD A";
    dxf::TextCodec codec("AC1015", "ansi_932");
    EXPECT_EQ(codec.Decode(bytes), shown);
    EXPECT_EQ(codec.Encode(shown), bytes);
    EXPECT_EQ(codec.Encode("\xC3\xA9"), "\\U+00E9");  // not in the page
}

TEST(DxfEncodingDrawing, CodePageDrawingTakesValuesInItsOwnEncoding) {
    KEL_NEED_INDEPENDENT_READER();
    TempDir dir;
    std::string ours, theirs;
    std::string bytes = Ascii(TitleDrawing("AC1015", "ANSI_1252", "Gr\xF6\xDF" "e"), "\r\n");
    std::string line = AttributeLines(DescribeFile(dir.Write("a.dxf", bytes))).at(0);
    EXPECT_EQ(line.substr(line.find("NAME")), "NAME\t" + kGroesse);
    std::string saved = SetAndSave(dir, bytes, kGroesse + " " + kDesign + " a<b & \"c\"", ours, theirs);
    const std::string encoded = "Gr\xF6\xDF" "e \\U+8A2D\\U+8A08 a<b & \"c\"";
    EXPECT_NE(saved.find("\r\n" + encoded + "\r\n"), std::string::npos);
    EXPECT_EQ(ours, kGroesse + " " + kDesign + " a<b & \"c\"");
    EXPECT_EQ(theirs, ours);
    EXPECT_EQ(saved.size(), bytes.size() - 5 + encoded.size()) << "only the value may change";

    // An R12 value takes 255 bytes, counted after encoding (an escaped omega takes 7).
    DrawingComponent r12;
    std::int32_t h = 0;
    ASSERT_GT(r12.OpenFile(h, dir.Write("r12.dxf", Ascii(TitleDrawing("AC1009", "ANSI_1252", "old"))), ""), 0);
    std::string omegas;
    for (int i = 0; i < 36; ++i) omegas += kOmega;
    r12.SetAttributeValue(omegas, "31");
    EXPECT_EQ(r12.Status(), kStatusOk);
    r12.SetAttributeValue(omegas + kOmega, "31");
    EXPECT_EQ(r12.Status().substr(0, 5), "3004:");

    // Lines ended by CR alone keep that ending.
    std::string cr = Ascii(TitleDrawing("AC1015", "ANSI_1252", "old"), "\r");
    saved = SetAndSave(dir, cr, "new", ours, theirs);
    EXPECT_EQ(ours, "new");
    EXPECT_EQ(saved, cr.replace(cr.find("\rold\r"), 5, "\rnew\r"));

    saved = SetAndSave(dir, bytes, "line1\nline2 ^ end", ours, theirs);
    EXPECT_NE(saved.find("\r\nline1^Jline2 ^  end\r\n"), std::string::npos);
    EXPECT_EQ(ours, "line1\nline2 ^ end");
}

TEST(DxfEncodingDrawing, UnicodeAndBinaryDrawings) {
    KEL_NEED_INDEPENDENT_READER();
    TempDir dir;
    std::string ours, theirs;
    std::string value = kOmega + " " + kGroesse + " " + kDesign;
    SetAndSave(dir, Ascii(TitleDrawing("AC1027", "ANSI_1252", "old")), value, ours, theirs);
    EXPECT_EQ(ours, value);
    EXPECT_EQ(theirs, value);
    for (auto [ver, twoByte] : {std::pair{"AC1015", true}, std::pair{"AC1032", true}, std::pair{"AC1009", false}}) {
        std::string bytes = Binary(TitleDrawing(ver, "ANSI_1252", "old"), twoByte);
        std::string saved = SetAndSave(dir, bytes, value, ours, theirs);
        EXPECT_EQ(ours, value) << ver;
        EXPECT_EQ(theirs, value) << ver;
        // Unchanged around the value: the same head and tail bytes.
        std::size_t at = bytes.find(std::string("old\0", 4));
        ASSERT_NE(at, std::string::npos);
        EXPECT_EQ(saved.substr(0, at), bytes.substr(0, at)) << ver;
        std::size_t tail = bytes.size() - at - 3;
        EXPECT_EQ(saved.substr(saved.size() - tail), bytes.substr(bytes.size() - tail)) << ver;
        DrawingInfo info = DescribeFile(dir.Write("b.dxf", bytes));
        const InsertInfo& ins = info.blocks.at(0).inserts.at(0);
        EXPECT_EQ(ins.x, 1.5);
        EXPECT_EQ(ins.numberConstantAttributes, 1);
        EXPECT_EQ(info.blocks[0].name, "*Model_Space");
        EXPECT_EQ(info.blocks[0].layoutName, "Model");
    }
}

}  // namespace
}  // namespace kel::test
