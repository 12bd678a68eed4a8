#include "component/dwg/DwgObjectCodec.h"

#include "component/ByteOrder.h"
#include "component/dwg/BitReader.h"
#include "component/dwg/DwgCrc.h"
#include "component/dwg/DwgObjectLayout.h"

namespace kel::dwg {
namespace {

constexpr int kFirstClassType = 500;

// Whether an object of this layout must read for the drawing to open. KEL
// reads dictionaries and xrecords only to keep an attribute's multi-line
// copy in step; one that does not read as expected keeps its bytes.
bool Required(Layout l) {
    return l != Layout::kUnknown && l != Layout::kDictionary && l != Layout::kXrecord;
}

}  // namespace

// R2007 and later: the string stream ends where the pre-handle bits end,
// with its size (one or two shorts, read backwards) and a presence bit
// behind it. Gives the bit range of the strings, or false when it does not fit.
bool FindStringStream(std::string_view body, Version v, std::size_t dataEnd, std::size_t prefixEnd, bool& present,
                      std::size_t& start, std::size_t& end) {
    if (dataEnd < prefixEnd + 1) return false;
    BitReader r(body, v);
    r.SetBitPos(dataEnd - 1);
    present = r.B() != 0;
    end = dataEnd - 1;
    start = end;
    if (!present) return r.Ok();
    if (end < prefixEnd + 16) return false;
    end -= 16;
    r.SetBitPos(end);
    std::uint32_t size = static_cast<std::uint16_t>(r.RS());
    if (size & 0x8000) {
        if (end < prefixEnd + 16) return false;
        end -= 16;
        r.SetBitPos(end);
        std::uint32_t hi = static_cast<std::uint16_t>(r.RS());
        size = (size & 0x7FFF) | (hi << 15);
    }
    if (!r.Ok() || size > end - prefixEnd) return false;
    start = end - size;
    return true;
}

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

Layout LayoutOf(int type, const DwgFile& file) {
    switch (type) {
        case type::kAttrib: return Layout::kAttrib;
        case type::kAttdef: return Layout::kAttdef;
        case type::kInsert: return Layout::kInsert;
        case type::kMinsert: return Layout::kMinsert;
        case type::kBlock: return Layout::kBlock;
        case type::kEndblk:
        case type::kSeqend: return Layout::kNoFields;
        case type::kBlockControl:
        case type::kLayerControl: return Layout::kControl;
        case type::kBlockHeader: return Layout::kBlockHeader;
        case type::kLayer: return Layout::kLayer;
        case type::kLayout: return Layout::kLayout;
        case type::kDictionary: return Layout::kDictionary;
        case type::kXrecord: return Layout::kXrecord;
        default: break;
    }
    if (type >= kFirstClassType) {
        const ClassDef* cls = file.ClassOfType(type);
        const std::string name = cls ? CutAtNul(cls->dxfName) : std::string();
        if (name == "LAYOUT") return Layout::kLayout;
        if (name == "XRECORD") return Layout::kXrecord;
    }
    return Layout::kUnknown;
}

bool DecodeObject(std::string_view bytes, std::int64_t offset, const DwgFile& file, DecodedObject& out,
                  std::string& why, DecodeDepth depth) {
    out = DecodedObject{};
    if (offset < 0 || static_cast<std::uint64_t>(offset) >= bytes.size()) {
        why = "object outside the file";
        return false;
    }
    const Version v = file.version;
    std::string_view rest = bytes.substr(static_cast<std::size_t>(offset));
    BitReader sizeReader(rest, v);
    out.size = sizeReader.MS();
    std::uint64_t handleBits = 0;
    if (AtLeast(v, Version::R2010)) handleBits = sizeReader.UMC();
    std::size_t sizeBytes = sizeReader.BitPos() / 8;
    if (!sizeReader.Ok() || out.size > rest.size() || rest.size() - out.size < sizeBytes + 2) {
        why = "object does not fit in the file";
        return false;
    }
    out.totalBytes = sizeBytes + out.size + 2;
    std::uint16_t stored = ReadLittleEndian<std::uint16_t>(rest, sizeBytes + out.size);
    if (Crc16(kCrcSeed, rest.substr(0, sizeBytes + out.size)) != stored) {
        why = "object CRC mismatch";
        return false;
    }

    std::string_view body = rest.substr(sizeBytes, out.size);
    const std::size_t bodyBits = body.size() * 8;
    BitReader d(body, v);
    BitReader s(body, v);
    BitReader h(body, v);
    ReadIo dio(d, &s);
    ReadIo hio(h);
    ObjectCommon& c = out.common;
    std::size_t dataBitsAt = 0;
    ExchangePrefix(dio, c, file, out.dataBits, dataBitsAt);
    if (AtLeast(v, Version::R2010)) {
        out.dataBits = handleBits > bodyBits ? -1 : static_cast<std::int32_t>(bodyBits - handleBits);
    }
    if (!d.Ok() || out.dataBits < 0 || static_cast<std::size_t>(out.dataBits) > bodyBits ||
        static_cast<std::size_t>(out.dataBits) < d.BitPos()) {
        why = "object prefix cannot be read (type " + std::to_string(c.type) + ")";
        return false;
    }
    // Past this point an object of a type without declared fields cannot
    // fail: what follows only tells whether its common fields were read.
    const Layout layout = LayoutOf(c.type, file);
    if (depth == DecodeDepth::kWorkingSet && (layout == Layout::kUnknown || layout == Layout::kXrecord)) {
        c.eed.clear();
        c.eed.shrink_to_fit();
        c.graphics.clear();
        c.graphics.shrink_to_fit();
        out.commonRead = false;
        out.prefixOnly = true;
        return true;
    }
    const std::size_t dataEnd = static_cast<std::size_t>(out.dataBits);
    std::size_t fieldsEnd = dataEnd;
    if (HasStringStream(v)) {
        std::size_t start = 0, end = 0;
        if (!FindStringStream(body, v, dataEnd, d.BitPos(), out.hasStrings, start, end)) {
            if (Required(layout)) {
                why = "object string stream cannot be found";
                return false;
            }
            out.commonRead = false;  // kept as it is, like any object KEL does not work with
            return true;
        }
        fieldsEnd = start;
        s.SetBitPos(start);
        s.LimitTo(end);
    }
    d.LimitTo(fieldsEnd);
    h.SetBitPos(dataEnd);

    const BitReader d0 = d, s0 = s, h0 = h;
    out.known = ExchangeBody(dio, hio, out, layout);
    if ((!d.Ok() || !h.Ok() || !s.Ok()) && layout != Layout::kUnknown && !Required(layout)) {
        // Read again as an object of unknown fields, so that its owner and
        // reactors are still known.
        d = d0;
        s = s0;
        h = h0;
        out.data = std::monostate{};
        out.known = ExchangeBody(dio, hio, out, Layout::kUnknown);
    }
    if (!d.Ok() || !h.Ok() || !s.Ok()) {
        if (Required(layout)) {
            why = "object fields cannot be read (type " + std::to_string(c.type) + ")";
            return false;
        }
        // An object of a type KEL does not work with keeps its bytes even
        // when its common fields are not the ones this reader knows.
        out.known = false;
        out.commonRead = false;
    }
    if (!out.known) {
        out.data = std::monostate{};
        return true;
    }
    out.dataExact = d.BitPos() == fieldsEnd && (!HasStringStream(v) || s.RemainingBits() == 0);
    while (h.RemainingBits() >= 8) {
        HandleRef r = h.H();
        if (!h.Ok()) break;
        out.extraHandles.push_back(r);
    }
    out.paddingBits = static_cast<unsigned>(h.RemainingBits());
    out.padding = h.RawBits(out.paddingBits);
    return true;
}

}  // namespace kel::dwg
