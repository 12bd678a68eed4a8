// Writing R13-R2004 drawings: unchanged saves, re-laid files, deleted
// attributes read back with every CRC checked, and edits refused with a status
// where they cannot be made. (New values: DwgPagedEditTest.)
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "component/dwg/DwgDocument.h"
#include "tests/component/dwg/DwgTestFiles.h"

namespace kel::dwg {
namespace {

using test::ReadCorpus;
using test::SupportedCorpusFiles;

using test::Attr;
using test::Attributes;
using test::Open;

// Saves into a temporary folder and reads the file back.
std::unique_ptr<DwgDocument> SaveAndReopen(DwgDocument& doc, const kel::test::TempDir& dir, std::string& saved) {
    std::string path = dir.File("out.dwg");
    EXPECT_EQ(doc.Save(path, -1), "1000:Ok");
    saved = kel::test::ReadFile(path);
    return Open(saved);
}

TEST(DwgWriteTest, SavingOrReLayingWithoutChangesKeepsEveryByte) {
    KEL_NEED_CORPUS();
    // Re-laid, the map, locators, second header and CRCs are all written anew;
    // files whose object map was cut into sections the way this writer cuts
    // them come out byte for byte (the R13 file's writer cut the map a byte later).
    kel::test::TempDir dir;
    for (const std::string& name : SupportedCorpusFiles()) {
        SCOPED_TRACE(name);
        const std::string original = ReadCorpus(name);
        auto doc = Open(original);
        ASSERT_TRUE(doc);
        std::string saved, why;
        SaveAndReopen(*doc, dir, saved);
        EXPECT_TRUE(saved == original);
        if (doc->File().version == Version::R2004 || name.find("r13") != std::string::npos) continue;
        ASSERT_TRUE(RelayFile(original, doc->File(), DwgEdits{}, saved, why)) << why;
        EXPECT_TRUE(saved == original);
    }
}

// Insert 79C holds 79D, 79F and 7A0; insert 704 holds 705 alone. R2000 chains
// them through their common fields, R2004 lists them in the insert.
TEST(DwgWriteTest, DeletingAttributesMendsTheirNeighboursAndTheInsert) {
    KEL_NEED_CORPUS();
    kel::test::TempDir dir;
    for (const char* name : {"dwg/AC1015_R2000/acadsharp__sample_AC1015.dwg", "dwg/AC1018_R2004/acadsharp__sample_AC1018.dwg"}) {
        SCOPED_TRACE(name);
        auto doc = Open(ReadCorpus(name));
        ASSERT_TRUE(doc);
        const DecodedObject* lone = doc->Model().Find(0x704);
        ASSERT_TRUE(lone);
        const std::uint64_t seqend = lone->Ref(DataOf<InsertData>(lone->data).seqend);
        ASSERT_NE(seqend, 0u);
        const std::size_t objects = doc->File().objectMap.size();
        EXPECT_EQ(doc->DeleteEntity("79f"), "1000:Ok");  // the middle one; case ignored
        EXPECT_EQ(doc->DeleteEntity("705"), "1000:Ok");  // the only one
        EXPECT_EQ(doc->DeleteEntity("705"), "3001:Handle 705 not found");
        std::string saved;
        auto back = SaveAndReopen(*doc, dir, saved);
        ASSERT_TRUE(back);
        EXPECT_EQ(back->Model().AttribsOf(0x79C), (std::vector<std::uint64_t>{0x79D, 0x7A0}));
        // Without attributes the insert is no longer held decoded.
        DwgModel full = back->Model();
        std::string status;
        ASSERT_TRUE(full.DecodeRest(saved, back->File(), status)) << status;
        const auto& emptied = DataOf<InsertData>(full.Find(0x704)->data);
        EXPECT_FALSE(emptied.hasAttribs);
        EXPECT_TRUE(emptied.ownedAttribs.empty());
        EXPECT_EQ(back->Model().Find(seqend), nullptr) << "the lone attribute's SEQEND went with it";
        EXPECT_EQ(back->Model().Find(0x705), nullptr);

        EXPECT_EQ(doc->DeleteEntity("7A0"), "1000:Ok");  // then the last one
        back = SaveAndReopen(*doc, dir, saved);
        ASSERT_TRUE(back);
        const std::vector<Attr> after = Attributes(*back);
        ASSERT_EQ(after.size(), 1u);
        EXPECT_EQ(after[0].handle + "=" + after[0].value, "79D=my multi line text for the attrrib");
        EXPECT_TRUE(DataOf<InsertData>(back->Model().Find(0x79C)->data).hasAttribs);
        EXPECT_EQ(back->Model().AttribsOf(0x79C), std::vector<std::uint64_t>{0x79D});
        const DecodedObject* remaining = back->Model().Find(0x79D);
        EXPECT_EQ(remaining->Ref(remaining->common.next), 0u);
        EXPECT_EQ(back->File().objectMap.size(), objects - 4);
    }
}

// References (owner, reactors, extension dictionary) of the model's objects
// that name one of the handles.
std::size_t ReferencesTo(const DwgModel& model, const std::set<std::uint64_t>& handles) {
    std::size_t n = 0;
    for (const DecodedObject& o : model.Objects()) {
        if (!model.Find(o.Handle())) continue;
        std::vector<HandleRef> refs = o.common.reactors;
        refs.push_back(o.common.xdic);
        if (!o.common.isEntity || o.common.entMode == 0) refs.push_back(o.common.owner);
        for (const HandleRef& r : refs) n += handles.count(o.Ref(r));
    }
    return n;
}

TEST(DwgWriteTest, DeletingEveryAttributeOfEveryDrawing) {
    KEL_NEED_CORPUS();
    kel::test::TempDir dir;
    int withOwnedObjects = 0;
    for (const std::string& name : SupportedCorpusFiles()) {
        std::string original = ReadCorpus(name);
        auto doc = Open(original);
        ASSERT_TRUE(doc);
        std::vector<Attr> before = Attributes(*doc);
        if (before.empty()) continue;
        SCOPED_TRACE(name);
        const std::size_t objects = doc->File().objectMap.size();
        std::set<std::uint64_t> present;
        for (const auto& entry : doc->File().objectMap) present.insert(entry.handle);
        for (const Attr& a : before) {
            const DecodedObject* o = doc->Model().Find(std::stoull(a.handle, nullptr, 16));
            withOwnedObjects += o && o->Ref(o->common.xdic) != 0;
            EXPECT_EQ(doc->DeleteEntity(a.handle), "1000:Ok") << a.handle;
        }
        std::string saved;
        auto back = SaveAndReopen(*doc, dir, saved);
        ASSERT_TRUE(back);
        EXPECT_TRUE(Attributes(*back).empty());
        // Whatever went, nothing left refers to it.
        std::set<std::uint64_t> gone = present;
        for (const auto& entry : back->File().objectMap) gone.erase(entry.handle);
        EXPECT_EQ(gone.size(), objects - back->File().objectMap.size());
        EXPECT_GE(gone.size(), before.size());
        // Every object's references: the reader leaves some objects at their prefix.
        DwgModel full = back->Model();
        std::string status;
        ASSERT_TRUE(full.DecodeRest(saved, back->File(), status)) << status;
        EXPECT_EQ(ReferencesTo(full, gone), 0u);
    }
    EXPECT_GT(withOwnedObjects, 0) << "no attribute with an extension dictionary was deleted";
}

TEST(DwgWriteTest, EditsThatCannotBeMadeAreRefusedAndChangeNothing) {
    KEL_NEED_CORPUS();
    kel::test::TempDir dir;
    const std::string original = ReadCorpus("dwg/AC1015_R2000/libredwg__entities-2d.dwg");
    auto doc = Open(original);
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->SetAttributeValue("FFFF", "v"), "3001:Handle FFFF not found");
    EXPECT_EQ(doc->SetAttributeValue("zz", "v"), "3001:Handle zz not found");
    EXPECT_EQ(doc->SetAttributeValue("41", "v"), "3003:Handle 41 is not an attribute");
    // Values the rule refuses in every drawing: ValueRuleTest.
    EXPECT_EQ(doc->SetAttributeValue(" 42 ", "4"), "1000:Ok");  // blanks around the handle are ignored
    EXPECT_EQ(doc->SetAttributeValue("42", std::string(2050, 'y')),
              "3004:Value cannot be stored: longer than 2049 bytes in this drawing");
    EXPECT_EQ(doc->SetAttributeValue("42", std::string(2049, 'y')), "1000:Ok");
    EXPECT_EQ(doc->SetAttributeValue("42", "4"), "1000:Ok");  // and back
    EXPECT_EQ(doc->DeleteEntity("41"), "3002:Deleting a INSERT is not supported");
    EXPECT_EQ(doc->Save(dir.File("a.dwg"), 1018), "4001:Saving as version 1018 is not supported");
    EXPECT_EQ(doc->Save(dir.File("missing/a.dwg"), 1015).substr(0, 5), "4002:");
    EXPECT_EQ(Attributes(*doc)[0].value, "4");
    std::string saved;
    SaveAndReopen(*doc, dir, saved);
    EXPECT_TRUE(saved == original);

    // R14 values hold 255 bytes, counted after encoding: an escaped Ω takes 7.
    auto r14 = Open(ReadCorpus("dwg/AC1014_R14/libredwg__example_r14.dwg"));
    ASSERT_TRUE(r14);
    const std::string handle = Attributes(*r14).at(0).handle;
    EXPECT_EQ(r14->SetAttributeValue(handle, std::string(249, 'x') + "Ω"),
              "3004:Value cannot be stored: longer than 255 bytes in this drawing");
    EXPECT_EQ(r14->SetAttributeValue(handle, std::string(248, 'x') + "Ω"), "1000:Ok");
}

}  // namespace
}  // namespace kel::dwg
