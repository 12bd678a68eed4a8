// The container and objects of real drawings: every CRC checked, every object
// decoded and encoded back to its own bytes, versions refused, damaged files
// refused with a status (whether or not a run decodes the damaged object), and
// random damage never crashing.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>
#include <tuple>

#include "component/DrawingInfoXml.h"
#include "component/dwg/BitReader.h"
#include "component/dwg/DwgCrc.h"
#include "component/dwg/DwgDocument.h"
#include "component/dwg/DwgObjectLayout.h"
#include "component/dwg/DwgText.h"
#include "component/dwg/DwgWriter.h"
#include "component/dwg/DwgXrecordText.h"
#include "tests/component/dwg/DwgTestFiles.h"

namespace kel::dwg {
namespace {

using test::ReadCorpus;

std::unique_ptr<DwgDocument> OpenBytes(const std::string& bytes, std::string& status) {
    return DwgDocument::Open(bytes, "x.dwg", status);
}

bool StartsWith(const std::string& s, const std::string& prefix) { return s.rfind(prefix, 0) == 0; }

// Every corpus DWG: every object decoded, encoded back to its own bytes and
// every xrecord split into its pairs; the model a run works with (only the
// objects a run needs decoded, from R2004 on) shows what the full one shows;
// the attributes listed are those an independent reader counted.
TEST(DwgFileTest, EveryCorpusFileOpensWithEveryObjectDecodedAndEncodedBack) {
    KEL_NEED_CORPUS();
    std::map<std::string, std::size_t> counted;
    for (const test::CountedFile& c : test::PagedCorpusFiles()) counted[c.name] = c.attributes;
    std::size_t pagedObjects = 0, pagedLeft = 0;  // of R2004 and later
    for (const std::string& name : test::AllReadableCorpusFiles()) {
        SCOPED_TRACE(name);
        const std::string bytes = ReadCorpus(name);
        std::string status;
        auto doc = OpenBytes(bytes, status);
        ASSERT_TRUE(doc) << status;
        EXPECT_EQ(status, "1000:Ok");
        const DwgFile& f = doc->File();
        const DwgModel& lean = doc->Model();
        DwgModel full = lean;
        ASSERT_TRUE(full.DecodeRest(bytes, f, status)) << status;
        EXPECT_EQ(full.Objects().size(), f.objectMap.size());
        EXPECT_GT(f.objectMap.size(), 50u);

        // The files up to R2004 declare the LAYOUT class (some later ones leave it out).
        std::set<std::string> classNames;
        for (const ClassDef& c : f.classes) classNames.insert(CutAtNul(c.dxfName));
        EXPECT_TRUE(AtLeast(f.version, Version::R2007) || classNames.count("LAYOUT"));

        std::size_t known = 0, left = 0;
        for (const ObjectLocation& loc : f.objectMap) {
            const DecodedObject* lo = lean.Find(loc.handle);
            const DecodedObject* o = full.Find(loc.handle);
            ASSERT_TRUE(lo && o);
            const std::string what = "type " + std::to_string(o->common.type) + " handle " + FormatHandle(o->Handle());
            // The seed (the next free handle) is read up to R2004.
            EXPECT_TRUE(AtLeast(f.version, Version::R2007) || o->Handle() < f.handleSeed) << what;
            EXPECT_EQ(std::make_tuple(lo->Handle(), lo->common.type, lo->common.isEntity, lean.OffsetOf(loc.handle), lo->totalBytes),
                      std::make_tuple(loc.handle, o->common.type, o->common.isEntity, loc.offset, o->totalBytes));
            EXPECT_FALSE(o->prefixOnly) << what;
            if (lo->prefixOnly) {
                // Only xrecords, objects of types without declared fields,
                // and the blocks, block ends, SEQENDs, dictionaries and
                // inserts without attributes a run does not read are left,
                // and block headers, whose names and entities are kept.
                ++left;
                const Layout layout = LayoutOf(o->common.type, f);
                const auto* insert = DataIf<InsertData>(o->data);
                const bool unread = layout == Layout::kBlock || layout == Layout::kNoFields ||
                                    layout == Layout::kBlockHeader ||
                                    layout == Layout::kDictionary || (insert && !insert->hasAttribs);
                EXPECT_TRUE(layout == Layout::kUnknown || layout == Layout::kXrecord || unread) << what;
                EXPECT_EQ(o->known, layout == Layout::kXrecord || unread) << what;
            }
            if (const auto* x = DataIf<XrecordData>(o->data)) {
                std::vector<XrecordPair> pairs;
                EXPECT_TRUE(ParseXrecordPairs(x->data, f.version, pairs)) << what;
            }
            if (!o->known) continue;
            ++known;
            EXPECT_TRUE(o->dataExact) << what;
            std::string encoded;
            ASSERT_TRUE(EncodeObject(*o, f, encoded)) << what;
            EXPECT_EQ(encoded, f.ObjectArea(bytes).substr(static_cast<std::size_t>(full.OffsetOf(o->Handle())), o->totalBytes)) << what;
        }
        EXPECT_GT(known, 10u);
        // Up to R2000 entities are chained through their common fields: all are decoded.
        if (AtLeast(f.version, Version::R2004)) {
            EXPECT_EQ(lean.Objects().size() + left, f.objectMap.size());
            pagedObjects += f.objectMap.size();
            pagedLeft += left;
        } else {
            EXPECT_EQ(left, 0u);
        }
        EXPECT_EQ(DrawingInfoToXml(lean.Describe(bytes, f), true), DrawingInfoToXml(full.Describe(bytes, f), true));
        const auto count = counted.find(name);
        if (count == counted.end()) continue;
        const std::vector<test::Attr> listed = test::Attributes(*doc);
        EXPECT_EQ(listed.size(), count->second);
        for (const test::Attr& a : listed) EXPECT_FALSE(a.tag.empty()) << a.handle;
    }
    EXPECT_GT(pagedLeft, pagedObjects / 4) << "a run's model leaves most xrecords and unknown objects alone";
}

TEST(DwgFileTest, ContainerFieldsMatchTheFile) {
    KEL_NEED_CORPUS();
    std::string status;
    auto doc = OpenBytes(ReadCorpus("dwg/AC1015_R2000/libredwg__entities-2d.dwg"), status);
    ASSERT_TRUE(doc) << status;
    const DwgFile& f = doc->File();
    // Its DXF twin says ANSI_1250.
    EXPECT_EQ(std::make_tuple(f.version, f.codePage, WindowsCodePageOf(f.codePage), f.handleSeed, f.locators.size()),
              std::make_tuple(Version::R2000, 28, 1250, std::uint64_t{0x53}, std::size_t{6}));

    auto r13 = OpenBytes(ReadCorpus("dwg/AC1012_R13/libredwg__example_r13.dwg"), status);
    ASSERT_TRUE(r13) << status;
    EXPECT_EQ(std::make_pair(r13->File().version, int{r13->File().codePage}), std::make_pair(Version::R13, 30));
    EXPECT_GT(r13->File().objectMap.size(), 5000u);  // a map of several sections
    auto r2004 = OpenBytes(ReadCorpus("dwg/AC1018_R2004/libredwg__example_2004.dwg"), status);
    ASSERT_TRUE(r2004) << status;
    EXPECT_EQ(std::make_pair(r2004->File().version, int{r2004->File().codePage}), std::make_pair(Version::R2004, 30));
}

void ExpectRefused(const std::vector<std::pair<std::string, std::string>>& cases) {
    for (const auto& [bytes, expected] : cases) {
        std::string status;
        EXPECT_FALSE(OpenDwgDocument(bytes, "x.dwg", status)) << expected;
        EXPECT_EQ(status, expected);
    }
}

TEST(DwgFileTest, OtherFilesAndVersionsAreRefusedByName) {
    ExpectRefused({
        {"", "2003:Not a drawing file"},
        {"AC1099" + std::string(200, '\0'), "2004:Unsupported format AC1099"},
        {std::string("MC0.0\0", 6) + std::string(200, 'x'), "2004:Unsupported format MC0.0"},
        {"ABCDEF" + std::string(200, '\0'), "2003:Not a drawing file"},
    });
    KEL_NEED_CORPUS();
    ExpectRefused({
        {ReadCorpus("dwg/legacy_pre_R13/libredwg__r2.6_entities.dwg"), "2004:Unsupported format AC1003"},
        {ReadCorpus("dwg/legacy_pre_R13/libredwg__r10_entities.dwg"), "2004:Unsupported format AC1006"},
        {ReadCorpus("dwg/legacy_pre_R13/libredwg__r11_entities-2d.dwg"), "2004:Unsupported format AC1009"},
        {ReadCorpus("dxf/ascii/AC1015_R2000/libredwg__entities-2d.dxf"), "2003:Not a drawing file"},
    });
}

TEST(DwgFileTest, DamageIsReportedAsAStatusNamingWhatIsWrong) {
    KEL_NEED_CORPUS();
    const std::string good = ReadCorpus("dwg/AC1015_R2000/libredwg__entities-2d.dwg");
    std::string status;
    ASSERT_TRUE(OpenBytes(good, status));
    DwgFile f;
    ASSERT_TRUE(f.Parse(good, status));
    const std::size_t header = static_cast<std::size_t>(f.locators[kHeaderSection].seeker);
    const std::size_t classes = static_cast<std::size_t>(f.locators[kClassSection].seeker);
    const std::size_t map = static_cast<std::size_t>(f.locators[kObjectMapSection].seeker);
    const std::size_t object = static_cast<std::size_t>(f.objectMap[f.objectMap.size() / 2].offset);

    const std::pair<std::size_t, std::string> cases[] = {
        {0x16, "section locator"},                       // the locator count
        {0x20, "file header CRC mismatch"},              // a seeker
        {header + 3, "header variables start sentinel"},  // the sentinel
        {header + 30, "header variables CRC mismatch"},
        {classes + 30, "classes CRC mismatch"},
        {map + 5, "object map CRC mismatch"},
        {object + 4, "object CRC mismatch"},
        {static_cast<std::size_t>(f.imageSeeker) + 2, "preview image start sentinel"},
        {static_cast<std::size_t>(f.secondHeaderOffset) + 30, "second file header CRC mismatch"},
    };
    for (const auto& [at, expected] : cases) {
        std::string bad = good;
        bad[at] ^= 0x10;
        EXPECT_FALSE(OpenBytes(bad, status)) << expected;
        EXPECT_TRUE(StartsWith(status, "2005:Damaged drawing: ") && status.find(expected) != std::string::npos) << status;
    }
    for (std::size_t length : {std::size_t{6}, std::size_t{0x30}, header + 40, classes, map + 10,
                               good.size() / 2, good.size() - 8}) {
        EXPECT_FALSE(OpenBytes(good.substr(0, length), status)) << length;
        EXPECT_TRUE(StartsWith(status, "2005:Damaged drawing: ")) << length << " " << status;
    }
}

// A large drawing's objects are decoded on two threads: whichever thread
// meets a damaged object, the first one in the map gives the reason.
TEST(DwgFileTest, TheFirstDamagedObjectOfALargeDrawingGivesTheReason) {
    KEL_NEED_CORPUS();
    const std::string bytes = ReadCorpus("dwg/AC1024_R2010/cad-drawing__plans-structure.dwg");
    std::string status;
    DwgFile good;
    ASSERT_TRUE(good.Parse(bytes, status)) << status;
    ASSERT_GT(good.objectSection.size(), std::size_t{4} << 20);
    const std::size_t early = 40, late = good.objectMap.size() - 40;
    for (const bool crcFirst : {true, false}) {
        SCOPED_TRACE(crcFirst ? "CRC damaged first" : "map entry wrong first");
        DwgFile f = good;
        const std::size_t crc = crcFirst ? early : late, entry = crcFirst ? late : early;
        f.objectSection[static_cast<std::size_t>(f.objectMap[crc].offset) + 4] ^= 0x10;
        f.objectMap[entry].handle += 1000000;
        DwgModel model;
        EXPECT_FALSE(model.Load(bytes, f, status));
        const std::string first = crcFirst ? "object " + FormatHandle(good.objectMap[early].handle) + ": object CRC mismatch"
                                           : "object map entry " + FormatHandle(f.objectMap[early].handle) + " points at";
        EXPECT_TRUE(StartsWith(status, "2005:Damaged drawing: " + first)) << status;
    }
}

TEST(DwgFileTest, RandomDamageNeverCrashes) {
    KEL_NEED_CORPUS();
    // Smaller files so that the loop stays fast; every outcome is allowed
    // except a crash, a hang or a success without a usable model.
    const std::string files[] = {ReadCorpus("dwg/AC1015_R2000/libredwg__entities-2d.dwg"),
                                 ReadCorpus("dwg/malformed/acadsharp__dup_paperspace_r2000.dwg"),
                                 ReadCorpus("dwg/AC1018_R2004/acadsharp__sample_AC1018.dwg"),
                                 ReadCorpus("dwg/AC1021_R2007/pyegout__sample.dwg")};
    std::mt19937 rng(20261206);
    int opened = 0;
    for (int i = 0; i < 600; ++i) {
        std::string bytes = files[i % 4];
        std::uniform_int_distribution<std::size_t> pos(0, bytes.size() - 1);
        for (int k = 0; k < 1 + i % 4; ++k) bytes[pos(rng)] = static_cast<char>(rng());
        if (i % 10 == 0) bytes.resize(pos(rng));
        std::string status;
        auto doc = OpenDwgDocument(bytes, "r.dwg", status);
        EXPECT_EQ(status == "1000:Ok", doc != nullptr) << status;
        if (doc) {
            EXPECT_FALSE(doc->Describe().blocks.empty());
        }
        opened += doc != nullptr;
    }
    // Flips in unchecked areas (preview image, padding) leave the file readable.
    EXPECT_GT(opened, 0);
}

// Flips bits inside one object of an object area and makes its CRC match again.
void DamageObject(std::string& area, const ObjectLocation& loc, Version version, std::mt19937& rng, int flips) {
    const std::size_t at = static_cast<std::size_t>(loc.offset);
    BitReader r(std::string_view(area).substr(at), version);
    const std::size_t size = r.MS();
    if (AtLeast(version, Version::R2010)) r.UMC();  // the handle stream size
    const std::size_t sizeBytes = r.BitPos() / 8;
    for (int k = 0; k < flips; ++k) {
        std::size_t p = at + sizeBytes + rng() % size;
        area[p] = static_cast<char>(area[p] ^ (1u << (rng() % 8)));
    }
    const std::uint16_t crc = Crc16(kCrcSeed, std::string_view(area).substr(at, sizeBytes + size));
    area[at + sizeBytes + size] = static_cast<char>(crc & 0xFF);
    area[at + sizeBytes + size + 1] = static_cast<char>(crc >> 8);
}

TEST(DwgFileTest, GarbageBehindAValidCrcNeverCrashesTheDecoders) {
    KEL_NEED_CORPUS();
    // Flips inside objects are caught by their CRCs; here the CRC is made to
    // match again, so that the object decoders themselves meet the garbage.
    const std::string good = ReadCorpus("dwg/AC1015_R2000/libredwg__entities-2d.dwg");
    DwgFile f;
    std::string status;
    ASSERT_TRUE(f.Parse(good, status));
    std::mt19937 rng(7);
    int opened = 0;
    for (int i = 0; i < 400; ++i) {
        std::string bytes = good;
        DamageObject(bytes, f.objectMap[rng() % f.objectMap.size()], f.version, rng, 1 + i % 3);
        auto doc = OpenDwgDocument(bytes, "g.dwg", status);
        if (doc) doc->Describe();
        EXPECT_TRUE(doc || StartsWith(status, "2005:Damaged drawing: ")) << status;
        opened += doc != nullptr;
    }
    EXPECT_GT(opened, 0);

    // The same for the objects of paged drawings, inside their decompressed
    // section (R2010 and R2018 with string streams and multi-line attributes).
    for (const char* name : {"dwg/AC1018_R2004/libredwg__example_2004.dwg", "dwg/AC1024_R2010/acadsharp__sample_AC1024.dwg",
                             "dwg/AC1032_R2018/acadsharp__sample_AC1032.dwg"}) {
        const std::string paged = ReadCorpus(name);
        DwgFile g;
        ASSERT_TRUE(g.Parse(paged, status)) << status;
        const std::string section = g.objectSection;
        for (int i = 0; i < 300; ++i) {
            g.objectSection = section;
            DamageObject(g.objectSection, g.objectMap[rng() % g.objectMap.size()], g.version, rng, 1 + i % 3);
            DwgModel model;
            bool loaded = model.Load(paged, g, status);
            if (loaded) model.Describe(paged, g);
            EXPECT_TRUE(loaded || StartsWith(status, "2005:Damaged drawing: ")) << status;
            // The objects a run leaves at their prefix meet the garbage when a delete decodes them.
            loaded = loaded && model.DecodeRest(paged, g, status);
            EXPECT_TRUE(loaded || StartsWith(status, "2005:Damaged drawing: ")) << status;
        }
        // A run's model leaves most objects at their prefix; a flipped bit is
        // found by the CRC all the same, in an object decoded or not.
        auto doc = OpenBytes(paged, status);
        ASSERT_TRUE(doc) << status;
        for (bool decoded : {true, false}) {
            const DecodedObject* victim = nullptr;
            for (const ObjectLocation& loc : doc->File().objectMap) {
                const DecodedObject* o = doc->Model().Find(loc.handle);
                if (o->prefixOnly != decoded && o->size > 8 && !victim) victim = o;
            }
            ASSERT_TRUE(victim) << decoded;
            DwgFile damaged = doc->File();
            damaged.objectSection[static_cast<std::size_t>(doc->Model().OffsetOf(victim->Handle())) + 4] ^= 0x10;
            DwgModel model;
            EXPECT_FALSE(model.Load(paged, damaged, status));
            EXPECT_EQ(status, "2005:Damaged drawing: object " + FormatHandle(victim->Handle()) + ": object CRC mismatch");
        }
    }
}

TEST(DwgFileTest, AnAttributeWithFieldsBeyondTheKnownOnesIsShownButNotChanged) {
    KEL_NEED_CORPUS();
    // An ATTRIB given one byte more before its handles: it still reads, but
    // encoding it again would drop that byte, so its value is not changed.
    const std::string original = ReadCorpus("dwg/AC1015_R2000/libredwg__example_2000.dwg");
    std::string status, why;
    auto doc = OpenBytes(original, status);
    ASSERT_TRUE(doc) << status;
    const DwgFile& f = doc->File();
    const DecodedObject* attrib = nullptr;
    for (const DecodedObject& o : doc->Model().Objects()) {
        if (o.common.type == type::kAttrib && o.known && !attrib) attrib = &o;
    }
    ASSERT_TRUE(attrib);
    const std::string bytes = original.substr(static_cast<std::size_t>(doc->Model().OffsetOf(attrib->Handle())), attrib->totalBytes);
    const std::size_t sizeBytes = attrib->totalBytes - 2 - attrib->size;
    const std::string body = bytes.substr(sizeBytes, attrib->size);
    BitReader r(body, f.version);
    BitWriter w(f.version);
    const std::size_t dataBits = static_cast<std::size_t>(attrib->dataBits);
    for (std::size_t bit = 0; bit < body.size() * 8; ++bit) {
        if (bit == dataBits) w.RC(0xA5);
        w.B(r.B());
    }
    r.SetBitPos(0);
    r.BS();  // the type; the size in bits of the data follows
    const std::size_t rlAt = r.BitPos();
    for (int i = 0; i < 4; ++i) w.PatchRC(rlAt + 8 * i, static_cast<std::uint8_t>((dataBits + 8) >> (8 * i)));
    BitWriter whole(f.version);
    whole.MS(static_cast<std::uint32_t>(w.Bytes().size()));
    whole.RawBytes(w.Bytes());
    whole.RS(static_cast<std::int16_t>(Crc16(kCrcSeed, whole.Bytes())));
    DwgEdits edits;
    edits.replaced[attrib->Handle()] = whole.Bytes();
    std::string changed;
    ASSERT_TRUE(RelayFile(original, f, edits, changed, why)) << why;

    auto odd = OpenBytes(changed, status);
    ASSERT_TRUE(odd) << status;
    const DecodedObject* o = odd->Model().Find(attrib->Handle());
    ASSERT_TRUE(o && o->known);
    EXPECT_FALSE(o->dataExact);
    EXPECT_EQ(DataOf<AttribData>(o->data).text.value, DataOf<AttribData>(attrib->data).text.value);
    const std::string handle = FormatHandle(o->Handle());
    EXPECT_EQ(odd->SetAttributeValue(handle, "new").substr(0, 5), "3002:");
    std::string saved;
    ASSERT_TRUE(odd->Serialize(saved, status)) << status;
    EXPECT_TRUE(saved == changed) << "nothing was changed";
    // Deleting it drops the object whole, which loses nothing.
    EXPECT_EQ(odd->DeleteEntity(handle), "1000:Ok");
    ASSERT_TRUE(odd->Serialize(saved, status)) << status;
    auto after = OpenBytes(saved, status);
    ASSERT_TRUE(after) << status;
    EXPECT_FALSE(after->Model().Find(o->Handle()));
}

}  // namespace
}  // namespace kel::dwg
