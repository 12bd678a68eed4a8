// kel-batch -t, --show and list files, run as a separate program on copies of
// real drawings; the results are read back with an independent DXF reader.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>

#include "support/TempDir.h"

namespace kel {
namespace {

namespace fs = std::filesystem;

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) c == '\'' ? q += "'\\''" : q += c;
    return q + "'";
}

struct Result {
    int exitCode = -1;
    std::string out, err;
};

// Prints "handle<TAB>tag<TAB>value" for every attribute of every insert.
const char* kAttribScript = R"(import sys, ezdxf
doc = ezdxf.readfile(sys.argv[1])
for layout in [doc.modelspace()] + [doc.layouts.get(n) for n in doc.layouts.names() if n != 'Model']:
    for ins in layout.query('INSERT'):
        for a in ins.attribs:
            print('%s\t%s\t%s' % (a.dxf.handle, a.dxf.tag, a.dxf.text))
)";

const char* kFlags = "dxf/ascii/AC1027_R2013/ezdxf__multi_insert_with_attribs.dxf";
const char* kSample = "dxf/ascii/AC1015_R2000/acadsharp__sample_AC1015_ascii.dxf";

class BatchRunTest : public ::testing::Test {
protected:
    Result Shell(const std::string& command) {
        const std::string out = dir.File("stdout"), err = dir.File("stderr");
        const int status = std::system((command + " >" + Quote(out) + " 2>" + Quote(err)).c_str());
        Result r;
        r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = test::ReadFile(out);
        r.err = test::ReadFile(err);
        return r;
    }
    Result Batch(const std::string& args) {
        return Shell("KEL_HOME=" + Quote(home) + " " + Quote(KEL_BATCH_EXE) + " " + args);
    }
    // A copy of a corpus drawing at rel inside the work folder.
    std::string Copy(const char* corpus, const std::string& rel) {
        const std::string target = dir.File("work/" + rel);
        fs::create_directories(fs::path(target).parent_path());
        fs::copy_file(test::CorpusPath(corpus), target);
        return target;
    }
    // tag -> values (sorted by handle) as the independent reader sees them.
    std::multimap<std::string, std::string> Attributes(const std::string& drawing) {
        const std::string script = dir.Write("attribs.py", kAttribScript);
        const Result r = Shell(std::string(KEL_PYTHON) + " " + Quote(script) + " " + Quote(drawing));
        EXPECT_EQ(r.exitCode, 0) << drawing << "\n" << r.err;
        std::multimap<std::string, std::string> tags;
        std::istringstream lines(r.out);
        for (std::string line; std::getline(lines, line);) {
            const auto t1 = line.find('\t'), t2 = line.find('\t', t1 + 1);
            tags.emplace(line.substr(t1 + 1, t2 - t1 - 1), line.substr(t2 + 1));
        }
        return tags;
    }
    static std::vector<std::string> ValuesOf(const std::multimap<std::string, std::string>& tags,
                                             const std::string& tag) {
        std::vector<std::string> v;
        for (auto [it, end] = tags.equal_range(tag); it != end; ++it) v.push_back(it->second);
        return v;
    }

    test::TempDir dir;
    std::string home = dir.File("home");
};

TEST_F(BatchRunTest, ModifyChangesOnlyTheNamedAttributesAndReportsFailures) {
    const std::string flags = Copy(kFlags, "Flags.dxf");
    const std::string sample = Copy(kSample, "Sub Folder/Sample.DXF");
    const auto flagsBefore = Attributes(flags);
    auto sampleBefore = Attributes(sample);
    const std::string tmpl = dir.Write("work/title.txt", "*INPUT\r\n*ATTRIBUTE_TAGS\r\nNAME,r,Renamed\r\n"
                                                         "PRESET_ATT,r,changed\r\n");
    const std::string missing = dir.File("work/missing.dxf");

    Result r = Batch("-t " + Quote(tmpl) + " " + Quote(flags) + " " + Quote(missing) + " " + Quote(sample));

    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_EQ(r.out.rfind("Modification in process...\nProcessing " + flags + "...\n", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("\nAttributes for 2 file(s) modified in "), std::string::npos) << r.out;
    const std::string err = test::ReadFile(home + "/err.log");
    EXPECT_NE(err.find("  Drawing: " + missing + "  Error: File MISSING.DXF not found.\r\n"), std::string::npos)
        << err;

    auto flagsAfter = Attributes(flags), sampleAfter = Attributes(sample);
    ASSERT_EQ(flagsAfter.size(), flagsBefore.size());
    for (const auto& v : ValuesOf(flagsAfter, "NAME")) EXPECT_EQ(v, "Renamed");
    EXPECT_EQ(ValuesOf(flagsAfter, "XPOS"), ValuesOf(flagsBefore, "XPOS"));
    EXPECT_EQ(ValuesOf(sampleAfter, "PRESET_ATT"), std::vector<std::string>{"changed"});
    sampleAfter.erase("PRESET_ATT");
    sampleBefore.erase("PRESET_ATT");
    EXPECT_EQ(sampleAfter, sampleBefore);

    // All drawings fine: exit 0 and no error log left behind.
    r = Batch("-t " + Quote(tmpl) + " --no-audit -d , " + Quote(flags));
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_FALSE(fs::exists(home + "/err.log"));
}

TEST_F(BatchRunTest, ModifyRefusesBadTemplatesAndArguments) {
    const std::string flags = Copy(kFlags, "Flags.dxf");
    const std::string tmpl = dir.Write("work/bad.txt", "no sections\r\n");
    Result r = Batch("-t " + Quote(tmpl) + " " + Quote(flags));
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.out.find("No attributes modified. Template file requires '*INPUT'.\n"), std::string::npos) << r.out;
    EXPECT_EQ(test::ReadFile(flags), test::ReadFile(test::CorpusPath(kFlags)));
    for (const std::string& args : {std::string(), " -d ab " + Quote(flags), " --bogus " + Quote(flags)}) {
        EXPECT_EQ(Batch("-t " + Quote(tmpl) + args).exitCode, 2) << args;
    }
}

