#include "runs/RunOptions.h"

#include <thread>

namespace kel {

bool InShard(const std::string& strDrawing, const Shard& shard) {
    if (shard.count <= 1) return true;
    // FNV-1a over the path's bytes: fixed by definition, unlike std::hash.
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : strDrawing) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    return static_cast<int>(hash % static_cast<std::uint64_t>(shard.count)) == shard.index - 1;
}

int DefaultJobs() {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : static_cast<int>(cores);
}

}  // namespace kel
