#include <gtest/gtest.h>

#include "runs/PathText.h"
#include "runs/RunFormats.h"

namespace kel {
namespace {

std::tm At(int year, int month, int day, int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return t;
}

TEST(TimestampTest, TwelveHourClockWithLowerCaseMarker) {
    EXPECT_EQ(FormatTimestamp(At(2026, 12, 5, 5, 14, 49)), "12/05/2026 05:14:49 am");
    EXPECT_EQ(FormatTimestamp(At(2026, 1, 2, 12, 0, 0)), "01/02/2026 12:00:00 pm");
    EXPECT_EQ(FormatTimestamp(At(2026, 1, 2, 0, 0, 0)), "01/02/2026 12:00:00 am");
    EXPECT_EQ(FormatTimestamp(At(2026, 7, 31, 23, 59, 58)), "07/31/2026 11:59:58 pm");
    EXPECT_EQ(FormatTimestamp(At(987, 3, 4, 13, 5, 6)), "03/04/0987 01:05:06 pm");
}

TEST(SecondsFormatTest, GroupsDigitsAndRoundsIntoTheIntegerPart) {
    const NumberSeparators en;
    EXPECT_EQ(FormatSeconds(0.25, en), "0.25");
    EXPECT_EQ(FormatSeconds(0, en), "0.00");
    EXPECT_EQ(FormatSeconds(1234.5, en), "1,234.50");
    EXPECT_EQ(FormatSeconds(999.999, en), "1,000.00");
    EXPECT_EQ(FormatSeconds(123456.004, en), "123,456.00");
    EXPECT_EQ(FormatSeconds(1234567.891, en), "1,234,567.89");
    EXPECT_EQ(FormatSeconds(0.004, en), "0.00");
    EXPECT_EQ(FormatSeconds(1234.5, NumberSeparators{".", ","}), "1.234,50");
    EXPECT_EQ(FormatSeconds(1234.5, NumberSeparators{"\xC2\xA0", ","}), "1\xC2\xA0" "234,50");
}

TEST(SecondsFormatTest, SummaryUsesTheSeparatorsInForce) {
    SetNumberSeparators({".", ","});
    EXPECT_EQ(ModifiedSummary(3, 1234.5), "Attributes for 3 file(s) modified in 1.234,50 second(s).");
    SetNumberSeparators({});
    EXPECT_EQ(ModifiedSummary(0, 0.25), "Attributes for 0 file(s) modified in 0.25 second(s).");
}

TEST(PathTextTest, FileNameFolderAndJoin) {
    EXPECT_EQ(GetFileName("/dwg/A-101.DWG"), "A-101.DWG");
    EXPECT_EQ(GetFileName("A-101.DWG"), "A-101.DWG");
    EXPECT_EQ(GetFileName("/dwg/"), "");
    const std::string longName(300, 'x');
    EXPECT_EQ(GetFileName(longName), longName);
    EXPECT_EQ(GetFileName("/a/" + longName), longName);
    EXPECT_EQ(FolderPart("/dwg/A*"), "/dwg/");
    EXPECT_EQ(FolderPart("A*"), "");
    EXPECT_EQ(JoinPath("/", "a.dwg"), "/a.dwg");
    EXPECT_EQ(JoinPath("/dwg", "a.dwg"), "/dwg/a.dwg");
    EXPECT_EQ(JoinPath("/dwg/", "a.dwg"), "/dwg/a.dwg");
    EXPECT_EQ(JoinPath("", "a.dwg"), "a.dwg");
}

TEST(PathTextTest, CaseAndBlanks) {
    EXPECT_EQ(UpperAscii("a-101.dwg"), "A-101.DWG");
    EXPECT_EQ(UpperAscii("pl\xC3\xA4n.dxf"), "PL\xC3\xA4N.DXF");
    EXPECT_EQ(StripBlanks("  end \t "), "end \t");
    EXPECT_EQ(StripBlanks("   "), "");
}

}  // namespace
}  // namespace kel
