// kel-batch --show DRAWING [--html FILE]: the drawing's attribute table as CSV,
// or as the attribute viewer's HTML page.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "engine/AttributeTable.h"

namespace kel::cli {

// args are the arguments after the program name, "--show" included. Writes the
// table with its headings to out, or with "--html FILE" the page to FILE;
// returns 0, or 1 with a message on err.
int RunShowCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The table as CSV: fields holding a comma, a quote, CR or LF are quoted with
// quotes doubled; every record ends with CR LF.
std::string TableToCsv(const AttributeTable& table);

}  // namespace kel::cli
