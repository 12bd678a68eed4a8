// A text log that stays open for a run: lines are written as UTF-8 and end with CR LF.
#pragma once

#include <cstdio>
#include <string>

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
    bool IsOpen() const { return file_ != nullptr; }
    // Writes strLine followed by CR LF; a log that is not open ignores it.
    void WriteLine(const std::string& strLine);
    void Flush();
    void Close();

private:
    std::FILE* file_ = nullptr;
};

}  // namespace kel
