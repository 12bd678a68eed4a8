// kel-batch --export and --import on copies of generated and corpus drawings:
// a sheet imported unchanged leaves every drawing byte for byte as it was;
// edited cells change those attributes and nothing else (checked again by
// exporting, and for DXF with the independent reader); a sheet saved again by
// a real spreadsheet program comes back intact.
#include <chrono>
#include <cstdlib>
#include <map>

#include "sheets/SheetFile.h"
#include "tests/cli/CliTest.h"

namespace kel::cli {
namespace {

// Drawings of the corpus: DXF of several versions, ASCII and binary, and DWG.
const char* const kCorpusDrawings[] = {
    "dxf/ascii/AC1009_R12/acadsharp__sample_AC1009_ascii.dxf",
    "dxf/ascii/AC1015_R2000/libredwg__entities-2d.dxf",
    "dxf/ascii/AC1027_R2013/ezdxf__multi_insert_with_attribs.dxf",
    "dxf/ascii/AC1032_R2018/ezdxf__text.dxf",
    "dxf/binary/acadsharp__sample_AC1024_binary.dxf",
    "dwg/AC1015_R2000/libredwg__example_2000.dwg",
    "dwg/AC1018_R2004/dwg-extractor__sample.dwg",
    "dwg/AC1032_R2018/acadsharp__sample_AC1032.dwg",
};

bool IsDxf(const std::string& path) { return path.size() > 4 && path.substr(path.size() - 4) == ".dxf"; }

class SheetRoundTripTest : public CliTest {
protected:
    // Copies of the generated sample drawings (and, when there, the corpus drawings).
    std::vector<std::string> Drawings(bool blnCorpus) {
        std::vector<std::string> out;
        for (const auto& e : fs::directory_iterator(KEL_SOURCE_DIR "/examples")) {
            if (IsDxf(e.path().string())) out.push_back(Example(e.path().filename().string(), e.path().filename().string()));
        }
        if (blnCorpus) {
            for (const char* c : kCorpusDrawings) out.push_back(Copy(c));
        }
        std::sort(out.begin(), out.end());
        return out;
    }
    std::map<std::string, std::string> Bytes(const std::vector<std::string>& files) {
        std::map<std::string, std::string> out;
        for (const std::string& f : files) out[f] = test::ReadFile(f);
        return out;
    }
    // The files whose bytes are no longer those kept; named, not printed, as drawings are large.
    static std::vector<std::string> Changed(const std::map<std::string, std::string>& kept) {
        std::vector<std::string> out;
        for (const auto& [file, bytes] : kept) {
            if (test::ReadFile(file) != bytes) out.push_back(file);
        }
        return out;
    }
    std::string Args(const std::vector<std::string>& files) {
        std::string s;
        for (const std::string& f : files) s += " " + Q(f);
        return s;
    }
    SheetRows Export(const std::vector<std::string>& files, const std::string& name) {
        const Result r = Batch("--export " + Q(dir.File(name)) + Args(files));
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return ReadSheet(dir.File(name));
    }
    SheetRows ReadSheet(const std::string& path) {
        SheetRows sheet;
        std::string err;
        EXPECT_TRUE(sheets::ReadSheetFile(path, sheet, err)) << err;
        return sheet;
    }
    void WriteSheet(const SheetRows& sheet, const std::string& name) {
        std::string err;
        ASSERT_TRUE(sheets::WriteSheetFile(dir.File(name), sheet, err)) << err;
    }
    Result Import(const std::string& name, const std::string& options = {}) {
        return Batch("--import " + Q(dir.File(name)) + " -j 2 " + options);
    }
    // ezdxf's attributes of the DXF drawings (one run of the reader for all):
    // drawing -> "insert handle|tag" -> values in order.
    using Attributes = std::map<std::string, std::vector<std::string>>;
    std::map<std::string, Attributes> Independent(const std::vector<std::string>& drawings) {
        std::string args;
        std::map<std::string, Attributes> out;
        for (const std::string& d : drawings) {
            if (!IsDxf(d)) continue;
            args += " " + Q(d);
            out[d];
        }
        const Result r = Shell(std::string(KEL_PYTHON) + " " + Q(KEL_SOURCE_DIR "/tests/component/ezdxf_dump.py") + args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        Attributes* current = nullptr;
        for (const std::string& line : SplitLines(r.out)) {
            std::vector<std::string> f;
            std::size_t at = 0;
            for (std::size_t tab; (tab = line.find('\t', at)) != std::string::npos; at = tab + 1) {
                f.push_back(line.substr(at, tab - at));
            }
            f.push_back(line.substr(at));
            if (f[0] == "F" && f.size() == 2) current = &out[f[1]];
            if (f[0] == "A" && f.size() >= 8 && current) (*current)[f[3] + "|" + f[6]].push_back(f[7]);
        }
        return out;
    }
};

std::vector<std::vector<std::string>> Texts(const SheetRows& sheet) {
    std::vector<std::vector<std::string>> out;
    for (const SheetRow& row : sheet.rows) {
        out.emplace_back();
        for (const SheetCell& c : row) out.back().push_back(c.text);
    }
    return out;
}

TEST_F(SheetRoundTripTest, UnchangedSheetsLeaveEveryByteAndEditedCellsChangeOnlyTheirAttributes) {
    KEL_NEED_CORPUS();
    KEL_NEED_INDEPENDENT_READER();
    const std::vector<std::string> drawings = Drawings(true);
    const auto before = Bytes(drawings);
    for (const char* name : {"all.csv", "all.xlsx"}) {
        SCOPED_TRACE(name);
        ASSERT_GT(Export(drawings, name).rows.size(), drawings.size());
        const Result r = Import(name);
        EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
        EXPECT_NE(r.err.find("0 changed, " + std::to_string(drawings.size()) + " unchanged, 0 failed"), std::string::npos)
            << r.err;
        EXPECT_EQ(Changed(before), std::vector<std::string>{});
    }

    std::map<std::string, Attributes> independent = Independent(drawings);
    ASSERT_FALSE(independent.begin()->second.empty());
    SheetRows sheet = ReadSheet(dir.File("all.csv"));
    // In every row the first attribute the insert has gets a new value; every
    // third row's second one is cleared.
    const std::vector<std::string> newValues = {"=1+2 \"q\", ;", "Größe 007", "-5", "@x", "1/2", "'lead"};
    std::size_t edited = 0;
    for (std::size_t r = 1; r < sheet.rows.size(); ++r) {
        SheetRow& row = sheet.rows[r];
        int present = 0;
        for (std::size_t c = kSheetKeyColumns; c < row.size(); ++c) {
            if (row[c].text == kNotPresentMark) continue;
            ++present;
            const std::string tag = sheet.rows[0][c].text;
            std::string value;
            if (present == 1) {
                value = newValues[r % newValues.size()] + " r" + std::to_string(r);
            } else if (present == 2 && r % 3 == 0) {
                value = "";
            } else {
                continue;
            }
            row[c].text = value;
            ++edited;
            // Repeated tags ("TAG (2)") are left to the export comparison.
            auto found = independent.find(row[0].text);
            if (found != independent.end() && tag.find(' ') == std::string::npos) {
                auto& values = found->second[row[3].text + "|" + tag];
                if (!values.empty()) values.front() = value;
            }
        }
    }
    ASSERT_GT(edited, drawings.size());
    // Half the drawings come back through XLSX, the others through CSV.
    WriteSheet(sheet, "edited.xlsx");
    const Result dry = Import("edited.xlsx", "--dry-run --format csv");
    EXPECT_EQ(dry.exitCode, 0) << dry.err;
    EXPECT_EQ(SplitLines(dry.out).size(), edited + 1) << dry.out;
    const Result r = Import("edited.xlsx");
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    // The audit log names the sheet and each cell that changed an attribute
    // (the dry run's lines come before).
    std::string audit = test::ReadFile(home + "/audit.log");
    const std::size_t last = audit.rfind("Import of " + dir.File("edited.xlsx"));
    ASSERT_NE(last, std::string::npos) << audit;
    audit.erase(0, last);
    std::size_t cells = 0;
    for (std::size_t at = 0; (at = audit.find(" from cell ", at)) != std::string::npos; ++at) ++cells;
    EXPECT_EQ(cells, edited) << audit;

    const SheetRows after = Export(drawings, "after.xlsx");
    EXPECT_EQ(Texts(after), Texts(sheet));
    const std::map<std::string, Attributes> changed = Independent(drawings);
    for (const auto& [dxf, expected] : independent) {
        SCOPED_TRACE(dxf);
        EXPECT_EQ(changed.at(dxf), expected);
    }
    // The same sheet again changes nothing.
    const auto saved = Bytes(drawings);
    EXPECT_EQ(Import("edited.xlsx").exitCode, 0);
    EXPECT_EQ(Changed(saved), std::vector<std::string>{});
}

TEST_F(SheetRoundTripTest, SheetsThatDoNotFitAreReportedAndChangeNothing) {
    const std::vector<std::string> drawings = Drawings(false);
    SheetRows sheet = Export(drawings, "s.csv");
    ASSERT_GE(sheet.rows.size(), 3u);
    const auto before = Bytes(drawings);
    const struct {
        const char* what;
        std::function<void(SheetRows&)> edit;
        int exitCode;
        const char* message;
    } cases[] = {
        {"unknown drawing", [&](SheetRows& s) { s.rows[2][0].text = dir.File("work/gone.dxf"); }, 2,
         "do not exist"},
        {"unknown handle", [&](SheetRows& s) { s.rows[1][3].text = "FFFFF"; s.rows[1][4].text = "x"; }, 1,
         "no insert with attributes has the handle FFFFF"},
        {"tag the insert lacks",
         [&](SheetRows& s) {
             s.rows[0].push_back({"NOSUCHTAG"});
             for (std::size_t r = 1; r < s.rows.size(); ++r) s.rows[r].push_back({r == 1 ? "v" : kNotPresentMark});
             s.rows[1][4].text = "changed too?";
         },
         1, "has no attribute NOSUCHTAG"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SheetRows edited = sheet;
        c.edit(edited);
        WriteSheet(edited, "bad.csv");
        const Result r = Import("bad.csv");
        EXPECT_EQ(r.exitCode, c.exitCode) << r.out << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(Changed(before), std::vector<std::string>{});
    }
    // A malformed file is refused before any drawing is opened.
    dir.Write("broken.csv", "Drawing,Layout,Block,Handle,T\r\n" + Q(drawings[0]) + ",M,B,1F,\"open\r\n");
    const Result broken = Import("broken.csv");
    EXPECT_EQ(broken.exitCode, 2);
    EXPECT_NE(broken.err.find("not closed"), std::string::npos) << broken.err;
    EXPECT_EQ(broken.out, "");
}

// LibreOffice Calc opens and saves the sheet (headless conversion), a script
// edits one cell of what it saved, Calc saves it again: the values come back
// as they were, the edited one as edited.
TEST_F(SheetRoundTripTest, ASheetSavedBySpreadsheetProgramComesBackIntact) {
    const char* soffice = "/usr/bin/soffice";
    if (!fs::exists(soffice)) {
        if (test::CorpusRequired()) FAIL() << "LibreOffice (soffice) is needed: apt-get install libreoffice-calc-nogui";
        GTEST_SKIP() << "LibreOffice (soffice) is not installed: apt-get install libreoffice-calc-nogui";
    }
    const std::vector<std::string> drawings = Drawings(false);
    SheetRows sheet = Export(drawings, "start.xlsx");
    // Values a spreadsheet program is known to change: set into the drawings first.
    const std::vector<std::string> values = {"図面 Ω Größe", "007", "1/2", "2026-01-15", "=A1", "-5", "1E5",
                                             "+49 30", "@home", "0.50", "TRUE", " lead"};
    std::size_t v = 0;
    for (std::size_t r = 1; r < sheet.rows.size(); ++r) {
        for (std::size_t c = kSheetKeyColumns; c < sheet.rows[r].size(); ++c) {
            if (sheet.rows[r][c].text == kNotPresentMark) continue;
            sheet.rows[r][c].text = values[v++ % values.size()];
        }
    }
    ASSERT_GE(v, values.size());
    // One cell, to be edited by the script.
    for (SheetCell& cell : sheet.rows.back()) {
        if (&cell - sheet.rows.back().data() >= static_cast<long>(kSheetKeyColumns) && cell.text != kNotPresentMark) {
            cell.text = "EDIT-ME";
            break;
        }
    }
    WriteSheet(sheet, "values.xlsx");
    ASSERT_EQ(Import("values.xlsx").exitCode, 0);
    const auto before = Bytes(drawings);

    const auto start = std::chrono::steady_clock::now();
    const std::string convert = std::string(soffice) + " --headless -env:UserInstallation=file://" + dir.File("lo") +
                                " --convert-to xlsx --outdir ";
    Result r = Shell(convert + Q(dir.File("lo1")) + " " + Q(dir.File("values.xlsx")));
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    const std::string saved = dir.File("lo1/values.xlsx");
    ASSERT_TRUE(fs::exists(saved)) << r.out << r.err;
    r = Batch("--import " + Q(saved));
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_EQ(Changed(before), std::vector<std::string>{});

    // The script's edit: the shared string EDIT-ME becomes EDITED 図.
    r = Shell(std::string(KEL_PYTHON) + " -c " +
              Q("import sys, zipfile\n"
                "src, dst = sys.argv[1], sys.argv[2]\n"
                "zin = zipfile.ZipFile(src)\n"
                "zout = zipfile.ZipFile(dst, 'w', zipfile.ZIP_DEFLATED)\n"
                "for item in zin.infolist():\n"
                "    data = zin.read(item.filename)\n"
                "    if item.filename == 'xl/sharedStrings.xml':\n"
                "        assert data.count(b'>EDIT-ME<') == 1\n"
                "        data = data.replace(b'>EDIT-ME<', '>EDITED 図<'.encode())\n"
                "    zout.writestr(item, data)\n"
                "zout.close()\n") +
              " " + Q(saved) + " " + Q(dir.File("edited.xlsx")));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    r = Shell(convert + Q(dir.File("lo2")) + " " + Q(dir.File("edited.xlsx")));
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    RecordProperty("soffice_seconds", std::to_string(seconds));
    r = Batch("--import " + Q(dir.File("lo2/edited.xlsx")));
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_NE(r.err.find("1 changed"), std::string::npos) << r.err;

    SheetRows expected = sheet;
    for (SheetRow& row : expected.rows) {
        for (SheetCell& cell : row) {
            if (cell.text == "EDIT-ME") cell.text = "EDITED 図";
        }
    }
    EXPECT_EQ(Texts(Export(drawings, "end.csv")), Texts(expected));
}

}  // namespace
}  // namespace kel::cli
