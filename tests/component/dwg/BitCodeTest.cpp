// Bit codes: worked examples, round trips at the limits of each code, the
// shortest forms, version differences, and reads past the end of a stream.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "component/dwg/BitReader.h"
#include "component/dwg/BitWriter.h"
#include "tests/component/dwg/DwgTestFiles.h"

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

using test::Bytes;

std::uint64_t Bits(double d) {
    std::uint64_t b;
    std::memcpy(&b, &d, 8);
    return b;
}

TEST(BitCodeTest, DocumentedExamplesDecode) {
    const std::string shorts = FromBits("0000000001000000011011010000111110");
    const std::string longs = FromBits("000000000100000001000000000000000010010000111110");
    const std::string mc = Bytes({0x82, 0x24, 0xE9, 0x97, 0xE6, 0x35, 0x85, 0x4B}), ms = Bytes({0x31, 0xF4, 0x8D, 0x00});
    const std::string handle = Bytes({0x52, 0x05, 0xE7});
    BitReader s(shorts, Version::R2000), l(longs, Version::R2000), m(mc, Version::R2000), n(ms, Version::R2000),
        h(handle, Version::R2000);
    // Braced lists read left to right.
    EXPECT_EQ((std::vector<int>{s.BS(), s.BS(), s.BS(), s.BS(), s.BS()}), (std::vector<int>{257, 0, 256, 15, 0}));
    EXPECT_EQ((std::vector<int>{l.BL(), l.BL(), l.BL(), l.BL()}), (std::vector<int>{257, 0, 15, 0}));
    EXPECT_EQ((std::vector<std::int64_t>{m.MC(), m.MC(), m.MC()}), (std::vector<std::int64_t>{4610, 112823273, -1413}));
    EXPECT_EQ(n.MS(), 4650033u);
    const HandleRef ref = h.H();
    EXPECT_EQ(std::make_pair(int{ref.code}, ref.value), std::make_pair(5, std::uint64_t{0x5E7}));
    EXPECT_TRUE(s.Ok() && l.Ok() && m.Ok() && n.Ok() && h.Ok());
}

// Fields of one, two and eight bits at every offset within a byte land as
// a text of 0 and 1 says, most significant bit first.
TEST(BitCodeTest, RawFieldsPackMostSignificantFirst) {
    BitWriter w(Version::R2000);
    std::string expected;
    std::uint32_t random = 0x9E3779B9u;
    auto add = [&expected](unsigned value, unsigned count) {
        for (unsigned i = count; i-- > 0;) expected += ((value >> i) & 1u) ? '1' : '0';
    };
    for (int i = 0; i < 300; ++i) {
        random = random * 1664525u + 1013904223u;
        const unsigned value = random >> 24;
        switch (random % 3) {
            case 0: w.B(static_cast<std::uint8_t>(value & 1u)); add(value & 1u, 1); break;
            case 1: w.BB(static_cast<std::uint8_t>(value & 3u)); add(value & 3u, 2); break;
            default: w.RC(static_cast<std::uint8_t>(value)); add(value, 8); break;
        }
    }
    EXPECT_EQ(w.BitPos(), expected.size());
    EXPECT_EQ(w.Bytes(), FromBits(expected));
}

