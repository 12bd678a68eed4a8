// Compares two drawings' bytes. A failure names the sizes and the first byte
// that differs: printing whole drawings, or the line-by-line difference
// GoogleTest makes of two long texts, would take far too much memory.
#pragma once

#include <gtest/gtest.h>

#include <string_view>

namespace kel::test {

::testing::AssertionResult SameBytes(std::string_view actual, std::string_view expected);

}  // namespace kel::test
