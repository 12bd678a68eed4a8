// A DXF drawing opened from a file does not keep the file's bytes: saving
// reads the file again and splices the edits in. The result must be the
// bytes a document that kept them writes; a file changed behind the
// document's back is never spliced into, and a document saved over its own
// file goes on from the file as it then is.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "component/DrawingComponent.h"
#include "component/DrawingFormat.h"
#include "component/DrawingHandle.h"
#include "component/dxf/DxfDocument.h"
#include "component/dxf/DxfSplice.h"
#include "support/SameBytes.h"
#include "support/TempDir.h"

namespace kel::test {
namespace {

// Inserts of three attributes each (handles from 0x100 up: insert, its three
// attributes, its SEQEND). From 20,000 inserts on the drawing is too large to
// be read whole (a smaller one is kept as read) and spans several of the
// stretches a save reads.
std::string Drawing(int inserts) {
    std::string d = "  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1015\n  0\nENDSEC\n"
                    "  0\nSECTION\n  2\nENTITIES\n";
    std::uint64_t h = 0x100;
    for (int i = 0; i < inserts; ++i) {
        d += "  0\nINSERT\n  5\n" + FormatHandle(h++) + "\n  8\nTITLE\n 66\n     1\n  2\nFRAME\n 10\n" +
             std::to_string(i) + ".0\n 20\n0.0\n 30\n0.0\n";
        for (const char* tag : {"DWGNO", "REV", "TITLE"}) {
            d += "  0\nATTRIB\n  5\n" + FormatHandle(h++) + "\n  8\nTITLE\n 10\n0.0\n 20\n0.0\n 30\n0.0\n 40\n2.5\n"
                 "  1\n" + std::string(tag) + "-" + std::to_string(i) + " as it was read\n  2\n" + tag + "\n 70\n0\n";
        }
        d += "  0\nSEQEND\n  5\n" + FormatHandle(h++) + "\n  8\nTITLE\n";
    }
    d += "  0\nENDSEC\n  0\nEOF\n";
    EXPECT_TRUE(inserts < 20000 || d.size() > kReadWholeUpTo);
    return d;
}

// The handle of attribute k (0 to 2) of insert i.
std::string Attrib(int i, int k) { return FormatHandle(0x100 + 5 * static_cast<std::uint64_t>(i) + 1 + k); }

std::string OpenIn(DrawingComponent& c, const std::string& path) {
    std::int32_t h = 0;
    return c.OpenFile(h, path, "") > 0 ? std::string(kStatusOk) : c.Status();
}

// However the file's bytes are cut into stretches, the spliced bytes are the
// same: replacements and removals that reach over a cut, an insertion, and
// edits at both ends.
TEST(DxfResave, SplicesTheSameForAnyCutOfTheFile) {
    const std::string file = "0123456789abcdefghij";
    dxf::DxfEdits edits;
    edits[0] = {2, "X"};
    edits[5] = {5, "ins"};
    edits[7] = {12, ""};
    edits[13] = {19, "long replacement"};
    edits[20] = {20, "tail"};
    const std::string expected = "X234ins56clong replacementjtail";
    for (std::size_t cut = 1; cut <= file.size() + 1; ++cut) {
        dxf::DxfSplicer splicer(edits);
        std::vector<std::string_view> pieces;
        for (std::size_t at = 0; at < file.size(); at += cut) {
            splicer.Add(std::string_view(file).substr(at, cut), pieces);
        }
        splicer.Finish(pieces);
        std::string out;
        for (const std::string_view piece : pieces) out += piece;
        EXPECT_EQ(out, expected) << "stretches of " << cut;
    }
}

// Values set in any order, some more than once, read back as last set.
TEST(DxfResave, ValuesReadBackAsLastSet) {
    std::string st;
    auto doc = dxf::DxfDocument::Open(Drawing(40), st);
    ASSERT_TRUE(doc) << st;
    for (int i = 39; i >= 0; i -= 3) ASSERT_EQ(doc->SetAttributeValue(Attrib(i, 0), "first " + std::to_string(i)), kStatusOk);
    for (int i = 0; i < 40; i += 6) ASSERT_EQ(doc->SetAttributeValue(Attrib(i, 0), "again " + std::to_string(i)), kStatusOk);
    std::string seen;
    AttributeRows rows;
    ASSERT_TRUE(doc->ListAttributes(rows));
    for (const AttributeRow& r : rows.rows) {
        if (r.tag == "DWGNO" && r.value.find(" as it was read") == std::string_view::npos) {
            seen += std::string(r.value) + ";";
        }
    }
    std::string expected;
    for (int i = 0; i < 40; ++i) {
        if (i % 6 == 0) {
            expected += "again " + std::to_string(i) + ";";
        } else if ((39 - i) % 3 == 0) {
            expected += "first " + std::to_string(i) + ";";
        }
    }
    EXPECT_EQ(seen, expected);
}

TEST(DxfResave, WritesWhatADocumentKeepingTheBytesWrites) {
    TempDir dir;
    const std::string original = Drawing(22000);  // about 10 MB: the edits fall on both sides of stretch ends
    ASSERT_GT(original.size(), kReadWholeUpTo);
    const std::string path = dir.Write("big.dxf", original);
    DrawingComponent c;
    ASSERT_EQ(OpenIn(c, path), kStatusOk);
    std::string st;
    auto kept = dxf::DxfDocument::Open(original, st);
    ASSERT_TRUE(kept) << st;
    for (int i = 0; i < 22000; i += 7) {
        const std::string value = "changed " + std::to_string(i);
        c.SetAttributeValue(value, Attrib(i, 1));
        ASSERT_EQ(c.Status(), kStatusOk);
        EXPECT_EQ(kept->SetAttributeValue(Attrib(i, 1), value), kStatusOk);
    }
    for (int i = 3; i < 22000; i += 11) {
        for (int k = 0; k < (i % 2 ? 3 : 1); ++k) {  // every attribute of some inserts: their SEQEND goes too
            c.DeleteEntity(Attrib(i, k));
            ASSERT_EQ(c.Status(), kStatusOk);
            EXPECT_EQ(kept->DeleteEntity(Attrib(i, k)), kStatusOk);
        }
    }
    c.SaveFile(path, -1);
    ASSERT_EQ(c.Status(), kStatusOk);
    EXPECT_TRUE(SameBytes(ReadFile(path), kept->Serialize()));
}

TEST(DxfResave, NeverSplicesIntoAFileThatChangedSinceItWasRead) {
    TempDir dir;
    const std::string original = Drawing(20000);
    const std::string path = dir.Write("a.dxf", original);
    DrawingComponent c;
    ASSERT_EQ(OpenIn(c, path), kStatusOk);
    c.SetAttributeValue("new", Attrib(5, 0));
    ASSERT_EQ(c.Status(), kStatusOk);
    std::string st;
    const auto doc = OpenDrawingFile(path, st);
    auto* const read = dynamic_cast<dxf::DxfDocument*>(doc.get());
    ASSERT_NE(read, nullptr) << st;
    EXPECT_TRUE(SameBytes(read->Serialize(), original));
    // Another program changes one byte far from the edit, keeping the size.
    std::string other = original;
    other[original.size() - 40] = other[original.size() - 40] == 'A' ? 'B' : 'A';
    dir.Write("a.dxf", other);
    EXPECT_EQ(read->Serialize(), "");
    for (const std::string& target : {path, dir.File("copy.dxf")}) {
        c.SaveFile(target, -1);
        EXPECT_EQ(c.Status(), "4002:Cannot write " + target + ": the drawing's file changed since it was read");
    }
    EXPECT_TRUE(SameBytes(ReadFile(path), other));
    EXPECT_FALSE(std::filesystem::exists(dir.File("copy.dxf")));
    // Gone altogether.
    std::filesystem::remove(path);
    c.SaveFile(dir.File("copy.dxf"), -1);
    EXPECT_EQ(c.Status().substr(0, 5), "4002:");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 0);
}

TEST(DxfResave, GoesOnFromWhatItSavedOverItsOwnFile) {
    TempDir dir;
    const std::string path = dir.Write("a.dxf", Drawing(20000));
    DrawingComponent c;
    ASSERT_EQ(OpenIn(c, path), kStatusOk);
    c.SetAttributeValue("first", Attrib(10, 0));
    c.SaveFile(dir.File("as.dxf"), -1);  // elsewhere: the source stays as it was
    ASSERT_EQ(c.Status(), kStatusOk);
    c.SaveFile(path, -1);
    ASSERT_EQ(c.Status(), kStatusOk);
    const std::string once = ReadFile(path);
    EXPECT_TRUE(SameBytes(once, ReadFile(dir.File("as.dxf"))));
    c.SaveFile(path, -1);  // nothing changed since
    ASSERT_EQ(c.Status(), kStatusOk);
    EXPECT_TRUE(SameBytes(ReadFile(path), once));
    c.SetAttributeValue("second", Attrib(1500, 2));
    ASSERT_EQ(c.Status(), kStatusOk);
    c.DeleteEntity(Attrib(10, 1));
    ASSERT_EQ(c.Status(), kStatusOk);
    c.SaveFile(path, -1);
    ASSERT_EQ(c.Status(), kStatusOk);

    DrawingComponent again;
    ASSERT_EQ(OpenIn(again, path), kStatusOk);
    DrawingInfo info;
    ASSERT_TRUE(again.DescribeDrawing(info));
    std::string values;
    for (const auto& block : info.blocks) {
        for (const auto& insert : block.inserts) {
            for (const auto& a : insert.attributes) {
                if (a.handle == Attrib(10, 0) || a.handle == Attrib(10, 1) || a.handle == Attrib(1500, 2)) {
                    values += a.handle + "=" + a.value + ";";
                }
            }
        }
    }
    EXPECT_EQ(values, Attrib(10, 0) + "=first;" + Attrib(1500, 2) + "=second;");

    // Saved, then changed by another program: the next change goes on from
    // the file as that program left it.
    std::string other = ReadFile(path);
    const std::size_t at = other.find("DWGNO-30 as it was read");
    ASSERT_NE(at, std::string::npos);
    other.replace(at, 8, "ELSEWHERE");
    dir.Write("a.dxf", other);
    c.SetAttributeValue("third", Attrib(20, 0));
    ASSERT_EQ(c.Status(), kStatusOk);
    c.SaveFile(path, -1);
    ASSERT_EQ(c.Status(), kStatusOk);
    const std::string last = ReadFile(path);
    EXPECT_NE(last.find("\nELSEWHERE as it was read\n"), std::string::npos);
    EXPECT_NE(last.find("\nthird\n"), std::string::npos);
    EXPECT_NE(last.find("\nsecond\n"), std::string::npos);
}

}  // namespace
}  // namespace kel::test
