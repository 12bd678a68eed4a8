#include "platform/AppFolder.h"

#include <cstdlib>
#include <system_error>

#include "platform/FileSystem.h"

namespace kel {

namespace {

std::string FromEnv(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

}  // namespace

std::string ApplicationFolder() {
    std::string folder = FromEnv("KEL_HOME");
    if (folder.empty()) {
#ifdef _WIN32
        folder = FromEnv("APPDATA") + "\\KEL";
#else
        std::string data = FromEnv("XDG_DATA_HOME");
        if (data.empty()) data = FromEnv("HOME") + "/.local/share";
        folder = data + "/KEL";
#endif
    }
    std::error_code ec;
    std::filesystem::create_directories(PathFromUtf8(folder), ec);
    const char sep = PathSeparator();
    while (folder.size() > 1 && (folder.back() == sep || folder.back() == '/')) folder.pop_back();
    return folder;
}

}  // namespace kel
