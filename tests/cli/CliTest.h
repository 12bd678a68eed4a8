// What the command-line tests share: kel-batch run as a separate program with
// its own home folder, copies of corpus drawings, and the ezdxf cross-check.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/Corpus.h"
#include "support/Shell.h"
#include "support/TempDir.h"

namespace kel::cli {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;
using Result = test::ShellResult;
inline std::string Q(const std::string& s) { return test::ShellQuote(s); }

// The lines of a text, without their CR.
inline Lines SplitLines(const std::string& text) {
    Lines lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

class CliTest : public ::testing::Test {
protected:
    Result Shell(const std::string& command) { return test::RunShell(command, dir.Path()); }
    Result Batch(const std::string& args) { return Shell("KEL_HOME=" + Q(home) + " " + Q(KEL_BATCH_EXE) + " " + args); }
    // A copy of a corpus drawing at work/rel (by default under its own name).
    std::string Copy(const std::string& corpus, std::string rel = {}) {
        const std::string target = dir.File("work/" + (rel.empty() ? fs::path(corpus).filename().string() : rel));
        fs::create_directories(fs::path(target).parent_path());
        fs::copy_file(test::CorpusPath(corpus), target, fs::copy_options::overwrite_existing);
        // The corpus is kept read-only, and KEL leaves read-only drawings alone.
        fs::permissions(target, fs::perms::owner_write, fs::perm_options::add);
        return target;
    }
    // A copy of one of the project's example files at work/rel.
    std::string Example(const std::string& name, const std::string& rel) {
        return dir.Write("work/" + rel, test::ReadFile(KEL_SOURCE_DIR "/examples/" + name));
    }
    bool Untouched(const std::string& copy, const std::string& corpus) {
        return test::ReadFile(copy) == test::ReadFile(test::CorpusPath(corpus));
    }
    std::string ErrLog() { return test::ReadFile(home + "/err.log"); }
    // --xml of the drawing, with every attribute checked against ezdxf's reading of dxf.
    Result XmlMatching(const std::string& drawing, const std::string& dxf) {
        const Result r = Batch("--xml " + Q(drawing));
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_NE(r.out.find("<databasefilename>" + drawing + "</databasefilename>"), std::string::npos);
        const Result check = Shell(std::string(KEL_PYTHON) + " " + Q(KEL_SOURCE_DIR "/tests/cli/xml_matches_dxf.py") +
                                   " " + Q(dxf) + " " + Q(dir.Write("out.xml", r.out)));
        EXPECT_EQ(check.exitCode, 0) << check.out << check.err;
        return r;
    }

    test::TempDir dir;
    std::string home = dir.File("home");
};

}  // namespace kel::cli
