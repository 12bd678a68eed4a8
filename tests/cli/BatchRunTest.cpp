// kel-batch -t, --show and list files, run as a separate program on copies of
// real drawings; the results are read back with an independent DXF reader.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "support/Shell.h"
#include "support/TempDir.h"

namespace kel {
namespace {

namespace fs = std::filesystem;


// Prints "TAG=value" for every attribute of every insert of every layout.
const char* kAttribScript = R"(import sys, ezdxf
doc = ezdxf.readfile(sys.argv[1])
for layout in doc.layouts:
    for ins in layout.query('INSERT'):
        for a in ins.attribs:
            print('%s=%s' % (a.dxf.tag, a.dxf.text))
)";

const char* kFlags = "dxf/ascii/AC1027_R2013/ezdxf__multi_insert_with_attribs.dxf";
const char* kSample = "dxf/ascii/AC1015_R2000/acadsharp__sample_AC1015_ascii.dxf";
using Lines = std::vector<std::string>;

class BatchRunTest : public ::testing::Test {
protected:
    using Result = test::ShellResult;
    Result Shell(const std::string& command) { return test::RunShell(command, dir.Path()); }
    Result Batch(const std::string& args) {
        return Shell("KEL_HOME=" + test::ShellQuote(home) + " " + test::ShellQuote(KEL_BATCH_EXE) + " " + args);
    }
    // A copy of a corpus drawing at rel inside the work folder.
    std::string Copy(const char* corpus, const std::string& rel) {
        const std::string target = dir.File("work/" + rel);
        fs::create_directories(fs::path(target).parent_path());
        fs::copy_file(test::CorpusPath(corpus), target);
        return target;
    }
    // The attributes as the independent reader sees them, in file order.
    Lines Attributes(const std::string& drawing) {
        const Result r = Shell(std::string(KEL_PYTHON) + " " + test::ShellQuote(dir.Write("a.py", kAttribScript)) + " " +
                               test::ShellQuote(drawing));
        EXPECT_EQ(r.exitCode, 0) << drawing << "\n" << r.err;
        Lines lines;
        std::istringstream in(r.out);
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
    // The attributes with every value of tag replaced.
    static Lines With(Lines lines, const std::string& tag, const std::string& value) {
        for (auto& l : lines) {
            if (l.rfind(tag + "=", 0) == 0) l = tag + "=" + value;
        }
        return lines;
    }
    bool Unchanged(const std::string& copy, const char* corpus) {
        return test::ReadFile(copy) == test::ReadFile(test::CorpusPath(corpus));
    }

    test::TempDir dir;
    std::string home = dir.File("home");
};

TEST_F(BatchRunTest, ModifyChangesOnlyTheNamedAttributesAndReportsFailures) {
    const std::string flags = Copy(kFlags, "Flags.dxf"), sample = Copy(kSample, "Sub Folder/Sample.DXF");
    const Lines flagsBefore = Attributes(flags), sampleBefore = Attributes(sample);
    const std::string tmpl = dir.Write("work/title.txt", "*INPUT\r\n*ATTRIBUTE_TAGS\r\nNAME,r,Renamed\r\n"
                                                         "PRESET_ATT,r,changed\r\n");
    const std::string missing = dir.File("work/missing.dxf");

    Result r = Batch("-t " + test::ShellQuote(tmpl) + " " + test::ShellQuote(flags) + " " + test::ShellQuote(missing) + " " + test::ShellQuote(sample));

    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_EQ(r.out.rfind("Modification in process...\nProcessing " + flags + "...\n", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("\nAttributes for 2 file(s) modified in "), std::string::npos) << r.out;
    EXPECT_NE(test::ReadFile(home + "/err.log").find("  Drawing: " + missing + "  Error: File MISSING.DXF not found.\r\n"),
              std::string::npos);
    EXPECT_EQ(Attributes(flags), With(flagsBefore, "NAME", "Renamed"));
    EXPECT_EQ(Attributes(sample), With(sampleBefore, "PRESET_ATT", "changed"));

    r = Batch("-t " + test::ShellQuote(tmpl) + " --no-audit -d , " + test::ShellQuote(flags));
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_FALSE(fs::exists(home + "/err.log")) << "a clean run leaves no error log";

    const std::string bad = dir.Write("work/bad.txt", "no sections\r\n");
    r = Batch("-t " + test::ShellQuote(bad) + " " + test::ShellQuote(sample));
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.out.find("No attributes modified. Template file requires '*INPUT'.\n"), std::string::npos) << r.out;
    for (const std::string& args : {std::string(), " -d ab " + test::ShellQuote(flags), " --bogus " + test::ShellQuote(flags)}) {
        EXPECT_EQ(Batch("-t " + test::ShellQuote(tmpl) + args).exitCode, 2) << args;
    }
}

TEST_F(BatchRunTest, ShowPrintsTheAttributeTableAsCsv) {
    const std::string flags = Copy(kFlags, "Flags.dxf");
    Result r = Batch("--show " + test::ShellQuote(flags));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.rfind("Block,Layout,name,handle,", 0), 0u) << r.out;
    Lines values;
    std::istringstream in(r.out);
    for (std::string line; std::getline(in, line, '\n');) {
        ASSERT_EQ(line.back(), '\r');
        const auto tag = line.rfind(',', line.rfind(',') - 1);
        values.push_back(line.substr(tag + 1, line.size() - tag - 2));
        values.back()[values.back().find(',')] = '=';
    }
    values.erase(values.begin());
    EXPECT_EQ(values, Attributes(flags));
    EXPECT_TRUE(fs::is_empty(home)) << "work files removed";

