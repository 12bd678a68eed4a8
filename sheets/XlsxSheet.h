// XLSX sheets: written with libxlsxwriter, read with libzip and expat (the
// first worksheet; shared strings, inline strings, and numbers a spreadsheet
// program made of texts).
#pragma once

#include <string>

#include "engine/AttributeSheet.h"

namespace kel::sheets {

bool WriteXlsx(const std::string& strPath, const SheetRows& sheet, std::string& strErr);
bool ReadXlsx(const std::string& strPath, SheetRows& sheet, std::string& strErr);

}  // namespace kel::sheets
