// kel-batch --show DRAWING [--html FILE]: the drawing's attribute table as CSV,
// or as the attribute viewer's HTML page.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/Arguments.h"
#include "engine/AttributeTable.h"

namespace kel::cli {

// Writes the table of args.strDrawing with its headings to out, or with
// --html the page to args.strHtmlFile. Returns an exit code of cli/ExitCodes.h,
// with a message on err for a failure.
int RunShowCommand(const CliArguments& args, std::ostream& out, std::ostream& err);

// kel-batch --xml DRAWING: the drawing information XML on out.
int RunXmlCommand(const CliArguments& args, std::ostream& out, std::ostream& err);

// The table as CSV: fields holding a comma, a quote, CR or LF are quoted with
// quotes doubled; every record ends with CR LF.
std::string TableToCsv(const AttributeTable& table);

}  // namespace kel::cli
