// Running other programs from tests, and text helpers for comparing their output.
#pragma once

#include <string>

namespace kel::test {

// The text as one single-quoted shell word.
std::string ShellQuote(const std::string& s);

struct ShellResult {
    int exitCode = -1;
    std::string out, err;
};

// Runs a shell command; its output goes through files in scratchFolder.
ShellResult RunShell(const std::string& command, const std::string& scratchFolder);

// Backslash, tab, CR and LF written as escapes, so a value fits one tab-separated field.
std::string EscapeField(const std::string& text);

// The text with its ASCII letters in upper case.
std::string UpperCase(std::string text);

}  // namespace kel::test
