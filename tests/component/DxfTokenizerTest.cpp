// The ASCII tokenizer reads short lines a word at a time; checked against a
// plain line splitter on random files whose line ends fall at every place in
// and around those words, with CR LF and LF, and cut short at every length.
#include <gtest/gtest.h>

#include <charconv>
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
        text += std::string(rng() % 10, ' ') + code;
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
