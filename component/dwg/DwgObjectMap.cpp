#include "component/dwg/DwgObjectMap.h"

#include <algorithm>

#include "component/dwg/BitReader.h"
#include "component/dwg/BitWriter.h"
#include "component/dwg/DwgCrc.h"
#include "component/dwg/HandleIndex.h"

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
    // One writer per section: the entries are whole bytes, written one after another.
    BitWriter data(version);
    std::uint64_t lastHandle = 0;
    std::int64_t lastOffset = 0;
    for (const ObjectLocation& loc : sortedByHandle) {
        if (data.Bytes().size() >= kSectionFill) {
            CloseSection(out, data.Bytes());
            data = BitWriter(version);
            lastHandle = 0;
            lastOffset = 0;
        }
        data.UMC(loc.handle - lastHandle);
        data.MC(loc.offset - lastOffset);
        lastHandle = loc.handle;
        lastOffset = loc.offset;
    }
    if (!data.Bytes().empty()) CloseSection(out, data.Bytes());
    CloseSection(out, std::string());
    return out;
}

namespace {

// Walks the map's sections, checking each one's size and CRC, and hands
// every entry to take(handle, offset, why), which may refuse it.
template <class Take>
bool WalkObjectMap(std::string_view bytes, Version version, std::size_t objectAreaSize, Take&& take,
                   std::string& why) {
    std::size_t at = 0;
    for (;;) {
        if (bytes.size() - at < 2) {
            why = "object map is truncated";
            return false;
        }
        std::size_t size = static_cast<std::uint8_t>(bytes[at]) << 8 | static_cast<std::uint8_t>(bytes[at + 1]);
        if (size < 2 || bytes.size() - at < size + 2) {
            why = "object map section size is invalid";
            return false;
        }
        std::uint16_t stored = static_cast<std::uint16_t>(static_cast<std::uint8_t>(bytes[at + size]) << 8 |
                                                          static_cast<std::uint8_t>(bytes[at + size + 1]));
        if (Crc16(kCrcSeed, bytes.substr(at, size)) != stored) {
            why = "object map CRC mismatch";
            return false;
        }
        if (size == 2) return true;
        BitReader r(bytes.substr(at + 2, size - 2), version);
        std::uint64_t handle = 0;
        std::int64_t offset = 0;
        while (r.RemainingBits() > 0) {
            std::uint64_t handleDelta = r.UMC();
            std::int64_t offsetDelta = r.MC();
            if (!r.Ok()) {
                why = "object map entry cannot be read";
                return false;
            }
            handle += handleDelta;
            offset += offsetDelta;
            if (offset < 0 || static_cast<std::uint64_t>(offset) >= objectAreaSize) {
                why = "object map points outside the file";
                return false;
            }
            if (!take(handle, offset, why)) return false;
        }
        at += size + 2;
    }
}

}  // namespace

bool ReadObjectMap(std::string_view bytes, Version version, std::size_t objectAreaSize,
                   std::vector<ObjectLocation>& map, std::string& why) {
    map.clear();
    // An entry takes two bytes at the least and about three as a rule; a
    // size that claims more than 262,144 entries is not trusted up front.
    map.reserve(std::min<std::size_t>(bytes.size() / 3, 1u << 18));
    // Each section starts again from handle 0 and lists rising handles; as
    // long as every section goes on past the one before, no handle can come
    // twice. Only a map that goes back gets an index to find repeats by.
    HandleIndex seen;
    bool indexed = false;
    std::uint64_t highest = 0;
    return WalkObjectMap(
        bytes, version, objectAreaSize,
        [&](std::uint64_t handle, std::int64_t offset, std::string&) {
            if (!indexed && (handle > highest || map.empty())) {
                highest = handle;
                map.push_back({handle, offset});
                return true;
            }
            if (!indexed) {
                seen.Reserve(map.size() + 1);
                for (std::size_t i = 0; i < map.size(); ++i) seen.Insert(map[i].handle, i);
                indexed = true;
            }
            auto [slot, inserted] = seen.Insert(handle, map.size());
            if (inserted) {
                map.push_back({handle, offset});
            } else {
                map[*slot].offset = offset;  // a later entry for the same handle wins
            }
            return true;
        },
        why);
}

bool MatchObjectMap(std::string_view bytes, Version version, std::size_t objectAreaSize,
                    const std::vector<ObjectLocation>& expected, std::string& why) {
    constexpr char kNotAsLaid[] = "the object map does not hold the objects as laid";
    std::size_t next = 0;
    const bool walked = WalkObjectMap(
        bytes, version, objectAreaSize,
        [&](std::uint64_t handle, std::int64_t offset, std::string& refused) {
            const bool same =
                next < expected.size() && expected[next].handle == handle && expected[next].offset == offset;
            if (!same) {
                refused = kNotAsLaid;
                return false;
            }
            ++next;
            return true;
        },
        why);
    if (walked && next != expected.size()) why = kNotAsLaid;
    return walked && next == expected.size();
}

}  // namespace kel::dwg
