#include "cli/ChangeList.h"

#include <algorithm>

namespace kel::cli {

namespace {

using Cells = std::vector<std::string>;

std::vector<Cells> Grid(const std::vector<ChangeRow>& rows) {
    std::vector<Cells> grid = {{"drawing", "layout", "block", "handle", "tag", "old value", "new value", "action"}};
    for (const ChangeRow& r : rows) {
        const AttributeChange& c = r.change;
        grid.push_back({r.drawing, c.layout, c.block, c.handle, c.tag, c.oldValue, c.newValue, c.action});
    }
    return grid;
}

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

// Characters of a UTF-8 text (continuation bytes not counted).
std::size_t Width(const std::string& text) {
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

std::string OneLine(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '\n') {
            out += "\\n";
        } else if (c != '\r') {
            out += c;
        }
    }
    return out;
}

}  // namespace

std::string ChangesAsCsv(const std::vector<ChangeRow>& rows) {
    std::string csv;
    for (const Cells& cells : Grid(rows)) {
        for (std::size_t i = 0; i < cells.size(); ++i) csv += (i ? "," : "") + CsvField(cells[i]);
        csv += "\r\n";
    }
    return csv;
}

std::string ChangesAsTable(const std::vector<ChangeRow>& rows) {
    std::vector<Cells> grid = Grid(rows);
    std::vector<std::size_t> widths(grid[0].size(), 0);
    for (Cells& cells : grid) {
        for (std::size_t i = 0; i < cells.size(); ++i) {
            cells[i] = OneLine(cells[i]);
            widths[i] = std::max(widths[i], Width(cells[i]));
        }
    }
    std::string table;
    for (const Cells& cells : grid) {
        std::string line;
        for (std::size_t i = 0; i < cells.size(); ++i) {
            line += cells[i];
            if (i + 1 < cells.size()) line += std::string(widths[i] - Width(cells[i]) + 2, ' ');
        }
        table += line + "\n";
    }
    return table;
}

}  // namespace kel::cli
