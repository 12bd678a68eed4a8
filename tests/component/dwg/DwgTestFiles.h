// Corpus drawings the DWG tests read, and a loader.
#pragma once

#include <string>
#include <vector>

#include "support/Corpus.h"
#include "support/TempDir.h"

namespace kel::dwg::test {

// Every R13-R2004 DWG of the corpus (relative to the corpus folder): the versions that are read.
inline const std::vector<std::string>& SupportedCorpusFiles() {
    static const std::vector<std::string> files = {
        "dwg/AC1012_R13/libredwg__example_r13.dwg",          "dwg/AC1014_R14/acadsharp__sample_AC1014.dwg",
        "dwg/AC1014_R14/ixmilia__R14.dwg",                   "dwg/AC1014_R14/libredwg__example_r14.dwg",
        "dwg/AC1015_R2000/acadsharp__sample_AC1015.dwg",     "dwg/AC1015_R2000/libopencad__ACAD_r2000_sample.dwg",
        "dwg/AC1015_R2000/libredwg__entities-2d.dwg",        "dwg/AC1015_R2000/libredwg__example_2000.dwg",
        "dwg/malformed/acadsharp__dup_paperspace_r2000.dwg", "dwg/malformed/acadsharp__missing_modelspace_r2000.dwg",
        "dwg/AC1018_R2004/acadsharp__sample_AC1018.dwg",     "dwg/AC1018_R2004/libredwg__example_2004.dwg"};
    return files;
}

// The versions that are also written: all of them.
inline std::vector<std::string> WritableCorpusFiles() { return SupportedCorpusFiles(); }

inline std::string ReadCorpus(const std::string& relative) { return kel::test::ReadCorpusFile(relative); }

}  // namespace kel::dwg::test
