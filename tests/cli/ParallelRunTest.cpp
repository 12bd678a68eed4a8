// Batches run several drawings at once and in slices: the logs, messages and
// drawings are those of a run one after another, whatever the number of
// workers, and slices of one list change every drawing exactly once.
#include <sys/stat.h>

#include <algorithm>
#include <regex>

#include "cli/ConsoleStatus.h"
#include "tests/cli/CliTest.h"

namespace kel::cli {
namespace {

const std::string kExample = KEL_SOURCE_DIR "/examples/title-r2000.dxf";
// Applied twice it would show: A becomes AX, then AXX.
const char* kTemplate = "*INPUT\r\n*ATTRIBUTE_TAGS\r\nREV,f,A,AX\r\nDATE,q\r\n";

// A log without its time stamps.
std::string Unstamped(const std::string& log) {
    return std::regex_replace(log, std::regex(R"(\d\d/\d\d/\d{4} \d\d:\d\d:\d\d [ap]m)"), "<time>");
}

// The paths of the files that two listings (from Files()) do not hold alike;
// compared so because a printed difference of whole drawings is too big.
std::vector<std::string> Differing(const std::vector<std::string>& a, const std::vector<std::string>& b) {
    std::vector<std::string> out;
    for (const auto* files : {&a, &b}) {
        for (const std::string& f : *files) {
            if (std::count(a.begin(), a.end(), f) != std::count(b.begin(), b.end(), f)) out.push_back(f.substr(0, f.find('\n')));
        }
    }
    return out;
}

class ParallelRunTest : public CliTest {
protected:
    // 24 drawings in two folders, among them a read-only one, a damaged one and
    // one named twice in the list; the batch's list file.
    std::string Lay() {
        fs::remove_all(dir.File("work"));
        std::string list = "' batch\r\n";
        const std::string tmpl = dir.Write("work/t.txt", kTemplate);
        for (int i = 0; i < 24; ++i) {
            const std::string rel = (i % 2 ? "work/b/" : "work/a/") + std::string("D-") + std::to_string(i) + ".dxf";
            const std::string path = dir.File(rel);
            fs::create_directories(fs::path(path).parent_path());
            if (i == 7) {
                dir.Write(rel, "this is not a drawing\n");
            } else {
                fs::copy_file(kExample, path);
                fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);
            }
            if (i == 11) ::chmod(path.c_str(), 0444);
            list += path + "," + tmpl + "\r\n";
            if (i == 3) list += path + "," + tmpl + "\r\n";  // the same drawing again: changed twice, in turn
        }
        list += dir.File("work/gone.dxf") + "," + tmpl + "\r\n" + dir.File("work/b/") + "D-1*.dxf," + tmpl + "\r\n";
        return dir.Write("work/list.dlf", list);
    }
    struct Outcome {
        Result run;
        std::string audit, errors;
        std::vector<std::string> drawings;
    };
    Outcome RunList(const std::string& options) {
        fs::remove_all(home);
        const std::string list = Lay();
        Outcome o{Batch(options + " -q " + Q(list)), {}, {}, {}};
        o.run.out = std::regex_replace(o.run.out, std::regex(R"(in \d+\.\d\d second)"), "in S second");
        o.audit = Unstamped(test::ReadFile(home + "/audit.log"));
        o.errors = Unstamped(test::ReadFile(home + "/err.log"));
        o.drawings = Files();
        return o;
    }
    // Every file below work/: its path, a line end and its bytes; sorted.
    std::vector<std::string> Files() {
        std::vector<std::string> files;
        for (const auto& e : fs::recursive_directory_iterator(dir.File("work"))) {
            if (e.is_regular_file()) files.push_back(e.path().string() + "\n" + test::ReadFile(e.path().string()));
        }
        std::sort(files.begin(), files.end());
        return files;
    }
};

TEST_F(ParallelRunTest, LogsMessagesAndDrawingsAreThoseOfOneAfterAnotherAndSlicesJoinToOneRun) {
    const Outcome serial = RunList("-j 1");
    EXPECT_EQ(serial.run.exitCode, 1) << serial.run.err;
    const auto d3 = std::find_if(serial.drawings.begin(), serial.drawings.end(),
                                 [](const std::string& d) { return d.find("D-3.dxf\n") != std::string::npos; });
    ASSERT_NE(d3, serial.drawings.end());
    EXPECT_NE(d3->find("\nAXX"), std::string::npos) << "the drawing named twice is changed twice";
    for (const char* jobs : {"-j 2", "-j 5"}) {
        SCOPED_TRACE(jobs);
        const Outcome parallel = RunList(jobs);
        EXPECT_EQ(parallel.run.exitCode, serial.run.exitCode);
        EXPECT_EQ(parallel.run.out, serial.run.out);
        EXPECT_EQ(parallel.run.err, serial.run.err);
        EXPECT_EQ(parallel.audit, serial.audit);
        EXPECT_EQ(parallel.errors, serial.errors);
        EXPECT_EQ(Differing(parallel.drawings, serial.drawings), std::vector<std::string>{});
    }
    // The failures in the middle leave the drawings after them changed.
    EXPECT_NE(serial.errors.find("D-7.dxf  Error: Error opening DWG file (2003:"), std::string::npos) << serial.errors;
    EXPECT_NE(serial.errors.find("D-11.dxf  Error: Unable to save drawing D-11.DXF (4003:"), std::string::npos);
    EXPECT_NE(serial.audit.find("D-23.dxf\r\nFound 'A' in REV and replaced with 'AX'"), std::string::npos);

    // The Modify run too.
    const auto modify = [&](const std::string& jobs) {
        fs::remove_all(home);
        Lay();
        std::string drawings;
        for (int i = 0; i < 24; ++i) drawings += " " + Q(dir.File((i % 2 ? "work/b/D-" : "work/a/D-") + std::to_string(i) + ".dxf"));
        const Result r = Batch(jobs + " -q -t " + Q(dir.File("work/t.txt")) + drawings);
        return std::tuple(r.exitCode, std::regex_replace(r.out, std::regex(R"(in \d+\.\d\d second)"), "in S second"), r.err,
                          Unstamped(test::ReadFile(home + "/audit.log")), Unstamped(test::ReadFile(home + "/err.log")));
    };
    EXPECT_EQ(modify("-j 1"), modify("-j 2"));

    // Three slices at once change every drawing once, and their logs join to the one run's.
    const std::string list = Lay();
    fs::remove_all(home);
    std::string shards;
    for (int k = 1; k <= 3; ++k) {
        shards += Q(KEL_BATCH_EXE) + " -q -j 2 --shard " + std::to_string(k) + "/3 " + Q(list) + " > " +
                  Q(dir.File("out" + std::to_string(k))) + " 2>&1 & ";
    }
    const Result r = Shell("export KEL_HOME=" + Q(home) + "; " + shards + "wait");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Differing(Files(), serial.drawings), std::vector<std::string>{}) << "changed as often as in one run";

