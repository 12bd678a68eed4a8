// Libraries loaded while the program runs: a missing one or a missing
// function is reported, not a crash.
#include "platform/SharedLibrary.h"

#include <gtest/gtest.h>

namespace kel {
namespace {

TEST(SharedLibrary, AMissingLibraryOrFunctionIsReported) {
    const SharedLibrary missing("libkel-no-such-library.so.9");
    EXPECT_FALSE(missing.IsOpen());
    EXPECT_NE(missing.Error(), "");
    EXPECT_EQ(missing.Symbol("cos"), nullptr);
#ifdef __linux__
    const SharedLibrary math("libm.so.6");
    ASSERT_TRUE(math.IsOpen()) << math.Error();
    auto* cosine = reinterpret_cast<double (*)(double)>(math.Symbol("cos"));
    ASSERT_NE(cosine, nullptr);
    EXPECT_DOUBLE_EQ(cosine(0.0), 1.0);
    EXPECT_EQ(math.Symbol("kel_no_such_function"), nullptr);
#endif
}

}  // namespace
}  // namespace kel
