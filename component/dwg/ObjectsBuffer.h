// A paged file's objects section as a save passes it from the drawing to
// the writer and on to the check that reads the written file back, so that
// neither copies it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

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
};

}  // namespace kel::dwg
