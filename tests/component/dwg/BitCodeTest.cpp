// Bit codes: the worked examples of the format documentation, round trips at
// the limits of each code, the shortest forms, version differences, and reads
// past the end of a stream.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "component/dwg/BitReader.h"
#include "component/dwg/BitWriter.h"
#include "component/dwg/DwgCrc.h"

namespace kel::dwg {
namespace {

// Packs a text of 0 and 1 into bytes, most significant bit first.
std::string FromBits(const std::string& bits) {
    std::string out((bits.size() + 7) / 8, '\0');
    for (std::size_t i = 0; i < bits.size(); ++i) {
        if (bits[i] == '1') out[i / 8] = static_cast<char>(out[i / 8] | (0x80 >> (i % 8)));
    }
    return out;
}

std::string Bytes(std::initializer_list<int> v) {
    std::string s;
    for (int b : v) s += static_cast<char>(b);
    return s;
}

std::uint64_t Bits(double d) {
    std::uint64_t b;
    std::memcpy(&b, &d, 8);
    return b;
}

TEST(BitCodeTest, DocumentedExamplesDecode) {
    std::string shorts = FromBits("0000000001000000011011010000111110");
    BitReader s(shorts, Version::R2000);
    EXPECT_EQ(s.BS(), 257);
    EXPECT_EQ(s.BS(), 0);
    EXPECT_EQ(s.BS(), 256);
    EXPECT_EQ(s.BS(), 15);
    EXPECT_EQ(s.BS(), 0);
    EXPECT_TRUE(s.Ok());

    std::string longs = FromBits("000000000100000001000000000000000010010000111110");
    BitReader l(longs, Version::R2000);
    EXPECT_EQ(l.BL(), 257);
    EXPECT_EQ(l.BL(), 0);
    EXPECT_EQ(l.BL(), 15);
    EXPECT_EQ(l.BL(), 0);

    std::string mc = Bytes({0x82, 0x24, 0xE9, 0x97, 0xE6, 0x35, 0x85, 0x4B});
    BitReader m(mc, Version::R2000);
    EXPECT_EQ(m.MC(), 4610);
    EXPECT_EQ(m.MC(), 112823273);
    EXPECT_EQ(m.MC(), -1413);

    std::string ms = Bytes({0x31, 0xF4, 0x8D, 0x00});
    BitReader n(ms, Version::R2000);
    EXPECT_EQ(n.MS(), 4650033u);

    std::string h = Bytes({0x52, 0x05, 0xE7});
    BitReader hr(h, Version::R2000);
    HandleRef ref = hr.H();
    EXPECT_EQ(ref.code, 5);
    EXPECT_EQ(ref.value, 0x5E7u);
}

TEST(BitCodeTest, IntegersRoundTripAtTheirLimits) {
    BitWriter w(Version::R2000);
    const std::int16_t shorts[] = {std::numeric_limits<std::int16_t>::min(), -1, 0, 1, 255, 256, 257,
                                   std::numeric_limits<std::int16_t>::max()};
    const std::int32_t longs[] = {std::numeric_limits<std::int32_t>::min(), -1, 0, 1, 255, 256,
                                  std::numeric_limits<std::int32_t>::max()};
    const std::int64_t mcs[] = {0, 63, 64, -1, -63, -64, 8191, -8192, (std::int64_t{1} << 62) - 1,
                                -((std::int64_t{1} << 62) - 1)};
    const std::uint64_t umcs[] = {0, 127, 128, 0xFFFFFFFFull, std::numeric_limits<std::uint64_t>::max()};
    const std::uint32_t mss[] = {0, 0x7FFF, 0x8000, 0x3FFFFFFF, 0xFFFFFFFFu};
    const std::uint64_t blls[] = {0, 1, 0xFFFF, 0x10000, 0xFFFFFFFFFFFFFFull};
    for (auto v : shorts) w.BS(v);
    for (auto v : longs) w.BL(v);
    for (auto v : mcs) w.MC(v);
    for (auto v : umcs) w.UMC(v);
    for (auto v : mss) w.MS(v);
    for (auto v : blls) w.BLL(v);
    for (std::uint8_t v : {0, 2, 6, 7}) w.B3(v);
    ASSERT_TRUE(w.Ok());

    BitReader r(w.Bytes(), Version::R2000);
    for (auto v : shorts) EXPECT_EQ(r.BS(), v);
    for (auto v : longs) EXPECT_EQ(r.BL(), v);
    for (auto v : mcs) EXPECT_EQ(r.MC(), v);
    for (auto v : umcs) EXPECT_EQ(r.UMC(), v);
    for (auto v : mss) EXPECT_EQ(r.MS(), v);
    for (auto v : blls) EXPECT_EQ(r.BLL(), v);
    for (std::uint8_t v : {0, 2, 6, 7}) EXPECT_EQ(r.B3(), v);
    EXPECT_TRUE(r.Ok());
    EXPECT_LT(r.RemainingBits(), 8u);
}

TEST(BitCodeTest, WriterChoosesTheShortestForm) {
    auto bitsOf = [](auto write) {
        BitWriter w(Version::R2000);
        write(w);
        return w.BitPos();
    };
    EXPECT_EQ(bitsOf([](BitWriter& w) { w.BS(0); }), 2u);
    EXPECT_EQ(bitsOf([](BitWriter& w) { w.BS(256); }), 2u);
    EXPECT_EQ(bitsOf([](BitWriter& w) { w.BS(255); }), 10u);
    EXPECT_EQ(bitsOf([](BitWriter& w) { w.BS(-1); }), 18u);  // negatives never take the byte form
    EXPECT_EQ(bitsOf([](BitWriter& w) { w.BL(256); }), 34u);  // a long has no 256 shortcut
    EXPECT_EQ(bitsOf([](BitWriter& w) { w.BD(1.0); }), 2u);
    EXPECT_EQ(bitsOf([](BitWriter& w) { w.BD(0.0); }), 2u);
    EXPECT_EQ(bitsOf([](BitWriter& w) { w.BD(-0.0); }), 66u);  // keeps the sign bit
    EXPECT_EQ(bitsOf([](BitWriter& w) { w.H(HandleRef{4, 0}); }), 8u);
    EXPECT_EQ(bitsOf([](BitWriter& w) { w.H(HandleRef{5, 0x1FF}); }), 24u);
    EXPECT_EQ(bitsOf([](BitWriter& w) { w.MC(-64); }), 16u);  // 0x40 of the last byte is the sign
}

TEST(BitCodeTest, DoublesKeepTheirExactBits) {
    const double values[] = {0.0, -0.0, 1.0, -1.0, 0.1, std::numeric_limits<double>::denorm_min(),
                             std::numeric_limits<double>::max(), std::numeric_limits<double>::infinity(),
                             std::numeric_limits<double>::quiet_NaN()};
    BitWriter w(Version::R2000);
    for (double v : values) w.BD(v);
    for (double v : values) w.RD(v);
    for (double v : values) w.DD(v, 1.5);
    for (double v : values) w.DD(v, v);
    BitReader r(w.Bytes(), Version::R2000);
    for (double v : values) EXPECT_EQ(Bits(r.BD()), Bits(v));
    for (double v : values) EXPECT_EQ(Bits(r.RD()), Bits(v));
    for (double v : values) EXPECT_EQ(Bits(r.DD(1.5)), Bits(v));
    for (double v : values) EXPECT_EQ(Bits(r.DD(v)), Bits(v));
    EXPECT_TRUE(r.Ok());
}

TEST(BitCodeTest, DefaultDoublePatchesOnlyTheBytesThatDiffer) {
    double def = 12.5;
    double lowDiffers = def;
    reinterpret_cast<std::uint8_t*>(&lowDiffers)[0] ^= 1;  // differs in the first 4 bytes only
    double midDiffers = lowDiffers;
    reinterpret_cast<std::uint8_t*>(&midDiffers)[5] ^= 1;  // and in byte 6
    struct Case {
        double value;
        std::size_t bits;
    } cases[] = {{def, 2}, {lowDiffers, 2 + 32}, {midDiffers, 2 + 48}, {-7.25, 2 + 64}};
    for (const Case& c : cases) {
        BitWriter w(Version::R2000);
        w.DD(c.value, def);
        EXPECT_EQ(w.BitPos(), c.bits);
        BitReader r(w.Bytes(), Version::R2000);
        EXPECT_EQ(Bits(r.DD(def)), Bits(c.value));
    }
}

TEST(BitCodeTest, ExtrusionThicknessAndColourFollowTheVersion) {
    const Point3 up{0, 0, 1};
    const Point3 tilted{0.6, 0, 0.8};
    for (Version v : {Version::R14, Version::R2000, Version::R2004}) {
        BitWriter w(v);
        w.BE(up);
        w.BE(tilted);
        w.BT(0.0);
        w.BT(2.5);
        Color c;
        c.index = 7;
        c.rgb = 0xC2112233;
        c.name = "Red";
        w.CMC(c);
        w.ENC(c);
        BitReader r(w.Bytes(), v);
        Point3 a = r.BE();
        Point3 b = r.BE();
        EXPECT_EQ(a.z, 1.0);
        EXPECT_EQ(b.x, 0.6);
        EXPECT_EQ(b.z, 0.8);
        EXPECT_EQ(r.BT(), 0.0);
        EXPECT_EQ(r.BT(), 2.5);
        Color cmc = r.CMC();
        Color enc = r.ENC();
        EXPECT_EQ(cmc.index, 7);
        EXPECT_EQ(enc.index, 7);
        if (AtLeast(v, Version::R2004)) {
            EXPECT_EQ(cmc.rgb, 0xC2112233u);
            EXPECT_EQ(cmc.name, "Red");
            EXPECT_EQ(enc.rgb, 0xC2112233u);
        } else {
            EXPECT_EQ(cmc.rgb, 0u);  // the index is all an R2000 colour holds
        }
        EXPECT_TRUE(r.Ok());
    }
    // The default extrusion and thickness cost one bit each from R2000 on and
    // 3 and 1 bitdoubles before.
    BitWriter r14(Version::R14);
    r14.BE(up);
    r14.BT(0.0);
    BitWriter r2000(Version::R2000);
    r2000.BE(up);
    r2000.BT(0.0);
    EXPECT_EQ(r14.BitPos(), 8u);
    EXPECT_EQ(r2000.BitPos(), 2u);
}

TEST(BitCodeTest, TextsRoundTripAndOverlongTextsAreRefused) {
    BitWriter w(Version::R2000);
    w.B(1);  // texts need not start on a byte boundary
    w.T(std::string("Gr\xF6\xDF" "e\0", 6));
    w.TU(u"\u03A9 \u8A2D");
    w.T("");
    BitReader r(w.Bytes(), Version::R2000);
    EXPECT_EQ(r.B(), 1);
    EXPECT_EQ(r.T(), std::string("Gr\xF6\xDF" "e\0", 6));
    EXPECT_EQ(r.TU(), u"\u03A9 \u8A2D");
    EXPECT_EQ(r.T(), "");
    EXPECT_TRUE(r.Ok());

    BitWriter tooLong(Version::R2000);
    tooLong.T(std::string(40000, 'x'));
    EXPECT_FALSE(tooLong.Ok());
}

TEST(BitCodeTest, HandlesResolveRelativeReferences) {
    EXPECT_EQ((HandleRef{0x4, 0x20}.Resolve(0x100)), 0x20u);
    EXPECT_EQ((HandleRef{0x6, 0}.Resolve(0x100)), 0x101u);
    EXPECT_EQ((HandleRef{0x8, 0}.Resolve(0x100)), 0xFFu);
    EXPECT_EQ((HandleRef{0xA, 0x10}.Resolve(0x100)), 0x110u);
    EXPECT_EQ((HandleRef{0xC, 0x10}.Resolve(0x100)), 0xF0u);
    BitWriter w(Version::R2000);
    w.H(HandleRef{0x3, std::numeric_limits<std::uint64_t>::max()});
    BitReader r(w.Bytes(), Version::R2000);
    HandleRef h = r.H();
    EXPECT_EQ(h.code, 3);
    EXPECT_EQ(h.value, std::numeric_limits<std::uint64_t>::max());
}

TEST(BitCodeTest, ReadsPastTheEndFailWithoutTouchingMemory) {
    std::string one = Bytes({0x00});  // BS "00": a raw short that is not there
    BitReader r(one, Version::R2000);
    EXPECT_EQ(r.BS(), 0);
    EXPECT_FALSE(r.Ok());
    EXPECT_EQ(r.RD(), 0.0);  // every later read fails too
    EXPECT_EQ(r.RemainingBits(), 0u);

    std::string lyingText = FromBits("00" "0111111111111111");  // T claims 32767 bytes
    BitReader t(lyingText, Version::R2000);
    EXPECT_EQ(t.T(), "");
    EXPECT_FALSE(t.Ok());

    std::string handle = Bytes({0x4F, 1, 2, 3});  // 15 handle bytes claimed
    BitReader h(handle, Version::R2000);
    h.H();
    EXPECT_FALSE(h.Ok());

    std::string endless(20, static_cast<char>(0xFF));  // a modular char that never ends
    BitReader m(endless, Version::R2000);
    m.UMC();
    EXPECT_FALSE(m.Ok());

    std::string three = FromBits("11");  // BL code 3 does not exist
    BitReader unused(three, Version::R2000);
    unused.BL();
    EXPECT_FALSE(unused.Ok());
}

TEST(BitCodeTest, CrcMatchesTheStandardCheckValueAndChains) {
    const std::string digits = "123456789";
    EXPECT_EQ(Crc16(0, digits), 0xBB3D);
    std::uint16_t part = Crc16(kCrcSeed, digits.substr(0, 4));
    EXPECT_EQ(Crc16(part, digits.substr(4)), Crc16(kCrcSeed, digits));
    std::uint16_t x = 0;
    EXPECT_TRUE(FileHeaderCrcXor(5, x));
    EXPECT_EQ(x, 0x3CC4);
    EXPECT_FALSE(FileHeaderCrcXor(7, x));
}

}  // namespace
}  // namespace kel::dwg
