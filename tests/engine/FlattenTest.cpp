// Flattening of a handwritten drawing information XML: every chapter, the
// drawing contexts, custom data, unclosed and missing chapters, and the
// normalizer's treatment of markup versus text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/TextLines.h"
#include "engine/cAutoCAD.h"
#include "support/TempDir.h"

namespace kel {
namespace {

using test::ReadFile;
using Lines = std::vector<std::string>;

// A drawing information XML with one small example of every chapter.
const Lines kDrawing = SplitLines(ReadFile(std::string(KEL_SOURCE_DIR) + "/tests/engine/data/drawing-info.xml"));

std::string Join(const Lines& lines, std::size_t from = 0, std::size_t count = std::string::npos) {
    std::string s;
    for (std::size_t i = from; i < lines.size() && i - from < count; ++i) s += (i > from ? "|" : "") + lines[i];
    return s;
}

Lines Part(const Lines& lines, std::size_t from, std::size_t to) { return Lines(lines.begin() + from, lines.begin() + to); }

class FlattenTest : public ::testing::Test {
protected:
    // Flattens a fresh copy of the source; returns the target's lines after its two header lines.
    Lines Flatten(const Lines& source, std::int32_t chapter, std::int32_t field = 0) {
        std::string text;
        for (const auto& l : source) text += l + "\r\n";
        result = engine.FlattenXMLfile(dir.Write("in.xml", text), dir.File("flat.xml"), chapter, field);
        fieldAfter = field;
        Lines lines = SplitLines(ReadFile(dir.File("flat.xml")));
        EXPECT_EQ(Join(lines, 0, 2), "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>|");
        return lines.size() < 2 ? Lines{} : Part(lines, 2, lines.size());
    }

