// The attribute table: rows by columns of cells, each holding a string or nothing.
// Row and column indices run from their lower bounds (0 for a table read from a
// flat XML file) to lower bound + count - 1.
//
// A table may also have a single dimension (a plain list of cells); it then has
// one column at lower bound 0, and code that needs rows and columns refuses it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace kel {

class AttributeTable {
public:
    AttributeTable() = default;
    AttributeTable(std::size_t nRows, std::size_t nColumns, std::size_t rowLower = 0, std::size_t columnLower = 0)
        : nRows_(nRows), nColumns_(nColumns), rowLower_(rowLower), columnLower_(columnLower),
          cells_(nRows * nColumns) {}

    // A one-dimensional table of nCells cells, indexed (i, 0) from lower.
    static AttributeTable OneDimensional(std::size_t nCells, std::size_t lower = 0) {
        AttributeTable table(nCells, 1, lower, 0);
        table.dimensions_ = 1;
        return table;
    }

    std::size_t Dimensions() const { return dimensions_; }
    std::size_t Rows() const { return nRows_; }
    std::size_t Columns() const { return nColumns_; }
    std::size_t RowLower() const { return rowLower_; }
    std::size_t ColumnLower() const { return columnLower_; }

    const std::optional<std::string>& Cell(std::size_t r, std::size_t c) const { return cells_[Index(r, c)]; }
    std::optional<std::string>& Cell(std::size_t r, std::size_t c) { return cells_[Index(r, c)]; }

    // The cell's text, "" for an empty cell.
    const std::string& Text(std::size_t r, std::size_t c) const {
        static const std::string kEmpty;
        const auto& v = Cell(r, c);
        return v ? *v : kEmpty;
    }

private:
    std::size_t Index(std::size_t r, std::size_t c) const { return (r - rowLower_) * nColumns_ + (c - columnLower_); }

    std::size_t dimensions_ = 2;
    std::size_t nRows_ = 0;
    std::size_t nColumns_ = 0;
    std::size_t rowLower_ = 0;
    std::size_t columnLower_ = 0;
    std::vector<std::optional<std::string>> cells_;
};

}  // namespace kel
