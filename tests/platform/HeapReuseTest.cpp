#include "platform/HeapReuse.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace kel {
namespace {

// The heap is the C library's where it is glibc on Linux and no sanitizer's
// allocator stands in for it.
#if defined(__GLIBC__) && defined(__linux__) && !defined(__SANITIZE_ADDRESS__)
#define KEL_GLIBC_HEAP 1
#endif

#if defined(KEL_GLIBC_HEAP)
// The mapping of this process that holds `address`: its first line and its
// VmFlags line, from /proc/self/smaps.
bool MappingOf(const void* address, std::string& header, std::string& flags) {
    std::ifstream smaps("/proc/self/smaps");
    const auto at = reinterpret_cast<std::uintptr_t>(address);
    std::string line;
    bool inside = false;
    while (std::getline(smaps, line)) {
        std::uintptr_t from = 0, to = 0;
        char dash = 0;
        std::istringstream range(line);
        // A mapping's first line starts with its address range; the lines
        // under it ("Rss:", "VmFlags:") start with a name.
        if (range >> std::hex >> from >> dash >> to && dash == '-') {
            inside = from <= at && at < to;
            if (inside) header = line;
            continue;
        }
        if (inside && line.rfind("VmFlags:", 0) == 0) {
            flags = line;
            return true;
        }
    }
    return false;
}

bool HugePagesOnRequest() {
    std::ifstream setting("/sys/kernel/mm/transparent_hugepage/enabled");
    std::string text;
    std::getline(setting, text);
    return text.find("[always]") != std::string::npos || text.find("[madvise]") != std::string::npos;
}
#endif

// Large buffers come from the heap, and the heap asks for 2 MiB pages
// where the system offers them on request.
TEST(HeapReuse, LargeBuffersComeFromAHeapAdvisedForHugePages) {
#if defined(KEL_GLIBC_HEAP)
    KeepLargeBuffersForReuse();
    void* buffer = std::malloc(20 * 1024 * 1024);
    ASSERT_NE(buffer, nullptr);
    std::string header, flags;
    // Past the first 2 MiB: the advised stretch starts at a 2 MiB boundary.
    const bool found = MappingOf(static_cast<char*>(buffer) + 4 * 1024 * 1024, header, flags);
    std::free(buffer);
    ASSERT_TRUE(found);
    EXPECT_NE(header.find("[heap]"), std::string::npos) << header;
    if (!HugePagesOnRequest()) GTEST_SKIP() << "this system offers no 2 MiB pages on request";
    EXPECT_NE(flags.find(" hg"), std::string::npos) << flags;
#else
    GTEST_SKIP() << "the heap is tuned with the GNU C library's own allocator only";
#endif
}

}  // namespace
}  // namespace kel
