// Reading an attribute sheet from XLSX: the workbook names its first
// worksheet, the relationships give that worksheet's part and the shared
// strings' part; cells hold shared strings, inline strings, numbers, booleans
// or a formula's last result.
#include <expat.h>
#include <zip.h>

#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "sheets/SheetLibraries.h"
#include "sheets/XlsxSheet.h"

namespace kel::sheets {

namespace {

// Parts larger than this are refused rather than read into memory.
constexpr zip_uint64_t kMaxPartBytes = 512ull << 20;

std::string_view LocalName(const char* name) {
    std::string_view s(name);
    const std::size_t colon = s.rfind(':');
    return colon == std::string_view::npos ? s : s.substr(colon + 1);
}

const char* Attribute(const char** atts, std::string_view strLocal) {
    for (std::size_t i = 0; atts[i]; i += 2) {
        if (LocalName(atts[i]) == strLocal) return atts[i + 1];
    }
    return nullptr;
}

class Archive {
public:
    Archive(const ZipFunctions& z, const std::string& strPath) : z_(z) {
        int error = 0;
        zip_ = z_.zip_open(strPath.c_str(), ZIP_RDONLY, &error);
    }
    ~Archive() {
        if (zip_) z_.zip_discard(zip_);
    }
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;
    bool IsOpen() const { return zip_ != nullptr; }

