// R2007, R2010, R2013 and R2018 drawings of the corpus: new values stored in
// each version's form (UTF-16 string stream, multi-line MTEXT) and an
// attribute taken out of its insert's owned list.
#include <gtest/gtest.h>

#include "component/dwg/DwgDocument.h"
#include "component/dwg/DwgText.h"
#include "tests/component/dwg/DwgTestFiles.h"

namespace kel::dwg {
namespace {

// Encodes a changed object and decodes it again from its new bytes.
DecodedObject ReEncode(const DecodedObject& o, const DwgFile& file) {
    std::string bytes, why;
    EXPECT_TRUE(EncodeObject(o, file, bytes));
    DecodedObject back;
    EXPECT_TRUE(DecodeObject(bytes, 0, file, back, why)) << why;
    EXPECT_EQ(back.totalBytes, bytes.size());
    EXPECT_TRUE(back.dataExact);
    return back;
}

TEST(DwgPagedObjectsTest, NewValuesAreStoredInEachVersionsForm) {
    KEL_NEED_CORPUS();
    const std::string value = "Gr\xC3\xB6\xC3\x9F" "e \xE8\xA8\xAD\xE8\xA8\x88 \xF0\x9F\x98\x80 <&>";
    // One file of each version; the R2018 sample holds a multi-line attribute
    // without a single-line copy, the title block ones with one.
    std::size_t copies = 0;
    for (const char* name : {"dwg/AC1021_R2007/acadsharp__sample_AC1021.dwg", "dwg/AC1021_R2007/jjh-data__landscaping_6.dwg",
                             "dwg/AC1024_R2010/acadsharp__sample_AC1024.dwg", "dwg/AC1027_R2013/libredwg__example_2013.dwg",
                             "dwg/AC1032_R2018/acadsharp__sample_AC1032.dwg", "dwg/AC1032_R2018/autosan__exemplo.dwg",
                             "dwg/AC1032_R2018/cad-drawing__Title Block.dwg"}) {
        SCOPED_TRACE(name);
        auto doc = test::Open(test::ReadCorpus(name));
        ASSERT_TRUE(doc);
        const DwgFile& f = doc->File();
        std::size_t changed = 0;
        for (const DecodedObject& o : doc->Model().Objects()) {
            if (o.common.type != type::kAttrib || !o.known) continue;
            DecodedObject edit = o;
            auto& a = DataOf<AttribData>(edit.data);
            const std::string before = a.Value();
            const std::string wanted = a.MultiLine() ? "first line\nsecond {line}" : value;
            ASSERT_EQ(SetStoredValue(a, wanted, f.version, f.codePage), "1000:Ok");
            const DecodedObject back = ReEncode(edit, f);
            const auto& b = DataOf<AttribData>(back.data);
            EXPECT_EQ(DecodeWideText(b.Value()), a.MultiLine() ? "first line\\Psecond \\{line\\}" : value);
            // The terminating NUL the value had stays; nothing else changes.
            const auto terminated = [](const std::string& t) { return !t.empty() && t.back() == '\0'; };
            EXPECT_EQ(terminated(b.Value()), terminated(before));
            EXPECT_EQ(std::tie(back.common.handle.value, b.tag, b.flags, b.text.height, b.attribType),
                      std::tie(o.common.handle.value, DataOf<AttribData>(o.data).tag,
                               DataOf<AttribData>(o.data).flags, DataOf<AttribData>(o.data).text.height,
                               DataOf<AttribData>(o.data).attribType));
            // A multi-line attribute's single-line copy follows when it holds text.
            const std::string copyBefore = DataOf<AttribData>(o.data).text.value;
            if (a.MultiLine() && copyBefore.find_first_not_of(std::string(" \0", 2)) != std::string::npos) {
                EXPECT_EQ(DecodeWideText(b.text.value), wanted);
                ++copies;
            } else if (a.MultiLine()) {
                EXPECT_EQ(b.text.value, copyBefore);
            }
            if (!a.MultiLine()) {
                EXPECT_NE(SetStoredValue(a, std::string("nul\0inside", 10), f.version, f.codePage), "1000:Ok");
                EXPECT_NE(SetStoredValue(a, std::string(0x7FFF, 'x'), f.version, f.codePage), "1000:Ok");
            }
            ++changed;
        }
        EXPECT_GT(changed, 1u);
    }
    EXPECT_GT(copies, 0u);
}

TEST(DwgPagedObjectsTest, AnAttributeLeavesTheListItsInsertOwns) {
    KEL_NEED_CORPUS();
    for (const char* name : {"dwg/AC1021_R2007/acadsharp__sample_AC1021.dwg", "dwg/AC1024_R2010/acadsharp__sample_AC1024.dwg",
                             "dwg/AC1032_R2018/drawingsync__forklift.dwg"}) {
        SCOPED_TRACE(name);
        auto doc = test::Open(test::ReadCorpus(name));
        ASSERT_TRUE(doc);
        const DwgFile& f = doc->File();
        std::size_t inserts = 0;
        for (const DecodedObject& o : doc->Model().Objects()) {
            const auto* d = DataIf<InsertData>(o.data);
            if (!d || d->ownedAttribs.size() < 2) continue;
            ++inserts;
            DecodedObject edit = o;
            auto& list = DataOf<InsertData>(edit.data).ownedAttribs;
            list.erase(list.begin());
            ASSERT_EQ(edit.Ref(list.front()), o.Ref(d->ownedAttribs[1]));
            DecodedObject back = ReEncode(edit, f);
            const auto& left = DataOf<InsertData>(back.data).ownedAttribs;
            ASSERT_EQ(left.size(), d->ownedAttribs.size() - 1);
            for (std::size_t i = 0; i < left.size(); ++i) EXPECT_EQ(back.Ref(left[i]), o.Ref(d->ownedAttribs[i + 1]));
            // Without any left the insert stores neither count, list nor SEQEND.
            list.clear();
            auto& none = DataOf<InsertData>(edit.data);
            EXPECT_TRUE(none.ownedAttribs.empty());
            none.hasAttribs = false;
            none.seqend = HandleRef{};
            back = ReEncode(edit, f);
            EXPECT_FALSE(DataOf<InsertData>(back.data).hasAttribs);
            EXPECT_EQ(back.Ref(DataOf<InsertData>(back.data).blockHeader), o.Ref(d->blockHeader));
        }
        EXPECT_GT(inserts, 0u);
    }
}

}  // namespace
}  // namespace kel::dwg
