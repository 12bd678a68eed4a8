// CSV sheets: UTF-8 with a byte order mark, every field quoted (RFC 4180),
// records ending in CR LF.
//
// A spreadsheet program runs a field that starts with "=", "+", "-" or "@" (or
// a tab or CR) as a formula. Such a field is written with an apostrophe in
// front, and so is a field that starts with an apostrophe itself; reading takes
// one leading apostrophe away. Every text thus comes back as it was written,
// and a program opening the file shows the apostrophe rather than running a
// formula.
//
// Reading takes what spreadsheet programs save: "," or ";" between fields (the
// heading row tells), a byte order mark or none, CR LF or LF, fields quoted or
// not; a file that is not UTF-8 is read as Latin-1.
#pragma once

#include <string>

#include "engine/AttributeSheet.h"

namespace kel::sheets {

// A field's text as written into the file, before quoting, and back.
std::string NeutralisedCsvText(const std::string& strText);
std::string RestoredCsvText(const std::string& strField);

std::string CsvOfSheet(const SheetRows& sheet);
// False, with the reason (and the line it was found on), for malformed text.
bool SheetOfCsv(const std::string& strText, SheetRows& sheet, std::string& strErr);

}  // namespace kel::sheets
