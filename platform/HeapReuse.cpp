#include "platform/HeapReuse.h"

#include <cstdlib>  // defines __GLIBC__ where the C library is glibc

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace kel {

void KeepLargeBuffersForReuse() {
#if defined(__GLIBC__)
    // 32 MB is the largest threshold the library takes.
    constexpr int kBytes = 32 * 1024 * 1024;
    mallopt(M_MMAP_THRESHOLD, kBytes);
    mallopt(M_TRIM_THRESHOLD, 2 * kBytes);
#endif
}

}  // namespace kel