    r = Batch("--show " + test::ShellQuote(dir.File("work/gone.dxf")));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "File GONE.DXF not found.\n");
}

TEST_F(BatchRunTest, ListFileRunsPlainAndWildcardEntries) {
    const std::string top = Copy(kFlags, "tree/Abc.dxf"), deep = Copy(kFlags, "tree/sub/Axe.dxf");
    const std::string other = Copy(kFlags, "tree/Bcd.dxf"), plain = Copy(kSample, "Plain Sample.dxf");
    const Lines before = Attributes(plain);
    const std::string tmpl = dir.Write("work/t.txt", "*INPUT\r\n*ATTRIBUTE_TAGS\r\nNAME,r,Listed\r\nATTINFO,r,99\r\n");
    const std::string tree = dir.File("work/tree/");
    const std::string list = dir.Write("work/run.dlf", "' batch\r\n" + tree + "A*.DXF," + tmpl + "\r\n" + plain + "," +
                                                           tmpl + "\r\n" + dir.File("work/none.dxf") + "," + tmpl);
    Result r = Batch(test::ShellQuote(list));
    EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
    EXPECT_NE(r.out.find("Scanning " + tree + "...\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\nDWG file not found.\nAttributes for 2 file(s) modified in "), std::string::npos) << r.out;
    EXPECT_EQ(Attributes(top), With(Attributes(test::CorpusPath(kFlags)), "NAME", "Listed"));
    EXPECT_EQ(Attributes(plain), With(before, "ATTINFO", "99"));
    EXPECT_TRUE(Unchanged(deep, kFlags)) << "an entry with an extension searches its own folder only";
    EXPECT_TRUE(Unchanged(other, kFlags));

    dir.Write("work/run2.dlf", plain + "," + tmpl + "\r\n  end \r\n" + other + "," + tmpl + "\r\n");
    r = Batch(test::ShellQuote(dir.File("work/run2.dlf")));
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_EQ(r.out, "Modification in process...\nProcessing " + plain + "...\n") << "END: no summary";
    EXPECT_TRUE(Unchanged(other, kFlags));

    r = Batch(test::ShellQuote(dir.File("work/absent.dlf")));
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out, "Passed file '" + dir.File("work/absent.dlf") + "' does not exist.\n");
}

}  // namespace
}  // namespace kel
