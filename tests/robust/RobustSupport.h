// Helpers of the robustness tests: kel-batch as a child process, sample
// drawings, and reading drawings back through the component.
#pragma once

#include <string>
#include <vector>

namespace kel::robust {

struct BatchResult {
    int exitCode = -1;  // -1 when killed
    std::string out, err;
};

// Starts kel-batch with args and KEL_HOME=home; output goes to files in home.
int StartBatch(const std::vector<std::string>& args, const std::string& home);
// Waits for a started kel-batch; fills the result.
BatchResult WaitBatch(int pid, const std::string& home);
inline BatchResult RunBatch(const std::vector<std::string>& args, const std::string& home) {
    return WaitBatch(StartBatch(args, home), home);
}

// Bytes of a sample drawing from the project's examples folder.
std::string SampleBytes(const std::string& name);

// The values of every attribute with this tag, read with the DXF reader;
// empty when the drawing does not open.
std::vector<std::string> ValuesOf(const std::string& path, const std::string& tag);

// The names in a folder (not recursive) that end in ".kel-tmp", sorted.
std::vector<std::string> TempFiles(const std::string& folder);

}  // namespace kel::robust
