// kel-batch --help, --version and --xml, run as a separate program.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <regex>

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

// Runs a shell command with stdout and stderr captured into files of dir.
Result Shell(const test::TempDir& dir, const std::string& command) {
    const std::string out = dir.File("stdout"), err = dir.File("stderr");
    const int status = std::system((command + " >" + Quote(out) + " 2>" + Quote(err)).c_str());
    Result r;
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = test::ReadFile(out);
    r.err = test::ReadFile(err);
    return r;
}

class KelBatchTest : public ::testing::Test {
protected:
    Result Batch(const std::string& args) {
        return Shell(dir, "KEL_HOME=" + Quote(home) + " " + Quote(KEL_BATCH_EXE) + " " + args);
    }
    // Runs --xml on the drawing and checks the output against ezdxf's reading.
    void ExpectXmlMatches(const std::string& drawing) {
        SCOPED_TRACE(drawing);
        const Result r = Batch("--xml " + Quote(drawing));
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_NE(r.out.find("<Attributes>"), std::string::npos);
        const std::string xml = dir.Write("out.xml", r.out);
        const Result check = Shell(dir, std::string(KEL_PYTHON) + " " +
                                            Quote(std::string(KEL_SOURCE_DIR) + "/tests/cli/xml_matches_dxf.py") +
                                            " " + Quote(drawing) + " " + Quote(xml));
        EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
        // The work file is gone again.
        EXPECT_TRUE(fs::is_empty(home));
    }
    test::TempDir dir;
    std::string home = dir.File("home");
};

TEST_F(KelBatchTest, HelpAndVersion) {
    Result r = Batch("--version");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(std::regex_match(r.out, std::regex("kel-batch \\d+\\.\\d+\\.\\d+\n")));
    r = Batch("--help");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("--xml DRAWING"), std::string::npos);
    r = Batch("--no-such-option");
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("--help"), std::string::npos);
}

TEST_F(KelBatchTest, XmlOfTheBundledSamples) {
    for (const auto& e : fs::directory_iterator(std::string(KEL_SOURCE_DIR) + "/examples")) {
        if (e.path().extension() == ".dxf") ExpectXmlMatches(e.path().string());
    }
}

TEST_F(KelBatchTest, XmlOfThirdPartyDrawings) {
    for (const char* rel : {"dxf/ascii/AC1009_R12/libredwg__r11_entities-2d.dxf",
                            "dxf/ascii/AC1027_R2013/ezdxf__multi_insert_with_attribs.dxf",
                            "dxf/ascii/AC1032_R2018/netdxf__sample_2018.dxf",
                            "dxf/binary/acadsharp__sample_AC1015_binary.dxf"}) {
        ExpectXmlMatches(test::CorpusPath(rel));
    }
}

TEST_F(KelBatchTest, UnreadableDrawingsFailWithAReason) {
    Result r = Batch("--xml " + Quote(dir.File("missing.dxf")));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("missing.dxf"), std::string::npos);
    EXPECT_NE(r.err.find("not found"), std::string::npos);

    r = Batch("--xml " + Quote(dir.Write("notes.txt", "0\nSECTION\n")));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find(".dwg or .dxf"), std::string::npos);

    // The component's own status text tells why it refused the file.
    r = Batch("--xml " + Quote(dir.Write("broken.dxf", "this is not a drawing\n")));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(std::regex_search(r.err, std::regex("broken\\.dxf.*\\(\\d+:[^)]+\\)"))) << r.err;
}

}  // namespace
}  // namespace kel
