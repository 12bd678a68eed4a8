#include "platform/SharedLibrary.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace kel {

#ifdef _WIN32

SharedLibrary::SharedLibrary(const std::string& name) {
    handle_ = reinterpret_cast<void*>(LoadLibraryA(name.c_str()));
    if (!handle_) error_ = name + ": error " + std::to_string(GetLastError());
}

SharedLibrary::~SharedLibrary() {
    if (handle_) FreeLibrary(reinterpret_cast<HMODULE>(handle_));
}

void* SharedLibrary::Symbol(const char* name) const {
    if (!handle_) return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(handle_), name));
}

#else

SharedLibrary::SharedLibrary(const std::string& name) {
    handle_ = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        const char* why = dlerror();
        error_ = why ? why : name + ": cannot be loaded";
    }
}

SharedLibrary::~SharedLibrary() {
    if (handle_) dlclose(handle_);
}

void* SharedLibrary::Symbol(const char* name) const {
    return handle_ ? dlsym(handle_, name) : nullptr;
}

#endif

}  // namespace kel
