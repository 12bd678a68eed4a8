// The object map: handle/offset pairs as deltas in sections of about 2 KB,
// each with a big-endian size and CRC, closed by an empty section.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "component/dwg/DwgFile.h"

namespace kel::dwg {

// The map bytes for objects sorted by handle (offsets are absolute).
std::string BuildObjectMap(const std::vector<ObjectLocation>& sortedByHandle, Version version);

// Reads the map from `bytes` (its sections, up to the empty one that closes
// them) into `map`, one entry per handle in the order first listed: a handle
// listed again takes the later offset. False with a reason when a section is
// cut short or damaged, or an offset lies at or past objectAreaSize.
bool ReadObjectMap(std::string_view bytes, Version version, std::size_t objectAreaSize,
                   std::vector<ObjectLocation>& map, std::string& why);
// Reads the map as ReadObjectMap does, without keeping it: true when it lists
// exactly the entries of `expected`, in its order (each handle once).
bool MatchObjectMap(std::string_view bytes, Version version, std::size_t objectAreaSize,
                    const std::vector<ObjectLocation>& expected, std::string& why);

}  // namespace kel::dwg
