// The field layouts of the objects the reader understands (their fields are
// in DwgObjectData.h). Each layout is a template over ReadIo/WriteIo
// (DwgObjectIo.h): `d` is the data stream (with the string stream behind it
// from R2007 on) and `h` the handle stream of one object, so the same
// declaration decodes and encodes. Version rules are written inline where
// the layout changes.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "component/dwg/DwgObjectData.h"
#include "component/dwg/DwgObjectIo.h"
#include "component/dwg/DwgTypes.h"

namespace kel::dwg {

// ---- layouts -------------------------------------------------------------

// How R2000 and later store an insert's scale: 3 for (1, 1, 1), 1 for x = 1,
// 2 for three equal factors, 0 for any other.
inline std::uint8_t ScaleForm(const Point3& s) {
    if (s.x == 1.0 && s.y == 1.0 && s.z == 1.0) return 3;
    if (s.x == 1.0) return 1;
    if (s.y == s.x && s.z == s.x) return 2;
    return 0;
}

// A count in the data stream and that many handles in the handle stream. The
// count is never trusted further than the handle stream can hold.
template <class Io>
void ExchangeCount(Io& d, std::vector<HandleRef>& list) {
    std::int32_t count = static_cast<std::int32_t>(list.size());
    d.BL(count);
    if constexpr (Io::kReading) {
        list.assign(count > 0 ? static_cast<std::size_t>(std::min<std::int32_t>(count, 1 << 20)) : 0, HandleRef{});
        if (count < 0) d.Reader().Fail();
    }
}

template <class Io>
void ExchangeHandles(Io& h, std::vector<HandleRef>& list) {
    if constexpr (Io::kReading) {
        for (std::size_t i = 0; i < list.size(); ++i) {
            if (!h.MoreHandles()) {
                h.Reader().Fail();
                list.resize(i);
                return;
            }
            h.H(list[i]);
        }
    } else {
        for (HandleRef& r : list) h.H(r);
    }
}

// The flags every table entry carries behind its name. R2007 and later
// store the xref index alone.
template <class Io>
void ExchangeEntryFlags(Io& d, bool& flag64, std::int16_t& xrefIndexPlus1, bool& xdep) {
    const bool flags = !AtLeast(d.V(), Version::R2007);
    if (flags) d.B(flag64);
    d.BS(xrefIndexPlus1);
    if (flags) d.B(xdep);
}

// The fields of an entity between its prefix and its own data.
template <class Io>
void ExchangeEntityCommon(Io& d, ObjectCommon& c) {
    const Version v = d.V();
    d.BB(c.entMode);
    ExchangeCount(d, c.reactors);
    if (AtLeast(v, Version::R2004)) d.B(c.xdicMissing);
    if (AtLeast(v, Version::R2013)) d.B(c.hasDsData);
    if (!AtLeast(v, Version::R2000)) d.B(c.isByLayerLt);
    if (AtLeast(v, Version::R2004)) {
        c.noLinks = true;  // entities are no longer linked to their neighbours
    } else {
        d.B(c.noLinks);
    }
    d.ENC(c.color);
    d.BD(c.ltScale);
    if (AtLeast(v, Version::R2000)) {
        d.BB(c.ltFlags);
        d.BB(c.plotFlags);
    }
    if (AtLeast(v, Version::R2007)) {
        d.BB(c.materialFlags);
        d.RC(c.shadowFlags);
    }
    if (AtLeast(v, Version::R2010)) {
        d.B(c.hasFullVisualStyle);
        d.B(c.hasFaceVisualStyle);
        d.B(c.hasEdgeVisualStyle);
    }
    d.BS(c.invisible);
    if (AtLeast(v, Version::R2000)) d.RC(c.lineweight);
}

// The persistent reactors (counted in the data stream) and the extension
// dictionary, which from R2004 on may be left out.
template <class Io>
void ExchangeReactorsAndXdic(Io& h, ObjectCommon& c) {
    ExchangeHandles(h, c.reactors);
    if (!(AtLeast(h.V(), Version::R2004) && c.xdicMissing)) h.H(c.xdic);
}

template <class Io>
void ExchangeEntityHandles(Io& h, ObjectCommon& c) {
    const Version v = h.V();
    if (c.entMode == 0) h.H(c.owner);
    ExchangeReactorsAndXdic(h, c);
    if (!AtLeast(v, Version::R2000)) {
        h.H(c.layer);
        if (!c.isByLayerLt) h.H(c.ltype);
    }
    if (!c.noLinks && !AtLeast(v, Version::R2004)) {
        h.H(c.prev);
        h.H(c.next);
    }
    if (AtLeast(v, Version::R2004) && c.color.hasBookHandle) h.H(c.styles.Get().colorBook);
    if (AtLeast(v, Version::R2000)) {
        h.H(c.layer);
        if (c.ltFlags == 3) h.H(c.ltype);
        if (AtLeast(v, Version::R2007) && c.materialFlags == 3) h.H(c.styles.Get().material);
        if (c.plotFlags == 3) h.H(c.styles.Get().plotStyle);
    }
    if (AtLeast(v, Version::R2010)) {
        if (c.hasFullVisualStyle) h.H(c.styles.Get().fullVisualStyle);
        if (c.hasFaceVisualStyle) h.H(c.styles.Get().faceVisualStyle);
        if (c.hasEdgeVisualStyle) h.H(c.styles.Get().edgeVisualStyle);
    }
}

template <class Io>
void ExchangeObjectCommon(Io& d, ObjectCommon& c) {
    ExchangeCount(d, c.reactors);
    if (AtLeast(d.V(), Version::R2004)) d.B(c.xdicMissing);
    if (AtLeast(d.V(), Version::R2013)) d.B(c.hasDsData);
}

template <class Io>
void ExchangeObjectHandles(Io& h, ObjectCommon& c) {
    h.H(c.owner);
    ExchangeReactorsAndXdic(h, c);
}

template <class Io>
void ExchangeText(Io& d, Io& h, TextData& t) {
    if (!AtLeast(d.V(), Version::R2000)) {
        d.BD(t.elevation);
        d.RD2(t.insertion);
        d.RD2(t.alignment);
        Point3 e = t.extrusion;
        d.BD3(e);
        t.extrusion = e;
        d.BD(t.thickness);
        d.BD(t.oblique);
        d.BD(t.rotation);
        d.BD(t.height);
        d.BD(t.widthFactor);
        d.TV(t.value);
        d.BS(t.generation);
        d.BS(t.hAlign);
        d.BS(t.vAlign);
    } else {
        d.RC(t.dataFlags);
        if (!(t.dataFlags & 0x01)) d.RD(t.elevation);
        d.RD2(t.insertion);
        if (!(t.dataFlags & 0x02)) {
            d.DD(t.alignment.x, t.insertion.x);
            d.DD(t.alignment.y, t.insertion.y);
        }
        d.BE(t.extrusion);
        d.BT(t.thickness);
        if (!(t.dataFlags & 0x04)) d.RD(t.oblique);
        if (!(t.dataFlags & 0x08)) d.RD(t.rotation);
        d.RD(t.height);
        if (!(t.dataFlags & 0x10)) d.RD(t.widthFactor);
        d.TV(t.value);
        if (!(t.dataFlags & 0x20)) d.BS(t.generation);
        if (!(t.dataFlags & 0x40)) d.BS(t.hAlign);
        if (!(t.dataFlags & 0x80)) d.BS(t.vAlign);
    }
    h.H(t.style);
}

template <class Io>
void ExchangeMText(Io& d, Io& h, MTextData& m) {
    const Version v = d.V();
    ExchangeEntityCommon(d, m.common);
    ExchangeEntityHandles(h, m.common);
    d.BD3(m.insertion);
    d.BD3(m.extrusion);
    d.BD3(m.xAxis);
    d.BD(m.rectWidth);
    if (AtLeast(v, Version::R2007)) d.BD(m.rectHeight);
    d.BD(m.textHeight);
    d.BS(m.attachment);
    d.BS(m.drawingDir);
    d.BD(m.extentsHeight);
    d.BD(m.extentsWidth);
    d.TV(m.text);
    h.H(m.style);
    if (AtLeast(v, Version::R2000)) {
        d.BS(m.lineSpacingStyle);
        d.BD(m.lineSpacingFactor);
        d.B(m.unknownBit);
    }
    if (AtLeast(v, Version::R2004)) {
        d.BL(m.backgroundFlags);
        if ((m.backgroundFlags & 0x01) || (AtLeast(v, Version::R2018) && (m.backgroundFlags & 0x10))) {
            d.BD(m.backgroundScale);
            ExchangeCmc(d, m.backgroundColor);
            d.BL(m.backgroundTransparency);
        }
    }
    if (!AtLeast(v, Version::R2018)) return;
    d.B(m.notAnnotative);
    if (!m.notAnnotative) return;
    d.BS(m.version);
    d.B(m.defaultFlag);
    h.H(m.app);
    d.BL(m.attachment2);
    d.BD3(m.xAxis2);
    d.BD3(m.insertion2);
    d.BD(m.rectWidth2);
    d.BD(m.rectHeight2);
    d.BD(m.extentsWidth2);
    d.BD(m.extentsHeight2);
    d.BS(m.columnType);
    if (m.columnType == 0) return;
    std::int32_t heights = static_cast<std::int32_t>(m.columnHeights.size());
    d.BL(m.columnCount);
    d.BD(m.columnWidth);
    d.BD(m.gutter);
    d.B(m.autoHeight);
    d.B(m.flowReversed);
    if (m.autoHeight || m.columnType != 2) return;
    if constexpr (Io::kReading) {
        heights = m.columnCount;
        if (heights < 0 || heights > (1 << 16)) {
            d.Fail();
            heights = 0;
        }
        m.columnHeights.assign(static_cast<std::size_t>(heights), 0.0);
    } else if (heights != m.columnCount) {
        d.Fail();
    }
    for (double& x : m.columnHeights) d.BD(x);
}

template <class Io>
void ExchangeAttrib(Io& d, Io& h, AttribData& a, bool isAttdef) {
    const Version v = d.V();
    ExchangeText(d, h, a.text);
    if (AtLeast(v, Version::R2010)) d.RC(a.version);
    if (AtLeast(v, Version::R2018)) d.RC(a.attribType);
    if (a.MultiLine()) {
        ExchangeMText(d, h, a.mtext.Get());
        std::int16_t size = static_cast<std::int16_t>(a.annotativeData.size());
        d.BS(size);
        if (size > 0) {
            d.Bytes(a.annotativeData, static_cast<std::size_t>(size));
            h.H(a.annotativeApp);
            d.BS(a.annotativeUnknown);
        } else if (size < 0) {
            d.Fail();
        }
        d.TV(a.tag);
        d.BS(a.fieldLength);
        d.RC(a.flags);
        d.B(a.lockPosition);
    } else {
        d.TV(a.tag);
        d.BS(a.fieldLength);
        d.RC(a.flags);
        if (AtLeast(v, Version::R2007)) d.B(a.lockPosition);
    }
    if (!isAttdef) return;
    if (AtLeast(v, Version::R2010)) d.RC(a.promptVersion);
    d.TV(a.prompt);
}

template <class Io>
void ExchangeInsert(Io& d, Io& h, InsertData& n, bool isMinsert) {
    d.BD3(n.insertion);
    if (!AtLeast(d.V(), Version::R2000)) {
        d.BD3(n.scale);
    } else {
        // The shortest form the scale allows; reading takes the stored form.
        std::uint8_t form = 0;
        if constexpr (!Io::kReading) form = ScaleForm(n.scale);
        d.BB(form);
        switch (form) {
            case 3:
                if constexpr (Io::kReading) n.scale = {1, 1, 1};
                break;
            case 1:
                if constexpr (Io::kReading) n.scale.x = 1.0;
                d.DD(n.scale.y, 1.0);
                d.DD(n.scale.z, 1.0);
                break;
            case 2:
                d.RD(n.scale.x);
                if constexpr (Io::kReading) n.scale.y = n.scale.z = n.scale.x;
                break;
            default:
                d.RD(n.scale.x);
                d.DD(n.scale.y, n.scale.x);
                d.DD(n.scale.z, n.scale.x);
        }
    }
    d.BD(n.rotation);
    d.BD3(n.extrusion);
    d.B(n.hasAttribs);
    const bool r2004 = AtLeast(d.V(), Version::R2004);
    if (r2004 && n.hasAttribs) ExchangeCount(d, n.ownedAttribs);
    if (isMinsert) {
        d.BS(n.columns);
        d.BS(n.rows);
        d.BD(n.columnSpacing);
        d.BD(n.rowSpacing);
    }
    h.H(n.blockHeader);
    if (n.hasAttribs) {
        if (r2004) {
            ExchangeHandles(h, n.ownedAttribs);
        } else {
            h.H(n.firstAttrib);
            h.H(n.lastAttrib);
        }
        h.H(n.seqend);
    }
}

template <class Io>
void ExchangeControl(Io& d, Io& h, ControlData& c) {
    d.BL(c.numEntries);
    // The entries, then (for the block table) model and paper space: read
    // whatever the handle stream holds.
    if constexpr (Io::kReading) {
        c.entries.clear();
        while (h.MoreHandles()) {
            HandleRef r;
            h.H(r);
            if (!h.Ok()) break;
            c.entries.push_back(r);
        }
    } else {
        for (HandleRef& r : c.entries) h.H(r);
    }
}

template <class Io>
void ExchangeBlockHeader(Io& d, Io& h, BlockHeaderData& b) {
    const Version v = d.V();
    d.TV(b.name);
    ExchangeEntryFlags(d, b.flag64, b.xrefIndexPlus1, b.xdep);
    d.B(b.anonymous);
    d.B(b.hasAttdefs);
    d.B(b.isXref);
    d.B(b.isOverlaid);
    if (AtLeast(v, Version::R2000)) d.B(b.loaded);
    const bool r2004 = AtLeast(v, Version::R2004);
    if (r2004 && !b.isXref && !b.isOverlaid) ExchangeCount(d, b.ownedEntities);
    d.BD3(b.basePoint);
    d.TV(b.xrefPath);
    if (AtLeast(v, Version::R2000)) {
        if constexpr (Io::kReading) {
            b.insertCounts.clear();
            for (;;) {
                std::uint8_t c = 0;
                d.RC(c);
                if (c == 0 || !d.Ok()) break;
                b.insertCounts.push_back(c);
            }
        } else {
            for (std::uint8_t& c : b.insertCounts) d.RC(c);
            std::uint8_t zero = 0;
            d.RC(zero);
        }
        d.TV(b.description);
        std::int32_t previewSize = static_cast<std::int32_t>(b.preview.size());
        d.BL(previewSize);
        if (previewSize < 0) previewSize = 0;
        d.Bytes(b.preview, static_cast<std::size_t>(previewSize));
    }
    if (AtLeast(v, Version::R2007)) {
        d.BS(b.insertUnits);
        d.B(b.explodable);
        d.RC(b.blockScaling);
    }
    h.H(b.nullHandle);
    h.H(b.block);
    if (!b.isXref && !b.isOverlaid) {
        if (r2004) {
            ExchangeHandles(h, b.ownedEntities);
        } else {
            h.H(b.firstEntity);
            h.H(b.lastEntity);
        }
    }
    h.H(b.endblk);
    if (AtLeast(v, Version::R2000)) {
        // As many insert handles as the counts add up to.
        std::size_t count = 0;
        for (std::uint8_t c : b.insertCounts) count += c;
        if constexpr (Io::kReading) {
            b.inserts.assign(std::min<std::size_t>(count, 1 << 20), HandleRef{});
        } else if (b.inserts.size() != count) {
            h.Fail();
        }
        ExchangeHandles(h, b.inserts);
        h.H(b.layout);
    }
}

template <class Io>
void ExchangeLayer(Io& d, Io& h, LayerData& l) {
    const Version v = d.V();
    d.TV(l.name);
    ExchangeEntryFlags(d, l.flag64, l.xrefIndexPlus1, l.xdep);
    if (!AtLeast(v, Version::R2000)) {
        d.B(l.frozen);
        d.B(l.on);
        d.B(l.frozenInNew);
        d.B(l.locked);
    } else {
        d.BS(l.values);
    }
    ExchangeCmc(d, l.color);
    h.H(l.xrefBlock);
    if (AtLeast(v, Version::R2000)) h.H(l.plotStyle);
    if (AtLeast(v, Version::R2007)) h.H(l.material);
    h.H(l.linetype);
}

template <class Io>
void ExchangeLayout(Io& d, Io& h, LayoutData& l) {
    PlotSettingsData& p = l.plot.Get();
    d.TV(p.pageSetupName);
    d.TV(p.printerConfig);
    d.BS(p.plotLayoutFlags);
    for (double& m : p.margins) d.BD(m);
    d.BD(p.paperWidth);
    d.BD(p.paperHeight);
    d.TV(p.paperSize);
    d.BD2(p.plotOrigin);
    d.BS(p.paperUnits);
    d.BS(p.plotRotation);
    d.BS(p.plotType);
    d.BD2(p.windowMin);
    d.BD2(p.windowMax);
    if (!AtLeast(d.V(), Version::R2004)) d.TV(p.plotViewName);  // a handle from R2004 on
    d.BD(p.realWorldUnits);
    d.BD(p.drawingUnits);
    d.TV(p.styleSheet);
    d.BS(p.scaleType);
    d.BD(p.scaleFactor);
    d.BD2(p.paperImageOrigin);
    const bool r2004 = AtLeast(d.V(), Version::R2004);
    if (r2004) {
        d.BS(p.shadePlotMode);
        d.BS(p.shadePlotResLevel);
        d.BS(p.shadePlotCustomDpi);
    }
    d.TV(l.name);
    d.BL(l.tabOrder);
    d.BS(l.flags);
    d.BD3(l.ucsOrigin);
    d.RD2(l.limMin);
    d.RD2(l.limMax);
    d.BD3(l.insBase);
    d.BD3(l.ucsX);
    d.BD3(l.ucsY);
    d.BD(l.elevation);
    d.BS(l.orthoView);
    d.BD3(l.extMin);
    d.BD3(l.extMax);
    std::int32_t viewportCount = static_cast<std::int32_t>(l.viewports.size());
    if (r2004) {
        d.BL(viewportCount);
        if constexpr (Io::kReading) {
            if (viewportCount < 0 || viewportCount > (1 << 20)) {
                d.Reader().Fail();
                viewportCount = 0;
            }
            l.viewports.assign(static_cast<std::size_t>(viewportCount), HandleRef{});
        }
        h.H(l.plotView);
    }
    if (AtLeast(d.V(), Version::R2007)) h.H(l.visualStyle);
    h.H(l.paperSpaceBlock);
    h.H(l.lastActiveViewport);
    h.H(l.baseUcs);
    h.H(l.namedUcs);
    if (r2004) ExchangeHandles(h, l.viewports);
}

template <class Io>
void ExchangeDictionary(Io& d, Io& h, DictionaryData& x) {
    const Version v = d.V();
    std::int32_t count = static_cast<std::int32_t>(x.names.size());
    d.BL(count);
    if constexpr (Io::kReading) {
        // Every entry takes at least a byte of handle stream.
        if (count < 0 || static_cast<std::size_t>(count) > h.Reader().RemainingBits() / 8) {
            d.Fail();
            return;
        }
        x.names.assign(static_cast<std::size_t>(count), std::string());
        x.items.assign(static_cast<std::size_t>(count), HandleRef{});
    }
    if (v == Version::R14) d.RC(x.unknownR14);
    if (AtLeast(v, Version::R2000)) {
        d.BS(x.cloning);
        d.RC(x.hardOwner);
    }
    for (std::string& name : x.names) d.TV(name);
    ExchangeHandles(h, x.items);
}

template <class Io>
void ExchangeXrecord(Io& d, XrecordData& x) {
    std::int32_t size = static_cast<std::int32_t>(x.data.size());
    d.BL(size);
    if constexpr (Io::kReading) {
        if (size < 0 || static_cast<std::size_t>(size) > d.Reader().RemainingBits() / 8) {
            d.Fail();
            return;
        }
    }
    d.Bytes(x.data, static_cast<std::size_t>(size));
    if (AtLeast(d.V(), Version::R2000)) d.BS(x.cloning);
}

}  // namespace kel::dwg
