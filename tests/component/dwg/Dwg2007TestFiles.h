// The corpus R2007 drawings the codec tests read, and the plain (error free)
// view of their file header page.
#pragma once

#include <string>
#include <vector>

#include "tests/component/dwg/DwgTestFiles.h"

namespace kel::dwg::test {

inline const std::vector<std::string>& R2007CorpusFiles() {
    static const std::vector<std::string> files = {
        "dwg/AC1021_R2007/acadsharp-48c4080__sample_AC1021.dwg",
        "dwg/AC1021_R2007/acadsharp__sample_AC1021.dwg",
        "dwg/AC1021_R2007/autocad-files__Grid Plan.dwg",
        "dwg/AC1021_R2007/instel-ufes__Projeto_Instel_I_2020_I.dwg",
        "dwg/AC1021_R2007/jjh-data__landscaping_6.dwg",
        "dwg/AC1021_R2007/libredwg__example_2007.dwg",
        "dwg/AC1021_R2007/pyegout__sample.dwg",
    };
    return files;
}

// The data bytes of the three interleaved 255-byte code words at 0x80,
// without checking their parity.
inline std::string HeaderPageData(const std::string& file) {
    std::string data;
    for (std::size_t block = 0; block < 3; ++block) {
        for (std::size_t i = 0; i < 239; ++i) data += file[0x80 + i * 3 + block];
    }
    return data;
}

}  // namespace kel::dwg::test
