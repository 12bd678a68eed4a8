// A model following the file written from it: the written file's objects
// are checked against the model's own, and the model takes the file's
// offsets and changed objects, so that a save needs no second model.
#include <memory>
#include <variant>

#include "component/ComponentStatus.h"
#include "component/dwg/DwgModel.h"

namespace kel::dwg {
namespace {

// The runs taken at a time: a third of Load's window, as what waits for its
// place counts at the save's peak and most objects are only compared.
constexpr std::size_t kFollowWindowRuns = 32;

}  // namespace

DwgModel::Followed DwgModel::Follow(std::string_view bytes, const DwgFile& file, std::string_view area,
                                    const std::unordered_map<std::uint64_t, std::string>* changed, Before& before,
                                    std::string& status) {
    before = Before{};
    const std::vector<ObjectLocation>& map = file.objectMap;
    // Every object of the model once, and no other.
    if (map.size() != index_.Size()) return Followed::kElsewhere;
    const Earlier earlier{this, area, changed};
    const DecodeDepth depth = ownedLists_ ? DecodeDepth::kWorkingSet : DecodeDepth::kFull;
    const std::string_view written = file.ObjectArea(bytes);
    if (!AreaFits(written)) return Followed::kElsewhere;  // Load refuses it

    // What the model will hold, gathered without touching it: the decoded
    // objects in map order, the stubs that moved or changed, the handles
    // whose place changes.
    Before& next = before;
    next.objects.reserve(objects_.size());
    std::vector<bool> decodedTaken(objects_.size());
    std::size_t stubsTaken = 0;  // stub places below this were passed
    Followed outcome = Followed::kFollowed;
    const auto elsewhere = [&] {
        outcome = Followed::kElsewhere;
        return false;
    };
    const auto take = [&](const ObjectLocation& loc, Found& found) {
        if (const auto* why = std::get_if<std::string>(&found)) {
            status = status::Make(status::kCorrupt, "Damaged drawing: " + *why);
            outcome = Followed::kDamaged;
            return false;
        }
        const HandleIndex::Value* at = index_.Find(loc.handle);
        if (!at) return elsewhere();
        const std::size_t was = *at;
        // Each of the model's places taken once; the stubs in the
        // model's order, which DecodeRest keeps.
        const bool wasStub = (was & kStubBit) != 0;
        const std::size_t slot = was & ~kStubBit;
        if (wasStub) {
            if (slot < stubsTaken) return elsewhere();
            stubsTaken = slot + 1;
        } else {
            if (decodedTaken[slot]) return elsewhere();
            decodedTaken[slot] = true;
        }
        std::shared_ptr<DecodedObject> object;
        if (std::holds_alternative<Taken>(found)) {
            if (wasStub) {
                if (stubs_[slot].offset != loc.offset) {
                    Stub moved = stubs_[slot];
                    moved.offset = static_cast<std::uint32_t>(loc.offset);  // compared there: inside the area
                    next.stubs.emplace_back(slot, moved);
                }
                return true;
            }
            object = objects_[slot].object;
        } else if (std::holds_alternative<std::unique_ptr<StubbedBlock>>(found)) {
            // A changed block header: its Block would change too.
            return elsewhere();
        } else if (std::holds_alternative<Stub>(found)) {
            // A changed object of a kind kept as a stub: changed, the
            // model holds it decoded (FindFull) or shown (FindMutable).
            return elsewhere();
        } else {
            // A changed object the model held as a stub would now be
            // decoded: its kind changed.
            if (wasStub) return elsewhere();
            object = std::move(std::get<std::shared_ptr<DecodedObject>>(found));
        }
        // Behind objects erased or decoded late, a decoded object's place moves.
        const std::size_t place = next.objects.size();
        if (place != slot) next.places.emplace_back(loc.handle, static_cast<HandleIndex::Value>(place));
        if (Holds<LayoutData>(object->data)) next.hasLayouts = true;
        next.objects.push_back({std::move(object), loc.offset});
        return true;
    };
    if (!FindAll(written, file, depth, earlier, kFollowWindowRuns, take)) {
        before = Before{};  // what was gathered goes before Load reads the file
        return outcome;
    }

    // The model takes the file's objects; what it works out from them is
    // worked out again, as Load does, with the texts' escape page read anew.
    next.escapePage = 0;
    GoBack(next);
    try {
        Derived derived;
        if (!Derive(derived, status)) {
            GoBack(next);
            before = Before{};
            return Followed::kDamaged;
        }
        TakeDerived(derived);
    } catch (...) {
        GoBack(next);
        throw;
    }
    return Followed::kFollowed;
}

void DwgModel::GoBack(Before& before) noexcept {
    objects_.swap(before.objects);
    for (auto& [slot, stub] : before.stubs) std::swap(stubs_[slot], stub);
    for (auto& [handle, place] : before.places) std::swap(*index_.Find(handle), place);
    shownStubs_.swap(before.shownStubs);
    shownStubIndex_.swap(before.shownStubIndex);
    std::swap(hasLayouts_, before.hasLayouts);
    std::swap(escapePage_, before.escapePage);
    TakeDerived(before.derived);
    before.holdsModel = !before.holdsModel;
}

}  // namespace kel::dwg
