// The R2004 page codec: hand-built streams, damaged streams refused without
// overrunning, and what the compressor writes read back exactly, for every
// opcode family at its limits and for every corpus section page.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <thread>

#include "component/dwg/DwgCompress.h"
#include "component/dwg/DwgDecompress.h"
#include "component/dwg/DwgR2004File.h"
#include "tests/component/dwg/DwgTestFiles.h"

namespace kel::dwg {
namespace {

using test::Bytes;
using test::Random;

TEST(DwgCompressTest, DecompressesHandBuiltStreamsAndRefusesDamagedOnes) {
    std::string out;
    // Literal length 0x05 means 8 bytes; then opcode 0x41 copies 3 bytes from
    // 1 back (overlapping) and brings 1 literal; 0x11 ends.
    ASSERT_TRUE(Decompress2004(Bytes({0x05, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 0x41, 0x00, 'Z', 0x11}), 100, out));
    EXPECT_EQ(out, "abcdefghhhhZ");
    // A long literal run: 0x00 0x02 is 0x0F + 2 + 3 = 20 bytes.
    ASSERT_TRUE(Decompress2004(Bytes({0x00, 0x02}) + std::string(20, 'q') + Bytes({0x11}), 100, out));
    EXPECT_EQ(out, std::string(20, 'q'));
    // Opcode 0x22: 4 bytes from an offset given in two bytes, then 2 literals.
    ASSERT_TRUE(Decompress2004(Bytes({0x01, 'w', 'x', 'y', 'z', 0x22, (3 << 2) | 2, 0x00, '1', '2', 0x11}), 100, out));
    EXPECT_EQ(out, "wxyzwxyz12");

    EXPECT_FALSE(Decompress2004(Bytes({0x05, 'a', 'b'}), 100, out));                               // literals cut short
    EXPECT_FALSE(Decompress2004(Bytes({0x01, 'a', 'b', 'c', 'd', 0xF1, 0xFF, 0x11}), 100, out));  // too far back
    EXPECT_FALSE(Decompress2004(Bytes({0x01, 'a', 'b', 'c', 'd', 0x05}), 100, out));              // no valid opcode
    EXPECT_FALSE(Decompress2004(Bytes({0x05, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 0x11}), 4, out));  // too long
    EXPECT_FALSE(Decompress2004(Bytes({0x01, 'a', 'b', 'c', 'd'}), 100, out));                     // no end marker
    EXPECT_FALSE(Decompress2004(std::string(5000, '\0'), 1 << 20, out));                            // an endless run
}

TEST(DwgCompressTest, EveryShortCopyLengthAndDistanceAgreesWithBytewiseCopying) {
    // Hand-built streams: `lead` literals, a back reference of `count` bytes from
    // `distance` back (opcodes 0x21 to 0x3F), `tail` literals, the end. What they
    // must give is built a byte at a time, overlapping copies included.
    std::mt19937 rng(5);
    for (std::size_t lead = 4; lead <= 18; lead += 7) {
        for (std::size_t distance = 1; distance <= lead; ++distance) {
            for (std::size_t count = 3; count <= 33; ++count) {
                for (std::size_t tail : {0, 1, 3, 4, 11, 18}) {
                    const std::string first = Random(lead, rng), last = Random(tail, rng);
                    const std::size_t offset = distance - 1;
                    std::string stream = Bytes({static_cast<int>(lead - 3)}) + first;
                    stream += Bytes({static_cast<int>(0x1E + count),
                                     static_cast<int>((offset & 0x3F) << 2 | (tail <= 3 ? tail : 0)),
                                     static_cast<int>(offset >> 6)});
                    if (tail > 3) stream += Bytes({static_cast<int>(tail - 3)});
                    stream += last + Bytes({0x11});

                    std::string want = first;
                    for (std::size_t i = 0; i < count; ++i) want.push_back(want[want.size() - distance]);
                    want += last;
                    std::string out;
                    ASSERT_TRUE(Decompress2004(stream, want.size(), out)) << lead << "/" << distance << "/" << count;
                    ASSERT_EQ(out, want) << lead << "/" << distance << "/" << count << "/" << tail;
                    // One byte less room than the output needs fails.
                    ASSERT_FALSE(Decompress2004(stream, want.size() - 1, out));
                }
            }
        }
    }
}

// Compresses, checks the stream decompresses to the input, and gives its size.
std::size_t RoundTrip(const std::string& in) {
    std::string packed, back;
    EXPECT_TRUE(Compress2004(in, packed));
    EXPECT_TRUE(Decompress2004(packed, in.size(), back));
    EXPECT_TRUE(back == in) << "input of " << in.size() << " bytes comes back as " << back.size();
    return packed.size();
}

TEST(DwgCompressTest, ShortAndIncompressibleInputs) {
    std::mt19937 rng(7);
    std::string packed;
    ASSERT_TRUE(Compress2004("", packed));
    EXPECT_EQ(packed, "\x11");
    EXPECT_EQ(RoundTrip(""), 1u);
    for (std::size_t n : {1, 2, 3}) EXPECT_FALSE(Compress2004(std::string(n, 'a'), packed)) << n;
    // Literal runs at the limits of the one-byte and the long literal length.
    for (std::size_t n : {4, 0x12, 0x13, 0x111, 0x112, 0x113, 0x7400}) {
        std::string noise = Random(n, rng);
        EXPECT_LE(RoundTrip(noise), n + 3 + n / 0xFF) << n;  // the length costs a byte per 0xFF
    }
}

TEST(DwgCompressTest, BackReferencesAtTheLimitsOfEachOpcode) {
    // A random block, then its first `count` bytes again at `distance`, then
    // `literals` fresh bytes and a final repeat so the literals follow a match.
    struct Case {
        std::size_t distance, count, literals;
    };
    const Case cases[] = {
        {1, 3, 0},         {0x400, 3, 1},     {0x400, 14, 2},     {0x400, 15, 3},       {0x401, 3, 4},
        {0x401, 0x21, 0x12}, {0x4000, 0x22, 0x13}, {0x4000, 0x120, 0}, {0x4001, 4, 5},     {0x4001, 0x11, 1},
        {0x4001, 0x12, 2}, {0x7FFF, 0x108, 3},  {0x7FFF, 0x109, 0x200}, {0x20, 0x7000, 7}, {1, 0x7400, 0},
    };
    std::mt19937 rng(11);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.distance) + "/" + std::to_string(c.count) + "/" + std::to_string(c.literals));
        std::string block = Random(std::max<std::size_t>(c.distance, 8), rng);
        std::string in = block;
        for (std::size_t i = 0; i < c.count; ++i) in += in[in.size() - c.distance];  // may overlap itself
        in += Random(c.literals, rng);
        in += block.substr(0, 8);
        std::size_t packed = RoundTrip(in);
        // Long repeats were found: the stream is shorter than the repeat
        // written as literals (runs cost a byte per 0xFF of length).
        const std::size_t runs = (block.size() + c.literals + c.count) / 0xFF;
        if (c.count > 24) {
            EXPECT_LT(packed, block.size() + c.literals + runs + 24);
        }
    }
    // Far copies of 10 bytes and more take opcode 0x10 with a long count,
    // never 0x18-0x1F, which readers disagree on. The opcode follows the
    // opening literal run: a zero, one zero per further 0xFF, a closing byte.
    for (const auto& [count, op] : {std::pair{4, 0x12}, {9, 0x17}, {10, 0x10}, {0x11, 0x10}}) {
        std::mt19937 own(5);  // a block without near repeats that would split the opening run
        std::string in = Random(0x4001, own);
        in += in.substr(0, static_cast<std::size_t>(count)) + Random(5, rng);
        std::string packed;
        ASSERT_TRUE(Compress2004(in, packed));
        const std::size_t opAt = 1 + (0x4001 - 0x12 - 1) / 0xFF + 1 + 0x4001;
        ASSERT_GT(packed.size(), opAt);
        EXPECT_EQ(static_cast<unsigned char>(packed[opAt]), op) << count;
        RoundTrip(in);
    }
    // Out of reach: a repeat 0x8000 back is written as literals and still comes back.
    std::string far = Random(0x8000, rng);
    far += far.substr(0, 64);
    EXPECT_GE(RoundTrip(far), far.size());
}

