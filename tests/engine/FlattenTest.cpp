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
using test::TempDir;

// Joins lines with CR LF after each.
std::string Doc(const std::vector<std::string>& lines) {
    std::string s;
    for (const auto& l : lines) s += l + "\r\n";
    return s;
}

const std::vector<std::string> kDrawing = {
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>",
    "<DrawingInformation>",
    "<databasefilename>/dwg/site/A-101.dwg</databasefilename>",
    "<Layers>",
    "<layername>0</layername>",
    "<layername>WALLS</layername>",
    "</Layers>",
    "<Attributes>",
    "<block name='*Model_Space'>",
    "<LayoutName name='Model'>",
    "<Insert>",
    "<name>TITLE</name>",
    "<handle>1A</handle>",
    "<elementid>26</elementid>",
    "<layername>0</layername>",
    "<InsertionPoint>",
    "<x>1</x>",
    "<y>2</y>",
    "<z>0</z>",
    "</InsertionPoint>",
    "<numberattributes>2</numberattributes>",
    "<numberconstantattributes>0</numberconstantattributes>",
    "<rows>1</rows>",
    "<columns>1</columns>",
    "<Attribute>",
    "<handle>1F</handle>",
    "<elementid>31</elementid>",
    "<tag>DOORHANDLE</tag>",
    "<value>a name=b /&gt; &quot;q&quot; &amp;lt;</value>",
    "</Attribute>",
    "<Attribute>",
    "<handle>20</handle>",
    "<elementid>32</elementid>",
    "<tag>REV</tag>",
    "<value>A</value>",
    "</Attribute>",
    "</Insert>",
    "</LayoutName>",
    "</Block>",
    "</Attributes>",
    "<Images>",
    "<block name='*Paper_Space'>",
    "<Image>",
    "<file>logo.png</file>",
    "</Image>",
    "</Block>",
    "</Images>",
    "<ExternalReferences>",
    "<Reference>",
    "<path>base.dwg</path>",
    "</Reference>",
    "</ExternalReferences>",
    "<Layouts>",
    "<LayoutName name='Layout1'>",
    "<tab>1</tab>",
    "</LayoutName>",
    "</Layouts>",
    "<AttributeDefinitions>",
    "<block name='TITLE'>",
    "<AttributeDefinition>",
    "<tag>DWGNO</tag>",
    "</AttributeDefinition>",
    "</Block>",
    "</AttributeDefinitions>",
    "<TextLiterals>",
    "<block name='*Model_Space'>",
    "<LayoutName name='Model'>",
    "<Text>",
    "<value>NOTE</value>",
    "</Text>",
    "<MText>",
    "<value>multi</value>",
    "</MText>",
    "</LayoutName>",
    "</Block>",
    "</TextLiterals>",
    "</DrawingInformation>",
};

class FlattenTest : public ::testing::Test {
protected:
    // Flattens a fresh copy of the source; returns the target's lines after the two header lines.
    std::vector<std::string> Flatten(const std::vector<std::string>& source, std::int32_t chapter,
                                     std::int32_t field = 0) {
        std::string src = dir.Write("in.xml", Doc(source));
        result = engine.FlattenXMLfile(src, dir.File("flat.xml"), chapter, field);
        fieldAfter = field;
        std::vector<std::string> lines = SplitLines(ReadFile(dir.File("flat.xml")));
        EXPECT_GE(lines.size(), 2u);
        if (lines.size() < 2) return {};
        EXPECT_EQ(lines[0], "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>");
        EXPECT_EQ(lines[1], "");
        return {lines.begin() + 2, lines.end()};
    }

    TempDir dir;
    cAutoCAD engine{nullptr, nullptr, dir.Path()};
    std::int16_t result = 0;
    std::int32_t fieldAfter = 0;
};

