// One rule for new attribute values in DXF and DWG drawings alike: the same
// values are taken or refused with the same status, and read back the same.
#include <gtest/gtest.h>

#include <vector>

#include "DxfTestSupport.h"
#include "component/DrawingComponent.h"
#include "support/Corpus.h"
#include "support/TempDir.h"

namespace kel::test {
namespace {

struct ValueCase {
    const char* what;
    std::string value;
    std::string status;  // kStatusOk: stored and read back unchanged
};

const std::vector<ValueCase>& Cases() {
    static const std::vector<ValueCase> cases = {
        {"plain", "Plain value", kStatusOk},
        {"line break", "first\nsecond", kStatusOk},
        {"tab and other controls", "a\tb\x07" "c\x1F", kStatusOk},
        {"outside the code page", "Gr\xC3\xB6\xC3\x9F" "e \xE8\xA8\xAD \xF0\x9F\x98\x80", kStatusOk},
        {"caret and backslash", "^J is no break, \\P neither", kStatusOk},
        {"invalid UTF-8", "bad \xFF byte", "3004:Value cannot be stored: it is not UTF-8 text"},
        {"cut UTF-8", "cut \xC3", "3004:Value cannot be stored: it is not UTF-8 text"},
        {"NUL", std::string("a\0b", 3), "3004:Value cannot be stored: it holds the character U+0000"},
    };
    return cases;
}

// Sets the attribute to every case's value in turn on one open drawing, saving
// after each, and checks status and the value read back from the saved file.
void CheckRule(const std::string& drawing, const std::string& handle, const std::string& extension) {
    TempDir dir;
    const std::string saved = dir.File("saved" + extension);
    for (const ValueCase& c : Cases()) {
        SCOPED_TRACE(std::string(c.what) + " in " + drawing);
        DrawingComponent component;
        std::int32_t h = 0;
        ASSERT_GT(component.OpenFile(h, drawing, ""), 0) << component.Status();
        component.SetAttributeValue(c.value, handle);
        EXPECT_EQ(component.Status(), c.status);
        if (c.status != kStatusOk) continue;
        component.SaveFile(saved, -1);
        ASSERT_EQ(component.Status(), kStatusOk);
        EXPECT_EQ(ValueIn(AttributeLines(DescribeFile(saved)), handle), EscapeField(c.value));
    }
}

// The handle of the drawing's first attribute.
std::string FirstAttribute(const std::string& drawing) {
    for (const BlockInfo& b : DescribeFile(drawing).blocks) {
        for (const InsertInfo& ins : b.inserts) {
            if (!ins.attributes.empty()) return ins.attributes[0].handle;
        }
    }
    ADD_FAILURE() << drawing << " has no attribute";
    return {};
}

TEST(ValueRule, DxfAndDwgDrawingsTakeWhatTheRuleAllows) {
    KEL_NEED_CORPUS();
    std::vector<std::string> drawings;
    for (const char* name : {"title-r12.dxf", "title-r2000-bin.dxf", "title-r2018.dxf"}) {
        drawings.push_back(std::string(KEL_SOURCE_DIR) + "/examples/" + name);
    }
    for (const char* rel : {"dwg/AC1015_R2000/libredwg__entities-2d.dwg", "dwg/AC1014_R14/libredwg__example_r14.dwg",
                            "dwg/AC1012_R13/libredwg__example_r13.dwg"}) {
        drawings.push_back(CorpusPath(rel));
    }
    for (const std::string& drawing : drawings) {
        CheckRule(drawing, FirstAttribute(drawing), drawing.substr(drawing.size() - 4));
    }
}

}  // namespace
}  // namespace kel::test
