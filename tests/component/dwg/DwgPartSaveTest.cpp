// Saving a paged drawing in part: changed objects go behind the objects
// section, the pages before them keep their stored bytes, the check of the
// written file takes those pages as read and still finds any damage, and
// repeated saves do not let unused bytes pile up.
#include <gtest/gtest.h>

#include <random>

#include <memory>
#include <string>
#include <vector>

#include "component/DrawingInfoXml.h"
#include "component/dwg/DwgDocument.h"
#include "component/dwg/DwgR2004File.h"
#include "component/dwg/DwgR2007File.h"
#include "component/dwg/DwgWriter.h"
#include "tests/component/dwg/DwgTestFiles.h"

namespace kel::dwg {
namespace {

using test::Open;
using test::ValueOf;

// One drawing of each paged version with attributes.
const char* const kDrawings[] = {
    "dwg/AC1018_R2004/acadsharp__sample_AC1018.dwg", "dwg/AC1021_R2007/acadsharp__sample_AC1021.dwg",
    "dwg/AC1024_R2010/acadsharp__sample_AC1024.dwg", "dwg/AC1027_R2013/acadsharp__sample_AC1027.dwg",
    "dwg/AC1032_R2018/acadsharp__sample_AC1032.dwg"};

// The handles of the drawing's attributes, in drawing order.
std::vector<std::string> Handles(const DwgDocument& doc) {
    std::vector<std::string> out;
    for (const test::Attr& a : test::Attributes(doc)) out.push_back(a.handle);
    return out;
}

std::string FirstAttribute(const DwgDocument& doc) {
    const std::vector<std::string> all = Handles(doc);
    return all.empty() ? std::string() : all.front();
}

// Opens `original`, sets its first attribute to "x" and writes the result
// to `out` (not to disk).
void WriteOneChange(const std::string& original, std::unique_ptr<DwgDocument>& doc, std::string& out) {
    doc = Open(original);
    ASSERT_TRUE(doc);
    ASSERT_EQ(doc->SetAttributeValue(FirstAttribute(*doc), "x"), "1000:Ok");
    std::string status;
    ASSERT_TRUE(doc->Serialize(out, status)) << status;
}

// The bytes of the objects section no object of the map takes, past what
// precedes the first object.
std::size_t Unused(const DwgDocument& doc) {
    std::size_t live = 0;
    std::size_t first = doc.File().objectSection.size();
    for (const ObjectLocation& loc : doc.File().objectMap) {
        live += doc.Model().Find(loc.handle)->totalBytes;
        first = std::min(first, static_cast<std::size_t>(loc.offset));
    }
    return doc.File().objectSection.size() - first - live;
}

// What an R2007 page takes in the file, as the page map gives it.
std::uint64_t StoredSize(const R2007File& f, std::int64_t id) {
    for (const R2007PageEntry& e : f.pageMap) {
        if (e.id == id) return e.size;
    }
    ADD_FAILURE() << "no page " << id;
    return 0;
}

TEST(DwgPartSaveTest, AChangedObjectGoesBehindTheSectionAndEarlierPagesKeepTheirBytes) {
    KEL_NEED_CORPUS();
    for (const char* name : kDrawings) {
        SCOPED_TRACE(name);
        const std::string original = test::ReadCorpus(name);
        auto doc = Open(original);
        ASSERT_TRUE(doc);
        const std::string handle = FirstAttribute(*doc);
        ASSERT_NE(handle, "");
        const std::string oldSection = doc->File().objectSection;
        ASSERT_EQ(doc->SetAttributeValue(handle, "Part save"), "1000:Ok");
        std::string out, status;
        ASSERT_TRUE(doc->Serialize(out, status)) << status;
        auto back = Open(out);
        ASSERT_TRUE(back);
        EXPECT_EQ(ValueOf(*back, handle), "Part save");
        const std::string& section = back->File().objectSection;
        ASSERT_GT(section.size(), oldSection.size());
        EXPECT_TRUE(section.compare(0, oldSection.size(), oldSection) == 0);
        EXPECT_GE(back->Model().OffsetOf(std::stoull(handle, nullptr, 16)),
                  static_cast<std::int64_t>(oldSection.size()));
        std::size_t kept = 0;
        if (back->File().r2007) {
            const R2007Section* a = doc->File().r2007->Find(kObjectsSectionName);
            const R2007Section* b = back->File().r2007->Find(kObjectsSectionName);
            ASSERT_TRUE(a && b);
            for (std::size_t k = 0; k < a->pages.size() && a->pages[k].dataOffset + a->pages[k].uncompressedSize <=
                                                                 oldSection.size(); ++k) {
                ASSERT_LT(k, b->pages.size());
                EXPECT_TRUE(original.substr(a->pages[k].address, StoredSize(*doc->File().r2007, a->pages[k].id)) ==
                            out.substr(b->pages[k].address, StoredSize(*back->File().r2007, b->pages[k].id)))
                    << "page " << k;
                ++kept;
            }
            EXPECT_GT(kept, 0u);
            continue;
        }
        const R2004File& before = *doc->File().r2004;
        const R2004File& after = *back->File().r2004;
        const R2004Section* a = before.Find(kObjectsSectionName);
        const R2004Section* b = after.Find(kObjectsSectionName);
        ASSERT_TRUE(a && b);
        for (std::size_t k = 0; (k + 1) * a->maxPageSize <= oldSection.size(); ++k) {
            std::string_view x, y;
            ASSERT_TRUE(before.StoredPage(original, a->pages[k].number, x));
            ASSERT_TRUE(after.StoredPage(out, b->pages[k].number, y));
            EXPECT_TRUE(x == y) << "page " << k;
            ++kept;
        }
        EXPECT_GT(kept, 0u);
    }
}

TEST(DwgPartSaveTest, RepeatedSavesKeepTheUnusedPartBelowAQuarter) {
    KEL_NEED_CORPUS();
    kel::test::TempDir dir;
    for (const char* name : {kDrawings[0], kDrawings[1], kDrawings[4]}) {
        SCOPED_TRACE(name);
        auto doc = Open(test::ReadCorpus(name));
        ASSERT_TRUE(doc);
        const std::vector<std::string> handles = Handles(*doc);
        const std::string& handle = handles.front();
        const std::string path = dir.File("repeated.dwg");
        bool compacted = false;
        std::size_t previous = doc->File().objectSection.size();
        for (int round = 0; round < 40; ++round) {
            // Long values, so that the old copies soon outweigh a quarter.
            const std::string value = std::string(1500 + round % 5 * 100, static_cast<char>('a' + round % 26));
            for (const std::string& h : handles) ASSERT_EQ(doc->SetAttributeValue(h, value), "1000:Ok");
            ASSERT_EQ(doc->Save(path, -1), "1000:Ok");
            auto back = Open(kel::test::ReadFile(path));
            ASSERT_TRUE(back);
            ASSERT_EQ(ValueOf(*back, handle), value);
            const std::size_t size = back->File().objectSection.size();
            EXPECT_LE(Unused(*back) * 4, size) << "round " << round;
            compacted = compacted || size < previous;
            previous = size;
        }
        EXPECT_TRUE(compacted);
    }
}

TEST(DwgPartSaveTest, AfterEachSaveTheDrawingIsWhatAFreshOpenOfTheFileShows) {
    // The check of a saved file takes unchanged objects from the drawing as
    // it was; the drawing then goes on from that check. Every version, with
    // sets, a delete and a set back to an old value.
    KEL_NEED_CORPUS();
    kel::test::TempDir dir;
    std::vector<std::string> names(std::begin(kDrawings), std::end(kDrawings));
    names.push_back("dwg/AC1015_R2000/acadsharp__sample_AC1015.dwg");
    names.push_back("dwg/AC1014_R14/libredwg__example_r14.dwg");
    names.push_back("dwg/AC1012_R13/libredwg__example_r13.dwg");
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        auto doc = Open(test::ReadCorpus(name));
        ASSERT_TRUE(doc);
        const std::vector<std::string> handles = Handles(*doc);
        ASSERT_GE(handles.size(), 2u);
        const std::string oldValue = ValueOf(*doc, handles.front());
        const std::string path = dir.File("saved.dwg");
        for (int round = 0; round < 3; ++round) {
            if (round == 0) {
                for (const std::string& h : handles) ASSERT_EQ(doc->SetAttributeValue(h, "Round 0 " + h), "1000:Ok");
            } else if (round == 1) {
                ASSERT_EQ(doc->DeleteEntity(handles.back()), "1000:Ok");
                ASSERT_EQ(doc->SetAttributeValue(handles.front(), oldValue), "1000:Ok");
            } else {
                ASSERT_EQ(doc->SetAttributeValue(handles[1 % (handles.size() - 1)], "Round 2"), "1000:Ok");
            }
            ASSERT_EQ(doc->Save(path, -1), "1000:Ok");
            auto fresh = Open(kel::test::ReadFile(path));
            ASSERT_TRUE(fresh);
            EXPECT_EQ(DrawingInfoToXml(doc->Describe(), true), DrawingInfoToXml(fresh->Describe(), true))
                << "round " << round;
        }
    }
}

TEST(DwgPartSaveTest, TheCheckOfAWrittenFileTakesOnlyWhatHoldsTheSameBytesAsRead) {
    // The check of a written file takes an unchanged object as read, whether
    // it stayed where it was or (up to R2000) moved behind a changed one, and
    // (from R2004 on) a page it kept as stored; one that lost a bit (as a
    // writer fault would leave it) does not pass. The objects it shares with
    // the drawing's model are copied before either changes them.
    KEL_NEED_CORPUS();
    for (const char* name : {"dwg/AC1015_R2000/acadsharp__sample_AC1015.dwg", kDrawings[2]}) {
        SCOPED_TRACE(name);
        const std::string original = test::ReadCorpus(name);
        std::unique_ptr<DwgDocument> doc;
        std::string out, status;
        ASSERT_NO_FATAL_FAILURE(WriteOneChange(original, doc, out));
        DwgFile written, known;
        ASSERT_TRUE(written.Parse(out, status)) << status;
        ASSERT_TRUE(known.Parse(out, status, doc->File(), original)) << status;
        EXPECT_TRUE(written.objectSection == known.objectSection);
        EXPECT_EQ(written.objectMap.size(), known.objectMap.size());
        const DwgModel::Earlier earlier{&doc->Model(), doc->File().ObjectArea(original), nullptr};
        DwgModel fine;
        ASSERT_TRUE(fine.Load(out, written, status, earlier)) << status;
        // The first object of the map, which the edit left where it was, and
        // the first one it moved.
        std::vector<ObjectLocation> victims{written.objectMap.front()};
        for (const ObjectLocation& loc : written.objectMap) {
            if (doc->Model().OffsetOf(loc.handle) != loc.offset &&
                doc->Model().Find(loc.handle)->common.type != type::kAttrib) {
                victims.push_back(loc);
                break;
            }
        }
        const bool moves = !written.r2004 && !written.r2007;
        ASSERT_EQ(victims.size(), moves ? 2u : 1u);
        for (const ObjectLocation& victim : victims) {
            EXPECT_EQ(fine.Find(victim.handle), doc->Model().Find(victim.handle));
            EXPECT_EQ(fine.OffsetOf(victim.handle), victim.offset);
            std::string damagedBytes = out;
            DwgFile damaged = written;
            std::string& area = damaged.r2004 ? damaged.objectSection : damagedBytes;
            area[static_cast<std::size_t>(victim.offset) + 3] ^= 0x01;
            DwgModel check;
            EXPECT_FALSE(check.Load(damagedBytes, damaged, status, earlier));
            EXPECT_NE(status.find("CRC"), std::string::npos) << status;
        }
        if (moves) continue;
        // A byte of the first objects page, which the writer kept as stored.
        std::string_view stored;
        ASSERT_TRUE(written.r2004->StoredPage(out, written.r2004->Find(kObjectsSectionName)->pages.front().number, stored));
        std::string damaged = out;
        damaged[static_cast<std::size_t>(stored.data() - out.data()) + stored.size() / 2] ^= 0x10;
        DwgFile check;
        EXPECT_FALSE(check.Parse(damaged, status, doc->File(), original));
        EXPECT_NE(status.find("checksum"), std::string::npos) << status;

        // A model loaded from the original shares its objects with the check.
        DwgFile file;
        DwgModel model, shares;
        ASSERT_TRUE(file.Parse(original, status) && model.Load(original, file, status)) << status;
        ASSERT_TRUE(shares.Load(out, written, status, DwgModel::Earlier{&model, file.ObjectArea(original), nullptr}))
            << status;
        std::vector<std::uint64_t> shared;
        for (const DecodedObject& o : model.Objects()) {
            if (shares.Find(o.Handle()) == &o) shared.push_back(o.Handle());
        }
        ASSERT_GE(shared.size(), 2u);
        DecodedObject* copy = shares.FindMutable(shared.front());
        ASSERT_NE(copy, model.Find(shared.front()));
        copy->padding ^= 1;
        EXPECT_NE(model.Find(shared.front())->padding, copy->padding);
        const DecodedObject* before = model.Find(shared.back());
        EXPECT_NE(model.FindMutable(shared.back()), before);
        shares = DwgModel{};  // once the check is gone the model changes its own
        const DecodedObject* own = model.Find(shared.back());
        EXPECT_EQ(model.FindMutable(shared.back()), own);
    }
}

TEST(DwgPartSaveTest, WhenMostObjectsChangeTheyAreWrittenOnceInTheirOrder) {
    KEL_NEED_CORPUS();
    auto doc = Open(test::ReadCorpus(kDrawings[3]));
    ASSERT_TRUE(doc);
    const DwgFile& file = doc->File();
    DwgEdits edits;
    std::size_t live = 0;
    std::size_t first = file.objectSection.size();
    for (const ObjectLocation& loc : file.objectMap) {
        const DecodedObject* o = doc->Model().Find(loc.handle);
        edits.replaced[loc.handle] = file.objectSection.substr(static_cast<std::size_t>(loc.offset), o->totalBytes);
        live += o->totalBytes;
        first = std::min(first, static_cast<std::size_t>(loc.offset));
    }
    const std::uint64_t gone = file.objectMap.back().handle;
    edits.replaced.erase(gone);
    edits.deleted.insert(gone);
    live -= doc->Model().Find(gone)->totalBytes;
    RelaidObjects relaid;
    std::string why;
    ASSERT_TRUE(AppendChangedObjects(file.objectSection, file, edits, relaid, why)) << why;
    EXPECT_EQ(relaid.bytes.size(), first + live);
    ASSERT_EQ(relaid.placed.size(), file.objectMap.size() - 1);
    for (const ObjectLocation& p : relaid.placed) {
        const std::string& expected = edits.replaced.at(p.handle);
        EXPECT_EQ(relaid.bytes.substr(static_cast<std::size_t>(p.offset), expected.size()), expected);
    }
}

TEST(DwgPartSaveTest, TheReadBackTakesTheSectionAsLaidAndRefusesAnyOtherByte) {
    // The check of a save reads the written file's objects section against
    // the section the writer laid, without decompressing a copy of its own:
    // it takes that section when every page holds exactly its bytes, and
    // gives it back untouched when a byte differs, in a page kept as stored
    // or in a new one, or the size does.
    KEL_NEED_CORPUS();
    for (const char* name : {kDrawings[0], kDrawings[1], kDrawings[4]}) {
        SCOPED_TRACE(name);
        const std::string original = test::ReadCorpus(name);
        auto doc = Open(original);
        ASSERT_TRUE(doc);
        const DwgFile& file = doc->File();
        // An attribute written again with its own bytes goes behind the section.
        const std::uint64_t h = std::stoull(FirstAttribute(*doc), nullptr, 16);
        DwgEdits edits;
        edits.replaced[h] = file.objectSection.substr(static_cast<std::size_t>(doc->Model().OffsetOf(h)),
                                                      doc->Model().Find(h)->totalBytes);
        ObjectsBuffer objects(file.objectSection);
        std::string out, why, status;
        ASSERT_TRUE(file.r2007 ? RelayR2007File(original, file, edits, objects, out, why)
                               : RelayPagedFile(original, file, edits, objects, out, why))
            << why;
        ASSERT_FALSE(objects.rewritten);
        ASSERT_GT(objects.data.size(), objects.oldSize);
        EXPECT_TRUE(objects.Old() == file.objectSection);
        const std::string laid = objects.data;

        DwgFile plain;
        ASSERT_TRUE(plain.Parse(out, status)) << status;
        EXPECT_TRUE(plain.objectSection == laid);
        DwgFile check;
        ASSERT_TRUE(check.Parse(out, status, file, original, objects)) << status;
        EXPECT_TRUE(check.objectSection == laid);
        EXPECT_TRUE(objects.data.empty());

        // The old section given apart from the new, so that a kept page is
        // compared too: a byte in the first page, one in the appended object,
        // and a byte too many.
        const std::size_t oldSize = file.objectSection.size();
        for (const std::size_t at : {std::size_t{100}, oldSize + 5, laid.size()}) {
            SCOPED_TRACE(at);
            ObjectsBuffer other(at < laid.size() ? laid : laid + std::string(1, '\0'));
            other.rewritten = true;
            other.old = file.objectSection;
            if (at < laid.size()) other.data[at] = static_cast<char>(other.data[at] ^ 0x01);
            const std::string held = other.data;
            DwgFile refused;
            EXPECT_FALSE(refused.Parse(out, status, file, original, other));
            EXPECT_NE(status.find("does not hold the data written"), std::string::npos) << status;
            EXPECT_TRUE(other.data == held);
        }

        // Saved, a small change neither copies nor moves the drawing's section.
        kel::test::TempDir dir;
        const char* const at = doc->File().objectSection.data();
        ASSERT_EQ(doc->SetAttributeValue(FirstAttribute(*doc), "In place"), "1000:Ok");
        ASSERT_EQ(doc->Save(dir.File("saved.dwg"), -1), "1000:Ok");
        EXPECT_EQ(static_cast<const void*>(doc->File().objectSection.data()), static_cast<const void*>(at));
        EXPECT_EQ(ValueOf(*Open(kel::test::ReadFile(dir.File("saved.dwg"))), FirstAttribute(*doc)), "In place");
    }
}

// What a drawing goes on from after a save, failed or not, must be what
// `other` holds: the same objects at the same places, listed alike. With
// `exact` false, `other` was opened from the file, and an object it keeps
// at its prefix may have been decoded in full here.
void ExpectSameModel(const DwgDocument& doc, const DwgDocument& other, bool exact, const std::string& what) {
    SCOPED_TRACE(what);
    const std::vector<ObjectLocation>& map = doc.File().objectMap;
    ASSERT_EQ(map.size(), other.File().objectMap.size());
    for (std::size_t i = 0; i < map.size(); ++i) {
        const ObjectLocation& theirs = other.File().objectMap[i];
        ASSERT_EQ(std::make_pair(map[i].handle, map[i].offset), std::make_pair(theirs.handle, theirs.offset)) << i;
    }
    for (const ObjectLocation& loc : other.File().objectMap) {
        const DecodedObject* mine = doc.Model().Find(loc.handle);
        const DecodedObject* theirs = other.Model().Find(loc.handle);
        ASSERT_TRUE(mine && theirs) << FormatHandle(loc.handle);
        EXPECT_EQ(doc.Model().OffsetOf(loc.handle), other.Model().OffsetOf(loc.handle)) << FormatHandle(loc.handle);
        EXPECT_EQ(mine->totalBytes, theirs->totalBytes) << FormatHandle(loc.handle);
        if (exact || !theirs->prefixOnly) {
            EXPECT_EQ(mine->prefixOnly, theirs->prefixOnly) << FormatHandle(loc.handle);
        }
    }
    std::vector<std::uint64_t> mine;
    std::vector<std::uint64_t> theirs;
    for (const DecodedObject& o : other.Model().Objects()) theirs.push_back(o.Handle());
    for (const DecodedObject& o : doc.Model().Objects()) {
        if (exact || !other.Model().Find(o.Handle())->prefixOnly) mine.push_back(o.Handle());
    }
    EXPECT_EQ(mine, theirs);
    EXPECT_EQ(DrawingInfoToXml(doc.Describe(), true), DrawingInfoToXml(other.Describe(), true));
}

TEST(DwgPartSaveTest, EachSaveLeavesTheDrawingAsTheFileItHoldsOpens) {
    // A save lends the drawing's objects section to the writer and to the
    // check of the written file, and the drawing's model follows the file
    // written. One that fails at the end (its folder is missing) gives both
    // back as they were; one that works leaves the drawing as the saved file
    // opens, whether the changed objects went behind the section or every
    // object was written anew; and the next save writes what a drawing that
    // never failed writes.
    KEL_NEED_CORPUS();
    kel::test::TempDir dir;
    for (const char* name :
         {kDrawings[0], kDrawings[1], "dwg/AC1018_R2004/libredwg__example_2004.dwg",
          "dwg/AC1021_R2007/jjh-data__landscaping_6.dwg", "dwg/AC1027_R2013/autocad-files__T-01.dwg",
          "dwg/AC1032_R2018/libredwg__example_2018.dwg"}) {
        SCOPED_TRACE(name);
        const std::string original = test::ReadCorpus(name);
        auto doc = Open(original);
        auto twin = Open(original);
        ASSERT_TRUE(doc && twin);
        const std::vector<std::string> handles = Handles(*doc);
        ASSERT_FALSE(handles.empty());
        bool compacted = false;
        for (int round = 0; round < 60 && !compacted; ++round) {
            SCOPED_TRACE("round " + std::to_string(round));
            const std::string value = std::string(1200 + round % 7 * 100, static_cast<char>('a' + round % 26));
            for (const std::string& h : handles) {
                ASSERT_EQ(doc->SetAttributeValue(h, value), "1000:Ok");
                ASSERT_EQ(twin->SetAttributeValue(h, value), "1000:Ok");
            }
            const std::string before = doc->File().objectSection;
            EXPECT_NE(doc->Save(dir.File("missing/saved.dwg"), -1), "1000:Ok");
            EXPECT_TRUE(doc->File().objectSection == before);
            ExpectSameModel(*doc, *twin, true, "after a failed save");
            ASSERT_EQ(twin->Save(dir.File("twin.dwg"), -1), "1000:Ok");
            ASSERT_EQ(doc->Save(dir.File("saved.dwg"), -1), "1000:Ok");
            const std::string saved = kel::test::ReadFile(dir.File("saved.dwg"));
            EXPECT_TRUE(saved == kel::test::ReadFile(dir.File("twin.dwg")));
            auto reopened = Open(saved);
            ASSERT_TRUE(reopened);
            ExpectSameModel(*doc, *reopened, false, "after a save");
            compacted = doc->File().objectSection.size() < before.size();
        }
        EXPECT_TRUE(compacted);
        // The next change: the drawing and the file opened anew write the same.
        auto reopened = Open(kel::test::ReadFile(dir.File("saved.dwg")));
        ASSERT_TRUE(reopened);
        ASSERT_EQ(doc->SetAttributeValue(handles.front(), "next"), "1000:Ok");
        ASSERT_EQ(reopened->SetAttributeValue(handles.front(), "next"), "1000:Ok");
        ASSERT_EQ(doc->Save(dir.File("a.dwg"), -1), "1000:Ok");
        ASSERT_EQ(reopened->Save(dir.File("b.dwg"), -1), "1000:Ok");
        EXPECT_TRUE(kel::test::ReadFile(dir.File("a.dwg")) == kel::test::ReadFile(dir.File("b.dwg")));
    }
}

TEST(DwgPartSaveTest, AMapPatchedInPlaceGoesBackAsItWas) {
    // A save makes the drawing's object map the written file's in place:
    // entries dropped (deleted objects) and offsets changed, then, if the
    // save fails, every entry back at its place, without the map growing.
    std::mt19937 random(11);
    for (int round = 0; round < 200; ++round) {
        std::vector<ObjectLocation> map;
        const std::size_t size = 8 + random() % 60;
        for (std::uint64_t h = 1 + random() % 3; map.size() < size; h += 1 + random() % 4) {
            map.push_back({h, static_cast<std::int64_t>(random() % 100000)});
        }
        std::vector<ObjectLocation> placed;
        std::size_t moves = 0;
        for (const ObjectLocation& loc : map) {
            const unsigned fate = random() % 10;
            if (fate == 0) continue;  // deleted
            const bool moved = fate < 3 && moves < size / 4;
            moves += moved;
            placed.push_back(moved ? ObjectLocation{loc.handle, loc.offset + 7} : loc);
        }
        const std::vector<ObjectLocation> original = map;
        const std::size_t room = map.capacity();
        ObjectsBuffer objects(std::string{});
        objects.map = &map;
        ASSERT_TRUE(objects.PatchMap(placed));
        ASSERT_EQ(map.size(), placed.size());
        for (std::size_t i = 0; i < map.size(); ++i) {
            ASSERT_EQ(std::make_pair(map[i].handle, map[i].offset), std::make_pair(placed[i].handle, placed[i].offset));
        }
        objects.RestoreMap();
        ASSERT_EQ(map.capacity(), room);
        ASSERT_EQ(map.size(), original.size());
        for (std::size_t i = 0; i < map.size(); ++i) {
            ASSERT_EQ(std::make_pair(map[i].handle, map[i].offset),
                      std::make_pair(original[i].handle, original[i].offset)) << i;
        }
    }
    // Not in place: a map not in handle order, one the laid map adds to, one
    // of which more than a quarter moved (its undo would take a map's room).
    std::vector<ObjectLocation> unordered = {{5, 0}, {3, 10}};
    std::vector<ObjectLocation> rising = {{3, 0}, {5, 10}, {6, 20}, {7, 30}};
    ObjectsBuffer objects(std::string{});
    objects.map = &unordered;
    EXPECT_FALSE(objects.PatchMap({{5, 0}}));
    objects.map = &rising;
    EXPECT_FALSE(objects.PatchMap({{3, 0}, {4, 5}, {5, 10}}));
    EXPECT_FALSE(objects.PatchMap({{3, 1}, {5, 11}, {6, 20}, {7, 30}}));
    EXPECT_FALSE(objects.MapPatched());
    EXPECT_EQ(rising.size(), 4u);
    EXPECT_EQ(rising[0].offset, 0);
}

}  // namespace
}  // namespace kel::dwg