TEST_F(BatchRunTest, ShowPrintsTheAttributeTableAsCsv) {
    const std::string flags = Copy(kFlags, "Flags.dxf");
    Result r = Batch("--show " + Quote(flags));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.rfind("Block,Layout,name,handle,", 0), 0u) << r.out;
    std::size_t records = 0;
    for (auto pos = r.out.find("\r\n"); pos != std::string::npos; pos = r.out.find("\r\n", pos + 2)) ++records;
    EXPECT_EQ(records, Attributes(flags).size() + 1);
    EXPECT_NE(r.out.find(",NAME,Flag\r\n"), std::string::npos);
    EXPECT_NE(r.out.find(",XPOS,x = 0.000\r\n"), std::string::npos);
    EXPECT_TRUE(fs::is_empty(home)) << "work files removed";

    r = Batch("--show " + Quote(dir.File("work/gone.dxf")));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("File GONE.DXF not found."), std::string::npos) << r.err;
    r = Batch("--show " + Quote(dir.Write("work/text.txt", "hello")));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Error opening file TEXT.TXT."), std::string::npos) << r.err;
}

TEST_F(BatchRunTest, ListFileRunsPlainAndWildcardEntries) {
    const std::string top = Copy(kFlags, "tree/Abc.dxf");
    const std::string deep = Copy(kFlags, "tree/sub/deep/Axe.dwg.dxf");
    const std::string other = Copy(kFlags, "tree/Bcd.dxf");
    const std::string plain = Copy(kSample, "Plain Sample.dxf");
    const std::string tmpl = dir.Write("work/t.txt", "*INPUT\r\n*ATTRIBUTE_TAGS\r\nNAME,r,Listed\r\nATTINFO,r,99\r\n");
    const std::string tree = dir.File("work/tree/");
    const std::string list = dir.Write("work/run.dlf", "' batch\r\n" + tree + "A*.DXF," + tmpl + "\r\n" + plain +
                                                           "," + tmpl + "\r\n" + dir.File("work/none.dxf") + "," +
                                                           tmpl + "\r\n");
    Result r = Batch(Quote(list));
    EXPECT_EQ(r.exitCode, 1) << r.out << r.err;
    EXPECT_NE(r.out.find("Scanning " + tree + "...\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\nDWG file not found.\n"), std::string::npos);
    EXPECT_NE(r.out.find("\nAttributes for 2 file(s) modified in "), std::string::npos) << r.out;
    for (const auto& v : ValuesOf(Attributes(top), "NAME")) EXPECT_EQ(v, "Listed");
    EXPECT_EQ(ValuesOf(Attributes(plain), "ATTINFO"), std::vector<std::string>{"99"});
    EXPECT_EQ(test::ReadFile(deep), test::ReadFile(test::CorpusPath(kFlags))) << "folder only";
    EXPECT_EQ(test::ReadFile(other), test::ReadFile(test::CorpusPath(kFlags)));

    // END stops the program before the entry after it.
    dir.Write("work/run2.dlf", plain + "," + tmpl + "\r\n  end \r\n" + other + "," + tmpl + "\r\n");
    r = Batch(Quote(dir.File("work/run2.dlf")));
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_EQ(r.out, "Modification in process...\nProcessing " + plain + "...\n");
    EXPECT_EQ(test::ReadFile(other), test::ReadFile(test::CorpusPath(kFlags)));

    r = Batch(Quote(dir.File("work/absent.dlf")));
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out, "Passed file '" + dir.File("work/absent.dlf") + "' does not exist.\n");
    r = Batch(Quote(dir.File("work/tree")));
    EXPECT_EQ(r.exitCode, 2) << "a folder is no list file";
}

}  // namespace
}  // namespace kel
