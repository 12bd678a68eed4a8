// The objects of a drawing that the component works with, decoded
// from the object map, and the drawing's block inserts and attributes as a
// format-neutral DrawingInfo.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

#include "component/AttributeListing.h"
#include "component/DrawingHandle.h"
#include "component/DrawingInfo.h"
#include "component/dwg/DwgFile.h"
#include "component/dwg/DwgObjectCodec.h"
#include "component/dwg/HandleFilter.h"
#include "component/dwg/HandleIndex.h"

namespace kel::dwg {

class DwgModel {
public:
    // Decodes the objects of the map (the CRC of each is checked). False
    // with a component status when an object is damaged or the block table
    // cannot be found. From R2004 on, where blocks and inserts list what they
    // own, objects of the types without declared fields are decoded up to
    // their type and handle only, and those the model does not read once
    // loaded (blocks, their ends, SEQENDs, dictionaries) are checked in full;
    // both are kept as a few numbers, block headers with their names and
    // entities besides. DecodeRest decodes them fully.
    bool Load(std::string_view bytes, const DwgFile& file, std::string& status);
    // The same for a file written from the drawing `earlier` was loaded
    // from (its object area `area`): an object whose bytes, wherever it now
    // lies, are those it had there, and that is not among `changed`, is
    // shared with `earlier` as it read it (its CRC was checked then); every
    // other object is decoded and checked.
    struct Earlier {
        const DwgModel* model = nullptr;
        std::string_view area;
        const std::unordered_map<std::uint64_t, std::string>* changed = nullptr;
    };
    bool Load(std::string_view bytes, const DwgFile& file, std::string& status, const Earlier& earlier);
    // Follows a file written from this model (with Earlier{this, area,
    // changed}): every object of its map is checked as Load would check it,
    // and the model then becomes what Load would have made of the file,
    // taking the file's offsets and its changed objects instead of a second
    // model being built. `before` receives what the model held, and GoBack
    // with it makes the model what it was. kDamaged (with a component status)
    // and kElsewhere leave the model as it was; kElsewhere when the file's
    // map does not hold exactly the model's objects, holds its stubs in
    // another order, or a changed object would be held otherwise than the
    // model holds it (decoded or as a stub): Load reads such a file.
    struct Before;
    enum class Followed { kFollowed, kDamaged, kElsewhere };
    Followed Follow(std::string_view bytes, const DwgFile& file, std::string_view area,
                    const std::unordered_map<std::uint64_t, std::string>* changed, Before& before,
                    std::string& status);
    void GoBack(Before& before) noexcept;

    // Decodes the objects Load left at their prefix (the same bytes and file
    // Load was given): afterwards Objects() holds every object of the map.
    bool DecodeRest(std::string_view bytes, const DwgFile& file, std::string& status);

    // The drawing's blocks, inserts and attributes, from the bytes and file
    // the model was loaded from (inserts without attributes are read again).
    DrawingInfo Describe(std::string_view bytes, const DwgFile& file) const;
    // The rows of the attributes Describe lists, in its order and with its
    // texts; false up to R2004, whose texts are read in Describe's order.
    bool ListAttributes(AttributeRows& rows) const;

    // Any object of the map; one left at its prefix comes as a DecodedObject
    // with prefixOnly set (type, handle and sizes).
    const DecodedObject* Find(std::uint64_t handle) const;
    // An object decoded in full: one Load left at its prefix is decoded now
    // from the same bytes and file and kept so. Null with a component status
    // when it is not in the map or does not decode.
    const DecodedObject* FindFull(std::uint64_t handle, std::string_view bytes, const DwgFile& file,
                                  std::string& status);
    // Where an object of the map lies in the object area (the file offset of
    // its size field), or -1.
    std::int64_t OffsetOf(std::uint64_t handle) const;
    // For edits: the object to change in place, and dropping an object.
    DecodedObject* FindMutable(std::uint64_t handle);
    void Erase(std::uint64_t handle) { index_.Erase(handle); }
    // A decoded object and where it lies in this model's file: an object
    // shared with the model of another file may lie elsewhere in that one.
    struct Entry {
        std::shared_ptr<DecodedObject> object;
        std::int64_t offset = 0;
    };
    // The decoded objects (all of them after DecodeRest), in order.
    class ObjectList {
    public:
        using Held = std::vector<Entry>;
        class Iterator {
        public:
            explicit Iterator(Held::const_iterator at) : at_(at) {}
            const DecodedObject& operator*() const { return *at_->object; }
            Iterator& operator++() {
                ++at_;
                return *this;
            }
            bool operator==(const Iterator& other) const { return at_ == other.at_; }

