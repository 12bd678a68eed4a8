#include "support/Shell.h"

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <cstdlib>

#include "support/TempDir.h"

namespace kel::test {

std::string ShellQuote(const std::string& s) {
    std::string q = "'";
    for (char c : s) c == '\'' ? q += "'\\''" : q += c;
    return q + "'";
}

ShellResult RunShell(const std::string& command, const std::string& scratchFolder) {
    const std::string out = scratchFolder + "/stdout", err = scratchFolder + "/stderr";
    const int status = std::system((command + " >" + ShellQuote(out) + " 2>" + ShellQuote(err)).c_str());
#ifdef _WIN32
    const int code = status;  // the command's own exit status
#else
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    return {code, ReadFile(out), ReadFile(err)};
}

std::string EscapeField(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '\\': out += "\\\\"; break;
            case '\t': out += "\\t"; break;
            case '\r': out += "\\r"; break;
            case '\n': out += "\\n"; break;
            default: out += c;
        }
    }
    return out;
}

std::string UpperCase(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

}  // namespace kel::test
