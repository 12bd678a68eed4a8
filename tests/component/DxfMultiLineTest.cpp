// Multi-line attributes whose text the drawing keeps twice (the attribute, and
// the ACAD_MLATT record in its extension dictionary), and deleting attributes
// that own objects; every result checked with ezdxf.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "DxfTestSupport.h"
#include "component/DrawingComponent.h"
#include "component/dxf/DxfText.h"
#include "support/Corpus.h"
#include "support/Shell.h"
#include "support/TempDir.h"

namespace kel::test {
namespace {

struct Copy {
    std::string attrib, dictionary, record, text;
};

struct Reading {
    std::vector<Copy> copies;
    std::vector<std::string> present;  // of the handles asked about
    int dangling = -1, auditErrors = -1;
};

// What ezdxf_mlatt.py reports of the drawing.
Reading Read(const TempDir& dir, const std::string& drawing, const std::vector<std::string>& handles = {}) {
    std::string cmd = std::string(KEL_PYTHON) + " " + ShellQuote(KEL_SOURCE_DIR "/tests/component/ezdxf_mlatt.py") +
                      " " + ShellQuote(drawing);
    for (const std::string& h : handles) cmd += " " + h;
    const ShellResult r = RunShell(cmd, dir.Path());
    EXPECT_EQ(r.exitCode, 0) << drawing << "\n" << r.err;
    Reading out;
    std::istringstream in(r.out);
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> f;
        std::istringstream fields(line);
        for (std::string x; std::getline(fields, x, '\t');) f.push_back(x);
        if (f.size() >= 4 && f[0] == "M") out.copies.push_back({f[1], f[2], f[3], f.size() > 4 ? f[4] : ""});
        if (f.size() == 3 && f[0] == "H" && f[2] == "1") out.present.push_back(f[1]);
        if (f.size() == 2 && f[0] == "R") out.dangling = std::stoi(f[1]);
        if (f.size() == 2 && f[0] == "X") out.auditErrors = std::stoi(f[1]);
    }
    return out;
}

// The value of an attribute as we read it from a drawing.
std::string ValueOf(const std::string& drawing, const std::string& handle) {
    return ValueIn(AttributeLines(DescribeFile(drawing)), handle);
}

// Opens the drawing, applies the edit to every attribute with a copy, saves to out.
template <typename Edit>
void EditAndSave(const std::string& drawing, const std::vector<Copy>& copies, const std::string& out, Edit edit) {
    DrawingComponent c;
    std::int32_t h = 0;
    ASSERT_GT(c.OpenFile(h, drawing, ""), 0) << c.Status();
    for (const Copy& copy : copies) {
        edit(c, copy.attrib);
        EXPECT_EQ(c.Status(), kStatusOk) << copy.attrib;
    }
    c.SaveFile(out, -1);
    ASSERT_EQ(c.Status(), kStatusOk);
}

// A changed multi-line value rewrites only the part of the MTEXT string whose
// plain text changed.
TEST(DxfMultiLine, FormattingOutsideTheChangedPartStays) {
    struct Case {
        const char* mtext;
        std::string plain;
        const char* expected;
    } const cases[] = {
        {"{\\fArial|b1;Bold}\\Pnext line", "Bold\nnext LINE", "{\\fArial|b1;Bold}\\Pnext LINE"},
        {"{\\fArial|b1;Bold} rest", "Cold rest", "{\\fArial|b1;Cold} rest"},
        {"{\\C1;red}\\Pkeep", "red\nkeep", "{\\C1;red}\\Pkeep"},  // unchanged
        {"a\\Pb", "a\nbc", "a\\Pbc"},
        {"one\\Ptwo", "one\nand\ntwo", "one\\Pand\\Ptwo"},
        {"x \\S1^2; y", "x 1/3 y", "x 1/3 y"},  // a stacked fraction is rewritten whole
        {"\\LGr\xC3\xB6\xC3\x9F" "e\\l!", "Gr\xC3\xBC\xC3\x9F" "e!", "\\LGr\xC3\xBC\xC3\x9F" "e\\l!"},
        {"{\\H2;a\\\\b}", "a\\b {c}", "{\\H2;a\\\\b \\{c\\}}"},
        {"{\\H2;text}", "", "{\\H2;}"},
        {"", "new", "new"},
    };
    for (const Case& c : cases) {
        const std::string edited = dxf::EditMText(c.mtext, c.plain);
        EXPECT_EQ(edited, c.expected) << c.mtext;
        EXPECT_EQ(dxf::MTextToPlain(edited), c.plain) << c.mtext;
    }
}

// An R2018 attribute with an embedded MTEXT whose text is formatted: a change
// of one word leaves colour and paragraph break as they were; values with
// markup characters, or longer than one string of the embedded object, come
// back the same through both readers.
TEST(DxfMultiLine, AChangedWordKeepsTheFormattingAroundIt) {
    KEL_NEED_INDEPENDENT_READER();
    KEL_NEED_CORPUS();
    TempDir dir;
    std::string bytes = ReadCorpusFile("dxf/ascii/AC1032_R2018/acadsharp__sample_AC1032_ascii.dxf");
    const std::size_t attrib = bytes.find("\n79D\n");
    const std::size_t embedded = bytes.find("Embedded Object", attrib);
    const std::string plainText = "my multi line text for the attrrib";
    const std::size_t text = bytes.find(plainText, embedded);
    ASSERT_TRUE(attrib != std::string::npos && embedded != std::string::npos && text != std::string::npos);
    bytes.replace(text, plainText.size(), "{\\C1;my} multi\\Pline text");
    const std::string in = dir.Write("in.dxf", bytes), out = dir.File("out.dxf");
    EXPECT_EQ(ValueOf(in, "79D"), EscapeField("my multi\nline text"));

    for (const std::string& value : std::vector<std::string>{"my multi\nLINE text", "first\nsecond {x} \\ y \xE8\xA8\xAD\xE8\xA8\x88",
                                                             "Gr\xC3\xB6\xC3\x9F" "e" + std::string(600, 'x') + "\nend"}) {
        DrawingComponent c;
        std::int32_t h = 0;
        ASSERT_GT(c.OpenFile(h, in, ""), 0) << c.Status();
        c.SetAttributeValue(value, "79d");
        c.SaveFile(out, -1);
        ASSERT_EQ(c.Status(), kStatusOk);
        EXPECT_EQ(ValueOf(out, "79D"), EscapeField(value));
        EXPECT_EQ(ValueIn(LinesOf(EzdxfDump({out}), out, "A\t"), "79D"), EscapeField(value));
        if (value.find("LINE") != std::string::npos) {
            EXPECT_NE(ReadFile(out).find("\n{\\C1;my} multi\\PLINE text\n"), std::string::npos);
        }
    }
}

TEST(DxfMultiLine, TheSecondCopyFollowsEveryChangeAndGoesWithTheAttribute) {
    KEL_NEED_INDEPENDENT_READER();
    KEL_NEED_CORPUS();
    TempDir dir;
    int drawings = 0;
    for (const std::string& f : CorpusDxfFiles()) {
        if (ReadFile(f).find("ACAD_MLATT") == std::string::npos) continue;
        const Reading before = Read(dir, f);
        if (before.copies.empty()) continue;  // only attribute definitions keep copies there
        ++drawings;
        SCOPED_TRACE(f);
        ASSERT_EQ(before.dangling, 0);
        const std::string out = dir.File("out.dxf");
        // value set -> text of the copy (MTEXT: paragraph breaks, braces escaped)
        const std::pair<std::string, std::string> values[] = {
            {"first\nsecond {x}", "first\\Psecond \\{x\\}"}, {"", ""}};
        for (const auto& [value, text] : values) {
            EditAndSave(f, before.copies, out,
                        [&](DrawingComponent& c, const std::string& h) { c.SetAttributeValue(value, h); });
            const Reading after = Read(dir, out);
            ASSERT_EQ(after.copies.size(), before.copies.size());
            const std::vector<std::string> ours = AttributeLines(DescribeFile(out));
            for (const Copy& copy : after.copies) {
                EXPECT_EQ(copy.text, text) << copy.attrib;
                EXPECT_EQ(ValueIn(ours, copy.attrib), EscapeField(value)) << copy.attrib;
            }
            EXPECT_EQ(after.dangling, 0);
            EXPECT_EQ(after.auditErrors, 0);
        }
        // Deleting the attribute takes its dictionary and records along, and
        // nothing left refers to them.
        std::vector<std::string> owned;
        for (const Copy& copy : before.copies) owned.insert(owned.end(), {copy.attrib, copy.dictionary, copy.record});
        EditAndSave(f, before.copies, out, [](DrawingComponent& c, const std::string& h) { c.DeleteEntity(h); });
        const Reading after = Read(dir, out, owned);
        EXPECT_EQ(after.present, std::vector<std::string>{});
        EXPECT_EQ(after.dangling, 0);
        EXPECT_EQ(after.auditErrors, 0);
        EXPECT_TRUE(after.copies.empty());
    }
    EXPECT_GE(drawings, 5);
}

}  // namespace
}  // namespace kel::test
