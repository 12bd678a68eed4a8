// A run's model of a drawing decodes only the objects a run works with
// (from R2004 on): what it shows and how it fails must be those of a model
// with every object decoded.
#include <gtest/gtest.h>

#include "component/DrawingInfoXml.h"
#include "component/dwg/DwgDocument.h"
#include "component/dwg/DwgObjectLayout.h"
#include "tests/component/dwg/DwgTestFiles.h"

namespace kel::dwg {
namespace {

using test::ReadCorpus;

// One drawing of each version, the larger ones where the corpus has them.
const char* const kDrawings[] = {
    "dwg/AC1012_R13/libredwg__example_r13.dwg",
    "dwg/AC1014_R14/libredwg__example_r14.dwg",
    "dwg/AC1015_R2000/libredwg__example_2000.dwg",
    "dwg/AC1018_R2004/libredwg__example_2004.dwg",
    "dwg/AC1018_R2004/acadsharp__sample_AC1018.dwg",
    "dwg/AC1021_R2007/jjh-data__landscaping_6.dwg",
    "dwg/AC1024_R2010/cad-drawing__plans-structure.dwg",
    "dwg/AC1027_R2013/libredwg__gh44-error.dwg",
    "dwg/AC1032_R2018/cad-drawing__ELV&ELEC_v3.dwg",
};

TEST(DwgWorkingSetTest, ShowsWhatTheFullyDecodedDrawingShows) {
    KEL_NEED_CORPUS();
    for (const char* name : kDrawings) {
        SCOPED_TRACE(name);
        const std::string bytes = ReadCorpus(name);
        std::string status;
        auto doc = DwgDocument::Open(bytes, "w.dwg", status);
        ASSERT_TRUE(doc) << status;
        const DwgModel& lean = doc->Model();
        DwgModel full = lean;
        ASSERT_TRUE(full.DecodeRest(bytes, doc->File(), status)) << status;

        EXPECT_EQ(full.Objects().size(), doc->File().objectMap.size());
        std::size_t left = 0;
        for (const ObjectLocation& loc : doc->File().objectMap) {
            const DecodedObject* lo = lean.Find(loc.handle);
            const DecodedObject* f = full.Find(loc.handle);
            ASSERT_TRUE(lo && f);
            const DecodedObject& o = *lo;
            EXPECT_EQ(o.Handle(), loc.handle);
            EXPECT_FALSE(f->prefixOnly);
            EXPECT_EQ(std::make_tuple(o.common.type, o.common.isEntity, o.offset, o.totalBytes),
                      std::make_tuple(f->common.type, f->common.isEntity, f->offset, f->totalBytes));
            if (!o.prefixOnly) continue;
            ++left;
            // Only xrecords and objects of types without declared fields are left.
            const Layout layout = LayoutOf(o.common.type, doc->File());
            EXPECT_TRUE(layout == Layout::kUnknown || layout == Layout::kXrecord) << FormatHandle(o.Handle());
            EXPECT_EQ(f->known, layout == Layout::kXrecord) << FormatHandle(o.Handle());
        }
        // Up to R2000 entities are chained through their common fields: all are decoded.
        if (AtLeast(doc->File().version, Version::R2004)) {
            EXPECT_GT(left, doc->File().objectMap.size() / 4);
            EXPECT_EQ(lean.Objects().size() + left, doc->File().objectMap.size());
        } else {
            EXPECT_EQ(left, 0u);
        }
        EXPECT_EQ(DrawingInfoToXml(lean.Describe(), true), DrawingInfoToXml(full.Describe(), true));
    }
}

// Flips one bit inside the object at a location, leaving its CRC as it was.
void Damage(std::string& area, const ObjectLocation& loc) {
    const std::size_t at = static_cast<std::size_t>(loc.offset) + 4;
    area[at] = static_cast<char>(area[at] ^ 0x10);
}

TEST(DwgWorkingSetTest, ADamagedObjectIsFoundWhetherOrNotItIsDecoded) {
    KEL_NEED_CORPUS();
    struct Case {
        const char* name;
        bool decodedType;  // damage an object of a type a run decodes, or one of another type
    };
    const Case cases[] = {
        {"dwg/AC1018_R2004/libredwg__example_2004.dwg", true},
        {"dwg/AC1018_R2004/libredwg__example_2004.dwg", false},
        {"dwg/AC1024_R2010/acadsharp__sample_AC1024.dwg", true},
        {"dwg/AC1024_R2010/acadsharp__sample_AC1024.dwg", false},
        {"dwg/AC1032_R2018/acadsharp__sample_AC1032.dwg", true},
        {"dwg/AC1032_R2018/acadsharp__sample_AC1032.dwg", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + (c.decodedType ? " decoded type" : " other type"));
        const std::string bytes = ReadCorpus(c.name);
        std::string status;
        auto doc = DwgDocument::Open(bytes, "w.dwg", status);
        ASSERT_TRUE(doc) << status;
        const DecodedObject* victim = nullptr;
        for (const ObjectLocation& loc : doc->File().objectMap) {
            const DecodedObject* o = doc->Model().Find(loc.handle);
            if (o->prefixOnly != c.decodedType && o->size > 8) {
                victim = o;
                break;
            }
        }
        ASSERT_TRUE(victim);
        DwgFile damaged = doc->File();
        ASSERT_FALSE(damaged.objectSection.empty());
        Damage(damaged.objectSection, ObjectLocation{victim->Handle(), victim->offset});
        DwgModel model;
        EXPECT_FALSE(model.Load(bytes, damaged, status));
        EXPECT_EQ(status, "2005:Damaged drawing: object " + FormatHandle(victim->Handle()) + ": object CRC mismatch");
    }
}

}  // namespace
}  // namespace kel::dwg
