// The rows a dry run prints: one per attribute that would change.
#pragma once

#include <string>
#include <vector>

#include "engine/AttributeChange.h"

namespace kel::cli {

struct ChangeRow {
    std::string drawing;
    AttributeChange change;
};

// With a heading row: drawing, layout, block, handle, tag, old value, new
// value, action. CSV: RFC 4180 quoting, CR LF line ends. Table: columns padded
// to their widest cell (line breaks in values shown as "\n").
std::string ChangesAsCsv(const std::vector<ChangeRow>& rows);
std::string ChangesAsTable(const std::vector<ChangeRow>& rows);

}  // namespace kel::cli
