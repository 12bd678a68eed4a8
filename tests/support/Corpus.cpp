#include "support/Corpus.h"

#include <cstdlib>
#include <filesystem>

#include "platform/FileSystem.h"

namespace kel::test {

const std::string& CorpusDir() {
    static const std::string dir = [] {
        const char* env = std::getenv("KEL_CORPUS");
        return std::string(env && *env ? env : KEL_CORPUS_DIR);
    }();
    return dir;
}

std::string CorpusPath(const std::string& relative) { return CorpusDir() + "/" + relative; }

std::string ReadCorpusFile(const std::string& relative) {
    std::string bytes, err;
    if (!ReadWholeFile(CorpusPath(relative), bytes, err)) ADD_FAILURE() << "cannot read " << CorpusPath(relative) << ": " << err;
    return bytes;
}

std::string MissingCorpus() {
    std::error_code ec;
    if (std::filesystem::is_regular_file(CorpusPath("MANIFEST.tsv"), ec)) return {};
    return "no corpus at " + CorpusDir() +
           " (no MANIFEST.tsv there): this test reads third-party drawings; set KEL_CORPUS to the corpus folder";
}

bool CorpusRequired() {
    const char* env = std::getenv("KEL_REQUIRE_CORPUS");
    return env && std::string(env) == "1";
}

}  // namespace kel::test
