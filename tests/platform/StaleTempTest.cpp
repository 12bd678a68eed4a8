// Removal of the temporary files that saves killed midway left in a folder:
// only KEL's own, only those no running process may still be writing.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "platform/FileSystem.h"
#include "support/TempDir.h"

namespace kel {
namespace {

namespace fs = std::filesystem;

#ifdef _WIN32
// A command interpreter started suspended (it runs until Stop), or, with
// blnEnd, one that has already ended and whose handles are closed.
struct ChildProcess {
    PROCESS_INFORMATION info{};
    explicit ChildProcess(bool blnEnd) {
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        std::wstring command = blnEnd ? L"cmd.exe /c exit" : L"cmd.exe";
        const bool started = ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE,
                                              blnEnd ? CREATE_NO_WINDOW : CREATE_SUSPENDED | CREATE_NO_WINDOW,
                                              nullptr, nullptr, &startup, &info);
        EXPECT_TRUE(started);
        if (started && blnEnd) {
            ::WaitForSingleObject(info.hProcess, INFINITE);
            Stop();
        }
    }
    ~ChildProcess() { Stop(); }
    void Stop() {
        if (!info.hProcess) return;
        ::TerminateProcess(info.hProcess, 0);
        ::CloseHandle(info.hThread);
        ::CloseHandle(info.hProcess);
        info.hProcess = nullptr;
    }
    long Id() const { return static_cast<long>(info.dwProcessId); }
};

long EndedProcess() { return ChildProcess(true).Id(); }
#else
// The id of a process that has ended (forked, exited and reaped).
long EndedProcess() {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(0);
    ::waitpid(pid, nullptr, 0);
    return pid;
}
#endif

TEST(StaleTemporaryFiles, OnlyThoseNoRunningProcessCanStillWriteAreRemoved) {
    TakeRemovedTempFiles();  // what earlier tests of this program removed
    test::TempDir dir;
    const std::string hex = ".0123456789abcdef.kel-tmp";
    const std::string ended = TempWriterTag(EndedProcess());
    const std::string host = ended.substr(0, 8);
    std::string otherHost = host;
    otherHost[0] = otherHost[0] == '0' ? '1' : '0';
#ifdef _WIN32
    const ChildProcess child(false);
    const std::string running = TempWriterTag(child.Id());
    const std::string self = TempWriterTag(static_cast<long>(::GetCurrentProcessId()));
#else
    const std::string running = TempWriterTag(static_cast<long>(::getppid()));
    const std::string self = TempWriterTag(static_cast<long>(::getpid()));
#endif
    struct Case {
        std::string name;
        int hoursOld;
        bool removed;
    };
    const Case cases[] = {
        {"a.dxf." + ended + hex, 0, true},                 // the writer ended
        {"b.DWG." + ended + hex, 0, true},                 // another drawing of the folder
        {"a.dxf." + running + hex, 48, false},             // the writer still runs, however old
        {"a.dxf." + self + hex, 0, false},                 // this process's own
        {"a.dxf." + otherHost + "-1" + hex, 0, false},     // another computer's: cannot be asked
        {"b.dxf." + otherHost + "-1" + hex, 25, true},     //   unless untouched for a day
        {"c.dxf" + hex, 0, false},                         // older form without writer
        {"d.dxf" + hex, 25, true},                         //   unless untouched for a day
        {"a.dxf." + ended + ".0123456789abcde.kel-tmp", 48, false},  // 15 digits: not ours
        {"a.dxf." + ended + ".0123456789abcdeg.kel-tmp", 48, false}, // not hexadecimal
        {"a.dxf.kel-tmp", 48, false},
        {"notes.txt", 48, false},
    };
    std::vector<std::string> expected;
    for (const Case& c : cases) {
        const std::string path = dir.Write(c.name, "partial");
        fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(c.hoursOld));
        if (c.removed) expected.push_back(path);
    }
    fs::create_directory(dir.File("e.dxf." + ended + hex));  // a folder so named is no file of ours

    std::string err;
    ASSERT_TRUE(WriteFileAtomic(dir.File("a.dxf"), "new", err)) << err;
    EXPECT_EQ(test::ReadFile(dir.File("a.dxf")), "new");
    std::vector<std::string> removed = TakeRemovedTempFiles();
    std::sort(removed.begin(), removed.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(removed, expected);
    for (const Case& c : cases) EXPECT_EQ(fs::exists(dir.File(c.name)), !c.removed) << c.name;
    EXPECT_TRUE(fs::is_directory(dir.File("e.dxf." + ended + hex)));

    // The folder is not listed again for the next save; nothing more is reported.
    dir.Write("f.dxf." + ended + hex, "partial");
    ASSERT_TRUE(WriteFileAtomic(dir.File("b.dxf"), "b", err)) << err;
    EXPECT_EQ(TakeRemovedTempFiles(), std::vector<std::string>{});
}

}  // namespace
}  // namespace kel
