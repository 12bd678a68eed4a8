// Asian double-byte text: \M+nXXXX escapes in drawings of any code page, and
// the bytes of drawings whose own page is a double-byte one. Both readers
// show the characters; a changed value keeps the form the drawing writes.
#include <gtest/gtest.h>

#include "component/dwg/DwgText.h"
#include "component/dxf/DxfText.h"

namespace kel {
namespace {

constexpr int kDwgAnsi1252 = 30;

TEST(DoubleByteTextTest, EscapesOfEveryPageReadAsTheirCharacters) {
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
}

TEST(DoubleByteTextTest, ANewValueTakesTheFormTheDrawingWrites) {
    const std::string value = "\xE8\xA8\xAD\xE8\xA8\x88 \xC3\xA9";  // 設計 é
    // A drawing that writes escapes of page 1 gets them again; é is in its own page.
    dxf::TextCodec dxf("AC1015", "ANSI_1252");
    dxf.Decode("\\M+18140");
    EXPECT_EQ(dxf.Encode(value), "\\M+190DD\\M+18C76 \xE9");
    int page = 0;
    dwg::DecodeText("\\M+18140", kDwgAnsi1252, &page);
    EXPECT_EQ(page, 1);
    EXPECT_EQ(dwg::EncodeText(value, kDwgAnsi1252, page), "\\M+190DD\\M+18C76 \xE9");
    // One that writes none, or page 2 lacking a character, gets \U+ escapes.
    EXPECT_EQ(dxf::TextCodec("AC1015", "ANSI_1252").Encode(value), "\\U+8A2D\\U+8A08 \xE9");
    EXPECT_EQ(dwg::EncodeText("\xEA\xB0\x80", kDwgAnsi1252, 2), "\\U+AC00");  // 가 is not in 950
}

TEST(DoubleByteTextTest, ADoubleBytePageDrawingKeepsItsBytes) {
    // 設計ソ: the trail byte of ソ is a backslash, which must not start an escape.
    const std::string bytes = "\x90\xDD\x8C\x76\x83\x5C A";
    const std::string shown = "\xE8\xA8\xAD\xE8\xA8\x88\xE3\x82\xBD A";
    dxf::TextCodec codec("AC1015", "ansi_932");
    EXPECT_EQ(codec.Decode(bytes), shown);
    EXPECT_EQ(codec.Encode(shown), bytes);
    EXPECT_EQ(codec.Encode("\xC3\xA9"), "\\U+00E9");  // not in the page
}

}  // namespace
}  // namespace kel
