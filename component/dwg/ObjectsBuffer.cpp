#include "component/dwg/ObjectsBuffer.h"

#include <algorithm>

namespace kel::dwg {

std::string_view ObjectsBuffer::Old() const {
    return rewritten ? std::string_view(old) : std::string_view(data).substr(0, std::min(oldSize, data.size()));
}

void ObjectsBuffer::Restore() {
    if (rewritten) {
        data = std::move(old);
        old = std::string();
        rewritten = false;
    } else {
        data.resize(oldSize);
    }
}

bool ObjectsBuffer::PatchMap(const std::vector<ObjectLocation>& placed) {
    if (!map || mapPatched_) return false;
    std::vector<ObjectLocation>& m = *map;
    for (std::size_t i = 1; i < m.size(); ++i) {
        if (m[i - 1].handle >= m[i].handle) return false;
    }
    std::size_t kept = 0;
    std::size_t moves = 0;
    for (const ObjectLocation& entry : m) {
        if (kept < placed.size() && placed[kept].handle == entry.handle) {
            moves += placed[kept].offset != entry.offset;
            ++kept;
        }
    }
    if (kept != placed.size() || moves > m.size() / 4) return false;
    removed_.reserve(m.size() - kept);
    moved_.reserve(moves);
    std::size_t at = 0;
    for (std::size_t i = 0; i < m.size(); ++i) {
        if (at < placed.size() && placed[at].handle == m[i].handle) {
            if (placed[at].offset != m[i].offset) moved_.emplace_back(at, m[i].offset);
            m[at] = placed[at];
            ++at;
        } else {
            removed_.emplace_back(i, m[i]);
        }
    }
    m.resize(at);  // shorter: the room stays for RestoreMap
    mapPatched_ = true;
    return true;
}

void ObjectsBuffer::RestoreMap() noexcept {
    if (!mapPatched_) return;
    std::vector<ObjectLocation>& m = *map;
    for (const auto& [at, offset] : moved_) m[at].offset = offset;
    // The removed entries go back to their places, the others behind them
    // moving up, from the end so that none is overwritten before it moved.
    std::size_t kept = m.size();
    const std::size_t size = kept + removed_.size();
    m.resize(size);  // within the room it had: no allocation
    std::size_t next = removed_.size();
    for (std::size_t i = size; i-- > 0;) {
        if (next > 0 && removed_[next - 1].first == i) {
            m[i] = removed_[--next].second;
        } else {
            m[i] = m[--kept];
        }
    }
    removed_.clear();
    moved_.clear();
    mapPatched_ = false;
}

}  // namespace kel::dwg