TEST(BitCodeTest, ValuesRoundTripAtTheirLimits) {
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
    // Doubles keep their exact bits, whatever the form and the default.
    const double doubles[] = {0.0, -0.0, 1.0, -1.0, 0.1, std::numeric_limits<double>::denorm_min(),
                              std::numeric_limits<double>::max(), std::numeric_limits<double>::infinity(),
                              std::numeric_limits<double>::quiet_NaN()};
    for (auto v : shorts) w.BS(v);
    for (auto v : longs) w.BL(v);
    for (auto v : mcs) w.MC(v);
    for (auto v : umcs) w.UMC(v);
    for (auto v : mss) w.MS(v);
    for (auto v : blls) w.BLL(v);
    for (std::uint8_t v : {0, 2, 6, 7}) w.B3(v);
    for (double v : doubles) {
        w.BD(v);
        w.RD(v);
        w.DD(v, 1.5);
        w.DD(v, v);
    }
    ASSERT_TRUE(w.Ok());

    BitReader r(w.Bytes(), Version::R2000);
    for (auto v : shorts) EXPECT_EQ(r.BS(), v);
    for (auto v : longs) EXPECT_EQ(r.BL(), v);
    for (auto v : mcs) EXPECT_EQ(r.MC(), v);
    for (auto v : umcs) EXPECT_EQ(r.UMC(), v);
    for (auto v : mss) EXPECT_EQ(r.MS(), v);
    for (auto v : blls) EXPECT_EQ(r.BLL(), v);
    for (std::uint8_t v : {0, 2, 6, 7}) EXPECT_EQ(r.B3(), v);
    for (double v : doubles) {
        EXPECT_EQ(Bits(r.BD()), Bits(v));
        EXPECT_EQ(Bits(r.RD()), Bits(v));
        EXPECT_EQ(Bits(r.DD(1.5)), Bits(v));
        EXPECT_EQ(Bits(r.DD(v)), Bits(v));
    }
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
    EXPECT_EQ(bitsOf([](BitWriter& w) { w.BLL(0x1234); }), 3u + 16u);  // a byte count, then the bytes
    EXPECT_EQ(bitsOf([](BitWriter& w) { w.BLL(0); }), 3u);
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

TEST(BitCodeTest, DefaultDoublePatchesOnlyTheBytesThatDiffer) {
    double def = 12.5;
    double lowDiffers = def;
    reinterpret_cast<std::uint8_t*>(&lowDiffers)[0] ^= 1;  // differs in the first 4 bytes only
    double midDiffers = lowDiffers;
    reinterpret_cast<std::uint8_t*>(&midDiffers)[5] ^= 1;  // and in byte 6
    const std::pair<double, std::size_t> cases[] = {{def, 2}, {lowDiffers, 2 + 32}, {midDiffers, 2 + 48}, {-7.25, 2 + 64}};
    for (const auto& [value, bits] : cases) {
        BitWriter w(Version::R2000);
        w.DD(value, def);
        EXPECT_EQ(w.BitPos(), bits);
        BitReader r(w.Bytes(), Version::R2000);
        EXPECT_EQ(Bits(r.DD(def)), Bits(value));
    }
}

TEST(BitCodeTest, ExtrusionThicknessAndColourFollowTheVersion) {
    Color c;
    c.index = 7;
    c.rgb = 0xC2112233;
    c.names.Get().name = "Red";
    for (Version v : {Version::R14, Version::R2000, Version::R2004}) {
        BitWriter w(v);
        w.BE({0, 0, 1});
        w.BT(0.0);
        // The default extrusion and thickness cost one bit each from R2000 on and 3 and 1 bitdoubles before.
        EXPECT_EQ(w.BitPos(), v == Version::R14 ? 8u : 2u);
        w.BE({0.6, 0, 0.8});
        w.BT(2.5);
        w.CMC(c);
        w.ENC(c);
        BitReader r(w.Bytes(), v);
        EXPECT_EQ(r.BE().z, 1.0);
        EXPECT_EQ(r.BT(), 0.0);
        const Point3 tilted = r.BE();
        EXPECT_EQ(std::make_pair(tilted.x, tilted.z), std::make_pair(0.6, 0.8));
        EXPECT_EQ(r.BT(), 2.5);
        const Color cmc = r.CMC(), enc = r.ENC();
        EXPECT_EQ(cmc.index + enc.index, 14);
        // The index is all an R2000 colour holds.
        const bool full = AtLeast(v, Version::R2004);
        EXPECT_EQ(std::make_tuple(cmc.rgb, cmc.names.Get().name, enc.rgb),
                  full ? std::make_tuple(c.rgb, c.names.Get().name, c.rgb) : std::make_tuple(0u, std::string(), enc.rgb));
        EXPECT_TRUE(r.Ok());
    }
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
    // The same on a byte boundary, and the field behind a text.
    for (int lead : {0, 3}) {
        BitWriter a(Version::R2000);
        for (int i = 0; i < lead; ++i) a.B(1);
        a.BS(2);
        a.RS(0x1234);
        a.RS(static_cast<std::int16_t>(0xE9FF));
        a.RC(0x5A);
        BitReader b(a.Bytes(), Version::R2000);
        for (int i = 0; i < lead; ++i) b.B();
        EXPECT_EQ(b.TU(), std::u16string({char16_t(0x1234), char16_t(0xE9FF)})) << lead;
        EXPECT_EQ(b.RC(), 0x5A) << lead;
        EXPECT_TRUE(b.Ok());
    }

    // An ASCII text is taken as UTF-8 straight away at every bit offset; a
    // character beyond ASCII in either byte (U+0141 has the low byte of 'A',
    // U+00C1 a high bit in it) leaves the text, from its length on, to TU.
    for (int lead = 0; lead < 8; ++lead) {
        for (const std::u16string& text :
             {std::u16string(u"Rev A-1"), std::u16string(u"Rev \u0141"), std::u16string(u"Rev \u00C1"), std::u16string(),
              std::u16string(u"Drawing number 1234-5678 rev C"), std::u16string(u"Drawing number \u0141 rev C"),
              std::u16string(u"Dr\u00C1wing number 1234")}) {
            BitWriter a(Version::R2007);
            for (int i = 0; i < lead; ++i) a.B(1);
            a.TU(text);
            a.RC(0x5A);
            BitReader b(a.Bytes(), Version::R2007);
            for (int i = 0; i < lead; ++i) b.B();
            std::string ascii;
            const bool isAscii = std::all_of(text.begin(), text.end(), [](char16_t c) { return c < 0x80; });
            ASSERT_EQ(b.AsciiTU(ascii), isAscii) << lead;
            if (isAscii) {
                EXPECT_EQ(ascii, std::string(text.begin(), text.end()));
            } else {
                EXPECT_EQ(b.TU(), text) << lead;
            }
            EXPECT_EQ(b.RC(), 0x5A) << lead;
            EXPECT_TRUE(b.Ok());
        }
    }

    BitWriter tooLong(Version::R2000);
    tooLong.T(std::string(40000, 'x'));
    EXPECT_FALSE(tooLong.Ok());
}

// Appending a writer and writing raw bytes give the same bits as writing them
// one at a time, from every bit offset and for every length of the tail.
TEST(BitCodeTest, AppendedWritersAndRawBytesKeepEveryBit) {
    std::mt19937 rng(11);
    for (int lead = 0; lead < 8; ++lead) {
        for (int tail = 0; tail < 20; ++tail) {
            std::vector<int> bits;
            BitWriter a(Version::R2010), b(Version::R2010), reference(Version::R2010);
            auto bit = [&](BitWriter& w) {
                bits.push_back(static_cast<int>(rng() % 2));
                w.B(static_cast<std::uint8_t>(bits.back()));
            };
            for (int i = 0; i < lead; ++i) bit(a);
            std::string raw(3, '\0');
            for (char& c : raw) c = static_cast<char>(rng());
            a.RawBytes(raw);
            for (char c : raw) {
                for (int k = 7; k >= 0; --k) bits.push_back((static_cast<std::uint8_t>(c) >> k) & 1);
            }
            for (int i = 0; i < tail; ++i) bit(b);
            a.Append(b);
            for (int bit : bits) reference.B(static_cast<std::uint8_t>(bit));
            ASSERT_EQ(a.BitPos(), reference.BitPos()) << lead << " " << tail;
            ASSERT_EQ(a.Bytes(), reference.Bytes()) << lead << " " << tail;
        }
    }
}

TEST(BitCodeTest, HandlesResolveRelativeReferences) {
    const std::tuple<std::uint8_t, std::uint64_t, std::uint64_t> refs[] = {
        {0x4, 0x20, 0x20}, {0x6, 0, 0x101}, {0x8, 0, 0xFF}, {0xA, 0x10, 0x110}, {0xC, 0x10, 0xF0}};
    for (const auto& [code, value, resolved] : refs) EXPECT_EQ((HandleRef{code, value}.Resolve(0x100)), resolved) << int{code};
    BitWriter w(Version::R2000);
    w.H(HandleRef{0x3, std::numeric_limits<std::uint64_t>::max()});
    BitReader r(w.Bytes(), Version::R2000);
    const HandleRef h = r.H();
    EXPECT_EQ(std::make_pair(int{h.code}, h.value), std::make_pair(3, std::numeric_limits<std::uint64_t>::max()));
}

TEST(BitCodeTest, ReadsPastTheEndFailWithoutTouchingMemory) {
    const std::string one = Bytes({0x00});  // BS "00": a raw short that is not there
    BitReader r(one, Version::R2000);
    EXPECT_EQ(r.BS(), 0);
    EXPECT_FALSE(r.Ok());
    EXPECT_EQ(r.RD(), 0.0);  // every later read fails too
    EXPECT_EQ(r.RemainingBits(), 0u);

    const std::pair<std::string, void (*)(BitReader&)> cases[] = {
        {FromBits("00" "0111111111111111"), [](BitReader& b) { EXPECT_EQ(b.T(), ""); }},  // T claims 32767 bytes
        {Bytes({0x4F, 1, 2, 3}), [](BitReader& b) { b.H(); }},                           // 15 handle bytes claimed
        {std::string(20, static_cast<char>(0xFF)), [](BitReader& b) { b.UMC(); }},        // a modular char that never ends
        {FromBits("11"), [](BitReader& b) { b.BL(); }},                                   // BL code 3 does not exist
    };
    for (const auto& [bytes, read] : cases) {
        BitReader b(bytes, Version::R2000);
        read(b);
        EXPECT_FALSE(b.Ok());
    }
}

}  // namespace
}  // namespace kel::dwg
