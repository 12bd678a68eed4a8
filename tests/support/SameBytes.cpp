#include "tests/support/SameBytes.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace kel::test {
namespace {

// Up to 24 bytes from `at`, control and non-ASCII bytes as \xNN.
std::string Excerpt(std::string_view bytes, std::size_t at) {
    std::string out;
    for (std::size_t i = at; i < bytes.size() && i < at + 24; ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out;
}

}  // namespace

::testing::AssertionResult SameBytes(std::string_view actual, std::string_view expected) {
    if (actual == expected) return ::testing::AssertionSuccess();
    const auto diff = std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
    const auto at = static_cast<std::size_t>(diff.first - actual.begin());
    return ::testing::AssertionFailure() << actual.size() << " bytes against " << expected.size()
                                         << " expected; first difference at byte " << at << ": \""
                                         << Excerpt(actual, at) << "\" where \"" << Excerpt(expected, at)
                                         << "\" was expected";
}

}  // namespace kel::test
