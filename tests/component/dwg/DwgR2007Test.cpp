// The R2007 container: code words corrected up to the code's limit and
// refused beyond it, maps that describe more than the file holds refused by
// name, and stored UTF-16 values shown as users expect.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "component/ByteOrder.h"
#include "component/dwg/DwgCrc64.h"
#include "component/dwg/DwgDocument.h"
#include "component/dwg/DwgFile.h"
#include "component/dwg/DwgModel.h"
#include "component/dwg/DwgText.h"
#include "component/dwg/DwgR2007File.h"
#include "component/dwg/DwgR2007Pages.h"
#include "component/dwg/DwgReedSolomon.h"
#include "tests/component/dwg/Dwg2007TestFiles.h"

namespace kel::dwg {
namespace {

const char* const kSmall = "dwg/AC1021_R2007/pyegout__sample.dwg";

R2007File ParseOk(const std::string& bytes) {
    R2007File f;
    std::string why;
    EXPECT_TRUE(f.Parse(bytes, why)) << why;
    return f;
}

const R2007SectionPage& FirstPage(const R2007File& f, const std::string& section) {
    const R2007Section* s = f.Find(section);
    EXPECT_TRUE(s && !s->pages.empty()) << section;
    return s->pages.front();
}

// XORs `count` bytes of the code word `word` of an interleaved area of
// `blocks` words.
void DamageInterleaved(std::string& bytes, std::size_t area, std::size_t blocks, std::size_t word, std::size_t count) {
    for (std::size_t j = 0; j < count; ++j) {
        const std::size_t at = area + (j * 7 % 255) * blocks + word;
        bytes[at] = static_cast<char>(bytes[at] ^ 0xA5);
    }
}

TEST(DwgR2007Test, DamageIsCorrectedUpToTheCodesLimitAndRefusedBeyond) {
    KEL_NEED_CORPUS();
    const std::string good = test::ReadCorpus(kSmall);
    const R2007File f = ParseOk(good);
    const R2007SectionPage objects = FirstPage(f, "AcDb:AcDbObjects");
    const R2007SectionPage preview = FirstPage(f, "AcDb:Preview");
    ASSERT_EQ(f.Find("AcDb:Preview")->encoding, 1u);
    const std::size_t objectBlocks = (objects.compressedSize + 7) / 8 * 8 / 251 + 1;
    const std::size_t mapBlocks =
        ((f.header.pagesMapSizeCompressed + 7) / 8 * 8 * f.header.pagesMapCorrection + 238) / 239;
    const struct {
        const char* what;
        std::function<void(std::string&)> damage;
        const char* status;  // "" when the file still opens
    } cases[] = {
        {"8 bytes in each header word",
         [](std::string& b) {
             for (std::size_t w = 0; w < 3; ++w) DamageInterleaved(b, kR2007HeaderAt, 3, w, 8);
         },
         ""},
        {"9 bytes in a header word", [](std::string& b) { DamageInterleaved(b, kR2007HeaderAt, 3, 1, 9); },
         "file header cannot be corrected"},
        {"8 bytes in a page map word",
         [&](std::string& b) { DamageInterleaved(b, kR2007PagesStart + f.header.pagesMapOffset, mapBlocks, 0, 8); }, ""},
        {"9 bytes in a page map word",
         [&](std::string& b) { DamageInterleaved(b, kR2007PagesStart + f.header.pagesMapOffset, mapBlocks, 0, 9); },
         "page map: system page cannot be corrected"},
        {"2 bytes in every word of an object page",
         [&](std::string& b) {
             for (std::size_t w = 0; w < objectBlocks; ++w) DamageInterleaved(b, objects.address, objectBlocks, w, 2);
         },
         ""},
        // Three errors may look like two others to the code: the CRC behind it refuses the result.
        {"3 bytes in the last word of an object page",
         [&](std::string& b) { DamageInterleaved(b, objects.address, objectBlocks, objectBlocks - 1, 3); },
         "section AcDb:AcDbObjects: page 8 CRC mismatch"},
        {"20 bytes in the first word of an object page",
         [&](std::string& b) { DamageInterleaved(b, objects.address, objectBlocks, 0, 20); },
         "section AcDb:AcDbObjects: page 8 cannot be corrected"},
        {"a byte of a page stored without code words",
         [&](std::string& b) { b[preview.address + 100] = static_cast<char>(~b[preview.address + 100]); },
         "section AcDb:Preview: page 4 CRC mismatch"},
        {"cut inside the section map", [&](std::string& b) { b.resize(f.sectionMapPage.address + 100); },
         "page map: page 16 lies outside the file"},
        {"cut inside the file header", [](std::string& b) { b.resize(0x300); }, "file header is truncated"},
    };
    ASSERT_EQ(objects.id, 8);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string bytes = good;
        c.damage(bytes);
        std::string status;
        auto doc = DwgDocument::Open(bytes, "x.dwg", status);
        if (std::string(c.status).empty()) {
            ASSERT_TRUE(doc) << status;
            EXPECT_EQ(doc->Describe().blocks.size(), DwgDocument::Open(good, "x.dwg", status)->Describe().blocks.size());
        } else {
            EXPECT_FALSE(doc);
            EXPECT_EQ(status, std::string("2005:Damaged drawing: ") + c.status);
        }
    }
}


// Codes `data` at `address` as a system page holding it once, uncompressed.
void PutSystemPage(std::string& bytes, std::uint64_t address, std::string data) {
    const ReedSolomon& code = ReedSolomon::SystemPages();
    data.resize((data.size() + 7) / 8 * 8, '\0');
    const std::string coded = RsEncodeInterleaved(code, data, RsBlocksFor(code, data.size()));
    bytes.replace(static_cast<std::size_t>(address), coded.size(), coded);
}

// Codes the 0x110 header bytes, uncompressed, with their CRC unless told otherwise.
void PutHeader(std::string& bytes, std::string header, bool withCrc = true) {
    std::fill(header.end() - 8, header.end(), '\0');
    if (withCrc) PutLittleEndian(&header[0x108], Crc64Normal(Crc64Seed2(0, header.size()), header), 8);
    std::string plain(3 * 239, '\0');
    PutLittleEndian(&plain[0x10], Crc64Normal(Crc64Seed2(0, header.size()), header), 8);
    PutLittleEndian(&plain[0x18], static_cast<std::uint32_t>(-static_cast<std::int32_t>(header.size())), 4);
    plain.replace(0x20, header.size(), header);
    const std::string coded = RsEncodeInterleaved(ReedSolomon::SystemPages(), plain, 3);
    bytes.replace(kR2007HeaderAt, coded.size(), coded);
}

std::string SetField(std::string header, std::size_t at, std::uint64_t value) {
    PutLittleEndian(&header[at], value, 8);
    return header;
}

// The section map of `sections`, in the file's form.
std::string SectionMapOf(const std::vector<R2007Section>& sections) {
    std::string map;
    auto put = [&](std::uint64_t v) {
        char b[8];
        PutLittleEndian(b, v, 8);
        map.append(b, 8);
    };
    for (const R2007Section& s : sections) {
        for (std::uint64_t v : {s.dataSize, s.maxSize, s.encryption, s.hashCode,
                                std::uint64_t{s.name.empty() ? 0 : s.name.size() * 2 + 2}, s.unknown, s.encoding,
                                std::uint64_t{s.pages.size()}}) {
            put(v);
        }
        for (char c : s.name) map += std::string{c, '\0'};
        if (!s.name.empty()) map += std::string(2, '\0');
        for (const R2007SectionPage& p : s.pages) {
            for (std::uint64_t v : {p.dataOffset, p.pageSize, static_cast<std::uint64_t>(p.id), p.uncompressedSize,
                                    p.compressedSize, p.checksum, p.crc}) {
                put(v);
            }
        }
    }
    return map;
}

// The file with its section map replaced by `sections`, stored uncompressed.
std::string WithSections(std::string bytes, const R2007File& f, const std::vector<R2007Section>& sections) {
    const std::string map = SectionMapOf(sections);
    PutSystemPage(bytes, f.sectionMapPage.address, map);
    const std::uint64_t crc = Crc64Mirrored(Crc64Seed1(0, map.size()), map);
    std::string h = SetField(f.headerData, 0xB0, map.size());
    h = SetField(h, 0xC8, map.size());
    h = SetField(h, 0xA8, crc);
    h = SetField(h, 0xD0, crc);
    PutHeader(bytes, SetField(h, 0xD8, 1));
    return bytes;
}

R2007Section& SectionOf(std::vector<R2007Section>& sections, const std::string& name) {
    for (R2007Section& s : sections) {
        if (s.name == name) return s;
    }
    ADD_FAILURE() << name;
    return sections.front();
}

R2007SectionPage& PageOf(std::vector<R2007Section>& sections, const std::string& name) {
    return SectionOf(sections, name).pages.front();
}

TEST(DwgR2007Test, MapsThatDescribeMoreThanTheFileHoldsAreRefusedByName) {
    KEL_NEED_CORPUS();
    const std::string good = test::ReadCorpus(kSmall);
    const R2007File f = ParseOk(good);
    {
        // The rebuilt maps and header alone read as the original.
        const R2007File same = ParseOk(WithSections(good, f, f.sections));
        EXPECT_EQ(same.Find("AcDb:AcDbObjects")->data, f.Find("AcDb:AcDbObjects")->data);
    }
    using Sections = std::vector<R2007Section>;
    const struct {
        const char* what;
        std::function<void(Sections&)> alter;  // of the section map
        const char* status;
    } cases[] = {
        {"stored size beyond the page's size",
         [](Sections& s) { PageOf(s, "AcDb:AcDbObjects").compressedSize = PageOf(s, "AcDb:AcDbObjects").uncompressedSize + 1; },
         "section AcDb:AcDbObjects: page 8 sizes are invalid"},
        {"page not in the page map", [](Sections& s) { PageOf(s, "AcDb:Classes").id = 999; },
         "section AcDb:Classes: page 999 is not in the page map"},
        {"section of a terabyte", [](Sections& s) { SectionOf(s, "AcDb:Header").dataSize = std::uint64_t{1} << 40; },
         "section map: section AcDb:Header is described beyond the section map"},
        {"more decompressed bytes than the stream holds",
         [](Sections& s) {
             SectionOf(s, "AcDb:AcDbObjects").dataSize += 100;
             PageOf(s, "AcDb:AcDbObjects").uncompressedSize += 100;
         },
         "section AcDb:AcDbObjects: page 8 does not decompress"},
        {"sequential page larger than its place", [](Sections& s) { PageOf(s, "AcDb:Preview").pageSize += 0x400; },
         "section AcDb:Preview: page 4 lies outside the file"},
        {"checksum of other data", [](Sections& s) { PageOf(s, "AcDb:Handles").checksum ^= 1; },
         "section AcDb:Handles: page 11 checksum mismatch"},
        {"unknown encoding", [](Sections& s) { SectionOf(s, "AcDb:Classes").encoding = 3; },
         "section AcDb:Classes: unknown page encoding 3"},
        {"objects encrypted", [](Sections& s) { SectionOf(s, "AcDb:AcDbObjects").encryption = 1; },
         "a section the drawing needs is missing or encrypted"},
    };
    std::string status;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Sections sections = f.sections;
        c.alter(sections);
        EXPECT_FALSE(DwgDocument::Open(WithSections(good, f, sections), "x.dwg", status));
        EXPECT_EQ(status, std::string("2005:Damaged drawing: ") + c.status);
    }
    // A header field set to the value, its CRC made to match or not.
    const struct {
        const char* what;
        std::size_t field;
        std::uint64_t value;
        bool withCrc;
        const char* status;
    } headers[] = {
        {"header CRC of other bytes", 0x08, 1, false, "file header CRC mismatch"},
        {"page map beyond the file", 0x38, good.size(), true, "page map: system page lies outside the file"},
        {"section map page unknown", 0xC0, 77, true, "section map: page missing"},
    };
    for (const auto& h : headers) {
        SCOPED_TRACE(h.what);
        std::string bytes = good;
        PutHeader(bytes, SetField(f.headerData, h.field, h.value), h.withCrc);
        EXPECT_FALSE(DwgDocument::Open(bytes, "x.dwg", status));
        EXPECT_EQ(status, std::string("2005:Damaged drawing: ") + h.status);
    }
}

