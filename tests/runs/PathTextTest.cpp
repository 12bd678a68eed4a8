// Splitting and joining the paths of list files and command lines: "/" on
// every system, and on Windows "\", drive letters and UNC names too.
#include <gtest/gtest.h>

#include <string>

#include "platform/FileSystem.h"
#include "runs/PathText.h"

namespace kel {
namespace {

struct PathCase {
    std::string path, folder, name;
};

TEST(PathText, FolderAndNameOfAPath) {
    const std::string longName(300, 'x'), sep(1, PathSeparator());
    const PathCase cases[] = {
        {"a.dwg", "", "a.dwg"},
        {"/a/" + longName, "/a/", longName},
        {longName, "", longName},
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
        SCOPED_TRACE(c.path);
        EXPECT_EQ(FolderPart(c.path), c.folder);
        EXPECT_EQ(GetFileName(c.path), c.name);
        // Joined again with no second separator; a folder without one gets this system's.
        EXPECT_EQ(JoinPath(c.folder, c.name), c.path);
        const std::string bare = c.folder.substr(0, c.folder.empty() ? 0 : c.folder.size() - 1);
        if (bare.size() > 2) {
            EXPECT_EQ(JoinPath(bare, c.name), bare + sep + c.name);
        }
    }
}

}  // namespace
}  // namespace kel
