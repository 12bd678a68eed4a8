#include "component/dwg/BitWriter.h"
#include "component/dwg/DwgCrc.h"
#include "component/dwg/DwgObjectCodec.h"
#include "component/dwg/DwgObjectLayout.h"

namespace kel::dwg {
namespace {

void PatchRL(BitWriter& w, std::size_t bitPos, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) w.PatchRC(bitPos + 8 * static_cast<std::size_t>(i), static_cast<std::uint8_t>(value >> (8 * i)));
}

// R2007 and later: the strings, their size and the presence bit close the
// pre-handle bits.
void CloseStringStream(BitWriter& d, const BitWriter& strings, bool present) {
    present = present || strings.BitPos() > 0;
    if (present) {
        d.Append(strings);
        const std::size_t size = strings.BitPos();
        if (size >= 0x8000) {
            if (size >= (std::size_t{1} << 30)) d.Fail();
            d.RS(static_cast<std::int16_t>(size >> 15));
            d.RS(static_cast<std::int16_t>((size & 0x7FFF) | 0x8000));
        } else {
            d.RS(static_cast<std::int16_t>(size));
        }
    }
    d.B(present ? 1 : 0);
}

}  // namespace

bool EncodeObject(const DecodedObject& object, const DwgFile& file, std::string& out) {
    if (!object.known) return false;
    const Version v = file.version;
    DecodedObject o = object;  // the layouts take mutable references
    BitWriter d(v);
    BitWriter s(v);
    BitWriter h(v);
    WriteIo dio(d, &s);
    WriteIo hio(h);
    std::int32_t dataBits = 0;
    std::size_t dataBitsAt = 0;
    ExchangePrefix(dio, o.common, file, dataBits, dataBitsAt);
    if (!ExchangeBody(dio, hio, o, file)) return false;
    for (HandleRef& r : o.extraHandles) h.H(r);
    if (HasStringStream(v)) CloseStringStream(d, s, o.hasStrings);
    const std::size_t endOfData = d.BitPos();
    if (!AtLeast(v, Version::R2010)) PatchRL(d, dataBitsAt, static_cast<std::uint32_t>(endOfData));
    d.Append(h);
    // Fill the last byte with the bits the object had, so that an unchanged
    // object keeps its bytes (and its CRC).
    unsigned fill = static_cast<unsigned>((8 - d.BitPos() % 8) % 8);
    d.RawBits(fill == o.paddingBits ? o.padding : 0u, fill);
    if (!d.Ok() || !s.Ok() || !h.Ok()) return false;

    BitWriter whole(v);
    whole.MS(static_cast<std::uint32_t>(d.Bytes().size()));
    if (AtLeast(v, Version::R2010)) whole.UMC(d.Bytes().size() * 8 - endOfData);
    whole.RawBytes(d.Bytes());
    std::uint16_t crc = Crc16(kCrcSeed, whole.Bytes());
    whole.RS(static_cast<std::int16_t>(crc));
    out = whole.Bytes();
    return true;
}

}  // namespace kel::dwg
