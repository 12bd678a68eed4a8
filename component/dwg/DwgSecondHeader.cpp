#include "component/dwg/DwgSecondHeader.h"

#include <cstring>

#include "component/ByteOrder.h"
#include "component/dwg/BitReader.h"
#include "component/dwg/BitWriter.h"
#include "component/dwg/DwgCrc.h"
#include "component/dwg/DwgFile.h"

namespace kel::dwg {
namespace {

// Between the location and the first record: version text, maintenance
// version and flag bytes.
constexpr unsigned kPrefixBits = 148;
constexpr int kMaxHandles = 32;

std::string TakeBits(BitReader& r, std::size_t n) {
    std::string bits;
    for (std::size_t i = 0; i < n && r.Ok(); ++i) bits += static_cast<char>('0' + r.B());
    return bits;
}

void PutBits(BitWriter& w, const std::string& bits) {
    for (char c : bits) w.B(c == '1' ? 1 : 0);
}

}  // namespace

bool ParseSecondHeader(std::string_view bytes, std::size_t at, Version version, std::size_t recordCount,
                       SecondHeader& out) {
    if (at > bytes.size() || bytes.size() - at < 20 ||
        std::memcmp(bytes.data() + at, kSecondHeaderBeginSentinel, 16) != 0) {
        return false;
    }
    BitReader size(bytes.substr(at + 16, 4), version);
    std::uint32_t total = static_cast<std::uint32_t>(size.RL());
    const std::size_t junk = AtLeast(version, Version::R14) ? 8 : 0;
    if (total < 4 + 2 + junk || total > bytes.size() - at - 16) return false;
    std::string_view body = bytes.substr(at + 20, total - 4 - 2 - junk);
    BitReader r(body, version);
    out = SecondHeader{};
    out.location = r.BL();
    out.prefixBits = TakeBits(r, kPrefixBits);
    for (std::size_t i = 0; i < recordCount; ++i) {
        SecondHeader::Record rec;
        rec.number = r.RC();
        rec.address = r.BL();
        rec.size = r.BL();
        out.records.push_back(rec);
    }
    // The handle records: a count, then per handle its length, its number and its bytes.
    std::size_t tailStart = r.BitPos();
    std::int16_t count = r.BS();
    if (count < 0 || count > kMaxHandles) return false;
    for (int i = 0; i < count; ++i) {
        std::uint8_t length = r.RC();
        r.RC();
        if (length > 8) return false;
        r.SkipBytes(length);
    }
    if (!r.Ok()) return false;
    std::size_t tailEnd = r.BitPos();
    r.SetBitPos(tailStart);
    out.tailBits = TakeBits(r, tailEnd - tailStart);
    // Only padding may follow up to the CRC.
    if (body.size() * 8 - tailEnd >= 8) return false;
    out.padBits = TakeBits(r, body.size() * 8 - tailEnd);
    std::size_t crcAt = at + 20 + body.size();
    const auto stored = ReadLittleEndian<std::uint16_t>(bytes, crcAt);
    if (Crc16(kCrcSeed, bytes.substr(at + 16, crcAt - at - 16)) != stored) return false;
    out.junk = std::string(bytes.substr(crcAt + 2, junk));
    return r.Ok();
}

std::string EncodeSecondHeader(const SecondHeader& h, Version version) {
    BitWriter body(version);
    body.BL(h.location);
    PutBits(body, h.prefixBits);
    for (const SecondHeader::Record& rec : h.records) {
        body.RC(rec.number);
        body.BL(rec.address);
        body.BL(rec.size);
    }
    PutBits(body, h.tailBits);
    std::size_t fill = (8 - body.BitPos() % 8) % 8;
    PutBits(body, h.padBits.size() == fill ? h.padBits : std::string(fill, '0'));
    BitWriter sized(version);
    sized.RL(static_cast<std::int32_t>(4 + body.Bytes().size() + 2 + h.junk.size()));
    sized.RawBytes(body.Bytes());
    std::uint16_t crc = Crc16(kCrcSeed, sized.Bytes());
    sized.RS(static_cast<std::int16_t>(crc));
    sized.RawBytes(h.junk);
    std::string out(reinterpret_cast<const char*>(kSecondHeaderBeginSentinel), 16);
    out += sized.Bytes();
    out.append(reinterpret_cast<const char*>(kSecondHeaderEndSentinel), 16);
    return out;
}

}  // namespace kel::dwg