const std::vector<std::string> kFirstRecord = {
    "<Attribute>", "<Block>*Model_Space</Block>", "<Layout>Model</Layout>", "<name>TITLE</name>",
    "<handle>1A</handle>", "<elementid>26</elementid>", "<layername>0</layername>", "<x>1</x>", "<y>2</y>",
    "<z>0</z>", "<numberattributes>2</numberattributes>", "<numberconstantattributes>0</numberconstantattributes>",
    "<rows>1</rows>", "<columns>1</columns>", "<AttributeHandle>1F</AttributeHandle>",
    "<AttributeElementId>31</AttributeElementId>",
    // Element names are renamed, the tag text is not; the value's " name=" and " />" survive.
    "<tag>DOORHANDLE</tag>", "<value>a name=b /&gt; \"q\" &amp;lt;</value>", "</Attribute>"};

TEST_F(FlattenTest, AttributeChapterGivesOneNineteenLineRecordPerAttribute) {
    auto out = Flatten(kDrawing, 3);
    EXPECT_EQ(result, 1);
    ASSERT_EQ(out.size(), 1u + 19 + 19 + 1);
    EXPECT_EQ(out.front(), "<Attributes>");
    EXPECT_EQ(std::vector<std::string>(out.begin() + 1, out.begin() + 20), kFirstRecord);
    EXPECT_EQ(out[20 + 14], "<AttributeHandle>20</AttributeHandle>");
    EXPECT_EQ(out[20 + 17], "<value>A</value>");
    EXPECT_EQ(out.back(), "</Attributes>");
}

TEST_F(FlattenTest, DrawingContexts) {
    auto out = Flatten(kDrawing, 3, 3);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(out[2], "<DrawingPath>/dwg/site</DrawingPath>");
    EXPECT_EQ(out[3], "<Drawing>A-101.dwg</Drawing>");
    EXPECT_EQ(out[4], "<Block>*Model_Space</Block>");
    out = Flatten(kDrawing, 3, 1);
    EXPECT_EQ(out[2], "<Drawing>A-101.dwg</Drawing>");
    EXPECT_EQ(out[3], "<Block>*Model_Space</Block>");
    for (std::int32_t f : {2, 4, 5}) {
        out = Flatten(kDrawing, 3, f);
        EXPECT_EQ(out[2], "<Drawing>/dwg/site/A-101.dwg</Drawing>") << f;
    }
    // Out of range counts as none, and the caller's variable is set back.
    out = Flatten(kDrawing, 3, 9);
    EXPECT_EQ(fieldAfter, 0);
    EXPECT_EQ(out[2], "<Block>*Model_Space</Block>");
    // A path without a folder: empty folder and a reported failure.
    auto noFolder = kDrawing;
    noFolder[2] = "<databasefilename>A-101.dwg</databasefilename>";
    out = Flatten(noFolder, 3, 3);
    EXPECT_EQ(result, -2);
    EXPECT_EQ(out[2], "<DrawingPath></DrawingPath>");
    EXPECT_EQ(out[3], "<Drawing>A-101.dwg</Drawing>");
}

