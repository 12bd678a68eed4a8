#include "component/dwg/DwgObjectMap.h"

#include "component/dwg/BitWriter.h"
#include "component/dwg/DwgCrc.h"

namespace kel::dwg {
namespace {

// A section takes entries while its data is shorter than this.
constexpr std::size_t kSectionFill = 2030;

void CloseSection(std::string& out, const std::string& data) {
    std::string section;
    std::size_t size = data.size() + 2;
    section += static_cast<char>((size >> 8) & 0xFF);
    section += static_cast<char>(size & 0xFF);
    section += data;
    std::uint16_t crc = Crc16(kCrcSeed, section);
    section += static_cast<char>(crc >> 8);
    section += static_cast<char>(crc & 0xFF);
    out += section;
}

}  // namespace

std::string BuildObjectMap(const std::vector<ObjectLocation>& sortedByHandle, Version version) {
    std::string out;
    std::string data;
    std::uint64_t lastHandle = 0;
    std::int64_t lastOffset = 0;
    for (const ObjectLocation& loc : sortedByHandle) {
        if (data.size() >= kSectionFill) {
            CloseSection(out, data);
            data.clear();
            lastHandle = 0;
            lastOffset = 0;
        }
        BitWriter w(version);
        w.UMC(loc.handle - lastHandle);
        w.MC(loc.offset - lastOffset);
        data += w.Bytes();
        lastHandle = loc.handle;
        lastOffset = loc.offset;
    }
    if (!data.empty()) CloseSection(out, data);
    CloseSection(out, std::string());
    return out;
}

}  // namespace kel::dwg
