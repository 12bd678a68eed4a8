#include "engine/LogFile.h"

#include "platform/FileSystem.h"

namespace kel {

bool LogFile::Open(const std::string& strPath, Mode mode) {
    Close();
    file_ = OpenFileUtf8(strPath, mode == Mode::Append ? "ab" : "wb");
    return file_ != nullptr;
}

void LogFile::WriteLine(const std::string& strLine) {
    if (!file_) return;
    std::fwrite(strLine.data(), 1, strLine.size(), file_);
    std::fwrite("\r\n", 1, 2, file_);
}

void LogFile::Flush() {
    if (file_) std::fflush(file_);
}

void LogFile::Close() {
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
}

}  // namespace kel
