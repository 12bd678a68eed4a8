// The whole of an object as one declaration for both directions: the common
// prefix (type, handle, extended data, entity graphics), the common entity or
// object fields, and the table from object type to the layout of its own
// fields. Only the framing around it (size, handle stream size, CRC, where
// the string stream lies) differs between decoding and encoding.
#pragma once

#include "component/dwg/DwgObjectCodec.h"
#include "component/dwg/DwgObjectIo.h"
#include "component/dwg/DwgObjects.h"

namespace kel::dwg {

// Which declaration holds an object's own fields.
enum class Layout { kUnknown, kAttrib, kAttdef, kInsert, kMinsert, kBlock, kNoFields, kControl, kBlockHeader, kLayer, kLayout,
                    kDictionary, kXrecord };

Layout LayoutOf(int type, const DwgFile& file);

template <class Io>
void ExchangeEed(Io& d, std::vector<EedBlock>& eed) {
    if constexpr (Io::kReading) eed.clear();
    for (std::size_t i = 0;; ++i) {
        std::int16_t size = 0;
        if constexpr (!Io::kReading) {
            if (i < eed.size()) size = static_cast<std::int16_t>(eed[i].data.size());
        }
        d.BS(size);
        if (size <= 0 || !d.Ok()) {
            if (size < 0) d.Fail();
            return;
        }
        if constexpr (Io::kReading) eed.emplace_back();
        d.H(eed[i].app);
        d.Bytes(eed[i].data, static_cast<std::size_t>(size));
        if (!d.Ok()) return;
    }
}

// Type, handle, extended data and graphics. `dataBits` is the R13-R2007
// field that says where the handle stream starts; `dataBitsAt` is where it lies.
template <class Io>
void ExchangePrefix(Io& d, ObjectCommon& c, const DwgFile& file, std::int32_t& dataBits, std::size_t& dataBitsAt) {
    const Version v = d.V();
    d.OT(c.type);
    if (AtLeast(v, Version::R2000) && !AtLeast(v, Version::R2010)) {
        dataBitsAt = d.Position();
        d.RL(dataBits);
    }
    d.H(c.handle);
    ExchangeEed(d, c.eed);
    c.isEntity = IsEntityType(c.type, file);
    if (c.isEntity) {
        d.B(c.hasGraphics);
        if (c.hasGraphics) {
            std::uint64_t size = c.graphics.size();
            if (AtLeast(v, Version::R2010)) {
                d.BLL(size);
            } else {
                std::int32_t size32 = static_cast<std::int32_t>(size);
                d.RL(size32);
                if (size32 < 0) d.Fail();
                size = size32 < 0 ? 0 : static_cast<std::uint64_t>(size32);
            }
            if (size > (std::uint64_t{1} << 31)) {
                d.Fail();
                size = 0;
            }
            d.Bytes(c.graphics, static_cast<std::size_t>(size));
        }
    }
    if (!AtLeast(v, Version::R2000)) {
        dataBitsAt = d.Position();
        d.RL(dataBits);
    }
}

template <class T, class Io, class F>
bool ExchangeAs(ObjectData& data, F&& exchange) {
    if constexpr (Io::kReading) EmplaceData<T>(data);
    T* fields = DataIf<T>(data);
    if (!fields) return false;
    exchange(*fields);
    return true;
}

// The common fields and the object's own: false when the type has no
// declaration here (or, writing, its data is of another type).
template <class Io>
bool ExchangeBody(Io& d, Io& h, DecodedObject& o, Layout layout) {
    ObjectCommon& c = o.common;
    if (c.isEntity) {
        ExchangeEntityCommon(d, c);
        ExchangeEntityHandles(h, c);
    } else {
        ExchangeObjectCommon(d, c);
        ExchangeObjectHandles(h, c);
    }
    if (!d.Ok() || !h.Ok()) return false;
    switch (layout) {
        case Layout::kAttrib:
        case Layout::kAttdef: {
            const bool attdef = layout == Layout::kAttdef;
            return ExchangeAs<AttribData, Io>(o.data, [&](AttribData& a) { ExchangeAttrib(d, h, a, attdef); });
        }
        case Layout::kInsert:
        case Layout::kMinsert: {
            const bool minsert = layout == Layout::kMinsert;
            return ExchangeAs<InsertData, Io>(o.data, [&](InsertData& n) { ExchangeInsert(d, h, n, minsert); });
        }
        case Layout::kBlock:
            return ExchangeAs<BlockNameData, Io>(o.data, [&](BlockNameData& b) { d.TV(b.name); });
        case Layout::kNoFields:
            return ExchangeAs<BlockNameData, Io>(o.data, [](BlockNameData&) {});
        case Layout::kControl:
            return ExchangeAs<ControlData, Io>(o.data, [&](ControlData& x) { ExchangeControl(d, h, x); });
        case Layout::kBlockHeader:
            return ExchangeAs<BlockHeaderData, Io>(o.data, [&](BlockHeaderData& b) { ExchangeBlockHeader(d, h, b); });
        case Layout::kLayer:
            return ExchangeAs<LayerData, Io>(o.data, [&](LayerData& l) { ExchangeLayer(d, h, l); });
        case Layout::kLayout:
            return ExchangeAs<LayoutData, Io>(o.data, [&](LayoutData& l) { ExchangeLayout(d, h, l); });
        case Layout::kDictionary:
            return ExchangeAs<DictionaryData, Io>(o.data, [&](DictionaryData& x) { ExchangeDictionary(d, h, x); });
        case Layout::kXrecord:
            return ExchangeAs<XrecordData, Io>(o.data, [&](XrecordData& x) { ExchangeXrecord(d, x); });
        case Layout::kUnknown:
            break;
    }
    return false;
}

template <class Io>
bool ExchangeBody(Io& d, Io& h, DecodedObject& o, const DwgFile& file) {
    return ExchangeBody(d, h, o, LayoutOf(o.common.type, file));
}

}  // namespace kel::dwg
