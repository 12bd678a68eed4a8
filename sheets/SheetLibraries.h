// The XLSX libraries, loaded the first time a sheet is written or read: both
// pull in a large crypto library, which would otherwise be loaded and
// relocated at every start of the program, for runs that touch no sheet.
#pragma once

#include <xlsxwriter.h>
#include <zip.h>

#include <string>

namespace kel::sheets {

#define KEL_XLSXWRITER_FUNCTIONS(X)                                                                              \
    X(workbook_new) X(workbook_add_worksheet) X(workbook_add_format) X(workbook_close) X(format_set_bold)       \
    X(format_set_bg_color) X(format_set_font_color) X(format_set_unlocked) X(format_set_num_format)            \
    X(worksheet_write_string) X(worksheet_set_column) X(worksheet_freeze_panes) X(worksheet_autofilter)        \
    X(worksheet_protect) X(lxw_strerror)
#define KEL_LIBZIP_FUNCTIONS(X) X(zip_open) X(zip_discard) X(zip_stat_init) X(zip_stat) X(zip_fopen) X(zip_fread) X(zip_fclose)

#define KEL_SHEET_FUNCTION_POINTER(name) decltype(&::name) name = nullptr;
struct XlsxWriterFunctions {
    KEL_XLSXWRITER_FUNCTIONS(KEL_SHEET_FUNCTION_POINTER)
};
struct ZipFunctions {
    KEL_LIBZIP_FUNCTIONS(KEL_SHEET_FUNCTION_POINTER)
};
#undef KEL_SHEET_FUNCTION_POINTER

// The library's functions, loaded once and kept; null, with the reason in
// strErr, when the library or one of the functions cannot be found.
const XlsxWriterFunctions* LoadXlsxWriter(std::string& strErr);
const ZipFunctions* LoadZip(std::string& strErr);

}  // namespace kel::sheets
