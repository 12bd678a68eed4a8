// Drawing text: code page bytes and \U+XXXX escapes to UTF-8 and back.
#include <gtest/gtest.h>

#include <utility>

#include "component/dwg/DwgText.h"
#include "component/dxf/DxfText.h"
#include "component/text/CodePages.h"

namespace kel::dwg {
namespace {

constexpr int kAnsi1252 = 30;
constexpr int kAnsi1250 = 28;

TEST(DwgTextTest, DecodesTheDrawingsCodePage) {
    EXPECT_EQ(DecodeText("Gr\xF6\xDF" "e", kAnsi1252), "Größe");
    EXPECT_EQ(DecodeText("\x8A\xE8", kAnsi1250), "Šč");          // the same bytes mean other letters
    EXPECT_EQ(DecodeText("\x8A\xE8", kAnsi1252), "Šè");
    EXPECT_EQ(DecodeText("\x80 5", 999), "€ 5");                  // an unknown page reads as 1252
    EXPECT_EQ(DecodeText(std::string("ab\0cd", 5), kAnsi1252), "ab");  // the stored NUL ends the text
    EXPECT_EQ(DecodeText("\x81", kAnsi1252), "\xC2\x81");           // undefined bytes survive as C1 controls
}

TEST(DwgTextTest, DecodesUnicodeEscapes) {
    EXPECT_EQ(DecodeText("\\U+03A9 \\U+8A2D", kAnsi1252), "Ω 設");
    EXPECT_EQ(DecodeText("\\u+00e9", kAnsi1252), "é");
    EXPECT_EQ(DecodeText("\\U+12", kAnsi1252), "\\U+12");      // too short: kept as written
    EXPECT_EQ(DecodeText("\\U+12G4", kAnsi1252), "\\U+12G4");  // not hexadecimal
    EXPECT_EQ(DecodeText("\\U+D800", kAnsi1252), "\xEF\xBF\xBD");  // a lone surrogate is no character
}

TEST(DwgTextTest, EncodesWhatThePageHoldsAndEscapesTheRest) {
    EXPECT_EQ(EncodeText("Größe", kAnsi1252), "Gr\xF6\xDF" "e");
    EXPECT_EQ(EncodeText("Ω Größe 設計", kAnsi1252), "\\U+03A9 Gr\xF6\xDF" "e \\U+8A2D\\U+8A08");
    EXPECT_EQ(EncodeText("Šč", kAnsi1250), "\x8A\xE8");
    EXPECT_EQ(EncodeText("\xFF" "a", kAnsi1252), "\\U+FFFD" "a");  // as the DXF writer does
    // A page we do not carry (38: a double-byte Japanese page) gets escapes
    // only, never bytes that would mean something else in it.
    EXPECT_EQ(EncodeText("é設", 38), "\\U+00E9\\U+8A2D");
    for (const char* text : {"plain", "Größe €", "Ω 設計 <&'\">", "line\nbreak"}) {
        EXPECT_EQ(DecodeText(EncodeText(text, kAnsi1252), kAnsi1252), text);
        EXPECT_EQ(DecodeText(EncodeText(text, kAnsi1250), kAnsi1250), text);
    }
}

// Escapes hold four hex digits, so a character beyond U+FFFF travels as the
// escapes of its UTF-16 pair, the way the DXF side writes it; it must not be
// lost on the way into the drawing.
TEST(DwgTextTest, CharactersBeyondTheBasicPlaneTravelAsEscapePairs) {
    const std::string smile = "\xF0\x9F\x98\x80";  // U+1F600
    const std::string replacement = "\xEF\xBF\xBD";
    EXPECT_EQ(EncodeText("A" + smile + "B", kAnsi1252), "A\\U+D83D\\U+DE00B");
    EXPECT_EQ(EncodeText(smile, 38), "\\U+D83D\\U+DE00");
    EXPECT_EQ(EncodeText(smile, kAnsi1252), dxf::TextCodec("AC1015", "ANSI_1252").Encode(smile));
    EXPECT_EQ(DecodeText("A\\U+D83D\\u+de00B", kAnsi1252), "A" + smile + "B");
    EXPECT_EQ(DecodeText("\\U+D83D x", kAnsi1252), replacement + " x");  // a high half alone
    EXPECT_EQ(DecodeText("\\U+DE00\\U+D83D", kAnsi1252), replacement + replacement);  // halves swapped
    EXPECT_EQ(DecodeText("\\U+D83D\\U+0041", kAnsi1252), replacement + "A");
    for (const std::string& text : {smile, "Ω " + smile + smile + " Größe", std::string("\xF4\x8F\xBF\xBF")}) {
        EXPECT_EQ(DecodeText(EncodeText(text, kAnsi1252), kAnsi1252), text);
        EXPECT_EQ(DecodeText(EncodeText(text, 38), 38), text);
    }
    EXPECT_EQ(EncodeText("\xED\xA0\x80", kAnsi1252), "\\U+FFFD\\U+FFFD\\U+FFFD");  // an encoded surrogate is no UTF-8
}

// Both readers take their pages from one set of tables: the same bytes read
// as the same text from a DWG and from a DXF naming the same page, and a byte
// the page leaves unassigned still survives a DWG round trip.
TEST(DwgTextTest, Utf16TextsComeBackAsTheSameCodeUnits) {
    const std::pair<std::u16string, std::string> cases[] = {
        {u"Gr\u00F6\u00DFe", "Gr\xC3\xB6\xC3\x9F" "e"},
        {u"\U0001F600", "\xF0\x9F\x98\x80"},                 // a pair becomes one character
        {std::u16string(1, char16_t(0xD800)), "\xED\xA0\x80"},  // a lone surrogate keeps its own bytes
        {std::u16string{char16_t(0xDC00), char16_t(0xD800)}, "\xED\xB0\x80\xED\xA0\x80"},  // a pair the wrong way round
        {std::u16string(u"ab\0", 3), std::string("ab\0", 3)},
    };
    for (const auto& [wide, held] : cases) {
        EXPECT_EQ(WideToUtf8(wide), held);
        EXPECT_EQ(Utf8ToWide(held), wide);
    }
    // Shown: up to the NUL, with lone surrogates as U+FFFD.
    EXPECT_EQ(DecodeWideText(std::string("x\xED\xA0\x80y\0z", 7)), "x\xEF\xBF\xBDy");
    EXPECT_EQ(DecodeWideText("\xF0\x9F\x98\x80"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(DecodeWideText(std::string("plain\0z", 7)), "plain");
}

TEST(DwgTextTest, DwgAndDxfReadersShareTheirCodePages) {
    const std::pair<int, const char*> pages[] = {{28, "ANSI_1250"}, {29, "ANSI_1251"}, {30, "ANSI_1252"},
                                                 {32, "ANSI_1253"}, {33, "ANSI_1254"}, {34, "ANSI_1255"},
                                                 {35, "ANSI_1256"}, {36, "ANSI_1257"}, {37, "ANSI_874"},
                                                 {44, "ANSI_1258"}};
    for (const auto& [dwgPage, dxfName] : pages) {
        SCOPED_TRACE(dxfName);
        ASSERT_EQ(text::CodePageTable(dxfName), text::WindowsCodePageTable(WindowsCodePageOf(dwgPage)));
        const dxf::TextCodec dxfCodec("AC1015", dxfName);
        int unassigned = 0;
        for (int b = 0x80; b < 0x100; ++b) {
            const std::string byte(1, static_cast<char>(b));
            const std::string fromDxf = dxfCodec.Decode(byte);
            const std::string fromDwg = DecodeText(byte, dwgPage);
            if (fromDxf == "\xEF\xBF\xBD") {
                ++unassigned;
            } else {
                EXPECT_EQ(fromDwg, fromDxf) << "byte " << b;
            }
            EXPECT_EQ(EncodeText(fromDwg, dwgPage), byte) << "byte " << b;
        }
        EXPECT_LT(unassigned, 32);
    }
    EXPECT_EQ(text::CodePageTable("dos850"), text::WindowsCodePageTable(850));
    EXPECT_EQ(text::CodePageTable("ANSI_932"), nullptr);  // multi-byte pages have no table
    EXPECT_EQ(text::WindowsCodePageTable(WindowsCodePageOf(0)), nullptr);  // no page named
}

}  // namespace
}  // namespace kel::dwg