    // Every line of the one run's logs is in the joined logs of the slices.
    const auto lines = [](const std::string& text) {
        std::vector<std::string> v = SplitLines(text);
        v.erase(std::remove_if(v.begin(), v.end(), [](const std::string& l) { return l.empty() || l == "<time>"; }),
                v.end());
        std::sort(v.begin(), v.end());
        return v;
    };
    std::string audit, errors;
    for (int k = 1; k <= 3; ++k) {
        const std::string slice = std::to_string(k) + "-of-3.log";
        audit += Unstamped(test::ReadFile(home + "/audit-" + slice));
        errors += Unstamped(test::ReadFile(home + "/err-" + slice));
    }
    EXPECT_FALSE(fs::exists(home + "/audit.log"));
    EXPECT_EQ(lines(audit), lines(serial.audit));
    // Each slice names the template's ignored line once more; every drawing's line is there once.
    const std::vector<std::string> joined = lines(errors), one = lines(serial.errors);
    EXPECT_TRUE(std::includes(joined.begin(), joined.end(), one.begin(), one.end())) << errors;
    EXPECT_EQ(std::count_if(joined.begin(), joined.end(), [](const std::string& l) { return l.find("Drawing:") != std::string::npos; }),
              std::count_if(one.begin(), one.end(), [](const std::string& l) { return l.find("Drawing:") != std::string::npos; }));
}

TEST_F(ParallelRunTest, ProgressIsShownInPlaceOnATerminalOnly) {
    // A long path is cut to the line's width, keeping its end.
    const std::string cut = ProgressText(1, 2, 1.0, "/projects/" + std::string(80, 'x') + "/Größe.dwg", 60);
    EXPECT_LE(cut.size(), 60u);
    EXPECT_EQ(cut.substr(cut.size() - 12), "/Größe.dwg");

    const std::string list = Lay();
    // script(1) gives the program a terminal; its output is what the terminal got.
    const auto onTerminal = [&](const std::string& options) {
        fs::remove_all(home);
        Lay();
        return Shell("script -qec " + Q("KEL_HOME=" + Q(home) + " " + Q(KEL_BATCH_EXE) + " " + options + " " + Q(list)) +
                     " /dev/null");
    };
    Result r = onTerminal("-j 2");
    EXPECT_NE(r.out.find("\r\033[K32/32 drawings "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("kel-batch: 28 changed, 0 unchanged, 4 failed in "), std::string::npos) << r.out;
    r = onTerminal("-j 2 --quiet");
    EXPECT_EQ(r.out.find("drawings "), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find(" changed, "), std::string::npos);
    fs::remove_all(home);
    Lay();
    r = Batch("-j 2 " + Q(list));
    EXPECT_EQ(r.err.find("\033[K"), std::string::npos) << "no progress into a file or pipe";
    EXPECT_NE(r.err.find("kel-batch: 28 changed, 0 unchanged, 4 failed in "), std::string::npos) << r.err;
}

}  // namespace
}  // namespace kel::cli
