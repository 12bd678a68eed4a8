#include "platform/AppFolder.h"

#include <cstdlib>
#include <system_error>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "platform/FileSystem.h"

namespace kel {

namespace {

// The variable's value as UTF-8 ("" when unset). Windows keeps the
// environment in wide characters; its narrow copy is in the local code page.
std::string FromEnv(const char* name) {
#ifdef _WIN32
    const std::wstring wname(name, name + std::char_traits<char>::length(name));
    const wchar_t* v = ::_wgetenv(wname.c_str());
    return v ? PathToUtf8(std::filesystem::path(std::wstring(v))) : std::string();
#else
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
#endif
}

}  // namespace

std::string ApplicationFolder(std::string* strProblem) {
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
    if (strProblem) {
        strProblem->clear();
        std::error_code typeError;
        if (!std::filesystem::is_directory(PathFromUtf8(folder), typeError)) {
            *strProblem = ec ? "cannot create it: " + ec.message() : std::string("it is not a folder");
        }
#ifndef _WIN32
        else if (::access(folder.c_str(), W_OK | X_OK) != 0) {
            *strProblem = "it may not be written";
        }
#endif
    }
    const char sep = PathSeparator();
    while (folder.size() > 1 && (folder.back() == sep || folder.back() == '/')) folder.pop_back();
    return folder;
}

const char* ApplicationFolderRule() {
#ifdef _WIN32
    return "%KEL_HOME% when set, otherwise %APPDATA%\\KEL";
#else
    return "$KEL_HOME when set, otherwise ~/.local/share/KEL";
#endif
}

}  // namespace kel
