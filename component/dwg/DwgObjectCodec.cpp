#include "component/dwg/DwgObjectCodec.h"

#include "component/dwg/BitReader.h"
#include "component/dwg/DwgCrc.h"
#include "component/dwg/DwgObjectIo.h"

namespace kel::dwg {
namespace {

constexpr int kFirstClassType = 500;

bool ReadEed(BitReader& r, std::vector<EedBlock>& eed) {
    eed.clear();
    for (;;) {
        std::int16_t size = r.BS();
        if (!r.Ok() || size < 0) return false;
        if (size == 0) return true;
        EedBlock block;
        block.size = size;
        block.app = r.H();
        block.data = r.Bytes(static_cast<std::size_t>(size));
        if (!r.Ok()) return false;
        eed.push_back(std::move(block));
    }
}

}  // namespace

bool IsEntityType(int type, const DwgFile& file) {
    if (type >= kFirstClassType) {
        const ClassDef* c = file.ClassOfType(type);
        return c && c->itemClassId == 0x1F2;
    }
    switch (type) {
        case 0x2B: case 0x2C: case 0x2D: case 0x2E: case 0x2F:  // OLEFRAME, MTEXT, LEADER, TOLERANCE, MLINE
        case 0x4A: case 0x4D: case 0x4E:                        // OLE2FRAME, LWPOLYLINE, HATCH
            return true;
        default: return type >= 1 && type <= 0x29 && type != 9;  // TEXT .. XLINE
    }
}

bool DecodeObject(std::string_view bytes, std::int64_t offset, const DwgFile& file, DecodedObject& out,
                  std::string& why) {
    out = DecodedObject{};
    out.offset = offset;
    if (offset < 0 || static_cast<std::uint64_t>(offset) >= bytes.size()) {
        why = "object outside the file";
        return false;
    }
    std::string_view rest = bytes.substr(static_cast<std::size_t>(offset));
    BitReader sizeReader(rest, file.version);
    out.size = sizeReader.MS();
    std::size_t sizeBytes = sizeReader.BitPos() / 8;
    if (!sizeReader.Ok() || out.size > rest.size() || rest.size() - out.size < sizeBytes + 2) {
        why = "object does not fit in the file";
        return false;
    }
    out.totalBytes = sizeBytes + out.size + 2;
    std::uint16_t stored = static_cast<std::uint16_t>(static_cast<std::uint8_t>(rest[sizeBytes + out.size]) |
                                                      static_cast<std::uint8_t>(rest[sizeBytes + out.size + 1]) << 8);
    if (Crc16(kCrcSeed, rest.substr(0, sizeBytes + out.size)) != stored) {
        why = "object CRC mismatch";
        return false;
    }

    const Version v = file.version;
    std::string_view body = rest.substr(sizeBytes, out.size);
    BitReader d(body, v);
    ObjectCommon& c = out.common;
    c.type = d.BS();
    if (AtLeast(v, Version::R2000)) out.dataBits = d.RL();
    c.handle = d.H();
    if (!ReadEed(d, c.eed)) {
        why = "object extended data cannot be read";
        return false;
    }
    c.isEntity = IsEntityType(c.type, file);
    if (c.isEntity) {
        c.hasGraphics = d.B() != 0;
        if (c.hasGraphics) {
            std::int32_t n = d.RL();
            if (n < 0) d.Fail();
            c.graphics = d.Bytes(static_cast<std::size_t>(n));
        }
    }
    if (!AtLeast(v, Version::R2000)) out.dataBits = d.RL();
    if (!d.Ok() || out.dataBits < 0 || static_cast<std::size_t>(out.dataBits) > body.size() * 8 ||
        static_cast<std::size_t>(out.dataBits) < d.BitPos()) {
        why = "object prefix cannot be read (type " + std::to_string(c.type) + ")";
        return false;
    }
    d.LimitTo(static_cast<std::size_t>(out.dataBits));
    BitReader h(body, v);
    h.SetBitPos(static_cast<std::size_t>(out.dataBits));

    ReadIo dio(d);
    ReadIo hio(h);
    if (c.isEntity) {
        ExchangeEntityCommon(dio, c);
        ExchangeEntityHandles(hio, c);
    } else {
        ExchangeObjectCommon(dio, c);
        ExchangeObjectHandles(hio, c);
    }
    if (!d.Ok() || !h.Ok()) {
        why = "object common fields cannot be read";
        return false;
    }

    int t = c.type;
    if (t >= kFirstClassType) {
        const ClassDef* cls = file.ClassOfType(t);
        if (cls && CutAtNul(cls->dxfName) == "LAYOUT") t = type::kLayout;
    }
    out.known = true;
    switch (t) {
        case type::kAttrib:
        case type::kAttdef: {
            AttribData a;
            ExchangeAttrib(dio, hio, a, t == type::kAttdef);
            out.data = std::move(a);
            break;
        }
        case type::kInsert:
        case type::kMinsert: {
            InsertData n;
            ExchangeInsert(dio, hio, n, t == type::kMinsert);
            out.data = std::move(n);
            break;
        }
        case type::kBlock: {
            BlockNameData b;
            dio.TV(b.name);
            out.data = std::move(b);
            break;
        }
        case type::kEndblk:
        case type::kSeqend:
            out.data = BlockNameData{};
            break;
        case type::kBlockControl:
        case type::kLayerControl: {
            ControlData cd;
            ExchangeControl(dio, hio, cd);
            out.data = std::move(cd);
            break;
        }
        case type::kBlockHeader: {
            BlockHeaderData b;
            ExchangeBlockHeader(dio, hio, b);
            out.data = std::move(b);
            break;
        }
        case type::kLayer: {
            LayerData l;
            ExchangeLayer(dio, hio, l);
            out.data = std::move(l);
            break;
        }
        case type::kLayout: {
            LayoutData l;
            ExchangeLayout(dio, hio, l);
            out.data = std::move(l);
            break;
        }
        default:
            out.known = false;
    }
    if (out.known) {
        if (!d.Ok() || !h.Ok()) {
            why = "object fields cannot be read";
            return false;
        }
        out.dataExact = d.BitPos() == static_cast<std::size_t>(out.dataBits);
        while (h.RemainingBits() >= 8) {
            HandleRef r = h.H();
            if (!h.Ok()) break;
            out.extraHandles.push_back(r);
        }
        out.paddingBits = static_cast<unsigned>(h.RemainingBits());
        out.padding = h.RawBits(out.paddingBits);
    }
    return true;
}

}  // namespace kel::dwg
