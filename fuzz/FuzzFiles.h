// Scratch files for harnesses whose code under test reads and writes paths.
// Each process gets its own folder, removed at exit.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

namespace kel::fuzz {

class ScratchFolder {
public:
    ScratchFolder() {
        std::filesystem::path base = std::filesystem::exists("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
        dir_ = base / ("kel-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    // Folder path ending in the separator, as the engine keeps its application folder.
    std::string Folder() const { return dir_.string() + "/"; }

    std::string Write(const std::string& name, const std::uint8_t* data, std::size_t size) const {
        const std::string path = Path(name);
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (f) {
            if (size) std::fwrite(data, 1, size, f);
            std::fclose(f);
        }
        return path;
    }

private:
    std::filesystem::path dir_;
};

inline ScratchFolder& Scratch() {
    static ScratchFolder folder;
    return folder;
}

}  // namespace kel::fuzz
