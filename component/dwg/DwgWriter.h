// Writes an R13-R2000 file again after edits: unchanged objects keep their
// bytes and their order, changed objects take their new bytes, deleted ones
// leave; the object map is rebuilt, and every address behind the objects
// (section locators, second file header) moves with them, with new CRCs.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "component/dwg/DwgFile.h"

namespace kel::dwg {

struct DwgEdits {
    std::unordered_map<std::uint64_t, std::string> replaced;  // handle -> the object's new bytes
    std::unordered_set<std::uint64_t> deleted;

    bool Empty() const { return replaced.empty() && deleted.empty(); }
};

// Builds the new file. False with a reason when the file's layout is one
// this writer does not re-lay (sections among the objects, an image behind them).
bool RelayFile(std::string_view bytes, const DwgFile& file, const DwgEdits& edits, std::string& out,
               std::string& why);

}  // namespace kel::dwg
