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

TEST(FileExistsTest, FilesAndFoldersExistOtherNamesDoNot) {
    test::TempDir dir;
    EXPECT_TRUE(FileExists(dir.Write("a.dwg", "x")));
    EXPECT_TRUE(FileExists(dir.Path()));
    EXPECT_TRUE(FileExists(dir.Write("Größe 設計.dxf", "x")));
    EXPECT_FALSE(FileExists(dir.File("A.DWG")));  // letter case matters here
    EXPECT_FALSE(FileExists(dir.File("missing")));
    EXPECT_FALSE(FileExists(dir.File("a.dwg/inside")));
    EXPECT_FALSE(FileExists(""));
}

TEST(WriteFileAtomicTest, ReplacesContentAndKeepsPermissions) {
    test::TempDir dir;
    const std::string path = dir.Write("a.dxf", "old content that is longer");
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read,
                    fs::perm_options::replace);
    std::string err;
    ASSERT_TRUE(WriteFileAtomic(path, "new", err)) << err;
    EXPECT_EQ(test::ReadFile(path), "new");
    EXPECT_EQ(fs::status(path).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"a.dxf"});
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

TEST(WriteFileAtomicTest, ReadOnlyFilesAreRefusedEvenForTheSuperuser) {
    test::TempDir dir;
    const std::string path = dir.Write("released.dxf", "original");
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read,
                    fs::perm_options::replace);
    EXPECT_TRUE(IsWriteProtected(path));
    std::string err;
    EXPECT_FALSE(WriteFileAtomic(path, "new", err));
    EXPECT_EQ(err, "the file is read-only");
    EXPECT_EQ(test::ReadFile(path), "original");
    EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"released.dxf"});
    EXPECT_FALSE(IsWriteProtected(dir.File("missing.dxf")));
    EXPECT_FALSE(IsWriteProtected(dir.Path())) << "a folder is no protected file";

    // Writable by its owner only: protected from everybody else.
    const std::string own = dir.Write("own.dxf", "x");
    fs::permissions(dir.Path(), fs::perms::all, fs::perm_options::add);
    fs::permissions(own, fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read,
                    fs::perm_options::replace);
    EXPECT_FALSE(IsWriteProtected(own));
    if (::geteuid() == 0) {
        EXPECT_TRUE(Unprivileged([&] { return IsWriteProtected(own); }));
    }
}

TEST(WriteFileAtomicTest, KeepsOwnerAndGroup) {
    if (::geteuid() != 0) GTEST_SKIP() << "giving a file to another user needs the superuser";
    test::TempDir dir;
    const std::string path = dir.Write("theirs.dxf", "old");
    ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
    std::string err;
    ASSERT_TRUE(WriteFileAtomic(path, "new", err)) << err;
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(std::pair(st.st_uid, st.st_gid), std::pair(uid_t{65534}, gid_t{65534}));
}

TEST(ApplicationFolderTest, ComesFromKelHomeAndIsCreated) {
    test::TempDir dir;
    const char* old = std::getenv("KEL_HOME");
    const std::string saved = old ? old : "";
    ::setenv("KEL_HOME", (dir.Path() + "/a/b/").c_str(), 1);
    const std::string folder = ApplicationFolder();
    if (old) ::setenv("KEL_HOME", saved.c_str(), 1); else ::unsetenv("KEL_HOME");
    EXPECT_EQ(folder, dir.Path() + "/a/b");
    EXPECT_TRUE(fs::is_directory(folder));

    // A folder that cannot be made says why.
    ::setenv("KEL_HOME", (dir.Write("file", "x") + "/KEL").c_str(), 1);
    std::string problem;
    ApplicationFolder(&problem);
    ::setenv("KEL_HOME", (dir.Path() + "/a").c_str(), 1);
    std::string none = "unset";
    ApplicationFolder(&none);
    if (old) ::setenv("KEL_HOME", saved.c_str(), 1); else ::unsetenv("KEL_HOME");
    EXPECT_EQ(problem.rfind("cannot create it: ", 0), 0u) << problem;
    EXPECT_EQ(none, "");
}

}  // namespace
}  // namespace kel
#endif  // _WIN32