TEST_F(FlattenTest, OtherChapters) {
    EXPECT_EQ(Flatten(kDrawing, 1, 1),
              (std::vector<std::string>{"<Layers>", "<layername>0</layername>", "<Drawing>A-101.dwg</Drawing>",
                                        "<layername>WALLS</layername>", "<Drawing>A-101.dwg</Drawing>",
                                        "</Layers>"}));
    auto ins = Flatten(kDrawing, 2);
    ASSERT_GE(ins.size(), 5u);
    EXPECT_EQ(std::vector<std::string>(ins.begin(), ins.begin() + 5),
              (std::vector<std::string>{"<Attributes>", "<Insert>", "<Block>*Model_Space</Block>",
                                        "<Layout>Model</Layout>", "<name>TITLE</name>"}));
    EXPECT_EQ(ins.size(), 1u + 3 + 11 + 1 + 1);  // attributes dropped, insertion point tags dropped
    EXPECT_EQ(ins[ins.size() - 2], "</Insert>");
    EXPECT_EQ(Flatten(kDrawing, 4),
              (std::vector<std::string>{"<Images>", "<Image>", "<Block>*Paper_Space</Block>",
                                        "<file>logo.png</file>", "</Image>", "</Images>"}));
    EXPECT_EQ(Flatten(kDrawing, 5, 2),
              (std::vector<std::string>{"<ExternalReferences>", "<Reference>",
                                        "<Drawing>/dwg/site/A-101.dwg</Drawing>", "<path>base.dwg</path>",
                                        "</Reference>", "</ExternalReferences>"}));
    EXPECT_EQ(Flatten(kDrawing, 6, 1),
              (std::vector<std::string>{"<Layouts>", "<LayoutName>", "<Drawing>A-101.dwg</Drawing>",
                                        "<Name>Layout1</Name>", "<tab>1</tab>", "</LayoutName>", "</Layouts>"}));
    std::string before = Doc(kDrawing);
    EXPECT_EQ(Flatten(kDrawing, 7, 1),
              (std::vector<std::string>{"<AttributeDefinitions>", "<AttributeDefinition>",
                                        "<Drawing>A-101.dwg</Drawing>", "<Block>TITLE</Block>",
                                        "<tag>DWGNO</tag>", "</AttributeDefinition>", "</AttributeDefinitions>"}));
    EXPECT_EQ(ReadFile(dir.File("in.xml")), before);  // not normalized for this chapter
    EXPECT_EQ(Flatten(kDrawing, 8),
              (std::vector<std::string>{"<TextLiterals>", "<Text>", "<Block>*Model_Space</Block>",
                                        "<Layout>Model</Layout>", "<value>NOTE</value>", "</Text>",
                                        "</TextLiterals>"}));
    EXPECT_EQ(Flatten(kDrawing, 9),
              (std::vector<std::string>{"<TextLiterals>", "<MText>", "<Block>*Model_Space</Block>",
                                        "<Layout>Model</Layout>", "<value>multi</value>", "</MText>",
                                        "</TextLiterals>"}));
    EXPECT_EQ(result, 1);
}

TEST_F(FlattenTest, WholeDocumentChapters) {
    auto whole = Flatten(kDrawing, 0, 3);  // the drawing context is ignored
    EXPECT_EQ(result, 1);
    EXPECT_EQ(whole.front(), "<DrawingInformation>");
    EXPECT_EQ(whole[1], "<databasefilename>/dwg/site/A-101.dwg</databasefilename>");
    EXPECT_EQ(whole.back(), "</DrawingInformation>");
    EXPECT_EQ(Flatten(kDrawing, 12, 0), whole);
    // The root line is taken by the drawing rule, so the chapter never starts.
    EXPECT_TRUE(Flatten(kDrawing, 12, 2).empty());
    EXPECT_EQ(result, -2);
}

TEST_F(FlattenTest, CustomDataIsDroppedUpToTwentyOneLines) {
    auto src = kDrawing;
    std::vector<std::string> custom = {"<Custom>"};
    for (int i = 0; i < 19; ++i) custom.push_back("<c>" + std::to_string(i) + "</c>");
    custom.push_back("</Custom>");  // 21 lines: all dropped
    src.insert(src.begin() + 4, custom.begin(), custom.end());
    src.insert(src.begin() + 4, "<custom>one line</custom>");  // takes nothing after it
    auto out = Flatten(src, 1);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(out, (std::vector<std::string>{"<Layers>", "<layername>0</layername>", "<layername>WALLS</layername>",
                                             "</Layers>"}));
    // One line longer: the 22nd line comes through as an ordinary line.
    custom.insert(custom.end() - 1, "<c>extra</c>");
    src = kDrawing;
    src.insert(src.begin() + 4, custom.begin(), custom.end());
    out = Flatten(src, 1);
    EXPECT_EQ(out[1], "</Custom>");
}

