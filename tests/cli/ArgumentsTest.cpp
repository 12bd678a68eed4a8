// The command-line parser on its own: what each argument list becomes, and the
// usage error of each kind of mistake.
#include <gtest/gtest.h>

#include "cli/Arguments.h"

namespace kel::cli {
namespace {

CliArguments Parse(const std::vector<std::string>& args) {
    CliArguments parsed;
    std::string error;
    EXPECT_TRUE(ParseArguments(args, parsed, error)) << error;
    return parsed;
}

std::string Error(const std::vector<std::string>& args) {
    CliArguments parsed;
    std::string error;
    EXPECT_FALSE(ParseArguments(args, parsed, error));
    return error;
}

TEST(ArgumentsTest, EachCommandBecomesOneValue) {
    CliArguments a = Parse({"-d", ";", "--no-audit", "-t", "t.txt", "a.dwg", "-j", "3", "--", "-odd.dxf"});
    EXPECT_EQ(a.mode, CliMode::Modify);
    EXPECT_EQ(a.run.strTemplate, "t.txt");
    EXPECT_EQ(a.run.drawings, (std::vector<std::string>{"a.dwg", "-odd.dxf"}));
    EXPECT_EQ(a.run.strDelimiter, ";");
    EXPECT_FALSE(a.run.blnAudit);
    EXPECT_EQ(a.run.intJobs, 3);

    a = Parse({"--log-scans", "week.dlf", "--shard", "2/3", "--quiet"});
    EXPECT_EQ(a.mode, CliMode::List);
    EXPECT_EQ(a.run.strListFile, "week.dlf");
    EXPECT_TRUE(a.run.blnLogScans && a.run.blnAudit && a.blnQuiet);
    EXPECT_EQ(std::pair(a.run.shard.index, a.run.shard.count), std::pair(2, 3));
    EXPECT_EQ(a.run.intJobs, DefaultJobs()) << "all cores unless told";

    EXPECT_EQ(Parse({"-t", "x", "--help"}).mode, CliMode::Help) << "--help wins wherever it stands";
    a = Parse({"--export", "s.xlsx", "a.dwg", "week.dlf", "plans/A*"});
    EXPECT_EQ(a.mode, CliMode::Export);
    EXPECT_EQ(a.strSheet, "s.xlsx");
    EXPECT_EQ(a.sources, (std::vector<std::string>{"a.dwg", "week.dlf", "plans/A*"}));
    a = Parse({"--dry-run", "--import", "s.csv", "-j", "2", "--format", "csv", "--no-journal"});
    EXPECT_EQ(a.mode, CliMode::Import);
    EXPECT_EQ(a.strSheet, "s.csv");
    EXPECT_TRUE(a.run.blnDryRun && a.blnCsv && !a.run.blnJournal);
    EXPECT_EQ(a.run.intJobs, 2);
}

TEST(ArgumentsTest, MistakesAreUsageErrorsThatSayWhat) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{}, "No command given."},
        {{"-t", "t.txt"}, "No drawing given."},
        {{"-t"}, "Option -t needs a value."},
        {{"-t", "t.txt", "-j"}, "Option -j needs a value."},
        {{"--bogus", "a.dlf"}, "Unknown option --bogus."},
        {{"--xml", "a.dxf", "-t", "t.txt", "b.dxf"}, "Give one command: --xml and -t cannot be combined."},
        {{"--show", "a.dxf", "--xml", "b.dxf"}, "Give one command: --show and --xml cannot be combined."},
        {{"a.dlf", "b.dlf"}, "Give one drawing list file, or -t TEMPLATE before drawings."},
        {{"--no-audit"}, "No drawing list file given."},
        {{"-t", "t.txt", "-d", "ab", "a.dxf"}, "The delimiter must be one character."},
        {{"-t", "t.txt", "--log-scans", "a.dxf"}, "Option --log-scans is for drawing list files."},
        {{"--show", "a.dxf", "-j", "2"}, "Option -j does not apply to --show."},
        {{"--xml", "a.dxf", "b.dxf"}, "Unexpected argument b.dxf."},
        {{"-t", "t.txt", "--html", "p.htm", "a.dxf"}, "Option --html is for --show."},
        {{"--export", "s.xlsx"}, "No drawing given: --export needs drawings, list files or wildcard specifications."},
        {{"--export", "s.xlsx", "--dry-run", "a.dxf"}, "Option --dry-run does not apply to --export."},
        {{"--import", "s.xlsx", "a.dxf"}, "Unexpected argument a.dxf: --import takes its drawings from the sheet."},
        {{"--import"}, "Option --import needs a value."},
        {{"--import", "s.csv", "--export", "t.csv", "a.dxf"}, "Give one command: --import and --export cannot be combined."},
    };
    for (const auto& [args, message] : cases) EXPECT_EQ(Error(args), message);
    for (const std::string jobs : {"0", "-1", "x", "2x", "257"}) {
        EXPECT_NE(Error({"-j", jobs, "a.dlf"}).find("from 1 to 256, not '" + jobs + "'"), std::string::npos);
    }
    for (const std::string shard : {"0/3", "4/3", "1", "a/b", "1/0", "2/"}) {
        EXPECT_NE(Error({"--shard", shard, "a.dlf"}).find("not '" + shard + "'"), std::string::npos) << shard;
    }
}

TEST(ArgumentsTest, SlicesAreStableAndCoverEveryDrawingOnce) {
    std::vector<int> inSlice(3, 0);
    for (int i = 0; i < 300; ++i) {
        const std::string drawing = "/p/A-" + std::to_string(i) + ".dwg";
        int slices = 0;
        for (int k = 1; k <= 3; ++k) {
            if (InShard(drawing, Shard{k, 3})) ++slices, ++inSlice[static_cast<std::size_t>(k - 1)];
        }
        EXPECT_EQ(slices, 1) << drawing;
    }
    for (const int n : inSlice) EXPECT_GT(n, 60) << "slices of like size";
    // Fixed by the path's text alone, the same in every process and build.
    EXPECT_TRUE(InShard("/p/A-0.dwg", Shard{1, 1}));
    EXPECT_TRUE(InShard("a.dwg", Shard{1, 2}) && InShard("a.dwg", Shard{3, 3}));
}

}  // namespace
}  // namespace kel::cli
