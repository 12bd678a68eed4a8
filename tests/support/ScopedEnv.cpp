#include "support/ScopedEnv.h"

#include <cstdlib>

#include "platform/FileSystem.h"

namespace kel::test {

#ifdef _WIN32
namespace {
// Windows keeps the environment in wide characters.
std::wstring Wide(const std::string& text) { return PathFromUtf8(text).wstring(); }
}  // namespace
#endif

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : name_(name) {
#ifdef _WIN32
    const wchar_t* old = ::_wgetenv(Wide(name_).c_str());
    had_ = old != nullptr;
    if (had_) old_ = PathToUtf8(std::filesystem::path(std::wstring(old)));
#else
    const char* old = std::getenv(name);
    had_ = old != nullptr;
    if (had_) old_ = old;
#endif
    Set(value);
}

ScopedEnv::~ScopedEnv() {
    if (had_) {
        Set(old_);
    } else {
        Unset();
    }
}

void ScopedEnv::Set(const std::string& value) const {
#ifdef _WIN32
    ::_wputenv_s(Wide(name_).c_str(), Wide(value).c_str());
#else
    ::setenv(name_.c_str(), value.c_str(), 1);
#endif
}

void ScopedEnv::Unset() const {
#ifdef _WIN32
    ::_wputenv_s(Wide(name_).c_str(), L"");  // an empty value removes it
#else
    ::unsetenv(name_.c_str());
#endif
}

}  // namespace kel::test
