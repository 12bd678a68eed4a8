// Writing R2007 containers again: every corpus file rewritten with no change,
// and with its objects and handles sections replaced, reads back through the
// codecs with every CRC and checksum right, keeps every other page as stored,
// and writes the same bytes a second time; what cannot be written is refused.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "component/ByteOrder.h"
#include "component/dwg/Dwg2007Decompress.h"
#include "component/dwg/DwgCrc64.h"
#include "component/dwg/DwgR2007File.h"
#include "component/dwg/DwgR2007Writer.h"
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
        R2007File parsed;
        std::string why;
        ASSERT_TRUE(parsed.Parse(original, why)) << why;
        for (const Case& c : cases) {
            SCOPED_TRACE(c.what);
            std::string written;
            ASSERT_TRUE(WriteR2007(original, parsed, {c.replaced.begin(), c.replaced.end()}, written, why)) << why;
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
            R2007File reparsed;
            ASSERT_TRUE(reparsed.Parse(written, why)) << why;
            std::string again;
            ASSERT_TRUE(WriteR2007(written, reparsed, {c.replaced.begin(), c.replaced.end()}, again, why)) << why;
            EXPECT_TRUE(again == written);
        }
    }
}

TEST(DwgR2007WriterTest, SectionsItCannotWriteAreRefused) {
    KEL_NEED_CORPUS();
    const std::string original = test::ReadCorpus(test::R2007CorpusFiles().back());
    R2007File parsed;
    std::string why;
    ASSERT_TRUE(parsed.Parse(original, why)) << why;
    struct Case {
        const char* what;
        std::string_view file;
        std::map<std::string, std::string> replaced;
    };
    const Case cases[] = {
        {"a section the file lacks", original, {{"AcDb:Nothing", "x"}}},
        {"a section not interleaved", original, {{"AcDb:AppInfo", "x"}}},
        {"pages beyond the end of the file", std::string_view(original).substr(0, original.size() / 2), {}},
    };
    for (const Case& c : cases) {
        std::string out;
        why.clear();
        EXPECT_FALSE(WriteR2007(c.file, parsed, {c.replaced.begin(), c.replaced.end()}, out, why)) << c.what;
        EXPECT_FALSE(why.empty()) << c.what;
    }
}

}  // namespace
}  // namespace kel::dwg
