// Object layouts written and read back through the one declaration per
// object, in each version's form: INSERT and MINSERT scale forms, ATTRIB
// optional fields, the common entity fields and whole objects with their
// extended data, graphics and CRC.
#include <gtest/gtest.h>

#include <tuple>

#include "component/dwg/DwgObjectCodec.h"
#include "component/dwg/DwgObjectIo.h"

namespace kel::dwg {
namespace {

// Writes data and handles with one layout and reads them back with it.
template <class T, class Exchange>
T RoundTrip(Version v, T value, Exchange exchange, std::size_t* dataBits = nullptr) {
    BitWriter dw(v), hw(v);
    WriteIo d(dw), h(hw);
    exchange(d, h, value);
    EXPECT_TRUE(dw.Ok() && hw.Ok());
    if (dataBits) *dataBits = dw.BitPos();
    std::string data = dw.Bytes(), handles = hw.Bytes();
    BitReader dr(data, v), hr(handles, v);
    ReadIo rd(dr), rh(hr);
    T back;
    exchange(rd, rh, back);
    EXPECT_TRUE(dr.Ok() && hr.Ok());
    return back;
}

TEST(DwgObjectLayoutTest, InsertScalesTakeEachVersionsForm) {
    const std::pair<std::uint8_t, Point3> scales[] = {{3, {1, 1, 1}}, {1, {1, 2, 3}}, {2, {2.5, 2.5, 2.5}}, {0, {2, 3, 4}}};
    InsertData n;
    n.insertion = {10, -20, 0.5};
    n.rotation = 0.75;
    n.hasAttribs = true;
    n.blockHeader = {5, 0x1F};
    n.firstAttrib = {4, 0x100};
    n.lastAttrib = {4, 0x102};
    n.seqend = {3, 0x103};
    for (Version v : {Version::R13, Version::R14, Version::R2000}) {
        for (const auto& [flags, scale] : scales) {
            for (bool minsert : {false, true}) {
                n.scale = scale;
                EXPECT_EQ(ScaleForm(scale), flags);  // the form follows from the scale
                n.columns = minsert ? 3 : 1;
                n.rows = minsert ? 4 : 1;  // differs from columns, so a swap shows
                n.columnSpacing = minsert ? 12.5 : 0;
                const InsertData b = RoundTrip(v, n, [&](auto& d, auto& h, InsertData& x) { ExchangeInsert(d, h, x, minsert); });
                EXPECT_EQ(std::tie(b.insertion.y, b.scale.x, b.scale.y, b.scale.z, b.rotation, b.columns, b.rows,
                                   b.columnSpacing, b.lastAttrib.value, b.seqend.value),
                          std::tie(n.insertion.y, n.scale.x, n.scale.y, n.scale.z, n.rotation, n.columns, n.rows,
                                   n.columnSpacing, n.lastAttrib.value, n.seqend.value));
            }
        }
    }
    // Without attributes the insert stores no attribute or SEQEND handles.
    InsertData bare;
    bare.blockHeader = {5, 0x1F};
    bare.seqend = {3, 0x99};
    bare = RoundTrip(Version::R2000, bare, [](auto& d, auto& h, InsertData& x) { ExchangeInsert(d, h, x, false); });
    EXPECT_EQ(bare.seqend.value, 0u);
}

TEST(DwgObjectLayoutTest, AttribOptionalFieldsFollowTheDataFlags) {
    AttribData a;
    a.text.insertion = {1, 2};
    a.text.alignment = {1, 2};
    a.text.height = 2.5;
    a.text.value = "Gr\xF6\xDF" "e";
    a.tag = "TITLE";
    a.flags = 8;
    a.text.style = {5, 0x11};
    std::size_t allAbsent = 0, allPresent = 0;
    a.text.dataFlags = 0xFF;
    AttribData back = RoundTrip(Version::R2000, a, [](auto& d, auto& h, AttribData& x) { ExchangeAttrib(d, h, x, false); }, &allAbsent);
    EXPECT_EQ(std::tie(back.text.value, back.tag, back.flags, back.text.style.value),
              std::tie(a.text.value, a.tag, a.flags, a.text.style.value));
    EXPECT_EQ(back.text.widthFactor, 1.0);  // absent: the default

    a.text.dataFlags = 0;
    a.text.rotation = 0.5;
    a.text.widthFactor = 0.8;
    a.text.hAlign = 1;
    a.prompt = "Title?";
    for (Version v : {Version::R2000, Version::R14}) {  // R14 stores every field, with bit-coded doubles
        back = RoundTrip(v, a, [](auto& d, auto& h, AttribData& x) { ExchangeAttrib(d, h, x, true); }, &allPresent);
        EXPECT_EQ(std::tie(back.text.rotation, back.text.widthFactor, back.text.height, back.text.hAlign, back.prompt),
                  std::tie(a.text.rotation, a.text.widthFactor, a.text.height, a.text.hAlign, a.prompt));
        EXPECT_TRUE(v != Version::R2000 || allPresent > allAbsent + 64 * 3) << allPresent << " " << allAbsent;
    }
}

TEST(DwgObjectLayoutTest, CommonEntityHandlesDependOnModeFlagsAndVersion) {
    ObjectCommon c;
    c.reactors = {{4, 0x50}};  // entMode 0: the owner is stored
    c.xdic = {3, 0x60};
    c.prev = {8, 0};
    c.next = {6, 0};
    c.layer = {5, 0x10};
    c.ltFlags = c.plotFlags = 3;
    c.ltype = {5, 0x14};
    c.styles.Get().plotStyle = {5, 0x0F};
    c.owner = {4, 0x1F};
    c.color.index = 256;
    const auto exchange = [](auto& d, auto& h, ObjectCommon& x) {
        ExchangeEntityCommon(d, x);
        ExchangeEntityHandles(h, x);
    };
    for (Version v : {Version::R13, Version::R2000}) {
        const ObjectCommon b = RoundTrip(v, c, exchange);
        ASSERT_EQ(b.reactors.size(), 1u);
        EXPECT_EQ(std::tie(b.owner.value, b.xdic.value, b.prev.code, b.next.code, b.layer.value, b.ltype.value,
                           b.color.index),
                  std::tie(c.owner.value, c.xdic.value, c.prev.code, c.next.code, c.layer.value, c.ltype.value,
                           c.color.index));
        EXPECT_EQ(b.styles.Get().plotStyle.value, AtLeast(v, Version::R2000) ? 0x0Fu : 0u);
    }
    // R2007 adds the material, R2010 the visual styles, each stored only when flagged.
    c.materialFlags = 3;
    c.styles.Get().material = {5, 0x77};
    c.hasFaceVisualStyle = true;
    c.styles.Get().faceVisualStyle = {5, 0x88};
    c.styles.Get().edgeVisualStyle = {5, 0x99};  // not flagged: not stored
    for (Version v : {Version::R2004, Version::R2010, Version::R2018}) {
        const ObjectCommon b = RoundTrip(v, c, exchange);
        const bool r2010 = AtLeast(v, Version::R2010);
        const StyleHandles& st = b.styles.Get();
        EXPECT_EQ(std::make_tuple(st.material.value, st.faceVisualStyle.value, st.edgeVisualStyle.value, st.plotStyle.value),
                  std::make_tuple(r2010 ? 0x77u : 0u, r2010 ? 0x88u : 0u, 0u, 0x0Fu));
        EXPECT_EQ(b.prev.code, 0);  // no links from R2004 on
    }
    // Model space entities carry no owner, and "no links" leaves out both links.
    c.entMode = 2;
    c.noLinks = true;
    const ObjectCommon b = RoundTrip(Version::R2000, c, exchange);
    EXPECT_EQ(b.owner.value, 0u);
    EXPECT_EQ(b.next.code, 0);
    EXPECT_EQ(b.layer.value, 0x10u);
}

TEST(DwgObjectLayoutTest, WholeObjectsEncodeAndDecode) {
    for (Version v : {Version::R13, Version::R14, Version::R2000, Version::R2004, Version::R2007, Version::R2010,
                      Version::R2018}) {
        SCOPED_TRACE(static_cast<int>(v));
        DwgFile file;
        file.version = v;
        DecodedObject o;
        o.known = true;
        o.common.type = type::kAttrib;
        o.common.isEntity = true;
        o.common.handle = {0, 0x2A5};
        o.common.eed.push_back({{5, 0x12}, "abc"});
        o.common.hasGraphics = true;
        o.common.graphics = std::string("\x01\x02\x03\x04\x05", 5);
        o.common.entMode = 0;
        o.common.owner = {4, 0x2A4};
        o.common.layer = {5, 0x10};
        o.common.isByLayerLt = true;
        o.common.prev = {4, 0};
        o.common.next = {6, 0};
        AttribData a;
        a.text.dataFlags = 0x02;
        a.text.height = 3;
        a.text.value = std::string("VALUE\0", 6);
        // From R2007 on a long value: a string stream over 0x7FFF bits takes two size fields.
        if (AtLeast(v, Version::R2007)) a.text.value = std::string(3000, 'v') + "\xE2\x82\xAC" + '\0';
        a.tag = "TAG";
        EmplaceData<AttribData>(o.data) = a;
        std::string bytes;
        ASSERT_TRUE(EncodeObject(o, file, bytes));
        DecodedObject back;
        std::string why;
        ASSERT_TRUE(DecodeObject(bytes, 0, file, back, why)) << why;
        EXPECT_EQ(back.totalBytes, bytes.size());
        EXPECT_TRUE(back.dataExact);
        ASSERT_EQ(back.common.eed.size(), 1u);
        EXPECT_EQ(back.common.eed[0].data, "abc");
        EXPECT_EQ(back.common.graphics, o.common.graphics);
        EXPECT_EQ(std::make_tuple(back.Handle(), back.Ref(back.common.owner), back.Ref(back.common.next)),
                  std::make_tuple(0x2A5ull, 0x2A4ull, AtLeast(v, Version::R2004) ? 0ull : 0x2A6ull));  // no links from R2004 on
        EXPECT_EQ(DataOf<AttribData>(back.data).text.value, a.text.value);
        std::string again;  // and encoded back to the same bytes
        ASSERT_TRUE(EncodeObject(back, file, again));
        EXPECT_EQ(again, bytes);

        // One changed bit anywhere is caught by the CRC.
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            std::string bad = bytes;
            bad[i] = static_cast<char>(bad[i] ^ 0x04);
            EXPECT_FALSE(DecodeObject(bad, 0, file, back, why)) << i;
        }
    }
}

}  // namespace
}  // namespace kel::dwg
