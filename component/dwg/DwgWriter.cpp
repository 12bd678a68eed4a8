#include "component/dwg/DwgWriter.h"

#include <algorithm>
#include <map>
#include <memory>
#include <vector>

#include "component/ByteOrder.h"
#include "component/dwg/BitReader.h"
#include "component/dwg/DwgCrc.h"
#include "component/dwg/DwgObjectMap.h"
#include "component/dwg/DwgR2004File.h"
#include "component/dwg/DwgR2004Writer.h"
#include "component/dwg/DwgR2007Writer.h"
#include "component/dwg/DwgSecondHeader.h"
#include "component/dwg/HandleFilter.h"

namespace kel::dwg {
namespace {

constexpr std::size_t kLocatorTableOffset = 0x15;
constexpr std::size_t kLocatorRecordSize = 9;

// A save that would leave more than this part of the objects section to
// objects no longer in the map writes every object again, one after the other.
constexpr std::size_t kMostUnusedPart = 4;

struct Placed {
    std::uint64_t handle;
    std::size_t offset;
    std::size_t length;
    std::size_t mapIndex;  // its entry in the object map
};

// The edits looked up for every object of a drawing: most are not changed,
// and the filter turns those away before the hash tables are probed.
class EditsLookup {
public:
    explicit EditsLookup(const DwgEdits& edits) : edits_(edits) {
        for (const auto& [handle, bytes] : edits.replaced) filter_.Add(handle);
        for (std::uint64_t handle : edits.deleted) filter_.Add(handle);
    }
    bool Deleted(std::uint64_t handle) const { return filter_.MayHold(handle) && edits_.deleted.count(handle); }
    // The object's new bytes, or null.
    const std::string* Replaced(std::uint64_t handle) const {
        if (!filter_.MayHold(handle)) return nullptr;
        auto it = edits_.replaced.find(handle);
        return it != edits_.replaced.end() ? &it->second : nullptr;
    }

private:
    const DwgEdits& edits_;
    HandleFilter filter_;
};

}  // namespace

namespace {

// Every object of the map with its place and length, in the order of the
// area; false with a reason when one cannot be measured, objects overlap or
// one runs past the area.
bool MeasureObjects(std::string_view area, const DwgFile& file, std::vector<Placed>& objects, std::string& why) {
    const std::vector<ObjectLocation>& map = file.objectMap;
    objects.clear();
    objects.reserve(map.size());
    // Most drawings keep their objects in the order of the map. The others
    // are put in the area's order by 8-byte keys, the offset above the map
    // entry, rather than by moving whole entries; each object is then
    // measured in that order, walking the area from its start.
    constexpr unsigned kEntryBits = 30;
    bool sorted = true;
    for (std::size_t i = 1; i < map.size() && sorted; ++i) sorted = map[i - 1].offset <= map[i].offset;
    std::vector<std::uint64_t> order;
    if (!sorted) {
        if (map.size() >= (std::size_t{1} << kEntryBits) || area.size() >> (64 - kEntryBits) != 0) {
            why = "the drawing holds too many objects to write";
            return false;
        }
        order.reserve(map.size());
        for (std::size_t i = 0; i < map.size(); ++i) {
            // Past the area: measured (and refused) below, where it sorts last.
            const std::uint64_t offset = map[i].offset < 0 || static_cast<std::uint64_t>(map[i].offset) > area.size()
                                             ? area.size()
                                             : static_cast<std::uint64_t>(map[i].offset);
            order.push_back(offset << kEntryBits | i);
        }
        std::sort(order.begin(), order.end());
    }
    for (std::size_t k = 0; k < map.size(); ++k) {
        const std::size_t i = sorted ? k : static_cast<std::size_t>(order[k] & ((std::uint64_t{1} << kEntryBits) - 1));
        const ObjectLocation& loc = map[i];
        if (loc.offset < 0 || static_cast<std::uint64_t>(loc.offset) >= area.size()) {
            why = "object " + std::to_string(loc.handle) + " lies outside its section";
            return false;
        }
        BitReader r(area.substr(static_cast<std::size_t>(loc.offset)), file.version);
        std::uint32_t size = r.MS();
        if (AtLeast(file.version, Version::R2010)) r.UMC();  // the handle stream's size
        if (!r.Ok()) {
            why = "object " + std::to_string(loc.handle) + " cannot be measured";
            return false;
        }
        objects.push_back({loc.handle, static_cast<std::size_t>(loc.offset), r.BitPos() / 8 + size + 2, i});
    }
    if (objects.empty()) {
        why = "the drawing has no objects";
        return false;
    }
    for (std::size_t i = 1; i < objects.size(); ++i) {
        if (objects[i].offset < objects[i - 1].offset + objects[i - 1].length) {
            why = "objects overlap";
            return false;
        }
    }
    if (objects.back().offset + objects.back().length > area.size()) {
        why = "an object runs past the end of its section";
        return false;
    }
    return true;
}

void SortByHandle(std::vector<ObjectLocation>& placed) {
    const auto byHandle = [](const ObjectLocation& a, const ObjectLocation& b) { return a.handle < b.handle; };
    if (!std::is_sorted(placed.begin(), placed.end(), byHandle)) std::sort(placed.begin(), placed.end(), byHandle);
}

// The objects' new places, put in the order they are written and taken in
// the order of the map, which lists objects by handle: no sorting then.
class NewPlaces {
public:
    explicit NewPlaces(std::size_t count) : places_(count), kept_(count, 0) {}
    void Put(const Placed& o, std::size_t offset) {
        places_[o.mapIndex] = {o.handle, static_cast<std::int64_t>(offset)};
        kept_[o.mapIndex] = 1;
    }
    // Sorted by handle, without the objects never put (deleted).
    void TakeInto(std::vector<ObjectLocation>& out) const {
        out.clear();
        out.reserve(places_.size());
        for (std::size_t i = 0; i < places_.size(); ++i) {
            if (kept_[i]) out.push_back(places_[i]);
        }
        SortByHandle(out);
    }

private:
    std::vector<ObjectLocation> places_;
    std::vector<char> kept_;
};

}  // namespace

bool RelayObjects(std::string_view area, const DwgFile& file, const DwgEdits& edits, RelaidObjects& out,
                  std::string& why) {
    std::vector<Placed> objects;
    if (!MeasureObjects(area, file, objects, why)) return false;
    out.oldStart = objects.front().offset;
    out.oldEnd = objects.back().offset + objects.back().length;
    // Objects in their old order, gaps between them kept.
    out.bytes.assign(area.substr(0, out.oldStart));
    NewPlaces places(objects.size());
    const EditsLookup edited(edits);
    std::size_t previousEnd = out.oldStart;
    for (const Placed& o : objects) {
        out.bytes.append(area.substr(previousEnd, o.offset - previousEnd));
        previousEnd = o.offset + o.length;
        if (edited.Deleted(o.handle)) continue;
        places.Put(o, out.bytes.size());
        if (const std::string* replaced = edited.Replaced(o.handle)) {
            out.bytes.append(*replaced);
        } else {
            out.bytes.append(area.substr(o.offset, o.length));
        }
    }
    places.TakeInto(out.placed);
    return true;
}

namespace {

// AppendChangedObjects, with the changed objects added to `extend` (which
// holds `area`) instead of to a copy of the area where they go behind it.
bool LayChangedObjects(std::string_view area, const DwgFile& file, const DwgEdits& edits, RelaidObjects& out,
                       std::string* extend, std::string& why) {
    std::vector<Placed> objects;
    if (!MeasureObjects(area, file, objects, why)) return false;
    out.oldStart = objects.front().offset;
    out.oldEnd = objects.back().offset + objects.back().length;
    const EditsLookup edited(edits);
    std::size_t live = 0;
    std::size_t appended = 0;
    for (const Placed& o : objects) {
        if (edited.Deleted(o.handle)) continue;
        const std::string* replaced = edited.Replaced(o.handle);
        const std::size_t length = replaced ? replaced->size() : o.length;
        live += length;
        if (replaced) appended += length;
    }
    const std::size_t total = area.size() + appended;
    const bool compact = (total - out.oldStart - live) * kMostUnusedPart > total;
    NewPlaces places(objects.size());
    if (compact) {
        // Every object once, one after the other, behind what precedes the first.
        out.bytes.assign(area.substr(0, out.oldStart));
        out.bytes.reserve(out.oldStart + live);
        for (const Placed& o : objects) {
            if (edited.Deleted(o.handle)) continue;
            places.Put(o, out.bytes.size());
            const std::string* replaced = edited.Replaced(o.handle);
            out.bytes.append(replaced ? std::string_view(*replaced) : area.substr(o.offset, o.length));
        }
    } else {
        // `area` is not read past this point: extending may move it.
        std::string& to = extend ? *extend : out.bytes;
        out.inPlace = extend != nullptr;
        to.reserve(total);
        if (!extend) to.assign(area);
        for (const Placed& o : objects) {
            if (edited.Deleted(o.handle)) continue;
            if (const std::string* replaced = edited.Replaced(o.handle)) {
                places.Put(o, to.size());
                to.append(*replaced);
            } else {
                places.Put(o, o.offset);
            }
        }
    }
    places.TakeInto(out.placed);
    return true;
}

}  // namespace

bool AppendChangedObjects(std::string_view area, const DwgFile& file, const DwgEdits& edits, RelaidObjects& out,
                          std::string& why) {
    return LayChangedObjects(area, file, edits, out, nullptr, why);
}

bool RelayFile(std::string_view bytes, const DwgFile& file, const DwgEdits& edits, std::string& out,
               std::string& why) {
    RelaidObjects relaid;
    if (!RelayObjects(bytes, file, edits, relaid, why)) return false;
    const std::size_t objStart = relaid.oldStart;
    const std::size_t objEnd = relaid.oldEnd;
    const SectionLocator* mapLoc = nullptr;
    for (const SectionLocator& l : file.locators) {
        if (l.number == kObjectMapSection) mapLoc = &l;
    }
    const std::size_t mapStart = static_cast<std::size_t>(mapLoc->seeker);
    const std::size_t mapEnd = mapStart + static_cast<std::size_t>(mapLoc->size);
    if (mapStart < objEnd) {
        why = "the object map lies before the objects";
        return false;
    }
    // Every other section must lie wholly before the objects or behind the map.
    auto outside = [&](std::size_t start, std::size_t length) {
        return start + length <= objStart || start >= mapEnd;
    };
    for (const SectionLocator& l : file.locators) {
        if (l.number == kObjectMapSection || (l.seeker == 0 && l.size == 0)) continue;
        if (!outside(static_cast<std::size_t>(l.seeker), static_cast<std::size_t>(l.size))) {
            why = "section " + std::to_string(l.number) + " lies among the objects";
            return false;
        }
    }
    if (file.imageSeeker != 0 && static_cast<std::size_t>(file.imageSeeker) >= objStart) {
        why = "the preview image lies behind the objects";
        return false;
    }

    out = std::move(relaid.bytes);
    const std::size_t newObjEnd = out.size();
    out.append(bytes.substr(objEnd, mapStart - objEnd));
    const std::size_t newMapStart = out.size();
    std::string map = BuildObjectMap(relaid.placed, file.version);
    out.append(map);
    out.append(bytes.substr(mapEnd));

    const std::int64_t shiftObjects = static_cast<std::int64_t>(newObjEnd) - static_cast<std::int64_t>(objEnd);
    const std::int64_t shiftBehindMap =
        shiftObjects + static_cast<std::int64_t>(map.size()) - static_cast<std::int64_t>(mapLoc->size);
    auto moved = [&](std::int64_t address) -> std::int64_t {
        if (address < static_cast<std::int64_t>(objStart)) return address;
        if (address >= static_cast<std::int64_t>(mapEnd)) return address + shiftBehindMap;
        return address + shiftObjects;
    };

    // File header: locators and their CRC.
    for (std::size_t i = 0; i < file.locators.size(); ++i) {
        const SectionLocator& l = file.locators[i];
        std::size_t at = kLocatorTableOffset + 4 + i * kLocatorRecordSize;
        if (l.number == kObjectMapSection) {
            PutLittleEndian(&out[at + 1], static_cast<std::uint32_t>(newMapStart), 4);
            PutLittleEndian(&out[at + 5], static_cast<std::uint32_t>(map.size()), 4);
        } else if (!(l.seeker == 0 && l.size == 0)) {
            PutLittleEndian(&out[at + 1], static_cast<std::uint32_t>(moved(l.seeker)), 4);
        }
    }
    std::size_t crcAt = kLocatorTableOffset + 4 + file.locators.size() * kLocatorRecordSize;
    std::uint16_t crcXor = 0;
    FileHeaderCrcXor(static_cast<std::int32_t>(file.locators.size()), crcXor);
    std::uint16_t crc = Crc16(0, std::string_view(out).substr(0, crcAt)) ^ crcXor;
    PutLittleEndian(&out[crcAt], crc, 2);

    // Second file header: its own place and the addresses it repeats.
    if (file.secondHeaderOffset >= 0) {
        std::size_t oldAt = static_cast<std::size_t>(file.secondHeaderOffset);
        SecondHeader h;
        if (!ParseSecondHeader(bytes, oldAt, file.version, file.locators.size(), h)) {
            why = "the second file header cannot be read";
            return false;
        }
        std::size_t oldLength = EncodeSecondHeader(h, file.version).size();
        h.location = static_cast<std::int32_t>(moved(h.location));
        for (SecondHeader::Record& rec : h.records) {
            if (rec.number == kObjectMapSection) {
                rec.address = static_cast<std::int32_t>(newMapStart);
                rec.size = static_cast<std::int32_t>(map.size());
            } else if (rec.address != 0) {
                rec.address = static_cast<std::int32_t>(moved(rec.address));
            }
        }
        std::string encoded = EncodeSecondHeader(h, file.version);
        if (encoded.size() != oldLength) {
            why = "the second file header would change its length";
            return false;
        }
        out.replace(static_cast<std::size_t>(moved(static_cast<std::int64_t>(oldAt))), encoded.size(), encoded);
    }
    return true;
}

namespace {

// The objects section with the edits, in `objects`, and the handles
// section built for it: what both paged containers write.
bool NewObjectSections(ObjectsBuffer& objects, const DwgFile& file, const DwgEdits& edits, std::string& handles,
                       std::string& why) {
    RelaidObjects relaid;
    if (!LayChangedObjects(objects.data, file, edits, relaid, &objects.data, why)) return false;
    if (!relaid.inPlace) {
        objects.old = std::move(objects.data);
        objects.data = std::move(relaid.bytes);
        objects.rewritten = true;
    }
    handles = BuildObjectMap(relaid.placed, file.version);
    // The drawing's map (file.objectMap, where lent) becomes the map laid:
    // nothing below reads it.
    if (objects.map) objects.PatchMap(relaid.placed);
    return true;
}

}  // namespace

namespace {

// The container as read when the drawing was opened; parsed again only for a
// DwgFile that was not read from these bytes.
template <class Container>
std::shared_ptr<const Container> ContainerToWrite(std::string_view bytes, std::shared_ptr<const Container> kept,
                                                  std::string& why) {
    if (!kept) {
        auto parsed = std::make_shared<Container>();
        if (!parsed->Parse(bytes, why)) return nullptr;
        kept = parsed;
    }
    if (!kept->Find(kObjectsSectionName) || !kept->Find(kHandlesSectionName)) {
        why = "the objects or handles section is missing";
        return nullptr;
    }
    return kept;
}

}  // namespace

bool RelayPagedFile(std::string_view bytes, const DwgFile& file, const DwgEdits& edits, ObjectsBuffer& objects,
                    std::string& out, std::string& why) {
    const auto container = ContainerToWrite<R2004File>(bytes, file.r2004, why);
    std::string handles;
    if (!container || !NewObjectSections(objects, file, edits, handles, why)) return false;
    R2004WriteOptions options;
    options.previous[kObjectsSectionName] = objects.Old();
    return WriteR2004(bytes, *container, {{kObjectsSectionName, objects.data}, {kHandlesSectionName, handles}}, options,
                      out, why);
}

bool RelayR2007File(std::string_view bytes, const DwgFile& file, const DwgEdits& edits, ObjectsBuffer& objects,
                    std::string& out, std::string& why) {
    const auto container = ContainerToWrite<R2007File>(bytes, file.r2007, why);
    std::string handles;
    if (!container || !NewObjectSections(objects, file, edits, handles, why)) return false;
    return WriteR2007(bytes, *container, {{kObjectsSectionName, objects.data}, {kHandlesSectionName, handles}}, out,
                      why, {{kObjectsSectionName, objects.Old()}});
}

}  // namespace kel::dwg
