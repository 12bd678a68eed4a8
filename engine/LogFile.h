// A text log that stays open for a run: lines are written as UTF-8 and end with CR LF.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace kel {

class LogFile {
public:
    enum class Mode { Append, Truncate };

    LogFile() = default;
    ~LogFile() { Close(); }
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    // Opens the file; false (and no file) when it cannot be opened.
    bool Open(const std::string& strPath, Mode mode);
    // Keeps the lines in memory instead, for a log that is written later
    // (a drawing processed beside others, whose lines join the real log in order).
    void OpenInMemory();
    bool IsOpen() const { return file_ != nullptr || inMemory_; }
    // The lines kept in memory since the last call.
    std::vector<std::string> TakeLines();
    // Writes strLine followed by CR LF; a log that is not open ignores it.
    void WriteLine(const std::string& strLine);
    void Flush();
    void Close();

private:
    std::FILE* file_ = nullptr;
    bool inMemory_ = false;
    std::vector<std::string> lines_;
};

}  // namespace kel
