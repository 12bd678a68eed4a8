// The case-blind search behind flattening and matching, checked against a
// plain reference (both sides folded to lower case, then std::string::find)
// on random texts over a small alphabet, so that near misses are frequent.
#include <gtest/gtest.h>

#include <random>

#include "engine/TextSearch.h"

namespace kel {
namespace {

std::string Lower(std::string s) {
    for (char& c : s) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    return s;
}

TEST(FindNoCase, AgreesWithFoldedFindOnRandomTexts) {
    const std::string alphabet = "aAbB<</>\xC3\xA9 ";
    std::mt19937 rng(42);
    auto text = [&](std::size_t maxLen) {
        std::string s(rng() % (maxLen + 1), ' ');
        for (char& c : s) c = alphabet[rng() % alphabet.size()];
        return s;
    };
    for (int round = 0; round < 20000; ++round) {
        const std::string hay = text(24), needle = text(4);
        const std::size_t from = rng() % (hay.size() + 2);
        const std::size_t expected = from > hay.size() ? std::string::npos : Lower(hay).find(Lower(needle), from);
        ASSERT_EQ(FindNoCase(hay, needle, from), expected) << "'" << hay << "' '" << needle << "' from " << from;
    }
}

// Texts that compare equal share their quick key, so a tag line finds every
// row whose tag differs from its own in letter case only.
TEST(FindNoCase, EqualTextsShareTheirFoldedKey) {
    const std::string alphabet = "aAbBzZ@[`{\xC3\xA9";
    std::mt19937 rng(5);
    int equal = 0;
    for (int round = 0; round < 20000; ++round) {
        std::string a(rng() % 4, ' '), b;
        for (char& c : a) c = alphabet[rng() % alphabet.size()];
        b = a;
        for (char& c : b) {
            if (rng() % 2 && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        }
        if (rng() % 4 == 0 && !b.empty()) b[rng() % b.size()] = alphabet[rng() % alphabet.size()];
        ASSERT_EQ(EqualsNoCase(a, b), Lower(a) == Lower(b)) << a << " " << b;
        if (EqualsNoCase(a, b)) {
            ++equal;
            ASSERT_EQ(FoldedKey(a), FoldedKey(b)) << a << " " << b;
        }
    }
    EXPECT_GT(equal, 10000);
    // Characters next to the letters are not folded onto them.
    EXPECT_NE(FoldedKey("@"), FoldedKey("`"));
    EXPECT_NE(FoldedKey("TAG1"), FoldedKey("TAG2"));
}

// Needles longer than the random ones, and the replacement built on the search.
TEST(FindNoCase, MarkupAtTheEdges) {
    EXPECT_EQ(FindNoCase("<Name>x</NAME>", "</name>"), 7u);
    EXPECT_EQ(ReplaceAllNoCase("<Handle>1</HANDLE>", "handle", "AttributeHandle"),
              "<AttributeHandle>1</AttributeHandle>");
}

}  // namespace
}  // namespace kel
