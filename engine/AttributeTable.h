// The attribute table: rows by columns of cells, each holding a string or nothing.
// Row and column indices run from their lower bounds (0 for a table read from a
// flat XML file) to lower bound + count - 1.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace kel {

class AttributeTable {
public:
    AttributeTable() = default;
    AttributeTable(std::size_t nRows, std::size_t nColumns)
        : nRows_(nRows), nColumns_(nColumns), cells_(nRows * nColumns) {}

    std::size_t Rows() const { return nRows_; }
    std::size_t Columns() const { return nColumns_; }

    const std::optional<std::string>& Cell(std::size_t r, std::size_t c) const {
        return cells_[r * nColumns_ + c];
    }
    std::optional<std::string>& Cell(std::size_t r, std::size_t c) { return cells_[r * nColumns_ + c]; }

    // The cell's text, "" for an empty cell.
    const std::string& Text(std::size_t r, std::size_t c) const {
        static const std::string kEmpty;
        const auto& v = Cell(r, c);
        return v ? *v : kEmpty;
    }

private:
    std::size_t nRows_ = 0;
    std::size_t nColumns_ = 0;
    std::vector<std::optional<std::string>> cells_;
};

}  // namespace kel
