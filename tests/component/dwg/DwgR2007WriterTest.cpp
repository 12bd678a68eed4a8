// Writing R2007 containers again: every corpus file rewritten with no change,
// and with its objects and handles sections replaced, reads back through the
// codecs with every CRC and checksum right, keeps every other page as stored,
// and writes the same bytes a second time; broken files are refused.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "component/ByteOrder.h"
#include "component/dwg/Dwg2007Decompress.h"
#include "component/dwg/DwgCrc64.h"
#include "component/dwg/DwgR2007Pages.h"
#include "component/dwg/DwgR2007Writer.h"
#include "component/dwg/DwgReedSolomon.h"
#include "tests/component/dwg/Dwg2007TestFiles.h"

namespace kel::dwg {
namespace {

// Each section's data, rebuilt from its pages after checking each page's CRC and checksum.
std::map<std::string, std::string> Sections(const std::string& file) {
    std::map<std::string, std::string> sections;
    test::R2007Walk walk;
    EXPECT_TRUE(test::WalkR2007(file, walk));
    for (const test::R2007Page& p : walk.pages) {
        EXPECT_EQ(Crc64Mirrored(Crc64Seed1(0, p.compressed.size()), p.compressed), p.crc) << p.section;
        std::string plain = p.compressed, error;
        if (p.compressedSize < p.uncompressedSize) {
            EXPECT_TRUE(Decompress2007(p.compressed, p.uncompressedSize, plain, error)) << error;
        }
        EXPECT_EQ(PageChecksum2007(0, plain), p.checksum) << p.section;
        sections[p.section] += plain;
    }
    return sections;
}

std::set<std::string> StoredPages(const std::string& file, const std::set<std::string>& except) {
    std::set<std::string> pages;
    test::R2007Walk walk;
    EXPECT_TRUE(test::WalkR2007(file, walk));
    for (const test::R2007Page& p : walk.pages) {
        if (!except.count(p.section)) pages.insert(p.section + ":" + std::string(p.stored));
    }
    return pages;
}

TEST(DwgR2007WriterTest, RewritesEveryCorpusFile) {
    KEL_NEED_CORPUS();
    const std::string objects = "AcDb:AcDbObjects", handles = "AcDb:Handles";
    for (const std::string& name : test::R2007CorpusFiles()) {
        SCOPED_TRACE(name);
        const std::string original = test::ReadCorpus(name);
        const auto sections = Sections(original);
        ASSERT_TRUE(sections.count(objects) && sections.count(handles));

        struct Case {
            const char* what;
            std::map<std::string, std::string> replaced;
        };
        std::string grown = sections.at(objects);
        for (std::size_t i = 0; grown.size() < sections.at(objects).size() + 150000; ++i) {
            grown += "filler " + std::to_string(i * 7919 % 100003) + ";";
        }
        const Case cases[] = {
            {"no change", {}},
            {"same sections again", {{objects, sections.at(objects)}, {handles, sections.at(handles)}}},
            {"objects grown by pages, handles cut", {{objects, grown}, {handles, sections.at(handles).substr(0, 10)}}},
            {"objects shrunk to one page", {{objects, sections.at(objects).substr(0, 1000)}}},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(c.what);
            std::string written, why;
            ASSERT_TRUE(WriteR2007(original, c.replaced, written, why)) << why;
            auto expected = sections;
            for (const auto& [section, data] : c.replaced) expected[section] = data;
            EXPECT_TRUE(Sections(written) == expected);
            std::set<std::string> except;
            for (const auto& r : c.replaced) except.insert(r.first);
            EXPECT_EQ(StoredPages(written, except), StoredPages(original, except));
            // The header copy at the end repeats the one at 0x80; the file size is recorded.
            EXPECT_EQ(written.substr(written.size() - 0x400), written.substr(0x80, 0x400));
            test::R2007Walk walk;
            ASSERT_TRUE(test::WalkR2007(written, walk));
            EXPECT_EQ(test::U64(walk.header, 0x08), written.size());
            // Written again with the same request, the bytes do not change.
            std::string again;
            ASSERT_TRUE(WriteR2007(written, c.replaced, again, why)) << why;
            EXPECT_TRUE(again == written);
        }
    }
}

TEST(DwgR2007WriterTest, BrokenFilesAreRefused) {
    KEL_NEED_CORPUS();
    const std::string original = test::ReadCorpus(test::R2007CorpusFiles().back());
    test::R2007Walk walk;
    ASSERT_TRUE(test::WalkR2007(original, walk));
    const std::uint64_t pageMapAt = 0x480 + test::U64(walk.header, 0x38);
    auto garble = [&](std::size_t at, std::size_t n, std::size_t step) {
        std::string s = original;
        for (std::size_t i = 0; i < n; ++i) s[at + i * step] = static_cast<char>(~s[at + i * step]);
        return s;
    };
    struct Case {
        const char* what;
        std::string file;
        std::map<std::string, std::string> replaced;
        bool ok;
    };
    const Case cases[] = {
        {"8 bytes of each header code word garbled: corrected", garble(0x80, 24, 1), {}, true},
        {"9 bytes of each header code word garbled", garble(0x80, 27, 1), {}, false},
        {"page map garbled beyond repair", garble(pageMapAt, 0x200, 1), {}, false},
        {"cut inside the header", original.substr(0, 0x300), {}, false},
        {"cut inside the pages", original.substr(0, original.size() / 2), {}, false},
        {"empty", "", {}, false},
        {"a section the file lacks", original, {{"AcDb:Nothing", "x"}}, false},
        {"a section not interleaved", original, {{"AcDb:AppInfo", "x"}}, false},
    };
    for (const Case& c : cases) {
        std::string out, why;
        EXPECT_EQ(WriteR2007(c.file, c.replaced, out, why), c.ok) << c.what << ": " << why;
        if (!c.ok) {
            EXPECT_FALSE(why.empty()) << c.what;
        }
    }
}

TEST(DwgR2007WriterTest, DataPagesDecodeAndRefuseDamageBeyondRepair) {
    KEL_NEED_CORPUS();
    const std::string file = test::ReadCorpus("dwg/AC1021_R2007/autocad-files__Grid Plan.dwg");
    test::R2007Walk walk;
    ASSERT_TRUE(test::WalkR2007(file, walk));
    std::size_t pages = 0;
    for (const test::R2007Page& p : walk.pages) {
        if (p.encoding != 4) continue;
        SCOPED_TRACE(p.section);
        R2007DataPageInfo info;
        info.uncompressedSize = p.uncompressedSize;
        info.compressedSize = p.compressedSize;
        info.checksum = p.checksum;
        info.crc = p.crc;
        std::string data, why;
        ASSERT_TRUE(DecodeR2007DataPage(p.stored, info, true, data, why)) << why;
        const std::size_t blocks = RsBlocksFor(ReedSolomon::DataPages(), (p.compressedSize + 7) & ~7ULL);
        // Three bytes of every code word: beyond what the code corrects. A code
        // word may still decode to a wrong one; the page's CRC refuses it then.
        std::string damaged(p.stored);
        for (std::size_t b = 0; b < blocks; ++b) {
            for (std::size_t e = 0; e < 3; ++e) damaged[(e * 61 + b % 50) * blocks + b] ^= 0x5A;
        }
        EXPECT_FALSE(DecodeR2007DataPage(damaged, info, true, data, why));
        EXPECT_FALSE(why.empty());
        EXPECT_FALSE(DecodeR2007DataPage(p.stored.substr(0, blocks * 255 - 1), info, true, data, why));
        ++pages;
    }
    EXPECT_GT(pages, 5u);
}

}  // namespace
}  // namespace kel::dwg
