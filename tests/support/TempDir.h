// A temporary folder for one test, removed with everything in it afterwards.
#pragma once

#include <string>

namespace kel::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path_; }
    // Path of a name inside the folder.
    std::string File(const std::string& name) const;
    // Writes bytes to a file inside the folder and returns its path.
    std::string Write(const std::string& name, const std::string& bytes) const;

private:
    std::string path_;
};

// Whole content of a file ("" when missing).
std::string ReadFile(const std::string& path);

}  // namespace kel::test
