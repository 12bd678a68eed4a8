#include "component/dwg/BitWriter.h"
#include "component/dwg/DwgCrc.h"
#include "component/dwg/DwgObjectCodec.h"
#include "component/dwg/DwgObjectIo.h"

namespace kel::dwg {
namespace {

// Writes the fields of the object's type; the layouts take mutable
// references, so they work on a copy.
bool EncodeTyped(DecodedObject& o, WriteIo& d, WriteIo& h) {
    const bool isAttdef = o.common.type == type::kAttdef;
    const bool isMinsert = o.common.type == type::kMinsert;
    return std::visit(
        [&](auto& data) -> bool {
            using T = std::decay_t<decltype(data)>;
            if constexpr (std::is_same_v<T, std::monostate>) {
                return false;
            } else if constexpr (std::is_same_v<T, AttribData>) {
                ExchangeAttrib(d, h, data, isAttdef);
            } else if constexpr (std::is_same_v<T, InsertData>) {
                ExchangeInsert(d, h, data, isMinsert);
            } else if constexpr (std::is_same_v<T, BlockNameData>) {
                if (o.common.type == type::kBlock) d.TV(data.name);
            } else if constexpr (std::is_same_v<T, ControlData>) {
                ExchangeControl(d, h, data);
            } else if constexpr (std::is_same_v<T, BlockHeaderData>) {
                ExchangeBlockHeader(d, h, data);
            } else if constexpr (std::is_same_v<T, LayerData>) {
                ExchangeLayer(d, h, data);
            } else if constexpr (std::is_same_v<T, LayoutData>) {
                ExchangeLayout(d, h, data);
            }
            return true;
        },
        o.data);
}

void PatchRL(BitWriter& w, std::size_t bitPos, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) w.PatchRC(bitPos + 8 * static_cast<std::size_t>(i), static_cast<std::uint8_t>(value >> (8 * i)));
}

}  // namespace

bool EncodeObject(const DecodedObject& object, const DwgFile& file, std::string& out) {
    if (!object.known) return false;
    const Version v = file.version;
    DecodedObject o = object;
    ObjectCommon& c = o.common;
    BitWriter d(v);
    BitWriter h(v);
    d.BS(c.type);
    std::size_t sizeAt = 0;
    if (AtLeast(v, Version::R2000)) {
        sizeAt = d.BitPos();
        d.RL(0);
    }
    d.H(c.handle);
    for (const EedBlock& e : c.eed) {
        d.BS(static_cast<std::int16_t>(e.data.size()));
        d.H(e.app);
        d.RawBytes(e.data);
    }
    d.BS(0);
    if (c.isEntity) {
        d.B(c.hasGraphics ? 1 : 0);
        if (c.hasGraphics) {
            d.RL(static_cast<std::int32_t>(c.graphics.size()));
            d.RawBytes(c.graphics);
        }
    }
    if (!AtLeast(v, Version::R2000)) {
        sizeAt = d.BitPos();
        d.RL(0);
    }
    WriteIo dio(d);
    WriteIo hio(h);
    c.numReactors = static_cast<std::int32_t>(c.reactors.size());
    if (c.isEntity) {
        ExchangeEntityCommon(dio, c);
        ExchangeEntityHandles(hio, c);
    } else {
        ExchangeObjectCommon(dio, c);
        ExchangeObjectHandles(hio, c);
    }
    if (!EncodeTyped(o, dio, hio)) return false;
    for (HandleRef& r : o.extraHandles) h.H(r);
    PatchRL(d, sizeAt, static_cast<std::uint32_t>(d.BitPos()));
    d.Append(h);
    // Fill the last byte with the bits the object had, so that an unchanged
    // object keeps its bytes (and its CRC).
    unsigned fill = static_cast<unsigned>((8 - d.BitPos() % 8) % 8);
    d.RawBits(fill == o.paddingBits ? o.padding : 0u, fill);
    if (!d.Ok()) return false;

    BitWriter whole(v);
    whole.MS(static_cast<std::uint32_t>(d.Bytes().size()));
    whole.RawBytes(d.Bytes());
    std::uint16_t crc = Crc16(kCrcSeed, whole.Bytes());
    whole.RS(static_cast<std::int16_t>(crc));
    out = whole.Bytes();
    return true;
}

}  // namespace kel::dwg
