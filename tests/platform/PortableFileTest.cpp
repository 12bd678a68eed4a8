// What the file layer does the same on every system: names outside ASCII,
// replacing a file that exists, read-only files and the application folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/AppFolder.h"
#include "platform/FileSystem.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

namespace kel {
namespace {

namespace fs = std::filesystem;

using test::ScopedEnv;

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

}  // namespace
}  // namespace kel
