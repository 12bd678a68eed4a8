// Handle -> position, for the tens of thousands of objects of a drawing: one
// array probed linearly instead of a node per handle, so that building the
// index costs no allocation per object and a lookup touches one cache line.
// A slot takes 12 bytes: the handle in two halves and a 32-bit position.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace kel::dwg {

class HandleIndex {
public:
    using Value = std::uint32_t;

    // Room for `count` handles without growing: a slot and a half each, not
    // rounded up to a power of two (which could take twice that).
    void Reserve(std::size_t count) {
        const std::size_t want = std::max<std::size_t>(16, count + count / 2 + 1);
        if (want > slots_.size()) Rehash(want);
    }
    void Clear() {
        slots_.clear();
        size_ = 0;
    }
    std::size_t Size() const { return size_; }

    // The position stored for `handle`, or null.
    const Value* Find(std::uint64_t handle) const {
        if (slots_.empty()) return nullptr;
        for (std::size_t i = Home(handle);; i = Next(i)) {
            const Slot& s = slots_[i];
            if (s.value == kFree) return nullptr;
            if (s.Is(handle)) return &s.value;
        }
    }
    Value* Find(std::uint64_t handle) {
        return const_cast<Value*>(static_cast<const HandleIndex*>(this)->Find(handle));
    }
    bool Contains(std::uint64_t handle) const { return Find(handle) != nullptr; }

    // Stores `value` (any but the largest Value) for a new handle; for one
    // already present, keeps what it holds. Returns the stored value and
    // whether the handle was new.
    std::pair<Value*, bool> Insert(std::uint64_t handle, Value value) {
        if ((size_ + 1) * 3 > slots_.size() * 2) Rehash(slots_.empty() ? 16 : slots_.size() * 2);
        for (std::size_t i = Home(handle);; i = Next(i)) {
            Slot& s = slots_[i];
            if (s.value == kFree) {
                s = Slot::Of(handle, value);
                ++size_;
                return {&s.value, true};
            }
            if (s.Is(handle)) return {&s.value, false};
        }
    }
    // Stores `value` for `handle`, new or not.
    void Set(std::uint64_t handle, Value value) { *Insert(handle, value).first = value; }

    // Removes `handle`; the entries behind it in its run move up so that
    // every lookup still ends at the first free slot.
    void Erase(std::uint64_t handle) {
        if (slots_.empty()) return;
        std::size_t hole = Home(handle);
        for (;; hole = Next(hole)) {
            if (slots_[hole].value == kFree) return;
            if (slots_[hole].Is(handle)) break;
        }
        for (std::size_t i = Next(hole);; i = Next(i)) {
            Slot& s = slots_[i];
            if (s.value == kFree) break;
            // An entry may fill the hole only if its home does not lie in
            // (hole, i], cyclically.
            const std::size_t home = Home(s.Handle());
            const bool homeBetween = hole < i ? (home > hole && home <= i) : (home > hole || home <= i);
            if (homeBetween) continue;
            slots_[hole] = s;
            hole = i;
        }
        slots_[hole].value = kFree;
        --size_;
    }

private:
    static constexpr Value kFree = ~Value{0};
    struct Slot {
        std::uint32_t low = 0;
        std::uint32_t high = 0;
        Value value = kFree;

        static Slot Of(std::uint64_t handle, Value value) {
            return Slot{static_cast<std::uint32_t>(handle), static_cast<std::uint32_t>(handle >> 32), value};
        }
        std::uint64_t Handle() const { return std::uint64_t{high} << 32 | low; }
        bool Is(std::uint64_t handle) const {
            return low == static_cast<std::uint32_t>(handle) && high == static_cast<std::uint32_t>(handle >> 32);
        }
    };
    static_assert(sizeof(Slot) == 12);

    std::size_t Home(std::uint64_t handle) const {
        // Handles are mostly consecutive: spread them by a multiplicative
        // hash, whose high bits then pick the slot, for a table of any size.
        const unsigned __int128 spread = handle * 0x9E3779B97F4A7C15ull;
        return static_cast<std::size_t>((spread * slots_.size()) >> 64);
    }
    std::size_t Next(std::size_t i) const { return i + 1 == slots_.size() ? 0 : i + 1; }

    void Rehash(std::size_t count) {
        std::vector<Slot> old = std::move(slots_);
        slots_.assign(count, Slot{});
        size_ = 0;
        for (const Slot& s : old) {
            if (s.value != kFree) Insert(s.Handle(), s.value);
        }
    }

    std::vector<Slot> slots_;
    std::size_t size_ = 0;
};

}  // namespace kel::dwg