    test::TempDir dir;
    cAutoCAD engine{nullptr, nullptr, dir.Path()};
    std::int16_t result = 0;
    std::int32_t fieldAfter = 0;
};

const std::string kInsertFields = "<Block>*Model_Space</Block>|<Layout>Model</Layout>|<name>TITLE</name>|"
    "<handle>1A</handle>|<elementid>26</elementid>|<layername>0</layername>|<x>1</x>|<y>2</y>|<z>0</z>|"
    "<numberattributes>2</numberattributes>|<numberconstantattributes>0</numberconstantattributes>|"
    "<rows>1</rows>|<columns>1</columns>|";

TEST_F(FlattenTest, AttributeChapterGivesOneNineteenLineRecordPerAttribute) {
    Lines out = Flatten(kDrawing, 3);
    EXPECT_EQ(result, 1);
    ASSERT_EQ(out.size(), 1u + 19 + 19 + 1);
    // Element names are renamed, the tag text is not; the value's " name=" and " />" survive.
    EXPECT_EQ(Join(out, 0, 21), "<Attributes>|<Attribute>|" + kInsertFields + "<AttributeHandle>1F</AttributeHandle>|"
              "<AttributeElementId>31</AttributeElementId>|<tag>DOORHANDLE</tag>|"
              "<value>a name=b /&gt; \"q\" &amp;lt;</value>|</Attribute>|<Attribute>");
    EXPECT_EQ(Join(out, 34), "<AttributeHandle>20</AttributeHandle>|<AttributeElementId>32</AttributeElementId>|"
                             "<tag>REV</tag>|<value>A</value>|</Attribute>|</Attributes>");
}

TEST_F(FlattenTest, DrawingContexts) {
    EXPECT_EQ(Join(Flatten(kDrawing, 3, 3), 1, 4),
              "<Attribute>|<DrawingPath>/dwg/site</DrawingPath>|<Drawing>A-101.dwg</Drawing>|<Block>*Model_Space</Block>");
    EXPECT_EQ(Join(Flatten(kDrawing, 3, 1), 2, 2), "<Drawing>A-101.dwg</Drawing>|<Block>*Model_Space</Block>");
    for (std::int32_t f : {2, 4, 5}) EXPECT_EQ(Flatten(kDrawing, 3, f)[2], "<Drawing>/dwg/site/A-101.dwg</Drawing>");
    // Out of range counts as none, and the caller's variable is set back.
    EXPECT_EQ(Flatten(kDrawing, 3, 9)[2], "<Block>*Model_Space</Block>");
    EXPECT_EQ(fieldAfter, 0);
    // A path without a folder: empty folder, and the failure is reported.
    Lines noFolder = kDrawing;
    noFolder[2] = "<databasefilename>A-101.dwg</databasefilename>";
    EXPECT_EQ(Join(Flatten(noFolder, 3, 3), 2, 2), "<DrawingPath></DrawingPath>|<Drawing>A-101.dwg</Drawing>");
    EXPECT_EQ(result, -2);
}

TEST_F(FlattenTest, OtherChapters) {
    const std::vector<std::tuple<int, int, std::string>> cases = {
        {1, 1, "<Layers>|<layername>0</layername>|<Drawing>A-101.dwg</Drawing>|<layername>WALLS</layername>|"
               "<Drawing>A-101.dwg</Drawing>|</Layers>"},
        // Inserts with their fields; insertion point tags and attributes dropped.
        {2, 0, "<Attributes>|<Insert>|" + kInsertFields + "</Insert>|</Attributes>"},
        {4, 0, "<Images>|<Image>|<Block>*Paper_Space</Block>|<file>logo.png</file>|</Image>|</Images>"},
        {5, 2, "<ExternalReferences>|<Reference>|<Drawing>/dwg/site/A-101.dwg</Drawing>|<path>base.dwg</path>|"
               "</Reference>|</ExternalReferences>"},
        {6, 1, "<Layouts>|<LayoutName>|<Drawing>A-101.dwg</Drawing>|<Name>Layout1</Name>|<tab>1</tab>|</LayoutName>|"
               "</Layouts>"},
        {7, 1, "<AttributeDefinitions>|<AttributeDefinition>|<Drawing>A-101.dwg</Drawing>|<Block>TITLE</Block>|"
               "<tag>DWGNO</tag>|</AttributeDefinition>|</AttributeDefinitions>"},
        {8, 0, "<TextLiterals>|<Text>|<Block>*Model_Space</Block>|<Layout>Model</Layout>|<value>NOTE</value>|</Text>|"
               "</TextLiterals>"},
        {9, 0, "<TextLiterals>|<MText>|<Block>*Model_Space</Block>|<Layout>Model</Layout>|<value>multi</value>|"
               "</MText>|</TextLiterals>"}};
    for (const auto& [chapter, field, expected] : cases) {
        EXPECT_EQ(Join(Flatten(kDrawing, chapter, field)), expected) << chapter;
        EXPECT_EQ(result, 1) << chapter;
    }
    Flatten(kDrawing, 7, 1);
    EXPECT_EQ(SplitLines(ReadFile(dir.File("in.xml"))), kDrawing);  // this chapter leaves the source alone

    // The whole document, drawing context ignored; chapter 12 does the same unless
    // the drawing rule takes the root line, and then the chapter never starts.
    Lines whole = Flatten(kDrawing, 0, 3);
    EXPECT_EQ(Join(whole, 0, 2), "<DrawingInformation>|<databasefilename>/dwg/site/A-101.dwg</databasefilename>");
    EXPECT_EQ(whole.back(), "</DrawingInformation>");
    EXPECT_EQ(Flatten(kDrawing, 12, 0), whole);
    EXPECT_TRUE(Flatten(kDrawing, 12, 2).empty());
    EXPECT_EQ(result, -2);
}

TEST_F(FlattenTest, CustomDataIsDroppedUpToTwentyOneLines) {
    Lines custom = {"<Custom>"};
    for (int i = 0; i < 19; ++i) custom.push_back("<c>" + std::to_string(i) + "</c>");
    custom.push_back("</Custom>");  // 21 lines: all dropped
    Lines src = kDrawing;
    src.insert(src.begin() + 4, custom.begin(), custom.end());
    src.insert(src.begin() + 4, "<custom>one line</custom>");  // takes nothing after it
    EXPECT_EQ(Join(Flatten(src, 1)), "<Layers>|<layername>0</layername>|<layername>WALLS</layername>|</Layers>");
    // One line more: the 22nd comes through as an ordinary line.
    custom.insert(custom.end() - 1, "<c>extra</c>");
    src = kDrawing;
    src.insert(src.begin() + 4, custom.begin(), custom.end());
    EXPECT_EQ(Flatten(src, 1)[1], "</Custom>");
}

TEST_F(FlattenTest, MissingUnclosedAndBrokenInput) {
    dir.Write("flat.xml", "keep");
    EXPECT_EQ(engine.FlattenXMLfile(dir.File("none.xml"), dir.File("flat.xml"), 3), -1);
    EXPECT_EQ(ReadFile(dir.File("flat.xml")), "keep");
    // An unclosed chapter is processed to the end; that alone is no failure.
    EXPECT_EQ(Flatten(Part(kDrawing, 0, 37), 3).size(), 1u + 19 + 19);
    EXPECT_EQ(result, 1);
    // An absent chapter: header lines only. A multi-line text that never ends; an
    // attribute cut short by the end of the file.
    EXPECT_TRUE(Flatten(Part(kDrawing, 0, 40), 4).empty());
    EXPECT_EQ(result, -2);
    Flatten(Part(kDrawing, 0, 71), 8);
    EXPECT_EQ(result, -2);
    Flatten(Part(kDrawing, 0, 27), 3);
    EXPECT_EQ(result, -2);
    // A target that cannot be written.
    EXPECT_EQ(engine.FlattenXMLfile(dir.File("in.xml"), dir.File("no/such/folder/flat.xml"), 3), -2);
}

TEST_F(FlattenTest, InsertFieldsCarryOverAndEmptyContextLines) {
    // An insert before any block, then one without a <rows> line.
    Lines src = {"<DrawingInformation>", "<databasefilename>/a.dwg</databasefilename>", "<Attributes>", "<Insert>",
                 "<name>A</name>", "<rows>7</rows>", "<Attribute>", "<handle>1</handle>", "<elementid>1</elementid>",
                 "<tag>T</tag>", "<value>V</value>", "</Attribute>", "</Insert>", "<Insert>", "<name>B</name>",
                 "<Attribute>", "<handle>2</handle>", "<elementid>2</elementid>", "<tag>T</tag>", "<value>W</value>",
                 "</Attribute>", "</Insert>", "</Attributes>", "</DrawingInformation>"};
    Lines out = Flatten(src, 3);
    ASSERT_EQ(out.size(), 1u + 19 + 19 + 1);
    EXPECT_EQ(Join(out, 1, 5), "<Attribute>|||<name>A</name>|");  // no block, layout, handle yet
    EXPECT_EQ(Join(out, 20, 13), "<Attribute>|||<name>B</name>|||||||||<rows>7</rows>");
}

TEST_F(FlattenTest, NormalizerRewritesMarkupOnlyAndIsIdempotent) {
    Lines src = kDrawing;
    src.insert(src.begin() + 24, "<empty />");
    src[29] = "<value>x name='y' />z</value>";  // raw text holding both marks
    Flatten(src, 3);
    const std::string path = dir.File("in.xml"), normalized = ReadFile(path), flat = ReadFile(dir.File("flat.xml"));
    for (const char* part : {"\r\n<block>\r\n<Name>*Model_Space</Name>\r\n", "\r\n<empty></empty>\r\n",
                             "\r\n<value>x name='y' />z</value>\r\n"}) {
        EXPECT_NE(normalized.find(part), std::string::npos) << part;
    }
    ASSERT_EQ(engine.FlattenXMLfile(path, dir.File("flat.xml"), 3), 1);
    EXPECT_EQ(ReadFile(path), normalized + "\r\n");  // only one more empty line
    EXPECT_EQ(ReadFile(dir.File("flat.xml")), flat);
}

}  // namespace
}  // namespace kel