TEST_F(FlattenTest, MissingUnclosedAndBrokenInput) {
    dir.Write("flat.xml", "keep");
    EXPECT_EQ(engine.FlattenXMLfile(dir.File("none.xml"), dir.File("flat.xml"), 3), -1);
    EXPECT_EQ(ReadFile(dir.File("flat.xml")), "keep");

    // Unclosed chapter: everything to the end is processed; not a failure by itself.
    std::vector<std::string> unclosed(kDrawing.begin(), kDrawing.begin() + 37);
    auto out = Flatten(unclosed, 3);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(out.size(), 1u + 19 + 19);

    // A chapter that is absent: header lines only.
    std::vector<std::string> noImages(kDrawing.begin(), kDrawing.begin() + 40);
    EXPECT_TRUE(Flatten(noImages, 4).empty());
    EXPECT_EQ(result, -2);

    // A multi-line text that never ends, and an attribute cut short by the end of the file.
    std::vector<std::string> openText(kDrawing.begin(), kDrawing.begin() + 71);
    Flatten(openText, 8);
    EXPECT_EQ(result, -2);
    std::vector<std::string> cutShort(kDrawing.begin(), kDrawing.begin() + 27);
    Flatten(cutShort, 3);
    EXPECT_EQ(result, -2);

    // A target that cannot be written.
    std::string src = dir.Write("in.xml", Doc(kDrawing));
    EXPECT_EQ(engine.FlattenXMLfile(src, dir.File("no/such/folder/flat.xml"), 3), -2);
}

TEST_F(FlattenTest, InsertFieldsCarryOverAndEmptyContextLines) {
    // An insert before any block, and a second insert without a <rows> line.
    std::vector<std::string> src = {"<DrawingInformation>", "<databasefilename>/a.dwg</databasefilename>",
                                    "<Attributes>", "<Insert>", "<name>A</name>", "<rows>7</rows>",
                                    "<Attribute>", "<handle>1</handle>", "<elementid>1</elementid>",
                                    "<tag>T</tag>", "<value>V</value>", "</Attribute>", "</Insert>",
                                    "<Insert>", "<name>B</name>", "<Attribute>", "<handle>2</handle>",
                                    "<elementid>2</elementid>", "<tag>T</tag>", "<value>W</value>",
                                    "</Attribute>", "</Insert>", "</Attributes>", "</DrawingInformation>"};
    auto out = Flatten(src, 3);
    ASSERT_EQ(out.size(), 1u + 19 + 19 + 1);
    EXPECT_EQ(out[2], "");           // block line while no block was seen
    EXPECT_EQ(out[3], "");           // layout line
    EXPECT_EQ(out[5], "");           // handle never seen
    EXPECT_EQ(out[13], "<rows>7</rows>");
    EXPECT_EQ(out[20 + 3], "<name>B</name>");
    EXPECT_EQ(out[20 + 12], "<rows>7</rows>");  // repeated from the earlier insert
}

TEST_F(FlattenTest, NormalizerRewritesMarkupOnlyAndIsIdempotent) {
    std::vector<std::string> src = kDrawing;
    src.insert(src.begin() + 24, "<empty />");
    src[29] = "<value>x name='y' />z</value>";  // raw text holding both marks
    std::string path = dir.Write("in.xml", Doc(src));
    ASSERT_EQ(engine.FlattenXMLfile(path, dir.File("flat1.xml"), 3), 1);
    std::string normalized = ReadFile(path);
    EXPECT_NE(normalized.find("\r\n<block>\r\n<Name>*Model_Space</Name>\r\n"), std::string::npos);
    EXPECT_NE(normalized.find("\r\n<empty></empty>\r\n"), std::string::npos);
    EXPECT_NE(normalized.find("\r\n<value>x name='y' />z</value>\r\n"), std::string::npos);

    ASSERT_EQ(engine.FlattenXMLfile(path, dir.File("flat2.xml"), 3), 1);
    EXPECT_EQ(ReadFile(path), normalized + "\r\n");  // only one more empty line
    EXPECT_EQ(ReadFile(dir.File("flat1.xml")), ReadFile(dir.File("flat2.xml")));
}

}  // namespace
}  // namespace kel
