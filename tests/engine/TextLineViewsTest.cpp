#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "engine/TextLines.h"
#include "support/TempDir.h"

namespace kel {
namespace {

using Views = std::vector<std::string_view>;

// The views must agree with the per-line reader and point into the returned text.
TEST(TextLineViewsTest, ReadsLikeTheLineReaderWithoutCopies) {
    test::TempDir dir;
    const std::string bom = dir.Write("bom.xml", "\xEF\xBB\xBF<a>\r\n <b>x</b>\rc\n");
    const std::string latin = dir.Write("latin.xml", "<v>Gr\xF6\xDF" "e</v>\r\n\r\n");

    for (const std::string& path : {bom, latin}) {
        std::string text;
        Views views;
        ASSERT_TRUE(ReadTextLineViews(path, text, views)) << path;
        std::vector<std::string> lines;
        ASSERT_TRUE(ReadTextLines(path, lines));
        ASSERT_EQ(views.size(), lines.size()) << path;
        for (std::size_t i = 0; i < views.size(); ++i) {
            EXPECT_EQ(views[i], lines[i]) << path << " line " << i;
            EXPECT_TRUE(views[i].data() >= text.data() && views[i].data() + views[i].size() <= text.data() + text.size());
        }
    }

    std::string text = "left over";
    Views views{"stale"};
    std::string err;
    EXPECT_FALSE(ReadTextLineViews(dir.File("missing.xml"), text, views, &err));
    EXPECT_TRUE(views.empty());
    EXPECT_TRUE(text.empty());
    EXPECT_FALSE(err.empty());
    EXPECT_FALSE(ReadTextLineViews(dir.Path(), text, views));
}

TEST(TextLineViewsTest, SplitsAtEveryTerminator) {
    EXPECT_EQ(SplitLineViews(""), Views{});
    EXPECT_EQ(SplitLineViews("a\r\r\nb\n\nc\r"), (Views{"a", "", "b", "", "c"}));
    EXPECT_EQ(SplitLineViews("x"), Views{"x"});
}

}  // namespace
}  // namespace kel
