#include "support/TempDir.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "platform/FileSystem.h"

namespace kel::test {

namespace fs = std::filesystem;

TempDir::TempDir() {
#ifdef _WIN32
    // No mkdtemp here: try random names until one can be created.
    std::random_device random;
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
        char name[32];
        std::snprintf(name, sizeof name, "kel-test-%08x", static_cast<unsigned>(random()));
        const fs::path dir = fs::temp_directory_path() / name;
        std::error_code ec;
        if (fs::create_directory(dir, ec)) path_ = PathToUtf8(dir);
    }
    if (path_.empty()) throw std::runtime_error("cannot create a temporary folder");
#else
    std::string tmpl = (fs::temp_directory_path() / "kel-test-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
#endif
}

TempDir::~TempDir() {
    std::error_code ec;
    // Restore write permission on anything a test locked, then remove.
    for (auto it = fs::recursive_directory_iterator(PathFromUtf8(path_), ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::permissions(PathFromUtf8(path_), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(PathFromUtf8(path_), ec);
}

std::string TempDir::File(const std::string& name) const { return PathToUtf8(PathFromUtf8(path_) / PathFromUtf8(name)); }

std::string TempDir::Write(const std::string& name, const std::string& bytes) const {
    std::string p = File(name);
    fs::create_directories(PathFromUtf8(p).parent_path());
    std::ofstream(PathFromUtf8(p), std::ios::binary) << bytes;
    return p;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(PathFromUtf8(path), std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

}  // namespace kel::test
