// A paged file's objects section as a save passes it from the drawing to
// the writer and on to the check that reads the written file back, so that
// neither copies it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "component/dwg/ObjectLocation.h"

namespace kel::dwg {

// A paged file's objects section held by the writer's caller, so that a
// save need not copy it: the changed objects are added behind it in place.
// `data` holds the section as the file holds it (taken out of the DwgFile);
// after a write it holds the section written, whose first `oldSize` bytes
// are the old section, unless every object was written anew (`rewritten`),
// which moves the old section to `old`. Old() is the old section either way;
// Restore() makes `data` the old section again.
struct ObjectsBuffer {
    explicit ObjectsBuffer(std::string section) : data(std::move(section)), oldSize(data.size()) {}

    std::string data;
    std::size_t oldSize = 0;
    bool rewritten = false;
    std::string old;

    std::string_view Old() const;
    void Restore();

    // The drawing's object map, where the save may change it in place (null
    // otherwise), so that the written file's map is not held beside it:
    // PatchMap makes it the map laid (`placed`, sorted by handle), where it
    // lists its objects by rising handle, `placed` keeps some of them and at
    // most a quarter moved; false, and the map as it was, otherwise.
    // RestoreMap makes it the drawing's map again, without allocating.
    std::vector<ObjectLocation>* map = nullptr;
    bool PatchMap(const std::vector<ObjectLocation>& placed);
    void RestoreMap() noexcept;
    bool MapPatched() const { return mapPatched_; }

private:
    bool mapPatched_ = false;
    std::vector<std::pair<std::size_t, ObjectLocation>> removed_;  // its place before, the entry
    std::vector<std::pair<std::size_t, std::int64_t>> moved_;      // its place now, its offset before
};

}  // namespace kel::dwg
