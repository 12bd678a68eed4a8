// Placeholders in template values: what each stands for, and the mistakes
// that are refused when the template is prepared.
#include <gtest/gtest.h>

#include <ctime>

#include "engine/Placeholders.h"
#include "platform/FileSystem.h"

namespace kel {
namespace {

std::time_t Noon() {
    std::tm t{};
    t.tm_year = 2026 - 1900, t.tm_mon = 11, t.tm_mday = 6, t.tm_hour = 14, t.tm_min = 5, t.tm_sec = 9;
    t.tm_isdst = -1;
    return std::mktime(&t);
}

TEST(PlaceholderTest, EachPlaceholderStandsForItsPartOfTheDrawingOrRun) {
    const PlaceholderContext c{"/p/tower/sheets/A-101.final.dwg", "/p/tower", 4, 12, Noon()};
    const auto attribute = [](const std::string& tag, std::string& value) {
        if (tag != "REV") return false;
        value = "C";
        return true;
    };
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"{file}", "A-101.final"},
        {"{file.ext}", "A-101.final.dwg"},
        {"{folder}", "sheets"},
        {"{path}", "sheets" + std::string(1, PathSeparator()) + "A-101.final.dwg"},  // in the system's own form
        {"{n} of {count}", "5 of 12"},
        {"{n:100:10:5}", "00140"},
        {"{n:-20:1:3}", "-016"},
        {"{date}", "2026-12-06"},
        {"{date:dd.mm.yy HH:MM:SS}", "06.12.26 14:05:09"},
        {"rev {attr:REV}{attr:NONE}", "rev C"},
        {"{{literal}} {{{n}}}", "{literal} {5}"},
        {"no braces", "no braces"},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(CheckPlaceholders(text), "") << text;
        EXPECT_EQ(ExpandPlaceholders(text, c, attribute), expected) << text;
    }
}

TEST(PlaceholderTest, MistakesAreRefusedWithTheirReason) {
    const std::vector<std::pair<std::string, std::string>> bad = {
        {"{bogus}", "unknown placeholder {bogus}"},
        {"{file", "a '{' without its '}' (write {{ for a brace)"},
        {"x}", "a '}' without its '{' (write }} for a brace)"},
        {"{n:1:1}", "{n:START:STEP:WIDTH} needs three numbers"},
        {"{n:1:x:2}", "{n:START:STEP:WIDTH} needs three numbers, not 'x'"},
        {"{n:1:1:99}", "the WIDTH of {n:...} is from 0 to 20"},
        {"{attr:}", "{attr:TAG} needs a tag"},
        {"{file:x}", "{file} takes no fields"},
    };
    for (const auto& [text, why] : bad) EXPECT_EQ(CheckPlaceholders(text), why) << text;

}

}  // namespace
}  // namespace kel
