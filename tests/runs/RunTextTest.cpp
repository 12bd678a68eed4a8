#include <gtest/gtest.h>

#include "runs/PathText.h"
#include "runs/RunFormats.h"

namespace kel {
namespace {

TEST(RunTextTest, TimestampOnTheTwelveHourClock) {
    auto at = [](int y, int mo, int d, int h, int mi, int s) {
        std::tm t{};
        t.tm_year = y - 1900, t.tm_mon = mo - 1, t.tm_mday = d, t.tm_hour = h, t.tm_min = mi, t.tm_sec = s;
        return FormatTimestamp(t);
    };
    EXPECT_EQ(at(2026, 12, 5, 5, 14, 49), "12/05/2026 05:14:49 am");
    EXPECT_EQ(at(2026, 1, 2, 12, 0, 0), "01/02/2026 12:00:00 pm");
    EXPECT_EQ(at(2026, 1, 2, 0, 0, 0), "01/02/2026 12:00:00 am");
    EXPECT_EQ(at(987, 7, 31, 23, 59, 58), "07/31/0987 11:59:58 pm");
}

TEST(RunTextTest, SecondsAreGroupedAndRoundedIntoTheIntegerPart) {
    const NumberSeparators en;
    for (auto [seconds, text] : std::vector<std::pair<double, std::string>>{
             {0.25, "0.25"}, {0, "0.00"}, {0.004, "0.00"}, {1234.5, "1,234.50"}, {999.999, "1,000.00"},
             {123456.004, "123,456.00"}, {1234567.891, "1,234,567.89"}}) {
        EXPECT_EQ(FormatSeconds(seconds, en), text);
    }
    SetNumberSeparators({".", ","});
    EXPECT_EQ(ModifiedSummary(3, 1234.5), "Attributes for 3 file(s) modified in 1.234,50 second(s).");
    SetNumberSeparators({});
}

TEST(RunTextTest, PathsAndNames) {
    const std::string longName(300, 'x');
    EXPECT_EQ(GetFileName(longName) + "|" + GetFileName("/a/" + longName), longName + "|" + longName);
    EXPECT_EQ(FolderPart("/dwg/A*") + "|" + FolderPart("A*"), "/dwg/|");
    EXPECT_EQ(JoinPath("/", "a.dwg") + "|" + JoinPath("/dwg", "a.dwg") + "|" + JoinPath("", "a.dwg"),
              "/a.dwg|/dwg/a.dwg|a.dwg");
    EXPECT_EQ(UpperAscii("pl\xC3\xA4n-1.dxf"), "PL\xC3\xA4N-1.DXF");
    EXPECT_EQ(StripBlanks("  end \t "), "end \t");
}

}  // namespace
}  // namespace kel
