// Helpers of the robustness tests: kel-batch as a child process, folders of
// drawing copies, and reading drawings back through the component.
#pragma once

#include <map>
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
// Starts, waits.
BatchResult RunBatch(const std::vector<std::string>& args, const std::string& home);

// Bytes of a sample drawing from the project's examples folder.
std::string SampleBytes(const std::string& name);

// "layout/block/tag" -> value of every attribute, read with the drawing
// component; empty when the drawing does not open.
std::map<std::string, std::string> AttributeValues(const std::string& path);

// Names in a folder (not recursive), sorted.
std::vector<std::string> ListFolder(const std::string& folder);

// Every name in the folder that ends in ".kel-tmp".
std::vector<std::string> TempFiles(const std::string& folder);

}  // namespace kel::robust
