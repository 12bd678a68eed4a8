// Attribute sheets as files: XLSX for spreadsheet programs, CSV for scripts.
// The file's name picks the format (".xlsx" or ".csv", letter case ignored).
#pragma once

#include <string>

#include "engine/AttributeSheet.h"

namespace kel::sheets {

enum class SheetFormat { Unknown, Xlsx, Csv };

SheetFormat FormatOfFile(const std::string& strPath);

// Writes the sheet (heading row first; the first kSheetKeyColumns columns
// identify the insert). False, with the reason, when the file cannot be written.
bool WriteSheetFile(const std::string& strPath, const SheetRows& sheet, std::string& strErr);

// Reads the first worksheet of an XLSX file, or a CSV file. False, with a
// clear reason, for a file that cannot be read or is malformed.
bool ReadSheetFile(const std::string& strPath, SheetRows& sheet, std::string& strErr);

}  // namespace kel::sheets