        private:
            Held::const_iterator at_;
        };
        explicit ObjectList(const Held& held) : held_(held) {}
        Iterator begin() const { return Iterator(held_.begin()); }
        Iterator end() const { return Iterator(held_.end()); }
        std::size_t size() const { return held_.size(); }

    private:
        const Held& held_;
    };
    ObjectList Objects() const { return ObjectList(objects_); }
    // Block headers in the order the drawing lists its blocks.
    const std::vector<std::uint64_t>& BlockOrder() const { return blockOrder_; }
    // The entities of a block header, in the block's order.
    std::vector<std::uint64_t> EntitiesOf(std::uint64_t blockHeader) const;
    // The ATTRIBs of an INSERT or MINSERT, in order.
    std::vector<std::uint64_t> AttribsOf(std::uint64_t insert) const;
    // An attribute's value as shown (UTF-8): a multi-line one without its formatting.
    std::string ValueOf(const AttribData& a) const;
    // The page of the \M+n escapes among the texts read so far (1 to 5), or 0:
    // new text takes the same form.
    int EscapePage() const { return escapePage_; }

private:
    // Whether the object at `loc` is unchanged from earlier, and where
    // earlier keeps it (earlier's index value for it).
    // `changed` filters earlier.changed's handles.
    static bool FindUnchanged(const Earlier& earlier, const HandleFilter& changed, std::string_view area,
                              const ObjectLocation& loc, std::size_t& there);
    // A decoded object; null for one left at its prefix.
    const DecodedObject* Decoded(std::uint64_t handle) const;
    bool IsEntity(std::uint64_t handle) const;
    // An insert left as a stub, decoded again into `out`; null for any other
    // handle. Throws when it no longer decodes.
    const DecodedObject* ReadAgain(std::uint64_t handle, std::string_view bytes, const DwgFile& file,
                                   DecodedObject& out) const;
    std::string Text(const std::string& raw) const;
    // What Load works out from the objects once placed.
    struct Derived {
        std::vector<std::uint64_t> blockOrder;
        std::unordered_map<std::uint64_t, std::string> blockNames;
        std::unordered_map<std::uint64_t, std::uint64_t> layoutOfBlock;
        std::unordered_map<std::uint64_t, std::vector<std::uint64_t>> ownedBy;
    };
    bool Derive(Derived& derived, std::string& status) const;
    void TakeDerived(Derived& derived) noexcept;
    void NameBlocks(const DecodedObject& control, std::size_t regular,
                    std::unordered_map<std::uint64_t, std::string>& blockNames) const;
    std::string LayoutNameOf(std::uint64_t blockHeader) const;
    std::string NameOf(std::uint64_t handle) const;
    int ConstantAttdefsOf(std::uint64_t blockHeader) const;
    // Follows entity links from first to last (stopping early at stopType,
    // a missing or repeated entity).
    std::vector<std::uint64_t> Chain(std::uint64_t first, std::uint64_t last, int stopType) const;

