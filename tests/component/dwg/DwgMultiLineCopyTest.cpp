// A multi-line attribute keeps a copy of its text in an ACAD_MLATT record of
// its extension dictionary, which newer CAD programs show. A new value
// reaches both; the copy's formatting around the changed text stays.
#include <gtest/gtest.h>

#include <map>

#include "component/dwg/DwgDocument.h"
#include "component/dwg/DwgXrecordText.h"
#include "component/dxf/DxfText.h"
#include "tests/component/dwg/DwgTestFiles.h"

namespace kel::dwg {
namespace {

using test::Open;

// The drawing with every object decoded (an open leaves xrecords at their prefix).
DwgModel Full(const DwgDocument& doc, const std::string& bytes) {
    DwgModel m = doc.Model();
    std::string status;
    EXPECT_TRUE(m.DecodeRest(bytes, doc.File(), status)) << status;
    return m;
}

// The attributes with a readable multi-line copy, and the copy's text (MTEXT, UTF-8).
std::map<std::uint64_t, std::string> Copies(const DwgDocument& doc, const std::string& bytes) {
    std::map<std::uint64_t, std::string> out;
    const DwgModel m = Full(doc, bytes);
    for (const DecodedObject& a : m.Objects()) {
        if (a.common.type != type::kAttrib) continue;
        const DecodedObject* dict = m.Find(a.Ref(a.common.xdic));
        const auto* entries = dict && !a.common.xdicMissing ? DataIf<DictionaryData>(dict->data) : nullptr;
        for (std::size_t i = 0; entries && i < entries->names.size(); ++i) {
            if (CutAtNul(entries->names[i]) != "ACAD_MLATT") continue;
            const DecodedObject* record = m.Find(dict->Ref(entries->items[i]));
            const auto* x = record ? DataIf<XrecordData>(record->data) : nullptr;
            std::vector<XrecordPair> pairs;
            EXPECT_TRUE(x && ParseXrecordPairs(x->data, doc.File().version, pairs)) << std::hex << a.Handle();
            const EmbeddedText t = FindEmbeddedText(pairs);
            std::string text;
            for (std::size_t k = t.first; k < t.last; ++k) text += pairs[k].text;
            out[a.Handle()] = HasStringStream(doc.File().version) ? text : DecodeText(text, doc.File().codePage);
        }
    }
    return out;
}

TEST(DwgMultiLineCopyTest, ANewValueReachesTheCopyInEveryVersion) {
    KEL_NEED_CORPUS();
    const char* files[] = {"dwg/AC1018_R2004/acadsharp__sample_AC1018.dwg",
                           "dwg/AC1024_R2010/acadsharp__sample_AC1024.dwg",
                           "dwg/AC1021_R2007/acadsharp__sample_AC1021.dwg",
                           "dwg/AC1027_R2013/acadsharp__sample_AC1027.dwg"};
    const std::string value = "Rev B \xC3\xA9tage\nsecond line";
    for (const char* name : files) {
        SCOPED_TRACE(name);
        const std::string bytes = test::ReadCorpus(name);
        auto doc = Open(bytes);
        ASSERT_TRUE(doc);
        const auto before = Copies(*doc, bytes);
        ASSERT_FALSE(before.empty());
        for (const auto& [handle, text] : before) {
            EXPECT_EQ(doc->SetAttributeValue(FormatHandle(handle), value), "1000:Ok");
        }
        std::string saved, status;
        ASSERT_TRUE(doc->Serialize(saved, status)) << status;
        auto back = Open(saved);
        ASSERT_TRUE(back);
        const auto after = Copies(*back, saved);
        ASSERT_EQ(after.size(), before.size());
        for (const auto& [handle, text] : after) EXPECT_EQ(dxf::MTextToPlain(text), value) << std::hex << handle;
    }
}

TEST(DwgMultiLineCopyTest, AReplacementKeepsTheCopysFormattingElsewhere) {
    // The copy is rewritten only where its plain text changes; codes and a
    // text long enough for several groups 3 come back whole.
    const std::string formatted = "{\\fArial|b1;Sheet} 1\\P" + std::string(800, 'x');
    for (Version v : {Version::R2004, Version::R2018}) {
        SCOPED_TRACE(static_cast<int>(v));
        const std::string data = EncodeTextPairs("Embedded Object", v, 0x1E) + EncodeTextPairs(formatted, v, 0x1E);
        std::vector<XrecordPair> pairs;
        ASSERT_TRUE(ParseXrecordPairs(data, v, pairs));
        const EmbeddedText t = FindEmbeddedText(pairs);
        ASSERT_TRUE(t.Found());
        EXPECT_EQ(t.last - t.first, 4u);  // three groups 3 and the closing group 1
        std::string text;
        for (std::size_t k = t.first; k < t.last; ++k) text += pairs[k].text;
        EXPECT_EQ(text, formatted);
        const std::string edited = dxf::EditMText(text, "Sheet 2\n" + std::string(800, 'x'));
        EXPECT_EQ(edited, "{\\fArial|b1;Sheet} 2\\P" + std::string(800, 'x'));
    }
}

TEST(DwgMultiLineCopyTest, DataThatDoesNotSplitIsRefused) {
    const struct {
        const char* name;
        std::string data;
    } cases[] = {
        {"unknown group code", std::string("\xF4\x01\x00\x00", 4)},
        {"text longer than the data", std::string("\x01\x00\x09\x00\x1E" "abc", 8)},
        {"point cut short", std::string("\x0A\x00", 2) + std::string(10, '\0')},
        {"odd trailing byte", std::string("\x46\x00\x01\x00\x07", 5)},
    };
    for (const auto& c : cases) {
        std::vector<XrecordPair> pairs;
        EXPECT_FALSE(ParseXrecordPairs(c.data, Version::R2004, pairs)) << c.name;
    }
}

}  // namespace
}  // namespace kel::dwg
