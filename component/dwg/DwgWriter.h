// Writes a drawing again after edits: unchanged objects keep their
// bytes, changed objects take their new bytes, deleted ones leave the map;
// the object map is rebuilt. Up to R2000 objects keep their order and every
// address behind them (section locators, second file header) moves with
// them, with new CRCs; from R2004 on the changed objects are added at the end
// of the objects section, so that its pages before them keep their stored
// bytes, and the objects and handles sections are written into the page
// container again.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "component/dwg/DwgFile.h"
#include "component/dwg/ObjectsBuffer.h"

namespace kel::dwg {

struct DwgEdits {
    std::unordered_map<std::uint64_t, std::string> replaced;  // handle -> the object's new bytes
    std::unordered_set<std::uint64_t> deleted;

    bool Empty() const { return replaced.empty() && deleted.empty(); }
};

// The objects of an object area laid again: the bytes before the first
// object, then every object in its old order with the gaps between them,
// changed ones with their new bytes, deleted ones left out.
struct RelaidObjects {
    std::string bytes;                  // the area up to the end of the last object
    std::vector<ObjectLocation> placed;  // new offsets in `bytes`, sorted by handle
    std::size_t oldStart = 0;           // where the first object began
    std::size_t oldEnd = 0;             // and the last one ended
    bool inPlace = false;               // the changed objects went behind the area itself; `bytes` is empty
};
bool RelayObjects(std::string_view area, const DwgFile& file, const DwgEdits& edits, RelaidObjects& out,
                  std::string& why);

// The paged containers' objects section after the edits: the area as it is,
// with the changed objects' new bytes behind it (where the map now points);
// deleted objects and the earlier bytes of changed ones stay unused, as a
// drawing saved in part keeps them. When more than a quarter of the result
// would be unused, every object is written once, one after the other, in its
// old order instead (`oldStart` and `oldEnd` are set either way).
bool AppendChangedObjects(std::string_view area, const DwgFile& file, const DwgEdits& edits, RelaidObjects& out,
                          std::string& why);

// Builds the new R13-R2000 file. False with a reason when the file's layout
// is one this writer does not re-lay (sections among the objects, an image
// behind them).
bool RelayFile(std::string_view bytes, const DwgFile& file, const DwgEdits& edits, std::string& out,
               std::string& why);

// Builds the new file of the page container: the objects section re-laid
// in `objects` (the file's section, held by the caller; see ObjectsBuffer.h),
// the handles section rebuilt, every other section carried over. Where
// objects.map is file.objectMap, it may become the new file's map
// (objects.MapPatched()), whether or not the write then succeeds.
bool RelayPagedFile(std::string_view bytes, const DwgFile& file, const DwgEdits& edits, ObjectsBuffer& objects,
                    std::string& out, std::string& why);

// The same for R2007 and its container of its own (DwgR2007Writer.h).
bool RelayR2007File(std::string_view bytes, const DwgFile& file, const DwgEdits& edits, ObjectsBuffer& objects,
                    std::string& out, std::string& why);

}  // namespace kel::dwg