    // An object left at its prefix: 16 bytes, its offset in 32 bits (Load
    // and Follow refuse object areas of 4 GiB and more).
    struct Stub {
        std::uint32_t offset = 0;
        std::uint32_t totalBytes = 0;
        std::uint32_t size = 0;
        std::int16_t type = 0;
        bool isEntity = false;
    };
    static_assert(sizeof(Stub) == 16);
    // What the model reads of a block header: from R2004 on the header
    // itself is kept as a stub and this in its place (a drawing may hold
    // thousands of anonymous blocks). Block headers are never changed.
    struct Block {
        std::uint64_t handle = 0;
        std::string name;  // as stored
        bool anonymous = false;
        std::uint64_t layout = 0;
        std::vector<std::uint64_t> entities;  // R2004 and later: the entities it lists
    };
    static Block BlockFrom(const DecodedObject& header, bool entities = true);
    struct StubbedBlock {
        Stub stub;
        Block block;
    };
    // A block header's Block: the decoded header's, made in `scratch` (its
    // entities only when `entities` is set), or the one kept for its stub;
    // null for a handle that is not a block header's.
    const Block* BlockOf(std::uint64_t handle, Block& scratch, bool entities = false) const;
    void KeepBlock(std::uint64_t handle, Block block);
    // Whether an object area is small enough for the stubs' offsets.
    static bool AreaFits(std::string_view area) { return area.size() <= UINT32_MAX; }
    // The index's mark of a place in stubs_ (its values are 32 bits).
    static constexpr std::size_t kStubBit = std::size_t{1} << 31;
    // What Load found for one entry of the object map: why it failed, a
    // stub, a decoded object, or earlier's index value for an object taken
    // from earlier. Worked out for many entries at once, placed in map order.
    struct Taken {
        std::size_t there = 0;
    };
    using Found = std::variant<std::string, Stub, std::shared_ptr<DecodedObject>, Taken, std::unique_ptr<StubbedBlock>>;
    static Found FindObject(std::string_view area, const ObjectLocation& loc, const DwgFile& file,
                            DecodeDepth depth, const Earlier& earlier, const HandleFilter& changed);
    // Finds every object of the file's map and hands each to `take` in map
    // order, a window of `windowRuns` runs of objects at a time; stops where
    // `take` returns false.
    static bool FindAll(std::string_view area, const DwgFile& file, DecodeDepth depth, const Earlier& earlier,
                        std::size_t windowRuns, const std::function<bool(const ObjectLocation&, Found&)>& take);
    // Places what FindObject found; false with a component status when it failed.
    bool Place(Found& found, const ObjectLocation& loc, const Earlier& earlier, std::size_t& place,
               std::string& status);

    // Each object on its own, so that its address stays as the list grows,
    // and shared with the model of a file written from this one where the
    // object's bytes did not change (FindMutable copies it before a change).
    std::vector<Entry> objects_;
    std::vector<Stub> stubs_;
    // Handle -> place in objects_, or in stubs_ with kStubBit set.
    HandleIndex index_;
    // The Blocks of block headers kept as stubs, in map order, and handle ->
    // place in blocks_.
    std::vector<Block> blocks_;
    HandleIndex blockIndex_;
    // Stubs handed out by Find, as objects (stable addresses).
    mutable std::deque<DecodedObject> shownStubs_;
    mutable std::unordered_map<std::uint64_t, std::size_t> shownStubIndex_;
    std::vector<std::uint64_t> blockOrder_;
    std::unordered_map<std::uint64_t, std::string> blockNames_;  // UTF-8, numbered where the file leaves it
    std::unordered_map<std::uint64_t, std::uint64_t> layoutOfBlock_;          // block header -> LAYOUT
    std::unordered_map<std::uint64_t, std::vector<std::uint64_t>> ownedBy_;  // block -> its entities by owner
    int codePage_ = 0;
    bool wideText_ = false;  // R2007 and later: texts were UTF-16
    mutable int escapePage_ = 0;  // the page of the last \M+n escape read (1 to 5)
    bool ownedLists_ = false;  // R2004: blocks and inserts list what they own
    bool hasLayouts_ = false;
};

// What a model that followed a written file held before, kept so that it
// can go back (the places and stubs as swapped pairs: swapping again
// restores them).
struct DwgModel::Before {
    std::vector<Entry> objects;
    std::vector<std::pair<std::size_t, Stub>> stubs;            // place in stubs_, the stub there
    std::vector<std::pair<std::uint64_t, HandleIndex::Value>> places;  // handle, its index value
    Derived derived;
    std::deque<DecodedObject> shownStubs;
    std::unordered_map<std::uint64_t, std::size_t> shownStubIndex;
    bool hasLayouts = false;
    int escapePage = 0;
    bool holdsModel = false;  // true while it holds what the model held
};

// A handle as the drawing information shows it (component/DrawingHandle.h).
using ::kel::FormatHandle;

}  // namespace kel::dwg
