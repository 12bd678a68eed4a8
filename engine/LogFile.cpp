#include "engine/LogFile.h"

#include "platform/FileSystem.h"

namespace kel {

bool LogFile::Open(const std::string& strPath, Mode mode) {
    Close();
    file_ = OpenFileUtf8(strPath, mode == Mode::Append ? "ab" : "wb");
    return file_ != nullptr;
}

void LogFile::OpenInMemory() {
    Close();
    inMemory_ = true;
}

std::vector<std::string> LogFile::TakeLines() {
    std::vector<std::string> lines;
    lines.swap(lines_);
    return lines;
}

void LogFile::WriteLine(const std::string& strLine) {
    if (inMemory_) {
        lines_.push_back(strLine);
        return;
    }
    if (!file_) return;
    std::fwrite(strLine.data(), 1, strLine.size(), file_);
    std::fwrite("\r\n", 1, 2, file_);
}

void LogFile::Flush() {
    if (file_) std::fflush(file_);
}

void LogFile::Close() {
    inMemory_ = false;
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
}

}  // namespace kel
