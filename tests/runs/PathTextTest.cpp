// Splitting and joining the paths of list files and command lines: "/" on
// every system, and on Windows "\", drive letters and UNC names too.
#include <gtest/gtest.h>

#include <string>

#include "platform/FileSystem.h"
#include "runs/PathText.h"

namespace kel {
namespace {

struct PathCase {
    const char* path;
    const char* folder;
    const char* name;
};

TEST(PathText, FolderAndNameOfAPath) {
    const PathCase cases[] = {
        {"a.dwg", "", "a.dwg"},
        {"/srv/cad/a.dwg", "/srv/cad/", "a.dwg"},
        {"/a.dwg", "/", "a.dwg"},
        {"rel/sub/*.dxf", "rel/sub/", "*.dxf"},
        {"/srv/cad/", "/srv/cad/", ""},
#ifdef _WIN32
        {"C:\\Zeichnungen\\Gr\xC3\xB6\xC3\x9F" "e.dwg", "C:\\Zeichnungen\\", "Gr\xC3\xB6\xC3\x9F" "e.dwg"},
        {"\\\\server\\share\\cad\\*.dwg", "\\\\server\\share\\cad\\", "*.dwg"},
        {"C:/mixed\\sep/a.dxf", "C:/mixed\\sep/", "a.dxf"},
        {"D:\\a.dwg", "D:\\", "a.dwg"},
#else
        {"back\\slash.dwg", "", "back\\slash.dwg"},  // an ordinary character here
#endif
    };
    for (const PathCase& c : cases) {
        EXPECT_EQ(FolderPart(c.path), c.folder) << c.path;
        EXPECT_EQ(GetFileName(c.path), c.name) << c.path;
        if (*c.folder) {
            EXPECT_EQ(JoinPath(c.folder, c.name), c.path) << c.path;
        }
    }
}

TEST(PathText, JoinAddsOneSeparatorOfThisSystem) {
    const std::string sep(1, PathSeparator());
    EXPECT_EQ(JoinPath("/srv/cad", "a.dwg"), "/srv/cad" + sep + "a.dwg");
    EXPECT_EQ(JoinPath("", "a.dwg"), "a.dwg");
#ifdef _WIN32
    EXPECT_EQ(JoinPath("\\\\server\\share", "a.dwg"), "\\\\server\\share\\a.dwg");
    EXPECT_EQ(JoinPath("C:\\", "a.dwg"), "C:\\a.dwg");
#endif
}

}  // namespace
}  // namespace kel
