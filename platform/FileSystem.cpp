#include "platform/FileSystem.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>  // _O_ flags
#include <io.h>     // _wopen, _isatty
#include <sys/stat.h>
#else
#include <unistd.h>  // access, isatty
#endif

namespace kel {

namespace fs = std::filesystem;

fs::path PathFromUtf8(const std::string& strPath) {
    return fs::path(std::u8string(strPath.begin(), strPath.end()));
}

std::string PathToUtf8(const fs::path& path) {
    std::u8string s = path.u8string();
    return std::string(s.begin(), s.end());
}

char PathSeparator() { return static_cast<char>(fs::path::preferred_separator); }

bool FileExists(const std::string& strPath) {
    if (strPath.empty()) return false;
    std::error_code ec;
    return fs::exists(PathFromUtf8(strPath), ec);
}

bool IsWriteProtected(const std::string& strPath) {
    const fs::path path = PathFromUtf8(strPath);
    std::error_code ec;
    const fs::file_status st = fs::status(path, ec);
    if (ec || !fs::exists(st) || fs::is_directory(st)) return false;
    constexpr fs::perms kWrite = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    if ((st.permissions() & kWrite) == fs::perms::none) return true;
#ifdef _WIN32
    return false;
#else
    return ::access(strPath.c_str(), W_OK) != 0 && (errno == EACCES || errno == EPERM || errno == EROFS);
#endif
}

std::string AbsolutePathText(const std::string& strPath) {
    std::error_code ec;
    const fs::path absolute = fs::absolute(PathFromUtf8(strPath), ec);
    return ec ? strPath : PathToUtf8(absolute.lexically_normal());
}

std::string SameFileKey(const std::string& strPath) {
    std::error_code ec;
    const fs::path canonical = fs::weakly_canonical(PathFromUtf8(strPath), ec);
    return ec ? AbsolutePathText(strPath) : PathToUtf8(canonical);
}

bool StderrIsTerminal() {
#ifdef _WIN32
    return ::_isatty(::_fileno(stderr)) != 0;
#else
    return ::isatty(STDERR_FILENO) != 0;
#endif
}

std::FILE* OpenFileUtf8(const std::string& strPath, const char* mode) {
#ifdef _WIN32
    std::wstring wmode(mode, mode + std::strlen(mode));
    const auto x = wmode.find(L'x');
    if (x != std::wstring::npos) {
        // The C runtime's fopen may not know "x": create the file exclusively
        // here and open the stream on it.
        wmode.erase(x, 1);
        int flags = _O_CREAT | _O_EXCL | _O_BINARY | (wmode.find(L'+') != std::wstring::npos ? _O_RDWR : _O_WRONLY);
        if (wmode.find(L'a') != std::wstring::npos) flags |= _O_APPEND;
        const int fd = ::_wopen(PathFromUtf8(strPath).c_str(), flags, _S_IREAD | _S_IWRITE);
        if (fd < 0) return nullptr;
        std::FILE* f = ::_wfdopen(fd, wmode.c_str());
        if (!f) ::_close(fd);
        return f;
    }
    return _wfopen(PathFromUtf8(strPath).c_str(), wmode.c_str());
#else
    return std::fopen(strPath.c_str(), mode);
#endif
}

FileReader::~FileReader() { Close(); }

void FileReader::Close() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
}

bool FileReader::Open(const std::string& strPath, std::string& strErr) {
    std::error_code ec;
    if (fs::is_directory(PathFromUtf8(strPath), ec)) {
        strErr = "is a folder";
        return false;
    }
    file_ = OpenFileUtf8(strPath, "rb");
    if (!file_) {
        strErr = std::strerror(errno);
        return false;
    }
    std::error_code sizeErr;
    const auto size = fs::file_size(PathFromUtf8(strPath), sizeErr);
    size_ = sizeErr ? 0 : static_cast<std::uint64_t>(size);
    return true;
}

bool FileReader::Read(char* buf, std::size_t n, std::size_t& got, std::string& strErr) {
    got = 0;
    if (!file_) return true;  // closed: nothing more to read
    got = std::fread(buf, 1, n, file_);
    if (got == 0 && std::ferror(file_)) {
        strErr = "read error";
        return false;
    }
    return true;
}

bool FileReader::ReadRest(std::string& strData, std::string& strErr) {
    // Room for the size the file has now, then whatever it holds by the time it
    // is read. The pieces pass through a buffer small enough to stay in the
    // processor's cache, so the string's memory is written once, not cleared
    // first and then written again.
    if (size_ > strData.size()) strData.reserve(static_cast<std::size_t>(size_));
    constexpr std::size_t kPiece = std::size_t{1} << 18;
    const auto piece = std::make_unique_for_overwrite<char[]>(kPiece);
    std::size_t n = 0;
    do {
        if (!Read(piece.get(), kPiece, n, strErr)) return false;
        strData.append(piece.get(), n);
    } while (n > 0);
    return true;
}

bool ReadWholeFile(const std::string& strPath, std::string& strData, std::string& strErr) {
    FileReader file;
    if (!file.Open(strPath, strErr)) return false;
    strData.clear();
    return file.ReadRest(strData, strErr);
}
bool DeleteFileUtf8(const std::string& strPath) {
    std::error_code ec;
    return fs::remove(PathFromUtf8(strPath), ec) && !ec;
}

}  // namespace kel
