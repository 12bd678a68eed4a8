// The file layer: names outside ASCII, replacing a file that exists, whole
// reads, read-only files, the application folder and folder flushes after
// atomic replacement; then the POSIX permissions, owners and users.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "platform/AppFolder.h"
#include "platform/FileSystem.h"
#include "platform/FolderSync.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

namespace kel {
namespace {

namespace fs = std::filesystem;

using test::ReadFile;
using test::ScopedEnv;
using test::TempDir;

std::size_t EntriesIn(const std::string& folder) {
    std::size_t n = 0;
    for (const auto& e : fs::directory_iterator(PathFromUtf8(folder))) n += e.is_regular_file() ? 1 : 0;
    return n;
}

TEST(PortableFiles, NamesOutsideAsciiAreWrittenReplacedReadAndDeleted) {
    const char* const names[] = {
        "Gr\xC3\xB6\xC3\x9F" "e.dxf",                          // Latin-1 letters
        "\xCE\xA9-\xD0\xBF\xD0\xBB\xD0\xB0\xD0\xBD.dwg",       // Greek and Cyrillic
        "\xE5\x9B\xB3\xE9\x9D\xA2 1.dxf",                      // CJK, with a space
        "\xF0\x9F\x93\x90.dxf",                                // outside the BMP (a surrogate pair on Windows)
    };
    for (const char* name : names) {
        test::TempDir dir;
        const std::string folder = dir.Path() + PathSeparator() + "\xC3\xA4nderung";
        fs::create_directory(PathFromUtf8(folder));
        const std::string path = folder + PathSeparator() + name;
        std::string err, data;
        ASSERT_TRUE(WriteFileAtomic(path, "first", err)) << name << ": " << err;
        ASSERT_TRUE(WriteFileAtomic(path, "second", err)) << name << ": " << err;  // over an existing file
        EXPECT_TRUE(FileExists(path)) << name;
        ASSERT_TRUE(ReadWholeFile(path, data, err)) << name << ": " << err;
        EXPECT_EQ(data, "second") << name;
        EXPECT_EQ(EntriesIn(folder), 1u) << name << ": a temporary file was left";
        EXPECT_EQ(PathToUtf8(PathFromUtf8(path).filename()), name);
        EXPECT_TRUE(DeleteFileUtf8(path)) << name;
        EXPECT_FALSE(FileExists(path)) << name;
    }
}

TEST(PortableFiles, WholeFilesAreReadAcrossEveryPieceBoundary) {
    test::TempDir dir;
    constexpr std::size_t kPiece = std::size_t{1} << 18;
    for (const std::size_t size : {std::size_t{0}, std::size_t{1}, kPiece - 1, kPiece, kPiece + 1, 3 * kPiece + 7}) {
        std::string content(size, '\0');
        for (std::size_t i = 0; i < size; ++i) content[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
        std::string data = "left over", err;
        ASSERT_TRUE(ReadWholeFile(dir.Write("f" + std::to_string(size), content), data, err)) << err;
        EXPECT_TRUE(data == content) << size;
    }
}

// A save passes a drawing as many pieces, from single bytes to more than the
// write buffer holds; they land in order, whatever their sizes.
TEST(PortableFiles, PiecesOfEverySizeAreWrittenInOrder) {
    test::TempDir dir;
    std::string whole;
    for (std::size_t i = 0; i < (std::size_t{3} << 20) + 5; ++i) whole += static_cast<char>((i * 13 + i / 4093) & 0xFF);
    std::vector<std::string_view> pieces;
    const std::size_t sizes[] = {1, 0, 7, 4096, 4097, (std::size_t{1} << 20) + 3, 2, 65536, std::size_t{1} << 20};
    std::size_t at = 0;
    for (std::size_t k = 0; at < whole.size(); ++k) {
        const std::size_t n = std::min(sizes[k % std::size(sizes)], whole.size() - at);
        pieces.push_back(std::string_view(whole).substr(at, n));
        at += n;
    }
    const std::string path = dir.Write("pieces.dxf", "old");
    std::string err, data;
    ASSERT_TRUE(WriteFileAtomic(path, pieces, err)) << err;
    ASSERT_TRUE(ReadWholeFile(path, data, err)) << err;
    EXPECT_TRUE(data == whole);
    ASSERT_TRUE(WriteFileAtomic(path, std::vector<std::string_view>{"a", "b", "c"}, err)) << err;
    EXPECT_EQ(ReadFile(path), "abc");
}

// A watch sees each save of its thread that lands, with the bytes written;
// a failed save, another thread's save and a save after the watch ended are
// not seen, and an inner watch hides the outer one while it lives.
TEST(PortableFiles, SaveWatchSeesTheSavesThatLand) {
    test::TempDir dir;
    const std::string path = dir.Write("a.dxf", "old");
    std::vector<std::string> outer, inner;
    // Each save as "path=content" once it landed.
    std::string current;
    const auto record = [&current](std::vector<std::string>& into) {
        SaveWatch::Seen seen;
        seen.begin = [&current](const std::string& strPath) { current = strPath + "="; };
        seen.pieces = [&current](const std::vector<std::string_view>& pieces) {
            for (const std::string_view piece : pieces) current += piece;
        };
        seen.landed = [&current, &into](const std::string& strPath) {
            EXPECT_EQ(current.substr(0, strPath.size() + 1), strPath + "=");
            into.push_back(current);
        };
        return seen;
    };
    std::string err;
    {
        const SaveWatch watch(record(outer));
        ASSERT_TRUE(WriteFileAtomic(path, std::vector<std::string_view>{"ne", "", "w"}, err)) << err;
        {
            const SaveWatch hiding(record(inner));
            ASSERT_TRUE(WriteFileAtomic(path, "inner", err)) << err;
        }
        std::thread other([&] {
            std::string otherErr;
            EXPECT_TRUE(WriteFileAtomic(dir.Path() + "/b.dxf", "other thread", otherErr)) << otherErr;
        });
        other.join();
        ASSERT_TRUE(WriteWorkFile(path, "work file", err)) << err;
#ifndef _WIN32
        ::chmod(path.c_str(), 0444);
        EXPECT_FALSE(WriteFileAtomic(path, "refused", err));
        ::chmod(path.c_str(), 0644);
#endif
    }
    ASSERT_TRUE(WriteFileAtomic(path, "unwatched", err)) << err;
    EXPECT_EQ(outer, (std::vector<std::string>{path + "=new"}));
    EXPECT_EQ(inner, (std::vector<std::string>{path + "=inner"}));
}

TEST(PortableFiles, ReadOnlyFileIsRefusedAndKept) {
    test::TempDir dir;
    const std::string path = dir.Write("r\xC3\xA9vision.dxf", "original");
    EXPECT_FALSE(IsWriteProtected(path));
    fs::permissions(PathFromUtf8(path), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    EXPECT_TRUE(IsWriteProtected(path));
    std::string err;
    EXPECT_FALSE(WriteFileAtomic(path, "new", err));
    EXPECT_EQ(err, "the file is read-only");
    EXPECT_EQ(test::ReadFile(path), "original");
    EXPECT_EQ(EntriesIn(dir.Path()), 1u);
    EXPECT_FALSE(IsWriteProtected(dir.File("missing.dxf")));
    EXPECT_FALSE(IsWriteProtected(dir.Path())) << "a folder is no protected file";
}

TEST(PortableFiles, ApplicationFolderTakesANameOutsideAscii) {
    test::TempDir dir;
    const std::string wanted = dir.Path() + PathSeparator() + "Jos\xC3\xA9" + PathSeparator() + "KEL";
    const ScopedEnv home("KEL_HOME", wanted + PathSeparator());
    std::string problem = "unset";
    EXPECT_EQ(ApplicationFolder(&problem), wanted);
    EXPECT_EQ(problem, "");
    EXPECT_TRUE(fs::is_directory(PathFromUtf8(wanted)));
}

#ifdef _WIN32
TEST(PortableFiles, WindowsApplicationFolderIsInAppData) {
    test::TempDir dir;
    const std::string appData = dir.Path() + "\\Roaming \xC3\xBC";
    fs::create_directory(PathFromUtf8(appData));
    const ScopedEnv home("KEL_HOME", "");
    const ScopedEnv roaming("APPDATA", appData);
    EXPECT_EQ(ApplicationFolder(), appData + "\\KEL");
    EXPECT_TRUE(fs::is_directory(PathFromUtf8(appData + "\\KEL")));
}
#endif

TEST(FolderSync, BatchesFlushEachFolderOnceWhenTheOutermostEnds) {
    TempDir dir;
    const std::string a = dir.Path() + "/a", b = dir.Path() + "/b";
    std::filesystem::create_directories(a);
    std::filesystem::create_directories(b);
    std::string err;

    ASSERT_TRUE(WriteFileAtomic(a + "/x.dxf", "0", err)) << err;
    EXPECT_TRUE(FolderSyncBatch::Pending().empty());

    {
        FolderSyncBatch outer;
        ASSERT_TRUE(WriteFileAtomic(a + "/x.dxf", "1", err)) << err;
        ASSERT_TRUE(WriteFileAtomic(a + "/y.dxf", "1", err)) << err;
        {
            FolderSyncBatch inner;
            ASSERT_TRUE(WriteFileAtomic(b + "/z.dxf", "1", err)) << err;
        }
        // Work files are never flushed, so their folder is not recorded either.
        ASSERT_TRUE(WriteWorkFile(dir.Path() + "/_file.xml", "w", err)) << err;
        EXPECT_EQ(FolderSyncBatch::Pending(), (std::vector<std::string>{a, b}));
        // The data is in place before any folder flush.
        EXPECT_EQ(ReadFile(a + "/x.dxf"), "1");
        outer.Flush();
        EXPECT_TRUE(FolderSyncBatch::Pending().empty());
        ASSERT_TRUE(WriteFileAtomic(b + "/z.dxf", "2", err)) << err;
        EXPECT_EQ(FolderSyncBatch::Pending(), std::vector<std::string>{b});
    }
    EXPECT_TRUE(FolderSyncBatch::Pending().empty());
    EXPECT_EQ(ReadFile(b + "/z.dxf"), "2");
}

#ifndef _WIN32
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

// A file writable by its owner only is protected from everybody else.
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

// A folder that cannot be made says why.
TEST(ApplicationFolderTest, FolderThatCannotBeMadeSaysWhy) {
    test::TempDir dir;
    const test::ScopedEnv home("KEL_HOME", dir.Write("file", "x") + "/KEL");
    std::string problem;
    ApplicationFolder(&problem);
    EXPECT_EQ(problem.rfind("cannot create it: ", 0), 0u) << problem;
}

#endif  // _WIN32

}  // namespace
}  // namespace kel
