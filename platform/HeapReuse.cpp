#include "platform/HeapReuse.h"

#include <cstdint>
#include <cstdlib>  // defines __GLIBC__ where the C library is glibc

#if defined(__GLIBC__)
#include <malloc.h>
#include <sys/mman.h>
#endif

namespace kel {
namespace {

#if defined(__GLIBC__) && defined(MADV_HUGEPAGE)
// Grows the heap by kCount pieces now and asks the system to back that
// stretch with 2 MiB pages, then frees the pieces: they stay in the heap
// (below the trim threshold) and the drawings take their memory from there.
// Only a stretch the heap holds in one piece is advised.
void PrepareHugePageHeap() {
    constexpr std::size_t kPiece = 16 * 1024 * 1024;
    constexpr std::size_t kCount = 16;
    constexpr std::uintptr_t kHuge = 2 * 1024 * 1024;
    void* pieces[kCount] = {};
    bool contiguous = true;
    for (std::size_t i = 0; i < kCount; ++i) {
        pieces[i] = std::malloc(kPiece);
        if (!pieces[i]) {
            contiguous = false;
        } else if (i > 0 && pieces[i - 1]) {
            const auto gap = reinterpret_cast<std::uintptr_t>(pieces[i]) - reinterpret_cast<std::uintptr_t>(pieces[i - 1]);
            if (gap < kPiece || gap > kPiece + 64) contiguous = false;  // each piece right behind the one before
        }
    }
    if (contiguous) {
        const auto first = reinterpret_cast<std::uintptr_t>(pieces[0]);
        const auto end = (reinterpret_cast<std::uintptr_t>(pieces[kCount - 1]) + kPiece) & ~(kHuge - 1);
        const std::uintptr_t begin = (first + kHuge - 1) & ~(kHuge - 1);
        if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
    }
    for (void* p : pieces) std::free(p);
}
#endif

}  // namespace

void KeepLargeBuffersForReuse() {
#if defined(__GLIBC__)
    // 32 MB is the largest threshold the library takes; larger buffers (a
    // 50 MB drawing's bytes) would still be mapped apart, so no buffer is.
    // Where the heap cannot grow, the library still maps memory apart.
    constexpr int kBytes = 32 * 1024 * 1024;
    mallopt(M_MMAP_THRESHOLD, kBytes);
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, 16 * kBytes);  // above the 256 MB grown below, which so stays
#if defined(MADV_HUGEPAGE)
    PrepareHugePageHeap();
#endif
#endif
}

}  // namespace kel
