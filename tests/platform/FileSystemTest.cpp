// File existence and atomic replacement of files: POSIX permissions, owners
// and users (the parts every system shares are in PortableFileTest.cpp).
#ifndef _WIN32
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/AppFolder.h"
#include "platform/FileSystem.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

namespace kel {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Runs the check in a child process without the superuser's rights when the
// tests run as root (folder permissions do not bind root); directly otherwise.
bool Unprivileged(const std::function<bool()>& check) {
    if (::geteuid() != 0) return check();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const bool ok = ::setgid(65534) == 0 && ::setuid(65534) == 0 && check();
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Files written and deleted under any name: PortableFileTest.cpp.
TEST(FileExistsTest, FilesAndFoldersExistOtherNamesDoNot) {
    test::TempDir dir;
    dir.Write("a.dwg", "x");
    EXPECT_TRUE(FileExists(dir.Path()));
    for (const std::string& name : {dir.File("A.DWG"), dir.File("missing"), dir.File("a.dwg/inside"), std::string()}) {
        EXPECT_FALSE(FileExists(name)) << name;  // letter case matters here
    }
}

// Mode bits always; owner and group where the tests may give a file away (as the superuser).
TEST(WriteFileAtomicTest, ReplacesContentAndKeepsPermissionsOwnerAndGroup) {
    test::TempDir dir;
    const std::string path = dir.Write("a.dxf", "old content that is longer");
    const auto mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(path, mode, fs::perm_options::replace);
    const bool root = ::geteuid() == 0;
    ASSERT_TRUE(!root || ::chown(path.c_str(), 65534, 65534) == 0);
    std::string err;
    ASSERT_TRUE(WriteFileAtomic(path, "new", err)) << err;
    EXPECT_EQ(test::ReadFile(path), "new");
    EXPECT_EQ(fs::status(path).permissions(), mode);
    EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"a.dxf"});
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    if (root) {
        EXPECT_EQ(std::pair(st.st_uid, st.st_gid), std::pair(uid_t{65534}, gid_t{65534}));
    }
}

TEST(WriteFileAtomicTest, ReadOnlyFolderLeavesTheOriginalAndNoTemporaryFile) {
    test::TempDir dir;
    const std::string sub = dir.Path() + "/locked";
    fs::create_directory(sub);
    const std::string path = dir.Write("locked/a.dxf", "original");
    fs::permissions(dir.Path(), fs::perms::all, fs::perm_options::add);
    fs::permissions(path, fs::perms::all, fs::perm_options::add);
    fs::permissions(sub, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                             fs::perms::others_exec, fs::perm_options::replace);
    EXPECT_TRUE(Unprivileged([&] {
        std::string err;
        return !WriteFileAtomic(path, "new", err) && !err.empty();
    }));
    fs::permissions(sub, fs::perms::owner_all, fs::perm_options::replace);
    EXPECT_EQ(test::ReadFile(path), "original");
    EXPECT_EQ(Names(sub), std::vector<std::string>{"a.dxf"});
}

// A file without write bits is refused for everybody: PortableFileTest.cpp. One
// writable by its owner only is protected from everybody else.
TEST(WriteFileAtomicTest, OwnerOnlyWritableFilesAreProtectedFromOthers) {
    test::TempDir dir;
    const std::string own = dir.Write("own.dxf", "x");
    fs::permissions(dir.Path(), fs::perms::all, fs::perm_options::add);
    fs::permissions(own, fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read,
                    fs::perm_options::replace);
    EXPECT_FALSE(IsWriteProtected(own));
    if (::geteuid() == 0) {
        EXPECT_TRUE(Unprivileged([&] { return IsWriteProtected(own); }));
    }
}

// A folder that cannot be made says why (the folder made: PortableFileTest.cpp).
TEST(ApplicationFolderTest, FolderThatCannotBeMadeSaysWhy) {
    test::TempDir dir;
    const test::ScopedEnv home("KEL_HOME", dir.Write("file", "x") + "/KEL");
    std::string problem;
    ApplicationFolder(&problem);
    EXPECT_EQ(problem.rfind("cannot create it: ", 0), 0u) << problem;
}

}  // namespace
}  // namespace kel
#endif  // _WIN32
