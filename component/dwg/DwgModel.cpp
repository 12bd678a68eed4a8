#include "component/dwg/DwgModel.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <new>
#include <unordered_set>

#include "component/ComponentStatus.h"
#include "component/LayoutName.h"
#include "component/dwg/DwgText.h"
#include "component/dwg/TwoThreads.h"
#include "component/dxf/DxfText.h"

namespace kel::dwg {
namespace {

std::string Upper(std::string s) {
    for (char& c : s) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return s;
}

// From R2004 on, what the model reads once loaded: inserts with attributes,
// attributes and their definitions, layers, layouts and the tables' controls.
// Inserts without attributes, blocks, their ends, SEQENDs and dictionaries
// are decoded and checked like any object, then kept as stubs: Describe
// reads such an insert again, and the few objects an edit needs are decoded
// again then (FindFull). Block headers are kept as stubs too, with the
// little the model reads of them (Block).
bool ReadAfterLoad(const DecodedObject& o) {
    if (const auto* insert = DataIf<InsertData>(o.data)) return insert->hasAttribs;
    return !Holds<BlockNameData>(o.data) && !Holds<DictionaryData>(o.data);
}

// Objects a thread decodes at a time, the runs placed at a time, and the
// object area from which a second thread helps.
constexpr std::size_t kLoadRun = 256;
constexpr std::size_t kLoadWindowRuns = 96;
constexpr std::size_t kLoadHelpFrom = 2u << 20;

}  // namespace

bool DwgModel::Load(std::string_view bytes, const DwgFile& file, std::string& status) {
    return Load(bytes, file, status, Earlier{});
}

bool DwgModel::FindUnchanged(const Earlier& earlier, const HandleFilter& changed, std::string_view area,
                             const ObjectLocation& loc, std::size_t& there) {
    if (earlier.changed && changed.MayHold(loc.handle) && earlier.changed->count(loc.handle)) return false;
    const DwgModel& m = *earlier.model;
    const HandleIndex::Value* at = m.index_.Find(loc.handle);
    if (!at) return false;
    const bool stub = (*at & kStubBit) != 0;
    const Stub* s = stub ? &m.stubs_[*at & ~kStubBit] : nullptr;
    const Entry* o = stub ? nullptr : &m.objects_[*at];
    // Objects hold no file offsets: up to R2000 an object that only moved
    // behind a changed one decodes as it did.
    const std::int64_t was = stub ? s->offset : o->offset;
    const std::size_t length = stub ? s->totalBytes : o->object->totalBytes;
    if (was < 0 || loc.offset < 0) return false;
    const auto from = static_cast<std::size_t>(was);
    const auto to = static_cast<std::size_t>(loc.offset);
    if (to > area.size() || area.size() - to < length || from > earlier.area.size() ||
        earlier.area.size() - from < length || area.compare(to, length, earlier.area, from, length) != 0) {
        return false;
    }
    there = *at;
    return true;
}

DwgModel::Found DwgModel::FindObject(std::string_view area, const ObjectLocation& loc, const DwgFile& file,
                                     DecodeDepth depth, const Earlier& earlier, const HandleFilter& changed) {
    if (std::size_t there = 0; earlier.model && FindUnchanged(earlier, changed, area, loc, there)) {
        return Taken{there};
    }
    DecodedObject o;
    std::string why;
    if (!DecodeObject(area, loc.offset, file, o, why, depth)) return "object " + FormatHandle(loc.handle) + ": " + why;
    if (o.Handle() != loc.handle) {
        return "object map entry " + FormatHandle(loc.handle) + " points at object " + FormatHandle(o.Handle());
    }
    // Decoded where it lies, so its offset lies inside the area.
    const Stub stub{static_cast<std::uint32_t>(loc.offset), static_cast<std::uint32_t>(o.totalBytes), o.size,
                    o.common.type, o.common.isEntity};
    if (o.prefixOnly || (depth == DecodeDepth::kWorkingSet && !ReadAfterLoad(o))) return stub;
    if (depth == DecodeDepth::kWorkingSet && Holds<BlockHeaderData>(o.data)) {
        return std::make_unique<StubbedBlock>(StubbedBlock{stub, BlockFrom(o)});
    }
    return std::make_shared<DecodedObject>(std::move(o));
}

bool DwgModel::FindAll(std::string_view area, const DwgFile& file, DecodeDepth depth, const Earlier& earlier,
                       std::size_t windowRuns, const std::function<bool(const ObjectLocation&, Found&)>& take) {
    // The objects are decoded (or compared with earlier's) in runs, on two
    // threads for a large area, and then taken in map order, so the first
    // damaged object in the map gives the reason whichever thread met it.
    // A window of runs at a time, so that what was found waits in a list of
    // a window's length, not the map's.
    const std::vector<ObjectLocation>& map = file.objectMap;
    const std::size_t window = std::min(map.size(), kLoadRun * windowRuns);
    std::vector<Found> found(window);
    HandleFilter changed;
    if (earlier.changed) {
        for (const auto& [handle, bytes] : *earlier.changed) changed.Add(handle);
    }
    for (std::size_t first = 0; first < map.size(); first += window) {
        const std::size_t count = std::min(window, map.size() - first);
        const std::size_t runs = (count + kLoadRun - 1) / kLoadRun;
        const bool worked = ForEachOnTwoThreads(runs, area.size() >= kLoadHelpFrom, [&](std::size_t k) {
            const std::size_t end = std::min(count, (k + 1) * kLoadRun);
            for (std::size_t i = k * kLoadRun; i < end; ++i) {
                found[i] = FindObject(area, map[first + i], file, depth, earlier, changed);
            }
            return true;
        });
        if (!worked) throw std::bad_alloc();  // the only way a run fails
        for (std::size_t i = 0; i < count; ++i) {
            if (!take(map[first + i], found[i])) return false;
        }
    }
    return true;
}

bool DwgModel::Place(Found& found, const ObjectLocation& loc, const Earlier& earlier, std::size_t& place,
                     std::string& status) {
    if (const auto* why = std::get_if<std::string>(&found)) {
        status = status::Make(status::kCorrupt, "Damaged drawing: " + *why);
        return false;
    }
    if (const auto* stub = std::get_if<Stub>(&found)) {
        place = stubs_.size() | kStubBit;
        stubs_.push_back(*stub);
        return true;
    }
    if (auto* block = std::get_if<std::unique_ptr<StubbedBlock>>(&found)) {
        place = stubs_.size() | kStubBit;
        stubs_.push_back((*block)->stub);
        KeepBlock(loc.handle, std::move((*block)->block));
        return true;
    }
    std::shared_ptr<DecodedObject> object;
    if (const auto* taken = std::get_if<Taken>(&found)) {
        const DwgModel& m = *earlier.model;
        if (taken->there & kStubBit) {
            place = stubs_.size() | kStubBit;
            stubs_.push_back(m.stubs_[taken->there & ~kStubBit]);
            stubs_.back().offset = static_cast<std::uint32_t>(loc.offset);  // compared there: inside the area
            if (const HandleIndex::Value* b = m.blockIndex_.Find(loc.handle)) KeepBlock(loc.handle, m.blocks_[*b]);
            return true;
        }
        object = m.objects_[taken->there].object;  // shared: the same bytes decode the same
    } else {
        object = std::move(std::get<std::shared_ptr<DecodedObject>>(found));
    }
    place = objects_.size();
    if (Holds<LayoutData>(object->data)) hasLayouts_ = true;
    objects_.push_back({std::move(object), loc.offset});
    return true;
}

bool DwgModel::Load(std::string_view bytes, const DwgFile& file, std::string& status, const Earlier& earlier) {
    objects_.clear();
    stubs_.clear();
    index_.Clear();
    blocks_.clear();
    blockIndex_.Clear();
    shownStubs_.clear();
    shownStubIndex_.clear();
    // The index holds places of 32 bits, the stub mark their top one; the
    // model holds at most two places an object.
    if (file.objectMap.size() >= kStubBit / 2) {
        status = status::Make(status::kCorrupt, "Damaged drawing: the object map holds too many objects");
        return false;
    }
    codePage_ = file.codePage;
    wideText_ = HasStringStream(file.version);
    ownedLists_ = AtLeast(file.version, Version::R2004);
    hasLayouts_ = false;
    // Up to R2000 entities are found by following each one's link to the
    // next, which lies among its common fields.
    const DecodeDepth depth = ownedLists_ ? DecodeDepth::kWorkingSet : DecodeDepth::kFull;
    const std::string_view area = file.ObjectArea(bytes);
    if (!AreaFits(area)) {
        status = status::Make(status::kCorrupt, "Damaged drawing: the objects take 4 GiB or more");
        return false;
    }
    // The index is built once every object is placed: filled as the objects
    // are decoded, each entry would be a cache miss.
    std::vector<std::pair<std::uint64_t, std::size_t>> placed;
    placed.reserve(file.objectMap.size());
    const auto take = [&](const ObjectLocation& loc, Found& found) {
        std::size_t place = 0;
        if (!Place(found, loc, earlier, place, status)) return false;
        placed.emplace_back(loc.handle, place);
        return true;
    };
    if (!FindAll(area, file, depth, earlier, kLoadWindowRuns, take)) return false;
    stubs_.shrink_to_fit();
    index_.Reserve(placed.size());
    for (const auto& [handle, place] : placed) index_.Set(handle, static_cast<HandleIndex::Value>(place));

    Derived derived;
    if (!Derive(derived, status)) return false;
    TakeDerived(derived);
    return true;
}

bool DwgModel::Derive(Derived& d, std::string& status) const {
    // Which block each layout draws on, and which entities name which block
    // as their owner (model and paper space entities name none).
    for (const DecodedObject& o : Objects()) {
        if (const auto* l = DataIf<LayoutData>(o.data)) {
            d.layoutOfBlock.emplace(o.Ref(l->paperSpaceBlock), o.Handle());
        }
        if (o.commonRead && o.common.isEntity && o.common.entMode == 0) d.ownedBy[o.Ref(o.common.owner)].push_back(o.Handle());
    }

    const DecodedObject* control = nullptr;
    for (const DecodedObject& o : Objects()) {
        if (o.common.type == type::kBlockControl && o.known) {
            control = &o;
            break;
        }
    }
    if (!control) {
        status = status::Make(status::kCorrupt, "Damaged drawing: no block table");
        return false;
    }
    // The table lists its entries, then model space and paper space; the
    // drawing's block order puts those two first.
    const auto& c = DataOf<ControlData>(control->data);
    std::size_t regular = std::min(c.entries.size(), static_cast<std::size_t>(std::max(c.numEntries, 0)));
    std::vector<std::uint64_t> candidates;
    for (std::size_t i = regular; i < c.entries.size(); ++i) candidates.push_back(control->Ref(c.entries[i]));
    for (std::size_t i = 0; i < regular; ++i) candidates.push_back(control->Ref(c.entries[i]));
    std::unordered_set<std::uint64_t> seen;
    bool hasModelSpace = false;
    Block scratch;
    for (std::uint64_t h : candidates) {
        const Block* b = BlockOf(h, scratch);
        if (!b || !seen.insert(h).second) continue;
        d.blockOrder.push_back(h);
        if (Upper(CutAtNul(b->name)) == "*MODEL_SPACE") hasModelSpace = true;
    }
    // A block table that lost its model space entry: the model space block
    // itself still holds the drawing's model space entities (the first in
    // map order: block headers are all decoded or all kept as stubs, but
    // for those an edit decoded since).
    if (!hasModelSpace) {
        const auto isModelSpace = [&](std::uint64_t h) {
            const Block* b = BlockOf(h, scratch);
            return b && Upper(CutAtNul(b->name)) == "*MODEL_SPACE" && !seen.count(h);
        };
        std::uint64_t found = 0;
        for (const DecodedObject& o : Objects()) {
            if (Holds<BlockHeaderData>(o.data) && isModelSpace(o.Handle())) {
                found = o.Handle();
                break;
            }
        }
        for (std::size_t i = 0; i < blocks_.size() && found == 0; ++i) {
            if (isModelSpace(blocks_[i].handle)) found = blocks_[i].handle;
        }
        if (found != 0) d.blockOrder.insert(d.blockOrder.begin(), found);
    }
    NameBlocks(*control, regular, d.blockNames);
    return true;
}

void DwgModel::TakeDerived(Derived& d) noexcept {
    blockOrder_.swap(d.blockOrder);
    blockNames_.swap(d.blockNames);
    layoutOfBlock_.swap(d.layoutOfBlock);
    ownedBy_.swap(d.ownedBy);
}

const DecodedObject* DwgModel::FindFull(std::uint64_t handle, std::string_view bytes, const DwgFile& file,
                                        std::string& status) {
    HandleIndex::Value* at = index_.Find(handle);
    if (!at) {
        status = status::Make(status::kHandleNotFound, "Handle " + FormatHandle(handle) + " not found");
        return nullptr;
    }
    if (!(*at & kStubBit)) return objects_[*at].object.get();
    // A stub that an edit has replaced is the edited object.
    if (auto shown = shownStubIndex_.find(handle); shown != shownStubIndex_.end() &&
                                                   !shownStubs_[shown->second].prefixOnly) {
        return &shownStubs_[shown->second];
    }
    DecodedObject full;
    std::string why;
    const std::int64_t offset = stubs_[*at & ~kStubBit].offset;
    if (!DecodeObject(file.ObjectArea(bytes), offset, file, full, why)) {
        status = status::Make(status::kCorrupt, "Damaged drawing: object " + FormatHandle(handle) + ": " + why);
        return nullptr;
    }
    shownStubIndex_.erase(handle);
    *at = static_cast<HandleIndex::Value>(objects_.size());
    objects_.push_back({std::make_shared<DecodedObject>(std::move(full)), offset});
    return objects_.back().object.get();
}

bool DwgModel::DecodeRest(std::string_view bytes, const DwgFile& file, std::string& status) {
    // In map order, as the stubs were placed.
    for (const ObjectLocation& loc : file.objectMap) {
        HandleIndex::Value* at = index_.Find(loc.handle);
        // Erased, or decoded already (Load, FindFull).
        if (!at || !(*at & kStubBit)) continue;
        const Stub& stub = stubs_[*at & ~kStubBit];
        DecodedObject full;
        std::string why;
        if (!DecodeObject(file.ObjectArea(bytes), stub.offset, file, full, why)) {
            status = status::Make(status::kCorrupt, "Damaged drawing: object " + FormatHandle(loc.handle) + ": " + why);
            return false;
        }
        *at = static_cast<HandleIndex::Value>(objects_.size());
        objects_.push_back({std::make_shared<DecodedObject>(std::move(full)), stub.offset});
    }
    stubs_.clear();
    shownStubs_.clear();
    shownStubIndex_.clear();
    return true;
}

void DwgModel::NameBlocks(const DecodedObject& control, std::size_t regular,
                          std::unordered_map<std::uint64_t, std::string>& blockNames) const {
    // The file stores anonymous blocks by their prefix alone ("*U", "*D") and
    // every paper space block but the active one as "*Paper_Space". Drawings
    // show them numbered: an anonymous block by its place in the block table,
    // the extra paper spaces from 0 on.
    const auto& c = DataOf<ControlData>(control.data);
    int paperSpaces = 0;
    // Model and paper space (behind the regular entries) keep their names
    // even when the table lists them a second time among the others.
    std::vector<std::size_t> order;
    for (std::size_t i = regular; i < c.entries.size(); ++i) order.push_back(i);
    for (std::size_t i = 0; i < regular; ++i) order.push_back(i);
    Block scratch;
    for (std::size_t i : order) {
        std::uint64_t h = control.Ref(c.entries[i]);
        if (blockNames.count(h)) continue;
        const Block* d = BlockOf(h, scratch);
        if (!d) continue;
        std::string name = Text(d->name);
        if (i < regular) {
            if (Upper(name) == "*PAPER_SPACE") {
                name += std::to_string(paperSpaces++);
            } else if (d->anonymous && name.size() == 2 && name[0] == '*') {
                name += std::to_string(i);
            }
        }
        blockNames[h] = name;
    }
}

const DecodedObject* DwgModel::Find(std::uint64_t handle) const {
    if (const DecodedObject* o = Decoded(handle)) return o;
    // A stub comes as an object of its own (made once).
    return const_cast<DwgModel*>(this)->FindMutable(handle);
}

DwgModel::Block DwgModel::BlockFrom(const DecodedObject& header, bool entities) {
    const auto& d = DataOf<BlockHeaderData>(header.data);
    Block b{header.Handle(), d.name, d.anonymous, header.Ref(d.layout), {}};
    if (!entities) return b;
    b.entities.reserve(d.ownedEntities.size());
    for (const HandleRef& r : d.ownedEntities) b.entities.push_back(header.Ref(r));
    return b;
}

const DwgModel::Block* DwgModel::BlockOf(std::uint64_t handle, Block& scratch, bool entities) const {
    const HandleIndex::Value* at = index_.Find(handle);
    if (!at) return nullptr;
    if (*at & kStubBit) {
        const HandleIndex::Value* kept = blockIndex_.Find(handle);
        return kept ? &blocks_[*kept] : nullptr;
    }
    const DecodedObject& o = *objects_[*at].object;
    if (!Holds<BlockHeaderData>(o.data)) return nullptr;
    scratch = BlockFrom(o, entities);
    return &scratch;
}

void DwgModel::KeepBlock(std::uint64_t handle, Block block) {
    blockIndex_.Set(handle, static_cast<HandleIndex::Value>(blocks_.size()));
    blocks_.push_back(std::move(block));
}

const DecodedObject* DwgModel::Decoded(std::uint64_t handle) const {
    const HandleIndex::Value* at = index_.Find(handle);
    return !at || (*at & kStubBit) ? nullptr : objects_[*at].object.get();
}

std::int64_t DwgModel::OffsetOf(std::uint64_t handle) const {
    const HandleIndex::Value* at = index_.Find(handle);
    if (!at) return -1;
    return *at & kStubBit ? stubs_[*at & ~kStubBit].offset : objects_[*at].offset;
}

bool DwgModel::IsEntity(std::uint64_t handle) const {
    const HandleIndex::Value* at = index_.Find(handle);
    if (!at) return false;
    return *at & kStubBit ? stubs_[*at & ~kStubBit].isEntity : objects_[*at].object->common.isEntity;
}

DecodedObject* DwgModel::FindMutable(std::uint64_t handle) {
    HandleIndex::Value* at = index_.Find(handle);
    if (!at) return nullptr;
    if (!(*at & kStubBit)) {
        // Shared with the model of a file written from this one: changed
        // here, it is this model's own copy.
        std::shared_ptr<DecodedObject>& o = objects_[*at].object;
        if (o.use_count() > 1) o = std::make_shared<DecodedObject>(*o);
        return o.get();
    }
    if (auto shown = shownStubIndex_.find(handle); shown != shownStubIndex_.end()) return &shownStubs_[shown->second];
    const Stub& stub = stubs_[*at & ~kStubBit];
    DecodedObject& o = shownStubs_.emplace_back();
    o.totalBytes = stub.totalBytes;
    o.size = stub.size;
    o.common.type = stub.type;
    o.common.handle = HandleRef{0, handle};
    o.common.isEntity = stub.isEntity;
    o.commonRead = false;
    o.prefixOnly = true;
    shownStubIndex_.emplace(handle, shownStubs_.size() - 1);
    return &o;
}

std::string DwgModel::Text(const std::string& raw) const {
    return wideText_ ? DecodeWideText(raw) : DecodeText(raw, codePage_, &escapePage_);
}

std::string DwgModel::ValueOf(const AttribData& a) const {
    return a.MultiLine() ? dxf::MTextToPlain(Text(a.Value())) : Text(a.Value());
}

std::vector<std::uint64_t> DwgModel::Chain(std::uint64_t first, std::uint64_t last, int stopType) const {
    std::vector<std::uint64_t> out;
    if (first == 0) return out;
    std::unordered_set<std::uint64_t> visited;
    std::uint64_t h = first;
    for (;;) {
        const DecodedObject* e = Decoded(h);
        if (!e || !e->common.isEntity || e->common.type == stopType || !visited.insert(h).second) break;
        out.push_back(h);
        if (h == last) break;
        h = e->common.noLinks ? h + 1 : e->Ref(e->common.next);
    }
    return out;
}

std::vector<std::uint64_t> DwgModel::EntitiesOf(std::uint64_t blockHeader) const {
    if (ownedLists_) {
        Block scratch;
        const Block* block = BlockOf(blockHeader, scratch, true);
        if (!block) return {};
        std::vector<std::uint64_t> out;
        for (std::uint64_t h : block->entities) {
            if (IsEntity(h)) out.push_back(h);
        }
        return out;
    }
    // Up to R2000 block headers are decoded, and list their first and last entity.
    const DecodedObject* b = Decoded(blockHeader);
    if (!b || !Holds<BlockHeaderData>(b->data)) return {};
    const auto& d = DataOf<BlockHeaderData>(b->data);
    std::uint64_t first = b->Ref(d.firstEntity);
    std::uint64_t last = b->Ref(d.lastEntity);
    std::vector<std::uint64_t> chain = Chain(first, last, type::kEndblk);
    if (first == 0 || (!chain.empty() && chain.back() == last)) return chain;
    // A broken chain: take the entities that name this block as their owner,
    // or for model and paper space those marked as theirs, in handle order.
    std::string name = Upper(CutAtNul(d.name));
    std::vector<std::uint64_t> owned;
    auto keep = [&](const DecodedObject& o) {
        int t = o.common.type;
        if (t != type::kBlock && t != type::kEndblk && t != type::kAttrib && t != type::kSeqend) {
            owned.push_back(o.Handle());
        }
    };
    if (name == "*MODEL_SPACE" || name == "*PAPER_SPACE") {
        const std::uint8_t mode = name == "*MODEL_SPACE" ? 2 : 1;
        for (const DecodedObject& o : Objects()) {
            if (o.commonRead && o.common.isEntity && o.common.entMode == mode) keep(o);
        }
    } else if (auto it = ownedBy_.find(blockHeader); it != ownedBy_.end()) {
        for (std::uint64_t h : it->second) keep(*Decoded(h));
    }
    return owned;
}

std::vector<std::uint64_t> DwgModel::AttribsOf(std::uint64_t insert) const {
    const DecodedObject* i = Decoded(insert);
    if (!i || !Holds<InsertData>(i->data)) return {};
    const auto& d = DataOf<InsertData>(i->data);
    if (!d.hasAttribs) return {};
    std::vector<std::uint64_t> out;
    if (ownedLists_) {
        for (const HandleRef& r : d.ownedAttribs) {
            const DecodedObject* a = Decoded(i->Ref(r));
            if (a && a->common.type == type::kAttrib && Holds<AttribData>(a->data)) {
                out.push_back(a->Handle());
            }
        }
        return out;
    }
    for (std::uint64_t h : Chain(i->Ref(d.firstAttrib), i->Ref(d.lastAttrib), type::kSeqend)) {
        const DecodedObject* a = Decoded(h);
        if (a && a->common.type == type::kAttrib && Holds<AttribData>(a->data)) out.push_back(h);
    }
    return out;
}

std::string DwgModel::NameOf(std::uint64_t handle) const {
    Block scratch;
    if (const Block* b = BlockOf(handle, scratch)) {
        auto it = blockNames_.find(handle);
        return it != blockNames_.end() ? it->second : Text(b->name);
    }
    const DecodedObject* o = Decoded(handle);
    if (!o) return {};
    if (const auto* l = DataIf<LayerData>(o->data)) return Text(l->name);
    if (const auto* l = DataIf<LayoutData>(o->data)) return Text(l->name);
    return {};
}

std::string DwgModel::LayoutNameOf(std::uint64_t blockHeader) const {
    Block scratch;
    const Block* b = BlockOf(blockHeader, scratch);
    if (!b) return {};
    const std::uint64_t layout = b->layout;
    if (layout != 0) {
        const DecodedObject* l = Decoded(layout);
        if (l && Holds<LayoutData>(l->data)) return NameOf(layout);
    }
    if (auto it = layoutOfBlock_.find(blockHeader); it != layoutOfBlock_.end()) return NameOf(it->second);
    return FallbackLayoutName(Upper(CutAtNul(b->name)), hasLayouts_);
}

}  // namespace kel::dwg
