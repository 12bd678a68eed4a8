// Large buffers come from the heap, and the heap asks for 2 MiB pages where the
// system offers them on request. Checked where the heap is the GNU C library's
// on Linux and no sanitizer's allocator stands in for it.
#include "platform/HeapReuse.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace kel {
namespace {

#if defined(__GLIBC__) && defined(__linux__) && !defined(__SANITIZE_ADDRESS__)
// The first line and the VmFlags line of the mapping of this process that holds `address`.
bool MappingOf(const void* address, std::string& header, std::string& flags) {
    std::ifstream smaps("/proc/self/smaps");
    const auto at = reinterpret_cast<std::uintptr_t>(address);
    bool inside = false;
    for (std::string line; std::getline(smaps, line);) {
        std::uintptr_t from = 0, to = 0;
        char dash = 0;
        std::istringstream range(line);
        if (range >> std::hex >> from >> dash >> to && dash == '-') {  // a mapping's first line
            inside = from <= at && at < to;
            if (inside) header = line;
        } else if (inside && line.rfind("VmFlags:", 0) == 0) {
            flags = line;
            return true;
        }
    }
    return false;
}

TEST(HeapReuse, LargeBuffersComeFromAHeapAdvisedForHugePages) {
    KeepLargeBuffersForReuse();
    void* buffer = std::malloc(40 * 1024 * 1024);
    ASSERT_NE(buffer, nullptr);
    // More than the heap was grown by and than any threshold the library
    // takes for mapping a buffer apart: the heap grows for it all the same.
    // (Never touched, it takes no memory.)
    void* beyond = std::malloc(300 * 1024 * 1024);
    ASSERT_NE(beyond, nullptr);
    std::string header, flags, beyondHeader, beyondFlags;
    // Past the first 2 MiB: the advised stretch starts at a 2 MiB boundary.
    const bool found = MappingOf(static_cast<char*>(buffer) + 4 * 1024 * 1024, header, flags);
    const bool foundBeyond = MappingOf(beyond, beyondHeader, beyondFlags);
    std::free(beyond);
    std::free(buffer);
    ASSERT_TRUE(found);
    ASSERT_TRUE(foundBeyond);
    EXPECT_NE(header.find("[heap]"), std::string::npos) << header;
    EXPECT_NE(beyondHeader.find("[heap]"), std::string::npos) << beyondHeader;
    std::string setting;
    std::getline(std::ifstream("/sys/kernel/mm/transparent_hugepage/enabled"), setting);
    if (setting.find("[always]") == std::string::npos && setting.find("[madvise]") == std::string::npos) {
        GTEST_SKIP() << "this system offers no 2 MiB pages on request";
    }
    EXPECT_NE(flags.find(" hg"), std::string::npos) << flags;
}
#endif

}  // namespace
}  // namespace kel
