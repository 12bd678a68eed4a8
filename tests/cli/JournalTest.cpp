// Dry runs change nothing and list what a run would change; runs keep their
// originals in the journal, and --undo puts them back, leaving alone what was
// changed since.
#include <sys/stat.h>

#include <random>
#include <regex>

#include "component/ContentHash.h"
#include "tests/cli/CliTest.h"
#include "tests/support/SameBytes.h"

namespace kel::cli {
namespace {

const char* kTemplate = "*INPUT\r\n*ATTRIBUTE_TAGS\r\nREV,r,C\r\nCHECKED,c\r\nDRAWN,d\r\nTITLE,f,Motor,Pump\r\n";

class JournalTest : public CliTest {
protected:
    std::string Drawing(const std::string& name, const std::string& from = "title-r2000.dxf") {
        return Example(from, name);
    }
    std::string Template() { return dir.Write("work/t.txt", kTemplate); }
    struct stat Stat(const std::string& path) {
        struct stat st {};
        ::stat(path.c_str(), &st);
        return st;
    }
};

TEST_F(JournalTest, DryRunListsEveryChangeAndWritesNothing) {
    const std::string a = Drawing("a.dxf"), b = Drawing("b.dxf", "title-r12-bin.dxf");
    const std::string before = test::ReadFile(a);
    const struct stat st = Stat(a);
    Result r = Batch("--dry-run -t " + Q(Template()) + " " + Q(a) + " " + Q(b));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const Lines table = SplitLines(r.out);
    ASSERT_GE(table.size(), 2u);
    EXPECT_EQ(table[0].substr(0, 8), "drawing ");
    EXPECT_TRUE(std::regex_search(r.out, std::regex(" REV +A +C +set\n"))) << r.out;
    EXPECT_NE(r.err.find("Dry run, nothing saved: attributes for 2 file(s) would be modified"), std::string::npos);
    EXPECT_TRUE(test::SameBytes(test::ReadFile(a), before));
    EXPECT_EQ(std::pair(Stat(a).st_mtim.tv_sec, Stat(a).st_mtim.tv_nsec), std::pair(st.st_mtim.tv_sec, st.st_mtim.tv_nsec));
    EXPECT_NE(test::ReadFile(home + "/audit.log").find("Dry run: no drawing is saved.\r\n"), std::string::npos);
    EXPECT_FALSE(fs::exists(home + "/journal") && !fs::is_empty(home + "/journal")) << "a dry run keeps no journal";

    // CSV: one row per change, every action named, values quoted where needed.
    r = Batch("-q --dry-run --format csv " + Q(dir.Write("work/l.dlf", a + "," + Template() + "\r\n")));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const Lines csv = SplitLines(r.out);
    EXPECT_EQ(csv[0], "drawing,layout,block,handle,tag,old value,new value,action");
    EXPECT_NE(r.out.find(a + ",Model,TITLE,41,REV,A,C,set\r\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(a + ",Model,TITLE,40,TITLE,Motor 10 kΩ winding,Pump 10 kΩ winding,replace\r\n"),
              std::string::npos);
    EXPECT_NE(r.out.find(",CHECKED,KM,,clear\r\n"), std::string::npos);
    EXPECT_NE(r.out.find(",DRAWN,JS,,delete\r\n"), std::string::npos);
    EXPECT_TRUE(test::SameBytes(test::ReadFile(a), before));
}

TEST_F(JournalTest, UndoPutsBackWhatTheRunWroteAndLeavesLaterEditsAlone) {
    const std::string a = Drawing("a.dxf"), b = Drawing("b.dxf"), c = Drawing("c.dxf"), locked = Drawing("locked.dxf");
    const std::string original = test::ReadFile(a);
    ::chmod(locked.c_str(), 0444);  // a partly failed run
    Result r = Batch("-q -t " + Q(Template()) + " " + Q(a) + " " + Q(b) + " " + Q(c) + " " + Q(locked));
    ASSERT_EQ(r.exitCode, 1);
    ASSERT_NE(test::ReadFile(a), original);
    const std::string changedB = test::ReadFile(b) + "0\nEOF\n", changedC = test::ReadFile(c);
    dir.Write("work/b.dxf", changedB);  // edited after the run
    r = Batch("--runs");
    EXPECT_NE(r.out.find("\t3\t"), std::string::npos) << "three drawings saved:\n" << r.out;

    // Rewrite the index as journals were written before: a's entry with the
    // byte-at-a-time hash of what the run wrote, c's with a hash nobody can read.
    fs::path index;
    for (const auto& e : fs::directory_iterator(home + "/journal")) index = e.path() / "index.txt";
    const std::string text = test::ReadFile(index.string());
    std::string rewritten;
    const std::regex entry("(\\t[0-9]+\\t)w[0-9a-f]{16}(\\t[^\\n]*)");
    const std::string oldHash = HashText(HashKind::Bytewise, ContentHash(test::ReadFile(a), HashKind::Bytewise));
    for (const std::string& line : SplitLines(text)) {
        const bool isA = line.find(a) != std::string::npos, isC = line.find(c) != std::string::npos;
        rewritten += (isA || isC ? std::regex_replace(line, entry, "$1" + (isA ? oldHash : "zz") + "$2") : line) + "\n";
    }
    ASSERT_NE(rewritten, text);
    dir.Write(fs::relative(index, dir.Path()).string(), rewritten);

    r = Shell("cd / && KEL_HOME=" + Q(home) + " " + Q(KEL_BATCH_EXE) + " --undo");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(test::ReadFile(a) == original) << "byte-identical";
    EXPECT_TRUE(test::ReadFile(b) == changedB);
    EXPECT_TRUE(test::ReadFile(c) == changedC);
    for (const std::string& kept : {b, c}) {
        EXPECT_NE(r.err.find(kept + ": not restored, changed since the run"), std::string::npos) << r.err;
    }

    // The undo is a run of its own: undoing it changes a back again.
    const std::string runs = Batch("--runs").out;
    ASSERT_EQ(SplitLines(runs).size(), 3u) << runs;
    const std::string undoId = SplitLines(runs)[2].substr(0, SplitLines(runs)[2].find('\t'));
    const std::string firstId = SplitLines(runs)[1].substr(0, SplitLines(runs)[1].find('\t'));
    EXPECT_EQ(Batch("--undo " + undoId).exitCode, 0);
    EXPECT_NE(test::ReadFile(a), original);
    // --force puts back what was changed since.
    r = Batch("--undo " + firstId + " --force");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    for (const std::string& d : {a, b, c}) EXPECT_TRUE(test::ReadFile(d) == original) << d;
    EXPECT_EQ(Batch("--undo nosuchrun").exitCode, 2);
}

TEST_F(JournalTest, OriginalsAreCopiedAcrossFileSystemsAndOldRunsMakeRoom) {
    // /dev/shm is a file system of its own: no hard link reaches it from here.
    struct stat shm {}, work {};
    const std::string a = Drawing("a.dxf");
    const std::string original = test::ReadFile(a);
    if (::stat("/dev/shm", &shm) != 0 || ::stat(a.c_str(), &work) != 0 || shm.st_dev == work.st_dev) {
        GTEST_SKIP() << "no second file system at /dev/shm";
    }
    fs::remove_all("/dev/shm/kel-journal-test");
    const std::string shmHome = "/dev/shm/kel-journal-test";
    const std::string batch = "KEL_HOME=" + Q(shmHome) + " " + Q(KEL_BATCH_EXE) + " ";
    for (int i = 0; i < 3; ++i) {
        const Result r = Shell(batch + "-q --journal-runs 2 -t " + Q(Template()) + " " + Q(a));
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.err.find("can no longer be undone") != std::string::npos, i == 2) << "the third run makes room: " << r.err;
    }
    const Result runs = Shell(batch + "--runs");
    EXPECT_EQ(SplitLines(runs.out).size(), 3u) << runs.out;
    std::string index;
    for (const auto& e : fs::directory_iterator(shmHome + "/journal")) index += test::ReadFile(e.path() / "index.txt");
    EXPECT_NE(index.find("\tcopied\t"), std::string::npos) << index;
    EXPECT_EQ(index.find("\tlinked\t"), std::string::npos);
    // The oldest kept run is the second: undoing both restores the first run's result, not the original.
    EXPECT_EQ(Shell(batch + "--undo").exitCode, 0);
    EXPECT_NE(test::ReadFile(a), original);
    fs::remove_all(shmHome);
}

TEST_F(JournalTest, AKilledUndoLeavesEachDrawingRestoredOrUntouched) {
    std::vector<std::string> drawings;
    std::string args;
    for (int i = 0; i < 12; ++i) {
        drawings.push_back(Drawing("d" + std::to_string(i) + ".dxf", i % 2 ? "title-r2018.dxf" : "title-r2000.dxf"));
        args += " " + Q(drawings.back());
    }
    std::vector<std::string> originals, changed;
    for (const std::string& d : drawings) originals.push_back(test::ReadFile(d));
    ASSERT_EQ(Batch("-q -j 1 -t " + Q(Template()) + args).exitCode, 0);
    for (const std::string& d : drawings) changed.push_back(test::ReadFile(d));
    const std::string runId = SplitLines(Batch("--runs").out).at(1).substr(0, 24);

    std::mt19937 rng(5);
    int mixed = 0;
    for (int k = 0; k < 20; ++k) {
        const std::string delay = "0.00" + std::to_string(rng() % 10);
        Shell("KEL_HOME=" + Q(home) + " " + Q(KEL_BATCH_EXE) + " --undo " + runId + " --force >/dev/null 2>&1 & pid=$!; sleep " +
              delay + "; kill -9 $pid 2>/dev/null; wait $pid 2>/dev/null");
        int restored = 0;
        for (std::size_t i = 0; i < drawings.size(); ++i) {
            const std::string now = test::ReadFile(drawings[i]);
            ASSERT_TRUE(now == originals[i] || now == changed[i]) << drawings[i] << " after kill " << k;
            restored += now == originals[i];
        }
        mixed += restored > 0 && restored < static_cast<int>(drawings.size());
        // Back to the run's result for the next kill.
        for (std::size_t i = 0; i < drawings.size(); ++i) dir.Write("work/" + fs::path(drawings[i]).filename().string(), changed[i]);
    }
    std::printf("%d of 20 kills stopped an undo half-way\n", mixed);
}

}  // namespace
}  // namespace kel::cli
