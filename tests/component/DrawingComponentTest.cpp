// The component's operations and statuses: opening what is not a DXF drawing,
// working without a drawing, editing errors, saving that fails, damaged files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <random>

#include "DxfTestSupport.h"
#include "component/DrawingComponent.h"
#include "component/DrawingHandle.h"
#include "support/Corpus.h"
#include "support/SameBytes.h"
#include "support/TempDir.h"

namespace kel::test {
namespace {

const std::string kSample = "dxf/ascii/AC1015_R2000/acadsharp__sample_AC1015_ascii.dxf";

std::string Open(DrawingComponent& c, const std::string& path) {
    std::int32_t h = -5;
    std::int32_t r = c.OpenFile(h, path, "");
    EXPECT_EQ(r, h);
    return r > 0 ? std::string(kStatusOk) : c.Status();
}

TEST(DrawingComponent, RefusesWhatIsNotAReadableDrawing) {
    TempDir dir;
    DrawingComponent c;
    EXPECT_EQ(Open(c, dir.File("missing.dxf")), "2001:File not found");
    EXPECT_EQ(Open(c, dir.Write("empty.dxf", "")), "2003:Not a drawing file");
    EXPECT_EQ(Open(c, dir.Write("text.dxf", "hello\nworld\n")), "2003:Not a drawing file");
    EXPECT_EQ(Open(c, dir.Write("zeros.dxf", std::string(100, '\0'))), "2003:Not a drawing file");
    EXPECT_EQ(Open(c, dir.Write("bad.dxf", "  0\nSECTION\n  2\nENTITIES\nxx\nLINE\n")).substr(0, 5), "2005:");
    EXPECT_EQ(Open(c, dir.Path()).substr(0, 5), "2002:");  // a folder
}

TEST(DrawingComponent, NamesTheDwgVersionsItDoesNotRead) {
    KEL_NEED_CORPUS();
    TempDir dir;
    DrawingComponent c;
    // DWG versions the reader does not handle are named; R13 to R2018 open.
    for (const auto& [rel, status] : std::vector<std::pair<const char*, std::string>>{
             {"dwg/legacy_pre_R13/libredwg__r11_entities-2d.dwg", "2004:Unsupported format AC1009"},
             {"dwg/AC1015_R2000/libredwg__entities-2d.dwg", kStatusOk},
             {"dwg/AC1018_R2004/libredwg__example_2004.dwg", kStatusOk},
             {"dwg/AC1021_R2007/libredwg__example_2007.dwg", kStatusOk},
             {"dwg/AC1032_R2018/acadsharp__empty.dwg", kStatusOk}}) {
        EXPECT_EQ(Open(c, CorpusPath(rel)), status) << rel;
    }
    const std::string head = ReadFile(CorpusPath("dwg/AC1015_R2000/libredwg__entities-2d.dwg")).substr(0, 0x200);
    EXPECT_EQ(Open(c, dir.Write("cut.dwg", head)).substr(0, 5), "2005:") << "a cut-off DWG is damaged";
}

TEST(DrawingComponent, OperationsNeedAnOpenDrawingAndReopeningDropsEdits) {
    KEL_NEED_CORPUS();
    TempDir dir;
    DrawingComponent c;
    auto everyOperationSaysNone = [&] {
        for (auto op : std::initializer_list<std::function<void()>>{
                 [&] { c.CloseFile(); }, [&] { c.WriteXML(dir.File("x.xml"), 1, 0, 0, 0, 0, 0, 0, 0); },
                 [&] { c.SaveFile(dir.File("s.dxf"), -1); }, [&] { c.SetAttributeValue("v", "705"); },
                 [&] { c.DeleteEntity("705"); }}) {
            op();
            EXPECT_EQ(c.Status(), "2010:No drawing is open");
        }
        EXPECT_FALSE(std::filesystem::exists(dir.File("x.xml")) || std::filesystem::exists(dir.File("s.dxf")));
    };
    everyOperationSaysNone();
    std::int32_t h1 = 0, h2 = 0;
    ASSERT_GT(c.OpenFile(h1, CorpusPath(kSample), ""), 0);
    c.SetAttributeValue("changed", "705");
    ASSERT_GT(c.OpenFile(h2, CorpusPath(kSample), ""), h1);
    c.SaveFile(dir.File("a.dxf"), -1);
    EXPECT_TRUE(SameBytes(ReadFile(dir.File("a.dxf")), ReadFile(CorpusPath(kSample)))) << "an edit survived reopening";
    std::filesystem::remove(dir.File("a.dxf"));
    EXPECT_NE(Open(c, dir.File("missing.dxf")), kStatusOk);
    everyOperationSaysNone();  // a failed open leaves nothing open
}

// Two inserts with one attribute each; the second's SEQEND is followed by an
// ATTRIB that belongs to no insert. Without the end-of-file marker when cut.
std::string StrayAttribDrawing(bool blnComplete) {
    std::string d =
        "  0\nSECTION\n  2\nENTITIES\n"
        "  0\nINSERT\n  5\nA1\n  8\n0\n 66\n1\n  2\nTB\n 10\n0\n 20\n0\n 30\n0\n"
        "  0\nATTRIB\n  5\nA2\n  8\n0\n 10\n0\n 20\n0\n 30\n0\n 40\n1\n  1\nX\n  2\nNO\n 70\n0\n"
        "  0\nSEQEND\n  5\nA3\n  8\n0\n"
        "  0\nINSERT\n  5\nB1\n  8\n0\n 66\n1\n  2\nTB\n 10\n0\n 20\n0\n 30\n0\n"
        "  0\nATTRIB\n  5\nB2\n  8\n0\n 10\n0\n 20\n0\n 30\n0\n 40\n1\n  1\nY\n  2\nNO\n 70\n0\n"
        "  0\nSEQEND\n  5\nB3\n  8\n0\n"
        "  0\nATTRIB\n  5\nC2\n  8\n0\n 10\n0\n 20\n0\n 30\n0\n 40\n1\n  1\nZ\n  2\nNO\n 70\n0\n"
        "  0\nENDSEC\n";
    return blnComplete ? d + "  0\nEOF\n" : d;
}

TEST(DrawingComponent, DamagedStructuresAreNeverWrittenBack) {
    TempDir dir;
    DrawingComponent c;
    // Dropping B's SEQEND would hand the stray ATTRIB to B on the next reading.
    ASSERT_EQ(Open(c, dir.Write("stray.dxf", StrayAttribDrawing(true))), kStatusOk);
    c.DeleteEntity("B2");
    EXPECT_EQ(c.Status().substr(0, 5), "3002:");
    c.DeleteEntity("A2");
    EXPECT_EQ(c.Status(), kStatusOk);
    c.SaveFile(dir.File("stray.dxf"), -1);
    ASSERT_EQ(c.Status(), kStatusOk);
    ASSERT_EQ(Open(c, dir.File("stray.dxf")), kStatusOk);
    c.SetAttributeValue("v", "B2");
    EXPECT_EQ(c.Status(), kStatusOk) << "B keeps its own attribute";
    c.SetAttributeValue("v", "A2");
    EXPECT_EQ(c.Status(), "3001:Handle A2 not found");

    // A drawing cut before its end-of-file marker is read but never saved.
    const std::string cut = StrayAttribDrawing(false);
    const std::string path = dir.Write("cut.dxf", cut);
    ASSERT_EQ(Open(c, path), kStatusOk);
    c.SetAttributeValue("v", "A2");
    c.SaveFile(path, -1);
    EXPECT_EQ(c.Status(), "2005:Damaged drawing: no end-of-file marker, not saved");
    EXPECT_TRUE(SameBytes(ReadFile(path), cut));
}

TEST(DrawingComponent, EditsNameTheirFaults) {
    KEL_NEED_CORPUS();
    DrawingComponent c;
    ASSERT_EQ(Open(c, CorpusPath(kSample)), kStatusOk);
    c.SetAttributeValue("v", "FFFFFF");
    EXPECT_EQ(c.Status(), "3001:Handle FFFFFF not found");
    c.SetAttributeValue("v", "zz");
    EXPECT_EQ(c.Status(), "3001:Handle zz not found");
    c.SetAttributeValue("v", "704");  // the INSERT that owns 705
    EXPECT_EQ(c.Status(), "3003:Handle 704 is not an attribute");
    c.SetAttributeValue(std::string(2050, 'x'), "705");  // longer than a line of this version takes
    EXPECT_EQ(c.Status(), "3004:Value cannot be stored: longer than 2049 bytes in this drawing");
    c.DeleteEntity("704");
    EXPECT_EQ(c.Status(), "3002:Deleting a INSERT is not supported");
    c.DeleteEntity("1f");  // the model space block record
    EXPECT_EQ(c.Status(), "3002:Deleting a BLOCK_RECORD is not supported");
    // Setting after deleting finds nothing; the last of two settings wins.
    c.SetAttributeValue("FirstValue", "79F");
    c.SetAttributeValue("SecondValue", "0079f");
    EXPECT_EQ(c.Status(), kStatusOk);
    c.DeleteEntity("705");
    c.SetAttributeValue("v", "705");
    EXPECT_EQ(c.Status(), "3001:Handle 705 not found");
    TempDir dir;
    c.SaveFile(dir.File("e.dxf"), 1015);
    ASSERT_EQ(c.Status(), kStatusOk);
    std::string saved = ReadFile(dir.File("e.dxf"));
    EXPECT_EQ(saved.find("FirstValue"), std::string::npos);
    EXPECT_NE(saved.find("\nSecondValue\n"), std::string::npos);
    // 704 lost its only attribute: no attributes-follow flag and no SEQEND after it.
    std::size_t insert = saved.find("\n  5\n704\n");
    std::size_t next = saved.find("\n  0\n", insert + 1);
    EXPECT_EQ(saved.substr(next, 10), "\n  0\nTEXT\n") << "SEQEND left behind";
    EXPECT_NE(saved.substr(insert, next - insert).find(" 66\n     0\n"), std::string::npos);
}

TEST(DrawingComponent, AHandleTakenTwiceStaysWithItsFirstHolder) {
    // Handles out of order, and an ATTRIB whose handle a LINE took before it;
    // once in a few ascending runs, once behind lines in descending order.
    auto group = [](int code, const std::string& value) { return std::to_string(code) + "\n" + value + "\n"; };
    for (const int lines : {0, 40}) {
        std::string dxf = group(0, "SECTION") + group(2, "ENTITIES");
        for (int i = 0; i < lines; ++i) dxf += group(0, "LINE") + group(5, ::kel::FormatHandle(0x200 - i)) + group(8, "0");
        dxf += group(0, "LINE") + group(5, "30") + group(8, "0") + group(0, "INSERT") + group(5, "20") +
               group(8, "0") + group(2, "B") + group(66, "1") + group(0, "ATTRIB") + group(5, "30") + group(8, "0") +
               group(2, "TAGA") + group(1, "one") + group(0, "ATTRIB") + group(5, "10") + group(8, "0") +
               group(2, "TAGB") + group(1, "two") + group(0, "SEQEND") + group(5, "40") + group(0, "ENDSEC") +
               group(0, "EOF");
        TempDir dir;
        DrawingComponent c;
        ASSERT_EQ(Open(c, dir.Write("d.dxf", dxf)), kStatusOk);
        DrawingInfo info;
        ASSERT_TRUE(c.DescribeDrawing(info));
        ASSERT_EQ(info.blocks.size(), 1u);
        ASSERT_EQ(info.blocks[0].inserts.size(), 1u);
        const InsertInfo& ins = info.blocks[0].inserts[0];
        EXPECT_EQ(ins.handle, "20");
        ASSERT_EQ(ins.attributes.size(), 2u);
        EXPECT_EQ(ins.attributes[0].tag, "TAGA");
        EXPECT_EQ(ins.attributes[0].handle, lines ? "201" : "41") << "a new id above every handle of the file";
        EXPECT_EQ(ins.attributes[1].handle, "10");
        c.DeleteEntity("30");
        EXPECT_EQ(c.Status(), "3002:Deleting a LINE is not supported");
        std::vector<std::string> notAttributes{"30", "40"};
        for (int i = 0; i < lines; ++i) notAttributes.push_back(::kel::FormatHandle(0x200 - i));
        for (const std::string& h : notAttributes) {
            c.SetAttributeValue("v", h);
            EXPECT_EQ(c.Status(), "3003:Handle " + h + " is not an attribute");
        }
        for (const auto& [value, handle] : {std::pair{"uno", ins.attributes[0].handle}, std::pair{"dos", std::string("10")}}) {
            c.SetAttributeValue(value, handle);
            EXPECT_EQ(c.Status(), kStatusOk) << handle;
        }
        c.SaveFile(dir.File("e.dxf"), -1);
        ASSERT_EQ(c.Status(), kStatusOk);
        std::string expected = dxf;
        expected.replace(expected.find("\none\n"), 5, "\nuno\n");
        expected.replace(expected.find("\ntwo\n"), 5, "\ndos\n");
        EXPECT_TRUE(SameBytes(ReadFile(dir.File("e.dxf")), expected));
    }
}

TEST(DrawingComponent, FailedSavesLeaveFilesAsTheyWere) {
    KEL_NEED_CORPUS();
    TempDir dir;
    std::string original = dir.Write("orig.dxf", ReadFile(CorpusPath(kSample)));
    DrawingComponent c;
    ASSERT_EQ(Open(c, original), kStatusOk);
    c.SetAttributeValue("NewValue", "705");
    c.SaveFile(original, 1018);
    EXPECT_EQ(c.Status(), "4001:Saving as version 1018 is not supported");
    c.SaveFile(dir.File("no/such/folder/x.dxf"), -1);
    EXPECT_EQ(c.Status().substr(0, 5), "4002:");
    std::filesystem::create_directory(dir.File("adir"));
    c.SaveFile(dir.File("adir"), -1);
    EXPECT_EQ(c.Status().substr(0, 5), "4002:");
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("adir")));
    EXPECT_TRUE(SameBytes(ReadFile(original), ReadFile(CorpusPath(kSample))));
    // A folder we may not write in (skipped where permissions do not bind, as for root).
    std::filesystem::create_directory(dir.File("ro"));
    std::string locked = dir.Write("ro/d.dxf", "old");
    std::filesystem::permissions(dir.File("ro"), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    if (!std::ofstream(dir.File("ro/probe"))) {
        c.SaveFile(locked, -1);
        EXPECT_EQ(c.Status().substr(0, 5), "4002:");
        EXPECT_EQ(ReadFile(locked), "old");
    }
    c.SaveFile(original, -1);  // and then the real save works
    EXPECT_EQ(c.Status(), kStatusOk);
    EXPECT_NE(ReadFile(original).find("\nNewValue\n"), std::string::npos);
}

TEST(DrawingComponent, WritesTheAttributesXml) {
    KEL_NEED_CORPUS();
    TempDir dir;
    DrawingComponent c;
    std::string path = CorpusPath(kSample);
    ASSERT_EQ(Open(c, path), kStatusOk);
    c.SetAttributeValue("a<b name=c", "705");
    std::string xml = dir.Write("out.xml", "old content");
    c.WriteXML(xml, 1, 0, 0, 0, 0, 0, 0, 0);
    ASSERT_EQ(c.Status(), kStatusOk);
    std::string text = ReadFile(xml);
    EXPECT_EQ(text.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<DrawingInformation>\r\n<databasefilename>", 0), 0u);
    EXPECT_NE(text.find("<databasefilename>" + path + "</databasefilename>"), std::string::npos);
    EXPECT_NE(text.find("<block name='*Model_Space'>\r\n<LayoutName name='Model'>\r\n"), std::string::npos);
    EXPECT_NE(text.find("<Attribute>\r\n<handle>705</handle>\r\n<elementid>1797</elementid>\r\n<tag>ATTINFO</tag>\r\n"
                        "<value>a&lt;b name&#61;c</value>\r\n</Attribute>\r\n"),
              std::string::npos);
    c.WriteXML(dir.File("none/out.xml"), 1, 0, 0, 0, 0, 0, 0, 0);
    EXPECT_EQ(c.Status().substr(0, 5), "4002:");
}

// Truncated and damaged files must give a status, never a crash.
TEST(DrawingComponent, DamagedFilesNeverCrashTheReader) {
    KEL_NEED_CORPUS();
    TempDir dir;
    std::mt19937 rng(12345);
    for (const char* rel : {"dxf/ascii/AC1032_R2018/ezdxf__text.dxf", "dxf/binary/ezdxf__bin_dxf_r12.dxf",
                            "dxf/binary/acadsharp__sample_AC1032_binary.dxf", "dxf/ascii/AC1009_R12/libredwg__r11_entities-2d.dxf"}) {
        std::string good = ReadFile(CorpusPath(rel));
        for (int round = 0; round < 40; ++round) {
            std::string bad = good.substr(0, rng() % good.size());
            if (round % 2) {
                bad = good;
                for (int k = 0; k < 20; ++k) bad[rng() % bad.size()] = static_cast<char>(rng());
            }
            DrawingComponent c;
            std::string status = Open(c, dir.Write("bad.dxf", bad));
            if (status == kStatusOk) {
                c.WriteXML(dir.File("bad.xml"), 1, 0, 0, 0, 0, 0, 0, 0);
                c.SaveFile(dir.File("bad2.dxf"), -1);
                // Unchanged, it is written as read, unless it was cut before its end.
                if (c.Status() == kStatusOk) {
                    EXPECT_TRUE(ReadFile(dir.File("bad2.dxf")) == bad);
                } else {
                    EXPECT_EQ(c.Status(), "2005:Damaged drawing: no end-of-file marker, not saved");
                }
                std::filesystem::remove(dir.File("bad2.dxf"));
            } else {
                EXPECT_TRUE(status.rfind("2003:", 0) == 0 || status.rfind("2005:", 0) == 0) << status;
            }
        }
    }
}

}  // namespace
}  // namespace kel::test
