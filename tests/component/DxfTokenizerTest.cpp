// The ASCII tokenizer reads short lines a word at a time; checked against a
// plain line splitter on random files whose line ends fall at every place in
// and around those words, with CR LF and LF, and cut short at every length.
// The binary one is checked against the tokens a random file was made of.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "component/DrawingHandle.h"
#include "component/dxf/DxfTokenizer.h"

namespace kel::dxf {
namespace {

struct Expected {
    int code;
    std::size_t start, valueStart, valueEnd, end;
};

// Splits the text into lines by LF; every pair is a group code (blanks
// around it ignored) and a value (a trailing CR dropped). Stops at a line
// that is no group code or a code without its value.
std::vector<Expected> SplitPairs(const std::string& text) {
    std::vector<Expected> out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t codeEnd = text.find('\n', pos);
        if (codeEnd == std::string::npos) break;
        const std::string_view codeText = Trim(std::string_view(text).substr(pos, codeEnd - pos));
        int code = -1;
        const auto res = std::from_chars(codeText.data(), codeText.data() + codeText.size(), code);
        if (codeText.empty() || res.ptr != codeText.data() + codeText.size() || code < 0 || code > 1071) break;
        const std::size_t valueStart = codeEnd + 1;
        const std::size_t nl = text.find('\n', valueStart);
        const std::size_t lineEnd = nl == std::string::npos ? text.size() : nl;
        std::size_t valueEnd = lineEnd;
        if (valueEnd > valueStart && text[valueEnd - 1] == '\r') --valueEnd;
        out.push_back({code, pos, valueStart, valueEnd, nl == std::string::npos ? text.size() : nl + 1});
        pos = out.back().end;
    }
    return out;
}

std::string RandomFile(std::mt19937& rng, bool crlf) {
    std::string text;
    const std::string eol = crlf ? "\r\n" : "\n";
    const std::string valueChars = "ABC xyz019.-\t\x8B\xC3\xA9";
    for (int pair = 0; pair < 40; ++pair) {
        std::string code = std::to_string(rng() % 1072);
        if (rng() % 8 == 0) code = "0" + code;  // a leading zero
        if (rng() % 16 == 0) text += '\t';  // a tab among the leading blanks
        // Right-aligned in three columns as most writers put it, or any other way.
        const std::size_t blanks = rng() % 2 == 0 && code.size() < 3 ? 3 - code.size() : rng() % 10;
        text += std::string(blanks, ' ') + code;
        if (rng() % 16 == 0) text += ' ';  // a trailing blank
        text += eol;
        std::string value(rng() % 34, ' ');
        for (char& c : value) c = valueChars[rng() % valueChars.size()];
        text += value + eol;
    }
    return text;
}

void ExpectSameTokens(const std::string& text) {
    const std::vector<Expected> expected = SplitPairs(text);
    DxfTokenizer tok(text);
    DxfToken t;
    for (const Expected& e : expected) {
        ASSERT_TRUE(tok.Next(t)) << "token at " << e.start << " of:\n" << text;
        ASSERT_EQ(t.code, e.code) << "at " << e.start;
        ASSERT_EQ(t.start, e.start);
        ASSERT_EQ(t.valueStart, e.valueStart);
        ASSERT_EQ(t.valueEnd, e.valueEnd) << "at " << e.start;
        ASSERT_EQ(t.end, e.end);
        ASSERT_EQ(t.value, std::string_view(text).substr(e.valueStart, e.valueEnd - e.valueStart));
    }
}

TEST(DxfTokenizer, AgreesWithALineSplitterWhereverLinesEnd) {
    std::mt19937 rng(7);
    for (int round = 0; round < 200; ++round) {
        const std::string text = RandomFile(rng, round % 2 == 1);
        ExpectSameTokens(text);
        // Cut short, so that the last lines end within a word's reach of the data's end.
        for (std::size_t cut = text.size() > 48 ? text.size() - 48 : 0; cut < text.size(); ++cut) {
            ExpectSameTokens(text.substr(0, cut));
        }
    }
}

// Binary files: random tokens of codes at the ends of the value kinds' ranges
// in the DXF reference, strings of every length around the 16 bytes read in
// place, in both code widths, whole and cut short at every length near the end.
struct BinaryCode {
    int code;
    int size;  // bytes of a fixed-size value; 0 for a string, -1 for a chunk
};

constexpr BinaryCode kBinaryCodes[] = {
    {0, 0},    {1, 0},     {5, 0},     {9, 0},     {10, 8},    {59, 8},    {60, 2},    {79, 2},
    {90, 4},   {99, 4},    {100, 0},   {110, 8},   {160, 8},   {170, 2},   {210, 8},   {270, 2},
    {290, 1},  {310, -1},  {330, 0},   {370, 2},   {420, 4},   {999, 0},   {1000, 0},  {1004, -1},
    {1010, 8}, {1060, 2},  {1070, 2},  {1071, 4},  {300, 0},   {255, 0},   {256, 0},   {469, 8}};

std::vector<Expected> RandomBinary(std::mt19937& rng, bool twoByteCodes, std::string& data) {
    data = std::string(kBinarySentinel);
    std::vector<Expected> out;
    for (int i = 0; i < 60; ++i) {
        // The first is (0, SECTION), by which the code width is told.
        const BinaryCode bc = i == 0 ? kBinaryCodes[0] : kBinaryCodes[rng() % std::size(kBinaryCodes)];
        Expected e{bc.code, data.size(), 0, 0, 0};
        if (twoByteCodes || bc.code >= 255) {
            if (!twoByteCodes) data += static_cast<char>(255);
            data += static_cast<char>(bc.code & 0xFF);
            data += static_cast<char>(bc.code >> 8);
        } else {
            data += static_cast<char>(bc.code);
        }
        if (i == 0) {
            e.valueStart = data.size();
            data += "SECTION";
            e.valueEnd = data.size();
            data += '\0';
        } else if (bc.size == 0) {
            e.valueStart = data.size();
            const std::size_t length = rng() % 40;
            for (std::size_t k = 0; k < length; ++k) data += static_cast<char>(1 + rng() % 255);
            e.valueEnd = data.size();
            data += '\0';
        } else if (bc.size < 0) {
            const std::size_t length = rng() % 20;
            data += static_cast<char>(length);
            e.valueStart = data.size();
            for (std::size_t k = 0; k < length; ++k) data += static_cast<char>(rng() % 256);
            e.valueEnd = data.size();
        } else {
            e.valueStart = data.size();
            for (int k = 0; k < bc.size; ++k) data += static_cast<char>(rng() % 256);
            e.valueEnd = data.size();
        }
        e.end = data.size();
        out.push_back(e);
    }
    return out;
}

TEST(DxfTokenizer, ReadsBinaryTokensOfEveryKindAndLength) {
    std::mt19937 rng(11);
    for (int round = 0; round < 200; ++round) {
        const bool twoByteCodes = round % 2 == 1;
        std::string data;
        const std::vector<Expected> expected = RandomBinary(rng, twoByteCodes, data);
        for (std::size_t cut = data.size() - 48; cut <= data.size(); ++cut) {
            const std::string text = data.substr(0, cut);
            DxfTokenizer tok(text);
            ASSERT_EQ(tok.Encoding(), twoByteCodes ? DxfEncoding::Binary2 : DxfEncoding::Binary1);
            DxfToken t;
            for (const Expected& e : expected) {
                if (e.end > cut) {
                    EXPECT_FALSE(tok.Next(t)) << "a token cut short at " << cut;
                    EXPECT_EQ(tok.Failed(), e.start < cut) << "cut at " << cut;
                    break;
                }
                ASSERT_TRUE(tok.Next(t)) << "token at " << e.start << ": " << tok.Error();
                ASSERT_EQ(t.code, e.code) << "at " << e.start;
                ASSERT_EQ(t.start, e.start);
                ASSERT_EQ(t.valueStart, e.valueStart) << "code " << e.code;
                ASSERT_EQ(t.valueEnd, e.valueEnd) << "code " << e.code;
                ASSERT_EQ(t.end, e.end);
            }
        }
    }
}

// A file read a block at a time gives the tokens, failures and messages of the
// whole file, wherever the blocks end, and the tokens from the KeepFrom
// position on stay readable meanwhile.
void ExpectSameInBlocks(const std::string& text) {
    std::vector<DxfToken> whole;
    DxfTokenizer all(text);
    for (DxfToken t; all.Next(t);) whole.push_back(t);
    for (std::size_t first = 1; first <= text.size(); ++first) {
        std::size_t at = first;
        DxfTokenizer tok(
            text.substr(0, first),
            [&](char* buf, std::size_t n, std::size_t& got, std::string&) {
                got = std::min({n, text.size() - at, std::size_t{7}});
                std::memcpy(buf, text.data() + at, got);
                at += got;
                return true;
            },
            first % 50 + 1);  // blocks of up to 50 bytes
        std::vector<DxfToken> kept;
        DxfToken t;
        for (std::size_t i = 0; i < whole.size(); ++i) {
            ASSERT_TRUE(tok.Next(t)) << "first block of " << first << ", token " << i << ": " << tok.Error();
            ASSERT_EQ(t.code, whole[i].code);
            ASSERT_EQ(t.start, whole[i].start) << "first block of " << first;
            ASSERT_EQ(t.valueStart, whole[i].valueStart);
            ASSERT_EQ(t.valueEnd, whole[i].valueEnd);
            ASSERT_EQ(t.end, whole[i].end);
            if (i % 5 == 0) {
                tok.KeepFrom(t.start);
                kept.clear();
            }
            kept.push_back(t);
            for (const DxfToken& k : kept) {
                ASSERT_EQ(k.value, std::string_view(text).substr(k.valueStart, k.valueEnd - k.valueStart))
                    << "first block of " << first << ", token at " << k.start;
            }
        }
        EXPECT_FALSE(tok.Next(t));
        EXPECT_EQ(tok.Error(), all.Error()) << "first block of " << first;
        EXPECT_EQ(tok.BytesRead(), text.size());
    }
}

// A fault far into a large file read a block at a time is named by its line,
// counted across the blocks that are gone.
TEST(DxfTokenizer, NamesTheLineOfAFaultBlocksAfterTheFirst) {
    for (const std::string eol : {"\n", "\r\n"}) {
        std::string text;
        for (int i = 0; i < 20000; ++i) text += "  0" + eol + "LINE" + eol;
        text += "bad code" + eol + "x" + eol;
        DxfTokenizer whole(text);
        DxfToken t;
        while (whole.Next(t)) {
        }
        ASSERT_EQ(whole.Error(), "group code expected at line 40001");
        std::size_t at = 4096;
        DxfTokenizer tok(
            text.substr(0, at),
            [&](char* buf, std::size_t n, std::size_t& got, std::string&) {
                got = std::min(n, text.size() - at);
                std::memcpy(buf, text.data() + at, got);
                at += got;
                return true;
            },
            5000);
        while (tok.Next(t)) tok.KeepFrom(t.start);
        EXPECT_EQ(tok.Error(), whole.Error());
    }
}

TEST(DxfTokenizer, ReadsAFileABlockAtATimeAsWhole) {
    std::mt19937 rng(13);
    for (int round = 0; round < 6; ++round) {
        const std::string text = RandomFile(rng, round % 2 == 1);
        ExpectSameInBlocks(text);
        ExpectSameInBlocks(text.substr(0, text.size() - 5) + "\n 99999\nbad code\n");
        std::string binary;
        RandomBinary(rng, round % 2 == 1, binary);
        ExpectSameInBlocks(binary);
        ExpectSameInBlocks(binary.substr(0, binary.size() - 3));
    }
}

// Real values of ASCII files read to the same double as from_chars gives, bit
// for bit: short decimals, long ones, exponents, signs, stray text after them.
TEST(DxfTokenizer, ReadsRealsAsFromCharsDoes) {
    std::mt19937 rng(3);
    const std::string pieces[] = {"-", ".", "e", "E-", "x", " ", "+"};
    const DxfTokenizer tok(std::string_view("  0\nEOF\n"));
    for (int i = 0; i < 200000; ++i) {
        std::string text;
        const int parts = 1 + static_cast<int>(rng() % 4);
        for (int p = 0; p < parts; ++p) {
            if (rng() % 3 == 0) text += pieces[rng() % std::size(pieces)];
            const std::size_t digits = rng() % 19;
            for (std::size_t d = 0; d < digits; ++d) text += static_cast<char>('0' + rng() % 10);
        }
        DxfToken t;
        t.code = 10;
        t.value = text;
        double expected = 0;
        const std::string_view trimmed = Trim(text);
        if (std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), expected).ec != std::errc()) expected = 0;
        const double got = tok.Double(t);
        ASSERT_EQ(std::memcmp(&got, &expected, sizeof got), 0) << "'" << text << "': " << got << " against " << expected;
    }
}

// Handles are written in upper case without leading zeros and read back to
// the same number, up to the largest 64-bit one.
TEST(HandleText, WrittenAndReadBack) {
    const std::pair<std::uint64_t, const char*> cases[] = {
        {0, "0"}, {0xA, "A"}, {0x10, "10"}, {0x1F00D, "1F00D"}, {0xFFFFFFFFFFFFFFFFull, "FFFFFFFFFFFFFFFF"}};
    for (const auto& [value, text] : cases) {
        EXPECT_EQ(FormatHandle(value), text);
        std::uint64_t back = 1;
        ASSERT_TRUE(ParseHandle(FormatHandle(value), back));
        EXPECT_EQ(back, value);
    }
    std::uint64_t v = 0;
    EXPECT_TRUE(ParseHandle(" 001f00d ", v));
    EXPECT_EQ(v, 0x1F00Du);
    EXPECT_FALSE(ParseHandle("10000000000000000", v));
    EXPECT_FALSE(ParseHandle("1G", v));
}

}  // namespace
}  // namespace kel::dxf
