// Writes the object map: handle/offset pairs as deltas in sections of about
// 2 KB, each with a big-endian size and CRC, closed by an empty section.
#pragma once

#include <string>
#include <vector>

#include "component/dwg/DwgFile.h"

namespace kel::dwg {

// The map bytes for objects sorted by handle (offsets are absolute).
std::string BuildObjectMap(const std::vector<ObjectLocation>& sortedByHandle, Version version);

}  // namespace kel::dwg
