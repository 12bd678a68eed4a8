// Writes an R2007 (AC1021) file again with new contents for some of its data
// sections. The pages of every other section are copied as stored, in their
// order; the new sections are cut into pages of their page size, compressed
// and Reed-Solomon coded where the old pages were; the page map, the section
// map and both copies of the file header are written anew with every CRC and
// checksum. Random padding comes from the file's own random seed, so the same
// input always gives the same bytes.
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "component/dwg/DwgR2007File.h"

namespace kel::dwg {

// `file` is `bytes` parsed; `replaced` maps section names
// ("AcDb:AcDbObjects") to their new decompressed data. False with a reason
// (and `out` unusable) when a named section is missing, encrypted or not
// interleaved, or the section map does not hold what it lists.
// `previous` gives a replaced section's data as the file holds it now where
// `file` does not hold it: the pages from the start whose data is the same
// keep their place and stored bytes.
bool WriteR2007(std::string_view bytes, const R2007File& file, const std::map<std::string, std::string_view>& replaced,
                std::string& out, std::string& why, const std::map<std::string, std::string_view>& previous = {});

}  // namespace kel::dwg
