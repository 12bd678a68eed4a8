// kel-batch killed with SIGKILL at many moments of a run: every drawing is
// either its original or its fully modified form, and the temporary files a
// kill leaves are cleared by the next run that saves into the folder.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "platform/FileSystem.h"
#include "robust/RobustSupport.h"
#include "support/TempDir.h"

namespace kel {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const char* const kSamples[] = {"title-r12.dxf",   "title-r12-bin.dxf", "title-r2000.dxf",
                                "title-r2000-bin.dxf", "title-r2018.dxf", "title-r2018-bin.dxf"};
constexpr int kKills = 240;

class CrashSafetyTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(home);
        // The modified form of each sample: one complete run on a copy.
        test::TempDir once;
        fs::create_directories(once.File("home"));
        std::vector<std::string> args = {"-t", templ, "--no-audit"};
        for (const char* name : kSamples) args.push_back(once.Write(name, robust::SampleBytes(name)));
        ASSERT_EQ(robust::RunBatch(args, once.File("home")).exitCode, 0);
        for (const char* name : kSamples) {
            drawings.push_back({dir.File(std::string("work/") + name), robust::SampleBytes(name), test::ReadFile(once.File(name))});
            ASSERT_NE(drawings.back().original, drawings.back().modified) << name;
        }
    }
    // Plain writes: the copies need no durability, and the test's own saves must
    // not clear the temporary files that kel-batch is expected to clear.
    // jobs: drawings changed at once.
    std::vector<std::string> RestoreOriginals(const char* jobs = "1") {
        std::vector<std::string> args = {"-j", jobs, "-t", templ};
        for (const auto& d : drawings) {
            std::ofstream(d.path, std::ios::binary | std::ios::trunc) << d.original;
            args.push_back(d.path);
        }
        return args;
    }

    test::TempDir dir;
    std::string home = dir.File("home"), templ = dir.Write("work/title.txt", robust::SampleBytes("title-block.txt"));
    struct Drawing {
        std::string path, original, modified;
    };
    std::vector<Drawing> drawings;
};

TEST_F(CrashSafetyTest, EveryDrawingIsOriginalOrModifiedAfterAnyKill) {
    // How long an uninterrupted run takes (the quickest of three: one slow
    // start would stretch the delays past the run), so the kills spread over all of it.
    auto full = std::chrono::microseconds::max();
    for (int i = 0; i < 3; ++i) {
        const auto args = RestoreOriginals();
        const auto t0 = Clock::now();
        ASSERT_EQ(robust::RunBatch(args, home).exitCode, 0);
        full = std::min(full, std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - t0));
    }

    std::mt19937 rng(8);
    // The delays close in on the part of the run where drawings are saved: a
    // kill that came after the whole run lowers the latest delay, one before
    // any save raises the earliest. Starting the process takes much of a run of
    // small drawings, and a busy machine makes runs slower or quicker than the
    // measured one, so the range widens again when it grows too narrow.
    const double span = static_cast<double>(full.count()) * 1.1;
    double lower = 0, upper = span;
    int modifiedSeen = 0, mixedRuns = 0, tempsSeen = 0;
    for (int k = 0; k < kKills; ++k) {
        // Every other run changes two drawings at once.
        const int pid = robust::StartBatch(RestoreOriginals(k % 2 ? "2" : "1"), home);
        std::uniform_int_distribution<long> delay(static_cast<long>(lower), static_cast<long>(upper));
        std::this_thread::sleep_for(std::chrono::microseconds(delay(rng)));
        ::kill(pid, SIGKILL);
        robust::WaitBatch(pid, home);
        int modified = 0;
        for (const auto& d : drawings) {
            const std::string now = test::ReadFile(d.path);
            if (now == d.modified) {
                ++modified;
            } else {
                ASSERT_TRUE(now == d.original) << d.path << " after kill " << k << ": neither original nor modified ("
                                               << now.size() << " bytes)";
            }
        }
        modifiedSeen += modified;
        if (modified == static_cast<int>(drawings.size())) upper -= (upper - lower) * 0.1;
        if (modified == 0) lower += (upper - lower) * 0.1;
        if (upper - lower < span * 0.05) {
            lower *= 0.8;
            upper = upper * 1.2 + span * 0.05;
        }
        if (modified > 0 && modified < static_cast<int>(drawings.size())) ++mixedRuns;
        tempsSeen += static_cast<int>(robust::TempFiles(dir.File("work")).size());
    }
    // The kills landed inside the runs, not all before or after them.
    EXPECT_GT(mixedRuns, kKills / 6);
    std::printf("full run %.3f s; %d kills, %d ended between drawings, %d drawings saved before a kill, "
                "%d temporary files left by kills\n",
                full.count() / 1e6, kKills, mixedRuns, modifiedSeen, tempsSeen);

    // A complete run afterwards modifies everything and leaves no temporary file,
    // neither beside the drawings nor in the application folder, and names in
    // the audit log each one it removed (here at least one of an ended process).
    const pid_t ended = ::fork();
    if (ended == 0) ::_exit(0);
    ::waitpid(ended, nullptr, 0);
    dir.Write("work/other.dxf." + TempWriterTag(ended) + ".0123456789abcdef.kel-tmp", "partial");
    const std::vector<std::string> left = robust::TempFiles(dir.File("work"));
    fs::remove(home + "/audit.log");
    ASSERT_EQ(robust::RunBatch(RestoreOriginals(), home).exitCode, 0);
    for (const auto& d : drawings) EXPECT_TRUE(test::ReadFile(d.path) == d.modified) << d.path;
    EXPECT_EQ(robust::TempFiles(dir.File("work")), std::vector<std::string>{});
    EXPECT_EQ(robust::TempFiles(home), std::vector<std::string>{});
    const std::string audit = test::ReadFile(home + "/audit.log");
    for (const std::string& name : left) {
        EXPECT_NE(audit.find("Removed left-over temporary file " + dir.File("work/" + name) + "\r\n"), std::string::npos)
            << name << "\n" << audit;
    }
}

}  // namespace
}  // namespace kel