// An attribute's UTF-16 value as stored decides what is shown: the object is
// re-encoded with it, put behind the objects section and read back from there.
TEST(DwgR2007Test, StoredTextsReadAsUsersExpect) {
    KEL_NEED_CORPUS();
    const std::string bytes = test::ReadCorpus(kSmall);
    DwgFile file;
    std::string status;
    ASSERT_TRUE(file.Parse(bytes, status)) << status;
    DwgModel model;
    ASSERT_TRUE(model.Load(bytes, file, status)) << status;
    const DecodedObject* attrib = nullptr;
    for (const DecodedObject& o : model.Objects()) {
        if (o.common.type == type::kAttrib && o.known && !DataOf<AttribData>(o.data).MultiLine()) attrib = &o;
    }
    ASSERT_TRUE(attrib);
    const struct {
        std::u16string stored;
        std::string shown;
    } cases[] = {
        {u"", ""},
        {std::u16string(1, u'\0'), ""},
        {u"End", "End"},
        {std::u16string{u'A', char16_t(0xD800), u'B', u'\0'}, "A\xEF\xBF\xBD" "B"},  // a lone high surrogate
        {std::u16string{char16_t(0xDC00)}, "\xEF\xBF\xBD"},                     // a lone low one
        {u"\U0001F600 \u00D6l", "\xF0\x9F\x98\x80 \xC3\x96l"},                   // a pair, then the BMP
        {std::u16string{u'x', u'\0', u'y'}, "x"},                                // up to the first NUL
    };
    for (const auto& c : cases) {
        DecodedObject edit = *attrib;
        DataOf<AttribData>(edit.data).text.value = WideToUtf8(c.stored);
        std::string encoded;
        ASSERT_TRUE(EncodeObject(edit, file, encoded));
        DwgFile changed = file;
        auto entry = std::find_if(changed.objectMap.begin(), changed.objectMap.end(),
                                  [&](const ObjectLocation& l) { return l.handle == attrib->Handle(); });
        ASSERT_NE(entry, changed.objectMap.end());
        entry->offset = static_cast<std::int64_t>(changed.objectSection.size());
        changed.objectSection += encoded;
        DwgModel back;
        ASSERT_TRUE(back.Load(bytes, changed, status)) << status;
        std::string shown = "(not listed)";
        for (const BlockInfo& b : back.Describe(bytes, changed).blocks) {
            for (const InsertInfo& i : b.inserts) {
                for (const AttributeInfo& a : i.attributes) {
                    if (a.elementId == attrib->Handle()) shown = a.value;
                }
            }
        }
        EXPECT_EQ(shown, c.shown) << DecodeWideText(WideToUtf8(c.stored));
        EXPECT_EQ(DataOf<AttribData>(back.Find(attrib->Handle())->data).text.value, WideToUtf8(c.stored))
            << "held as stored";
    }
}

}  // namespace
}  // namespace kel::dwg
