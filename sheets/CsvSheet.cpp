#include "sheets/CsvSheet.h"

#include <csv.h>

#include <memory>
#include <vector>

namespace kel::sheets {

namespace {

constexpr const char* kBom = "\xEF\xBB\xBF";

bool StartsFormula(const std::string& strText) {
    if (strText.empty()) return false;
    switch (strText.front()) {
        case '=':
        case '+':
        case '-':
        case '@':
        case '\t':
        case '\r':
        case '\'':
            return true;
        default:
            return false;
    }
}

// No character counts as padding: blanks at a field's ends are part of it.
int NoSpace(unsigned char) { return 0; }

// The separator of the file: the first "," or ";" outside quotes on the first line.
char Separator(const std::string& strText) {
    bool quoted = false;
    for (char c : strText) {
        if (c == '"') quoted = !quoted;
        if (quoted) continue;
        if (c == ',' || c == ';') return c;
        if (c == '\n' || c == '\r') break;
    }
    return ',';
}

struct Collector {
    SheetRows& sheet;
    SheetRow row;
    std::size_t line = 1;  // the file's line of the current record's start

    static void Field(void* data, std::size_t len, void* self) {
        auto& c = *static_cast<Collector*>(self);
        const std::string raw = data ? std::string(static_cast<const char*>(data), len) : std::string();
        c.row.push_back({RestoredCsvText(raw)});
    }
    static void Record(int, void* self) {
        auto& c = *static_cast<Collector*>(self);
        c.sheet.rows.push_back(std::move(c.row));
        c.row.clear();
    }
};

// The line of byte offset pos (from 1).
std::size_t LineAt(const std::string& strText, std::size_t pos) {
    std::size_t line = 1;
    for (std::size_t i = 0; i < pos && i < strText.size(); ++i) {
        if (strText[i] == '\n') ++line;
    }
    return line;
}

}  // namespace

std::string NeutralisedCsvText(const std::string& strText) {
    return StartsFormula(strText) ? "'" + strText : strText;
}

std::string RestoredCsvText(const std::string& strField) {
    return !strField.empty() && strField.front() == '\'' ? strField.substr(1) : strField;
}

std::string CsvOfSheet(const SheetRows& sheet) {
    std::string out = kBom;
    std::vector<char> buffer;
    for (const SheetRow& row : sheet.rows) {
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (c > 0) out += ',';
            const std::string text = NeutralisedCsvText(row[c].text);
            // Quoted, with every quote doubled: at most twice the text and two quotes.
            buffer.resize(text.size() * 2 + 2);
            const std::size_t n = csv_write(buffer.data(), buffer.size(), text.data(), text.size());
            out.append(buffer.data(), n);
        }
        out += "\r\n";
    }
    return out;
}

bool SheetOfCsv(const std::string& strText, SheetRows& sheet, std::string& strErr) {
    sheet.rows.clear();
    std::string_view text(strText);
    if (text.substr(0, 3) == kBom) text.remove_prefix(3);
    csv_parser parser;
    if (csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI | CSV_APPEND_NULL) != 0) {
        strErr = "Unable to start reading CSV.";
        return false;
    }
    const std::unique_ptr<csv_parser, void (*)(csv_parser*)> guard(&parser, csv_free);
    csv_set_delim(&parser, static_cast<unsigned char>(Separator(std::string(text))));
    csv_set_space_func(&parser, NoSpace);
    Collector collector{sheet, {}, 1};
    const std::size_t parsed =
        csv_parse(&parser, text.data(), text.size(), Collector::Field, Collector::Record, &collector);
    if (parsed != text.size()) {
        strErr = "Malformed CSV at line " + std::to_string(LineAt(std::string(text), parsed)) + ": " +
                 csv_strerror(csv_error(&parser)) + " (a quote inside a field that is not quoted as a whole?).";
        return false;
    }
    if (csv_fini(&parser, Collector::Field, Collector::Record, &collector) != 0) {
        strErr = "Malformed CSV: a quoted field is not closed before the end of the file.";
        return false;
    }
    return true;
}

}  // namespace kel::sheets