    // False when the part is missing or cannot be read.
    bool Read(const std::string& strName, std::string& data) const {
        zip_stat_t st;
        z_.zip_stat_init(&st);
        if (z_.zip_stat(zip_, strName.c_str(), 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE) || st.size > kMaxPartBytes) {
            return false;
        }
        zip_file_t* file = z_.zip_fopen(zip_, strName.c_str(), 0);
        if (!file) return false;
        data.resize(static_cast<std::size_t>(st.size));
        const zip_int64_t n = data.empty() ? 0 : z_.zip_fread(file, data.data(), st.size);
        z_.zip_fclose(file);
        return n == static_cast<zip_int64_t>(st.size);
    }

private:
    const ZipFunctions& z_;
    zip_t* zip_ = nullptr;
};

// Runs expat over text with the handler object's OnStart, OnEnd and OnText.
template <class Handler>
bool ParseXml(const std::string& text, Handler& handler, std::string& strErr) {
    const std::unique_ptr<XML_ParserStruct, void (*)(XML_Parser)> parser(XML_ParserCreate("UTF-8"), XML_ParserFree);
    if (!parser) return false;
    XML_SetUserData(parser.get(), &handler);
    XML_SetElementHandler(
        parser.get(),
        [](void* self, const XML_Char* name, const XML_Char** atts) {
            static_cast<Handler*>(self)->OnStart(LocalName(name), atts);
        },
        [](void* self, const XML_Char* name) { static_cast<Handler*>(self)->OnEnd(LocalName(name)); });
    XML_SetCharacterDataHandler(parser.get(), [](void* self, const XML_Char* s, int len) {
        static_cast<Handler*>(self)->OnText(std::string_view(s, static_cast<std::size_t>(len)));
    });
    if (XML_Parse(parser.get(), text.data(), static_cast<int>(text.size()), XML_TRUE) == XML_STATUS_ERROR) {
        strErr = std::string(XML_ErrorString(XML_GetErrorCode(parser.get()))) + " at line " +
                 std::to_string(XML_GetCurrentLineNumber(parser.get()));
        return false;
    }
    return true;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

void AppendUtf8(std::string& out, unsigned code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// Texts of the file format write characters XML cannot hold (CR, control
// characters) as "_xHHHH_"; an underscore that starts such a sequence in the
// text itself is "_x005F_".
std::string UnescapedText(const std::string& strText) {
    if (strText.find("_x") == std::string::npos) return strText;
    std::string out;
    for (std::size_t i = 0; i < strText.size(); ++i) {
        if (strText[i] == '_' && i + 6 < strText.size() && strText[i + 1] == 'x' && strText[i + 6] == '_') {
            int code = 0;
            bool hex = true;
            for (std::size_t k = 2; k < 6; ++k) {
                const int v = HexValue(strText[i + k]);
                hex = hex && v >= 0;
                code = code * 16 + (v < 0 ? 0 : v);
            }
            if (hex) {
                AppendUtf8(out, static_cast<unsigned>(code));
                i += 6;
                continue;
            }
        }
        out += strText[i];
    }
    return out;
}

// xl/workbook.xml: the relationship id of the first worksheet.
struct WorkbookHandler {
    std::string firstSheet;
    void OnStart(std::string_view name, const char** atts) {
        if (name != "sheet" || !firstSheet.empty()) return;
        if (const char* id = Attribute(atts, "id")) firstSheet = id;
    }
    void OnEnd(std::string_view) {}
    void OnText(std::string_view) {}
};

// A relationships part: id -> target, and the target of the shared strings.
struct RelsHandler {
    std::map<std::string, std::string> targets;
    std::string sharedStrings;
    void OnStart(std::string_view name, const char** atts) {
        if (name != "Relationship") return;
        const char* id = Attribute(atts, "Id");
        const char* target = Attribute(atts, "Target");
        const char* type = Attribute(atts, "Type");
        if (!id || !target) return;
        targets[id] = target;
        if (type && std::string_view(type).ends_with("/sharedStrings")) sharedStrings = target;
    }
    void OnEnd(std::string_view) {}
    void OnText(std::string_view) {}
};

// xl/sharedStrings.xml: each <si> is one string, the text of its <t>
// elements (of its runs, if any), phonetic runs left out.
struct SharedStringsHandler {
    std::vector<std::string> strings;
    bool inText = false;
    int phonetic = 0;
    void OnStart(std::string_view name, const char**) {
        if (name == "si") strings.emplace_back();
        if (name == "rPh") ++phonetic;
        if (name == "t" && phonetic == 0 && !strings.empty()) inText = true;
    }
    void OnEnd(std::string_view name) {
        if (name == "t") inText = false;
        if (name == "rPh") --phonetic;
    }
    void OnText(std::string_view s) {
        if (inText) strings.back() += s;
    }
};

// The column of a cell reference ("AB12" -> 27), or -1.
long ColumnOfReference(const char* ref) {
    long column = 0;
    std::size_t i = 0;
    for (; ref[i] >= 'A' && ref[i] <= 'Z'; ++i) {
        column = column * 26 + (ref[i] - 'A' + 1);
        if (column > 16384) return -1;
    }
    return i == 0 ? -1 : column - 1;
}

struct SheetHandler {
    SheetHandler(const std::vector<std::string>& s, std::vector<SheetRow>& r) : shared(s), rows(r) {}
    const std::vector<std::string>& shared;
    std::vector<SheetRow>& rows;
    std::string error;
    // The current cell.
    bool inCell = false, inValue = false, inInline = false, inInlineText = false;
    std::string type, value, inlineText;
    long column = -1, nextColumn = 0;
    long rowNumber = 0;

    void OnStart(std::string_view name, const char** atts) {
        if (name == "row") {
            const char* r = Attribute(atts, "r");
            const long number = r ? std::atol(r) : rowNumber + 1;
            // Rows without cells are not written; they stand as empty rows here.
            while (rowNumber + 1 < number) {
                rows.emplace_back();
                ++rowNumber;
            }
            rows.emplace_back();
            rowNumber = number;
            nextColumn = 0;
        } else if (name == "c") {
            inCell = true;
            const char* t = Attribute(atts, "t");
            type = t ? t : "n";
            const char* r = Attribute(atts, "r");
            column = r ? ColumnOfReference(r) : nextColumn;
            value.clear();
            inlineText.clear();
        } else if (inCell && name == "v") {
            inValue = true;
        } else if (inCell && name == "is") {
            inInline = true;
        } else if (inInline && name == "t") {
            inInlineText = true;
        }
    }
    void OnEnd(std::string_view name) {
        if (name == "v") inValue = false;
        if (name == "t") inInlineText = false;
        if (name == "is") inInline = false;
        if (name != "c" || !inCell) return;
        inCell = false;
        if (rows.empty() || column < 0) {
            if (error.empty()) error = "a cell outside a row or with a bad reference";
            return;
        }
        SheetCell cell;
        if (type == "s") {
            char* end = nullptr;
            const unsigned long index = std::strtoul(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || index >= shared.size()) {
                if (error.empty()) error = "a cell names a shared string that is not there";
                return;
            }
            cell.text = UnescapedText(shared[index]);
        } else if (type == "inlineStr") {
            cell.text = UnescapedText(inlineText);
        } else if (type == "b") {
            cell.text = value == "1" ? "TRUE" : "FALSE";
        } else if (type == "n") {
            cell.text = value;
            cell.blnNumber = !value.empty();
        } else {
            // "str" (a formula's text result), "e" (an error value) and others: the text as it stands.
            cell.text = UnescapedText(value);
        }
        SheetRow& row = rows.back();
        if (static_cast<std::size_t>(column) >= row.size()) row.resize(static_cast<std::size_t>(column) + 1);
        row[static_cast<std::size_t>(column)] = std::move(cell);
        nextColumn = column + 1;
    }
    void OnText(std::string_view s) {
        if (inValue) value += s;
        if (inInlineText) inlineText += s;
    }
};

// The part a relationship target names, seen from the folder of the part that names it.
std::string PartName(const std::string& strFolder, const std::string& strTarget) {
    if (!strTarget.empty() && strTarget.front() == '/') return strTarget.substr(1);
    std::string path = strFolder + strTarget;
    // "xl/../x" -> "x"
    for (std::size_t up; (up = path.find("/../")) != std::string::npos;) {
        const std::size_t start = path.rfind('/', up == 0 ? 0 : up - 1);
        path.erase(start == std::string::npos ? 0 : start + 1, up + 4 - (start == std::string::npos ? 0 : start + 1));
    }
    return path;
}

}  // namespace

bool ReadXlsx(const std::string& strPath, SheetRows& sheet, std::string& strErr) {
    sheet.rows.clear();
    const ZipFunctions* z = LoadZip(strErr);
    if (!z) {
        strErr = "Unable to read " + strPath + ": " + strErr + ".";
        return false;
    }
    const Archive archive(*z, strPath);
    if (!archive.IsOpen()) {
        strErr = "Not an XLSX file (not a zip archive): " + strPath + ".";
        return false;
    }
    std::string text, why;
    WorkbookHandler workbook;
    if (!archive.Read("xl/workbook.xml", text) || !ParseXml(text, workbook, why) || workbook.firstSheet.empty()) {
        strErr = "Not an XLSX workbook (no readable xl/workbook.xml with a worksheet)" +
                 (why.empty() ? std::string() : ": " + why) + ".";
        return false;
    }
    RelsHandler rels;
    if (!archive.Read("xl/_rels/workbook.xml.rels", text) || !ParseXml(text, rels, why) ||
        !rels.targets.count(workbook.firstSheet)) {
        strErr = "The workbook does not say where its first worksheet is (xl/_rels/workbook.xml.rels).";
        return false;
    }
    SharedStringsHandler shared;
    if (!rels.sharedStrings.empty()) {
        const std::string part = PartName("xl/", rels.sharedStrings);
        if (!archive.Read(part, text) || !ParseXml(text, shared, why)) {
            strErr = "The shared strings of the workbook (" + part + ") cannot be read" +
                     (why.empty() ? std::string() : ": " + why) + ".";
            return false;
        }
    }
    const std::string part = PartName("xl/", rels.targets[workbook.firstSheet]);
    SheetHandler cells(shared.strings, sheet.rows);
    if (!archive.Read(part, text) || !ParseXml(text, cells, why) || !cells.error.empty()) {
        strErr = "The first worksheet (" + part + ") cannot be read: " + (why.empty() ? cells.error : why) + ".";
        sheet.rows.clear();
        return false;
    }
    // Rows without any text (formatting left by a program) carry no insert.
    std::vector<SheetRow> kept;
    for (SheetRow& row : sheet.rows) {
        bool any = false;
        for (const SheetCell& c : row) any = any || !c.text.empty();
        if (any) kept.push_back(std::move(row));
    }
    sheet.rows = std::move(kept);
    // Trailing empty cells are not written: every row is as wide as the heading row.
    if (!sheet.rows.empty()) {
        const std::size_t width = sheet.rows.front().size();
        for (std::size_t r = 1; r < sheet.rows.size(); ++r) {
            SheetRow& row = sheet.rows[r];
            while (row.size() > width && row.back().text.empty()) row.pop_back();
            if (row.size() < width) row.resize(width);
        }
    }
    return true;
}

}  // namespace kel::sheets