TEST(DwgCompressTest, RandomTextsOfFewLettersComeBack) {
    std::mt19937 rng(3);
    for (int round = 0; round < 200; ++round) {
        std::size_t n = 4 + rng() % 3000;
        std::string in = Random(n, rng, 1 + static_cast<int>(rng() % 6));
        // Splice in repeats from far back now and then.
        if (n > 100 && round % 3 == 0) in += in.substr(rng() % (n / 2), 40) + Random(rng() % 20, rng);
        RoundTrip(in);
    }
}

// What a page compresses to does not depend on the pages compressed before
// it: a thread that compressed nothing yet writes the same bytes.
TEST(DwgCompressTest, OutputDoesNotDependOnEarlierInputs) {
    std::mt19937 rng(9);
    std::vector<std::string> inputs;
    for (int k = 0; k < 6; ++k) {
        std::string in = Random(200 + rng() % 0x7400, rng, 2 + k);
        in += in.substr(0, 100);
        inputs.push_back(in);
    }
    std::vector<std::string> afterOthers(inputs.size()), fresh(inputs.size());
    for (std::size_t k = 0; k < inputs.size(); ++k) ASSERT_TRUE(Compress2004(inputs[k], afterOthers[k]));
    for (std::size_t k = 0; k < inputs.size(); ++k) {
        std::thread([&] { ASSERT_TRUE(Compress2004(inputs[k], fresh[k])); }).join();
        EXPECT_EQ(fresh[k], afterOthers[k]) << k;
    }
}

// Every page of the corpus drawings of the R2004 codec comes back, and the
// compressed sections take no more room than the drawing's writer gave them:
// a save must not make a drawing grow by compressing worse.
TEST(DwgCompressTest, EveryCorpusSectionPageComesBackNoLargerThanItsWriterStoredIt) {
    KEL_NEED_CORPUS();
    std::size_t pages = 0;
    for (const std::string& path : test::R2004OrganisationCorpusFiles()) {
        SCOPED_TRACE(path);
        std::string bytes = kel::test::ReadFile(path);
        R2004File f;
        std::string why;
        ASSERT_TRUE(f.Parse(bytes, why)) << why;
        std::size_t ours = 0, theirs = 0;
        for (const R2004Section& s : f.sections) {
            if (!s.readable || s.data.empty()) continue;
            const std::size_t pageSize = s.maxPageSize == 0 ? s.data.size() : s.maxPageSize;
            for (std::size_t at = 0; at < s.data.size(); at += pageSize) {
                std::string page = s.data.substr(at, pageSize);
                page.resize(pageSize, '\0');  // the stored pages are whole
                SCOPED_TRACE(s.name + " at " + std::to_string(at));
                const std::size_t packed = RoundTrip(page);
                if (s.compressed == 2) ours += packed;
                ++pages;
            }
            if (s.compressed == 2) {
                for (const R2004SectionPage& stored : s.pages) theirs += stored.dataSize;
            }
        }
        EXPECT_LE(ours, theirs);
    }
    EXPECT_GT(pages, 100u);
}

}  // namespace
}  // namespace kel::dwg
