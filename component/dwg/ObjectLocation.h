// One entry of a drawing's object map.
#pragma once

#include <cstdint>

namespace kel::dwg {

struct ObjectLocation {
    std::uint64_t handle = 0;
    std::int64_t offset = 0;  // absolute file offset of the object's size field
};

}  // namespace kel::dwg
