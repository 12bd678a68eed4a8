// The sheet files: every value comes back exactly through CSV and XLSX, the
// files that spreadsheet programs save are read, malformed ones are refused
// with a message that says where.
#include <gtest/gtest.h>
#include <zip.h>

#include <string>
#include <vector>

#include "engine/AttributeSheet.h"
#include "engine/FlatLayout.h"
#include "sheets/CsvSheet.h"
#include "sheets/SheetFile.h"
#include "support/TempDir.h"

namespace kel::sheets {
namespace {

using test::TempDir;

// Values that a spreadsheet or the sheet's own marks could take for something else.
const std::vector<std::string> kTrickyValues = {
    "", "plain", "007", "1/2", "2026-01-15", "1E5", "=A1", "=SUM(A1:A2)", "+1", "-5", "@cmd", "'quoted", "''",
    "\ttab", "<not present>", "\\<not present>", "\\\\<not present>", "<not present> ", "_x0041_", "_x005F_", "Größe 図面 Ω", "a,b;c",
    "say \"hi\"", "two\r\nlines", "lf\nonly", " padded ", "trailing\\"};

// A table of one insert per value, as the drawing's table would hold them.
AttributeTable TableOf(const std::vector<std::string>& values) {
    AttributeTable table(values.size(), flat::kRecordColumns);
    for (std::size_t r = 0; r < values.size(); ++r) {
        table.Cell(r, flat::kColLayout) = "Model";
        table.Cell(r, flat::kColBlock) = "TITLE";
        table.Cell(r, flat::kColInsert) = "H" + std::to_string(r);
        table.Cell(r, flat::kColTag) = "VALUE";
        table.Cell(r, flat::kColValue) = values[r];
    }
    return table;
}

TEST(SheetFilesTest, EveryValueComesBackExactlyAndCsvFieldsNeverStartAFormula) {
    AttributeSheetBuilder builder;
    builder.AddDrawing("/d/a.dxf", TableOf(kTrickyValues));
    const SheetRows sheet = builder.Build();
    TempDir dir;
    for (const char* name : {"s.csv", "s.xlsx"}) {
        std::string err;
        ASSERT_TRUE(WriteSheetFile(dir.File(name), sheet, err)) << err;
        SheetRows back;
        ASSERT_TRUE(ReadSheetFile(dir.File(name), back, err)) << name << ": " << err;
        std::vector<SheetDrawingEdit> edits;
        ASSERT_TRUE(ReadAttributeSheet(back, edits, err)) << err;
        ASSERT_EQ(edits.size(), 1u);
        ASSERT_EQ(edits[0].inserts.size(), kTrickyValues.size());
        for (std::size_t i = 0; i < kTrickyValues.size(); ++i) {
            const SheetInsertEdit& ins = edits[0].inserts[i];
            EXPECT_EQ(ins.handle, "H" + std::to_string(i));
            ASSERT_EQ(ins.cells.size(), 1u) << name << " value " << i << " read as the not-present mark";
            EXPECT_EQ(ins.cells[0].value, kTrickyValues[i]) << name;
            EXPECT_FALSE(ins.cells[0].blnNumber) << name;
        }
    }
    // Every CSV field is quoted, so a field starts after a comma and a quote (or a
    // line start and a quote); none starts with a formula's first character.
    const std::string csv = CsvOfSheet(sheet);
    EXPECT_EQ(csv.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_EQ(csv.substr(csv.size() - 2), "\r\n");
    for (const char c : std::string("=+-@\t\r")) {
        EXPECT_EQ(csv.find(std::string(",\"") + c), std::string::npos) << int(c);
        EXPECT_EQ(csv.find(std::string("\n\"") + c), std::string::npos) << int(c);
    }
    EXPECT_NE(csv.find(",\"'=SUM(A1:A2)\""), std::string::npos);
    // A CSV saved in a legacy code page reaches the drawings as UTF-8, never as its bytes.
    SheetRows latin1;
    std::string err;
    ASSERT_TRUE(ReadSheetFile(dir.Write("latin1.csv", "Drawing;Layout;Block;Handle;T\r\na.dxf;M;B;1F;Gr\xF6\xDF" "e\r\n"),
                              latin1, err)) << err;
    ASSERT_EQ(latin1.rows.size(), 2u);
    EXPECT_EQ(latin1.rows[1][4].text, "Größe");
}

// What different programs and locales save, all the same two rows.
TEST(SheetFilesTest, CsvVariantsReadAlike) {
    const struct {
        const char* what;
        std::string text;
    } cases[] = {
        {"quoted, comma, CRLF, BOM", "\xEF\xBB\xBF\"Drawing\",\"Layout\",\"Block\",\"Handle\",\"T\"\r\n\"a.dxf\",\"M\",\"B\",\"1F\",\"x;y\"\r\n"},
        {"plain, semicolon, LF", "Drawing;Layout;Block;Handle;T\na.dxf;M;B;1F;\"x;y\"\n"},
        {"no final line end", "Drawing,Layout,Block,Handle,T\r\na.dxf,M,B,1F,\"x;y\""},
        {"comma file, semicolon in a plain field", "Drawing,Layout,Block,Handle,T\na.dxf,M,B,1F,x;y\n"},
        {"semicolon, quoted heading", "\"Drawing\";Layout;Block;Handle;T\r\na.dxf;M;B;1F;\"x;y\"\r\n"},
    };
    for (const auto& c : cases) {
        SheetRows sheet;
        std::string err;
        ASSERT_TRUE(SheetOfCsv(c.text, sheet, err)) << c.what << ": " << err;
        ASSERT_EQ(sheet.rows.size(), 2u) << c.what;
        ASSERT_EQ(sheet.rows[1].size(), 5u) << c.what;
        EXPECT_EQ(sheet.rows[1][3].text, "1F") << c.what;
        EXPECT_EQ(sheet.rows[1][4].text, "x;y") << c.what;
    }
}

TEST(SheetFilesTest, MalformedSheetsAreRefusedSayingWhere) {
    const std::string head = "Drawing,Layout,Block,Handle,T\r\n";
    const struct {
        const char* what;
        std::string text;
        const char* message;
    } cases[] = {
        {"unterminated quote", head + "a.dxf,M,B,1F,\"open\r\n", "not closed"},
        {"text after a closing quote", head + "a.dxf,M,B,1F,\"ab\"c\r\n", "line 2"},
        {"short row", head + "a.dxf,M,B,1F\r\n", "Row 2 has 4 cells"},
        {"long row", head + "a.dxf,M,B,1F,x,y\r\n", "Row 2 has 6 cells"},
        {"no key columns", "Name,T\r\na,b\r\n", "Cell A1"},
        {"columns swapped", "Drawing,Block,Layout,Handle,T\r\n", "Cell B1"},
        {"no handle", head + "a.dxf,M,B,,x\r\n", "cell D2"},
        {"insert twice", head + "a.dxf,M,B,1F,x\r\na.dxf,M,B,1F,y\r\n", "Rows 2 and 3"},
        {"column twice", "Drawing,Layout,Block,Handle,T (2),T,T (2)\r\n", "there twice"},
        {"empty file", "", "no heading row"},
    };
    for (const auto& c : cases) {
        SheetRows sheet;
        std::vector<SheetDrawingEdit> edits;
        std::string err;
        const bool read = SheetOfCsv(c.text, sheet, err) && ReadAttributeSheet(sheet, edits, err);
        EXPECT_FALSE(read) << c.what;
        EXPECT_NE(err.find(c.message), std::string::npos) << c.what << ": " << err;
    }
}

TEST(SheetFilesTest, MarksAndRepeatedTagsMapToCellsAndOccurrences) {
    // One insert with TAG twice and no REV; another with REV only.
    AttributeTable table(4, flat::kRecordColumns);
    const char* rows[4][3] = {{"A1", "TAG", "x"}, {"A1", "TAG", "y"}, {"A2", "REV", "B"}, {"A2", "TAG", ""}};
    for (std::size_t r = 0; r < 4; ++r) {
        table.Cell(r, flat::kColInsert) = rows[r][0];
        table.Cell(r, flat::kColTag) = rows[r][1];
        table.Cell(r, flat::kColValue) = rows[r][2];
    }
    AttributeSheetBuilder builder;
    builder.AddDrawing("d.dwg", table);
    const SheetRows sheet = builder.Build();
    ASSERT_EQ(sheet.rows.size(), 3u);
    std::vector<std::string> heading;
    for (const SheetCell& c : sheet.rows[0]) heading.push_back(c.text);
    EXPECT_EQ(heading, (std::vector<std::string>{"Drawing", "Layout", "Block", "Handle", "TAG", "TAG (2)", "REV"}));
    EXPECT_EQ(sheet.rows[2][5].text, kNotPresentMark);
    EXPECT_EQ(sheet.rows[1][6].text, kNotPresentMark);
    std::vector<SheetDrawingEdit> edits;
    std::string err;
    ASSERT_TRUE(ReadAttributeSheet(sheet, edits, err)) << err;
    ASSERT_EQ(edits.at(0).inserts.size(), 2u);
    const auto& first = edits[0].inserts[0].cells;
    ASSERT_EQ(first.size(), 2u);  // REV is not present and left alone
    EXPECT_EQ(first[1].tag, "TAG");
    EXPECT_EQ(first[1].occurrence, 2);
    EXPECT_EQ(first[1].value, "y");
    EXPECT_EQ(first[1].where, "F2");
    const auto& second = edits[0].inserts[1].cells;
    ASSERT_EQ(second.size(), 2u);
    EXPECT_EQ(second[0].value, "");  // an empty value is a value: it clears
}

TEST(SheetFilesTest, NumberCellsMatchTheTextTheyWereMadeOf) {
    const struct {
        const char* cell;
        bool number;
        const char* current;
        bool same;
    } cases[] = {
        {"7", true, "007", true},   {"1.5", true, "1.50", true}, {"7", true, "7a", false},
        {"7", false, "007", false}, {"8", true, "007", false},   {"", true, "", true},
        {"0", true, "-0", true},    {"12", true, " 12", true},
    };
    for (const auto& c : cases) {
        const SheetCellEdit cell{"T", 1, c.cell, c.number, "E2"};
        EXPECT_EQ(SheetValueMatches(cell, c.current), c.same) << c.cell << " / " << c.current;
    }
}

// A workbook as a spreadsheet program saves it: shared strings (one with
// runs and a phonetic part), an inline string, numbers, a boolean, rows with
// trailing cells left out and an empty formatted row.
TEST(SheetFilesTest, XlsxAsSpreadsheetProgramsSaveIt) {
    TempDir dir;
    const std::string path = dir.File("saved.xlsx");
    int error = 0;
    zip_t* zip = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(zip, nullptr);
    const std::vector<std::pair<std::string, std::string>> parts = {
        {"xl/workbook.xml",
         "<x:workbook xmlns:x=\"m\" xmlns:r=\"r\"><x:sheets><x:sheet name=\"S\" sheetId=\"1\" r:id=\"rId7\"/>"
         "</x:sheets></x:workbook>"},
        {"xl/_rels/workbook.xml.rels",
         "<Relationships><Relationship Id=\"rId7\" Type=\"t/worksheet\" Target=\"worksheets/other.xml\"/>"
         "<Relationship Id=\"rId8\" Type=\"t/sharedStrings\" Target=\"/xl/strings.xml\"/></Relationships>"},
        {"xl/strings.xml",
         "<sst><si><t>Drawing</t></si><si><t>Layout</t></si><si><t>Block</t></si><si><t>Handle</t></si>"
         "<si><t>DWGNO</t></si><si><t>REV</t></si><si><t>a.dxf</t></si>"
         "<si><r><t>Gr&#246;&#223;e </t></r><r><t xml:space=\"preserve\">2 </t></r><rPh><t>x</t></rPh></si></sst>"},
        {"xl/worksheets/other.xml",
         "<worksheet><sheetData>"
         "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v></c><c r=\"C1\" t=\"s\"><v>2</v></c>"
         "<c r=\"D1\" t=\"s\"><v>3</v></c><c r=\"E1\" t=\"s\"><v>4</v></c><c r=\"F1\" t=\"s\"><v>5</v></c></row>"
         "<row r=\"2\"><c r=\"A2\" t=\"s\"><v>6</v></c><c r=\"B2\" t=\"inlineStr\"><is><t>Model</t></is></c>"
         "<c r=\"C2\" t=\"s\"><v>7</v></c><c r=\"D2\"><v>40</v></c><c r=\"E2\"><v>7</v></c></row>"
         "<row r=\"3\"><c r=\"A3\" s=\"1\"/></row>"
         "<row r=\"4\"><c r=\"A4\" t=\"s\"><v>6</v></c><c r=\"D4\" t=\"str\"><f>X</f><v>4A</v></c>"
         "<c r=\"F4\" t=\"b\"><v>1</v></c></row>"
         "</sheetData></worksheet>"},
    };
    for (const auto& [name, text] : parts) {
        zip_source_t* src = zip_source_buffer(zip, text.data(), text.size(), 0);
        ASSERT_GE(zip_file_add(zip, name.c_str(), src, ZIP_FL_OVERWRITE), 0);
    }
    ASSERT_EQ(zip_close(zip), 0);

    SheetRows sheet;
    std::string err;
    ASSERT_TRUE(ReadSheetFile(path, sheet, err)) << err;
    ASSERT_EQ(sheet.rows.size(), 3u);  // the empty formatted row carries nothing
    ASSERT_EQ(sheet.rows[1].size(), 6u);
    EXPECT_EQ(sheet.rows[1][1].text, "Model");
    EXPECT_EQ(sheet.rows[1][2].text, "Größe 2 ");
    EXPECT_EQ(sheet.rows[1][3].text, "40");
    EXPECT_TRUE(sheet.rows[1][4].blnNumber);
    EXPECT_EQ(sheet.rows[1][5].text, "");  // left out: an empty value
    EXPECT_EQ(sheet.rows[2][3].text, "4A");
    EXPECT_EQ(sheet.rows[2][5].text, "TRUE");
}

TEST(SheetFilesTest, BrokenXlsxIsRefused) {
    TempDir dir;
    const struct {
        const char* what;
        std::string bytes;
        const char* message;
    } cases[] = {
        {"not a zip", "Drawing,Layout\r\n", "not a zip"},
        {"empty", "", "not a zip"},
    };
    for (const auto& c : cases) {
        SheetRows sheet;
        std::string err;
        EXPECT_FALSE(ReadSheetFile(dir.Write("b.xlsx", c.bytes), sheet, err)) << c.what;
        EXPECT_NE(err.find(c.message), std::string::npos) << c.what << ": " << err;
    }
    std::string err;
    EXPECT_FALSE(WriteSheetFile(dir.File("x.ods"), {}, err));
    EXPECT_NE(err.find(".xlsx or .csv"), std::string::npos);
}

}  // namespace
}  // namespace kel::sheets
