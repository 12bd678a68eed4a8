// A run's model of a drawing decodes only the objects a run works with
// (from R2004 on): it must find damage as a model with every object decoded
// does. (What it shows: DwgFileTest.EveryCorpusFileOpensWithEveryObjectDecodedAndEncodedBack.)
#include <gtest/gtest.h>

#include "component/dwg/DwgDocument.h"
#include "tests/component/dwg/DwgTestFiles.h"

namespace kel::dwg {
namespace {

using test::ReadCorpus;

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
        Damage(damaged.objectSection, ObjectLocation{victim->Handle(), doc->Model().OffsetOf(victim->Handle())});
        DwgModel model;
        EXPECT_FALSE(model.Load(bytes, damaged, status));
        EXPECT_EQ(status, "2005:Damaged drawing: object " + FormatHandle(victim->Handle()) + ": object CRC mismatch");
    }
}

}  // namespace
}  // namespace kel::dwg
