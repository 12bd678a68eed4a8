// A shared library opened while the program runs, for code that needs one on
// some paths only: a library the program links is loaded, with everything it
// pulls in, at every start.
#pragma once

#include <string>

namespace kel {

class SharedLibrary {
public:
    // Opens the library the system's loader finds by `name` (a file name
    // such as "libz.so.1"). On failure IsOpen() is false and Error() says why.
    explicit SharedLibrary(const std::string& name);
    ~SharedLibrary();
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

    bool IsOpen() const { return handle_ != nullptr; }
    const std::string& Error() const { return error_; }
    // The address of a function the library exports, or null.
    void* Symbol(const char* name) const;

private:
    void* handle_ = nullptr;
    std::string error_;
};

}  // namespace kel
