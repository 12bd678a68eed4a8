#include "robust/RobustSupport.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "component/dxf/DxfDocument.h"
#include "support/TempDir.h"

namespace kel::robust {

namespace fs = std::filesystem;

int StartBatch(const std::vector<std::string>& args, const std::string& home) {
    const std::string out = home + "/stdout", err = home + "/stderr";
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    // Child: only async-signal-safe calls until exec.
    const int fo = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int fe = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fo < 0 || fe < 0) ::_exit(127);
    ::dup2(fo, 1);
    ::dup2(fe, 2);
    ::setenv("KEL_HOME", home.c_str(), 1);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(KEL_BATCH_EXE));
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(KEL_BATCH_EXE, argv.data());
    ::_exit(127);
}

BatchResult WaitBatch(int pid, const std::string& home) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
    }
    BatchResult r;
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = test::ReadFile(home + "/stdout");
    r.err = test::ReadFile(home + "/stderr");
    return r;
}

std::string SampleBytes(const std::string& name) {
    return test::ReadFile(std::string(KEL_SOURCE_DIR) + "/examples/" + name);
}

std::vector<std::string> ValuesOf(const std::string& path, const std::string& tag) {
    std::vector<std::string> values;
    std::string status;
    auto doc = dxf::DxfDocument::Open(test::ReadFile(path), status);
    for (const auto& block : doc ? doc->Describe().blocks : std::vector<BlockInfo>{}) {
        for (const auto& insert : block.inserts) {
            for (const auto& a : insert.attributes) {
                if (a.tag == tag) values.push_back(a.value);
            }
        }
    }
    return values;
}

std::vector<std::string> TempFiles(const std::string& folder) {
    const std::string suffix = ".kel-tmp";
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string n = it->path().filename().string();
        if (n.size() > suffix.size() && n.compare(n.size() - suffix.size(), suffix.size(), suffix) == 0) names.push_back(n);
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace kel::robust
