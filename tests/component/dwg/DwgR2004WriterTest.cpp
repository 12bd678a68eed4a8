// The R2004 container writer: sections re-paged and read back (the reader
// checks every page checksum and the header CRC against what the file
// stores), every other page copied as it was, and damaged structures refused.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <set>

#include "component/ByteOrder.h"
#include "component/dwg/DwgR2004File.h"
#include "component/dwg/DwgR2004Writer.h"
#include "tests/component/dwg/DwgTestFiles.h"
#include "tests/support/SameBytes.h"

namespace kel::dwg {
namespace {

const char kSample[] = "dwg/AC1018_R2004/libredwg__example_2004.dwg";

std::uint32_t Le32(const void* p) { return ReadLittleEndian<std::uint32_t>(p); }

R2004File Parsed(const std::string& bytes) {
    R2004File f;
    std::string why;
    EXPECT_TRUE(f.Parse(bytes, why)) << why;
    return f;
}

// The page's stored bytes (header decrypted) as the page map places it.
std::string PageAt(const std::string& bytes, const R2004File& f, std::int32_t number, std::uint8_t (&header)[0x20]) {
    for (const R2004PageEntry& e : f.pageMap) {
        if (e.number != number) continue;
        std::memcpy(header, bytes.data() + e.address, 0x20);
        R2004MaskDataHeader(header, e.address);
        return bytes.substr(e.address + 0x20, Le32(header + 8));
    }
    ADD_FAILURE() << "no page " << number;
    return {};
}

// Rewrites with the given sections replaced and reads the result back.
R2004File Rewrite(const std::string& bytes, const std::map<std::string, std::string>& replaced, std::string& out,
                  bool compress = true, std::size_t helpFrom = R2004WriteOptions().helpFrom) {
    R2004File f = Parsed(bytes);
    std::string why;
    R2004WriteOptions options;
    options.compress = compress;
    options.helpFrom = helpFrom;
    EXPECT_TRUE(WriteR2004(bytes, f, {replaced.begin(), replaced.end()}, options, out, why)) << why;
    return Parsed(out);
}

TEST(DwgR2004WriterTest, EveryCorpusFileRewrittenKeepsEverySectionAndCopiesUntouchedPages) {
    KEL_NEED_CORPUS();
    for (const std::string& path : test::R2004OrganisationCorpusFiles()) {
        SCOPED_TRACE(path);
        const std::string bytes = kel::test::ReadFile(path);
        R2004File before = Parsed(bytes);
        const R2004Section* objects = before.Find("AcDb:AcDbObjects");
        const R2004Section* handles = before.Find("AcDb:Handles");
        ASSERT_TRUE(objects && handles);
        std::string out, again;
        R2004File after = Rewrite(bytes, {{objects->name, objects->data}, {handles->name, handles->data}}, out);
        Rewrite(bytes, {{objects->name, objects->data}, {handles->name, handles->data}}, again);
        EXPECT_TRUE(out == again);  // the same input writes the same bytes
        ASSERT_EQ(after.sections.size(), before.sections.size());
        for (std::size_t i = 0; i < before.sections.size(); ++i) {
            const R2004Section& a = before.sections[i];
            const R2004Section& b = after.sections[i];
            EXPECT_EQ(a.name + std::to_string(a.size) + std::to_string(a.id), b.name + std::to_string(b.size) + std::to_string(b.id));
            EXPECT_TRUE(a.data == b.data) << a.name;
            // Copied, or written again with the same data: the same pages with
            // the same stored bytes (a rewritten section's last, partial page
            // is compressed again).
            ASSERT_EQ(a.pages.size(), b.pages.size()) << a.name;
            const bool rewritten = a.name == objects->name || a.name == handles->name;
            for (std::size_t k = 0; k < a.pages.size(); ++k) {
                if (rewritten && (k + 1) * a.maxPageSize > a.data.size()) continue;
                std::uint8_t ha[0x20], hb[0x20];
                EXPECT_TRUE(PageAt(bytes, before, a.pages[k].number, ha) == PageAt(out, after, b.pages[k].number, hb));
                EXPECT_EQ(std::memcmp(ha, hb, 0x20), 0) << a.name;
            }
        }
        // The header's plain part still points at the preview page.
        EXPECT_EQ(Le32(out.data() + 0x0D), Le32(bytes.data() + 0x0D));
        // Both header copies are the same, the second at the address the first names.
        EXPECT_EQ(out.substr(0x80, 0x6C), out.substr(out.size() - 0x6C));
        EXPECT_EQ(Le32(after.headerData.data() + 0x34), out.size() - 0x6C);

        // Every page of the objects section changed, so that every one is
        // compressed again: by one thread, or shared with a second, the same bytes.
        std::string data = objects->data;
        for (std::size_t at = 0; at < data.size(); at += objects->maxPageSize) data[at] = static_cast<char>(~data[at]);
        std::string alone, shared;
        Rewrite(bytes, {{objects->name, data}}, alone, true, SIZE_MAX);
        R2004File changed = Rewrite(bytes, {{objects->name, data}}, shared, true, 0);
        EXPECT_TRUE(kel::test::SameBytes(alone, shared));
        const R2004Section* read = changed.Find(objects->name);
        ASSERT_TRUE(read);
        EXPECT_TRUE(read->data == data);
    }
}

TEST(DwgR2004WriterTest, ASectionThatGrowsOrShrinksIsRePaged) {
    KEL_NEED_CORPUS();
    const std::string bytes = test::ReadCorpus(kSample);
    R2004File before = Parsed(bytes);
    const R2004Section* objects = before.Find("AcDb:AcDbObjects");
    const R2004Section* header = before.Find("AcDb:Header");
    ASSERT_TRUE(objects && header);
    const std::size_t page = objects->maxPageSize;
    std::string grown = objects->data;
    for (std::size_t i = 0; grown.size() < objects->data.size() + 2 * page + 5; ++i) grown += static_cast<char>(i * 7);
    struct Case {
        std::string data;
        bool compress;
    };
    const Case cases[] = {{grown, true}, {grown, false}, {objects->data.substr(0, page + 1), true}, {std::string(), true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.data.size()) + (c.compress ? " compressed" : " stored"));
        std::string out;
        R2004File after = Rewrite(bytes, {{objects->name, c.data}}, out, c.compress);
        const R2004Section* o = after.Find(objects->name);
        ASSERT_TRUE(o);
        EXPECT_TRUE(o->data == c.data);
        EXPECT_EQ(o->pages.size(), (c.data.size() + page - 1) / page);
        EXPECT_EQ(o->compressed, c.compress ? 2 : 1);
        EXPECT_TRUE(after.Find(header->name)->data == header->data);
        // Page numbers stay unique; the maps keep the highest two when new pages came.
        std::set<std::int32_t> numbers;
        for (const R2004PageEntry& e : after.pageMap) EXPECT_TRUE(numbers.insert(e.number).second) << e.number;
        if (o->pages.size() > objects->pages.size()) {
            EXPECT_EQ(static_cast<std::int32_t>(Le32(after.headerData.data() + 0x50)), *numbers.rbegin());
            EXPECT_EQ(static_cast<std::int32_t>(Le32(after.headerData.data() + 0x5C)), *std::next(numbers.rbegin()));
        }
    }
}

TEST(DwgR2004WriterTest, DamagedStructuresAreRefused) {
    KEL_NEED_CORPUS();
    const std::string bytes = test::ReadCorpus(kSample);
    R2004File good = Parsed(bytes);
    std::string out, why;
    // A section that does not exist, and one whose page lies outside the file.
    EXPECT_FALSE(WriteR2004(bytes, good, {{"AcDb:Nothing", "x"}}, {}, out, why));
    EXPECT_EQ(why, "the drawing has no section AcDb:Nothing");
    R2004File outside = good;
    for (R2004PageEntry& e : outside.pageMap) {
        if (e.number == 3) e.address = bytes.size() - 0x10;
    }
    EXPECT_FALSE(WriteR2004(bytes, outside, {}, {}, out, why));
    EXPECT_EQ(why, "page 3 lies outside the file");

    // Files written from altered structures, read back: a section map entry
    // naming a page the page map lacks, pages that decompress past the size
    // the section map allows, and a page cut short.
    struct Case {
        const char* what;
        void (*alter)(R2004File&);
        const char* error;
    };
    const Case cases[] = {
        {"missing page", [](R2004File& f) { f.sections[2].pages[0].number = 9999; },
         "page 9999 lies outside the file"},
        {"page larger than allowed",
         [](R2004File& f) {
             for (R2004Section& s : f.sections) {
                 if (s.name != "AcDb:Handles") continue;
                 s.description[0x0C] = 0x10;
                 s.description[0x0D] = 0;
             }
         },
         "page does not decompress"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        R2004File altered = good;
        c.alter(altered);
        const R2004Section* handles = good.Find("AcDb:Handles");
        ASSERT_TRUE(WriteR2004(bytes, altered, {{handles->name, handles->data}}, {}, out, why)) << why;
        R2004File back;
        EXPECT_FALSE(back.Parse(out, why));
        EXPECT_NE(why.find(c.error), std::string::npos) << why;
    }
    // A flip in the encrypted header of the original, and every single bit
    // flipped in a page of the rewritten file, is found.
    std::string bad = bytes;
    bad[0x80 + 0x30] ^= 0x01;
    EXPECT_FALSE(R2004File().Parse(bad, why));
    EXPECT_EQ(why, "file header CRC mismatch");
    Rewrite(bytes, {}, out);
    R2004File written = Parsed(out);
    const R2004Section* objects = written.Find("AcDb:AcDbObjects");
    std::uint64_t at = 0;
    for (const R2004PageEntry& e : written.pageMap) {
        if (e.number == objects->pages[0].number) at = e.address;
    }
    for (std::uint64_t offset : {at, at + 0x08, at + 0x1C, at + 0x20, at + 0x21, at + 0x200}) {
        bad = out;
        bad[offset] ^= 0x10;
        EXPECT_FALSE(R2004File().Parse(bad, why)) << offset - at;
        if (offset >= at + 0x20) {
            EXPECT_NE(why.find("checksum mismatch"), std::string::npos) << why;
        }
    }
    EXPECT_FALSE(R2004File().Parse(out.substr(0, out.size() - 0x100), why));
}

// A section large enough to be decompressed on two threads still gives the
// reason of its first damaged page in map order, whichever kind of damage
// comes first: a page whose stored bytes were altered, or one the page map lacks.
TEST(DwgR2004WriterTest, TheFirstDamagedPageOfALargeSectionGivesTheReason) {
    KEL_NEED_CORPUS();
    const std::string bytes = test::ReadCorpus("dwg/AC1024_R2010/cad-drawing__plans-structure.dwg");
    const R2004File good = Parsed(bytes);
    const R2004Section* objects = good.Find("AcDb:AcDbObjects");
    ASSERT_NE(objects, nullptr);
    ASSERT_GT(objects->data.size(), std::size_t{4} << 20);
    ASSERT_GT(objects->pages.size(), 100u);
    const R2004Section* handles = good.Find("AcDb:Handles");
    for (const bool alteredFirst : {true, false}) {
        SCOPED_TRACE(alteredFirst ? "altered page first" : "missing page first");
        const std::size_t altered = alteredFirst ? 3 : 90, missing = alteredFirst ? 90 : 3;
        std::string damaged = bytes;
        for (const R2004PageEntry& e : good.pageMap) {
            if (e.number == objects->pages[altered].number) damaged[e.address + 0x20 + 5] ^= 0x40;
        }
        R2004File f = good;
        for (R2004Section& s : f.sections) {
            if (s.name == objects->name) s.pages[missing].number = 9999;
        }
        std::string out, why;
        ASSERT_TRUE(WriteR2004(damaged, f, {{handles->name, handles->data}}, {}, out, why)) << why;
        EXPECT_FALSE(R2004File().Parse(out, why));
        EXPECT_EQ(why, alteredFirst ? "section AcDb:AcDbObjects: page checksum mismatch"
                                    : "section AcDb:AcDbObjects: page 9999 lies outside the file");
    }
}

}  // namespace
}  // namespace kel::dwg
