// Writing an attribute sheet as XLSX. Every value is a text cell, so that a
// spreadsheet program shows "007", "1/2" and "=A1" as they are; the columns
// that identify an insert are shaded and locked, the tag columns unlocked, the
// heading row bold, frozen and filtered.
#include "sheets/XlsxSheet.h"

#include <xlsxwriter.h>

#include <algorithm>

#include "sheets/SheetLibraries.h"

namespace kel::sheets {

namespace {

// The longest text a cell holds.
constexpr std::size_t kMaxCellText = 32767;
constexpr std::size_t kMaxRows = 1048576;
constexpr std::size_t kMaxColumns = 16384;

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

// The file format writes characters XML cannot hold as "_xHHHH_"; a text that
// holds such a sequence itself has its underscore written as "_x005F_", so
// that readers do not take it for an escape.
std::string EscapedText(const std::string& strText) {
    std::string out;
    for (std::size_t i = 0; i < strText.size(); ++i) {
        if (strText[i] == '_' && i + 6 < strText.size() && strText[i + 1] == 'x' && IsHex(strText[i + 2]) &&
            IsHex(strText[i + 3]) && IsHex(strText[i + 4]) && IsHex(strText[i + 5]) && strText[i + 6] == '_') {
            out += "_x005F_";
        } else {
            out += strText[i];
        }
    }
    return out;
}

}  // namespace

bool WriteXlsx(const std::string& strPath, const SheetRows& sheet, std::string& strErr) {
    const std::size_t columns = sheet.rows.empty() ? 0 : sheet.rows.front().size();
    if (sheet.rows.size() > kMaxRows || columns > kMaxColumns) {
        strErr = "The sheet has more rows or columns than an XLSX worksheet holds.";
        return false;
    }
    for (std::size_t r = 0; r < sheet.rows.size(); ++r) {
        for (std::size_t c = 0; c < sheet.rows[r].size(); ++c) {
            if (sheet.rows[r][c].text.size() > kMaxCellText) {
                strErr = "Cell " + CellName(c, r + 1) + " holds more than 32767 characters, more than XLSX allows.";
                return false;
            }
        }
    }
    const XlsxWriterFunctions* lxw = LoadXlsxWriter(strErr);
    if (!lxw) {
        strErr = "Unable to write " + strPath + ": " + strErr + ".";
        return false;
    }
    lxw_workbook* workbook = lxw->workbook_new(strPath.c_str());
    if (!workbook) {
        strErr = "Unable to create " + strPath + ".";
        return false;
    }
    lxw_worksheet* worksheet = lxw->workbook_add_worksheet(workbook, "Attributes");
    lxw_format* keyHeading = lxw->workbook_add_format(workbook);
    lxw->format_set_bold(keyHeading);
    lxw->format_set_bg_color(keyHeading, 0xD9D9D9);
    lxw_format* tagHeading = lxw->workbook_add_format(workbook);
    lxw->format_set_bold(tagHeading);
    lxw->format_set_bg_color(tagHeading, 0xFFF2CC);
    lxw_format* key = lxw->workbook_add_format(workbook);
    lxw->format_set_bg_color(key, 0xEDEDED);
    lxw->format_set_font_color(key, 0x595959);
    lxw_format* value = lxw->workbook_add_format(workbook);
    lxw->format_set_unlocked(value);
    lxw->format_set_num_format(value, "@");

    lxw_error rc = LXW_NO_ERROR;
    for (std::size_t r = 0; r < sheet.rows.size() && rc == LXW_NO_ERROR; ++r) {
        for (std::size_t c = 0; c < sheet.rows[r].size() && rc == LXW_NO_ERROR; ++c) {
            const bool identifying = c < kSheetKeyColumns;
            lxw_format* format = r == 0 ? (identifying ? keyHeading : tagHeading) : (identifying ? key : value);
            rc = lxw->worksheet_write_string(worksheet, static_cast<lxw_row_t>(r), static_cast<lxw_col_t>(c),
                                        EscapedText(sheet.rows[r][c].text).c_str(), format);
        }
    }
    if (columns > 0 && rc == LXW_NO_ERROR) {
        lxw->worksheet_set_column(worksheet, 0, 0, 40, nullptr);
        lxw->worksheet_set_column(worksheet, 1, static_cast<lxw_col_t>(std::min(columns, kSheetKeyColumns) - 1), 14,
                             nullptr);
        if (columns > kSheetKeyColumns) {
            // Empty cells of the tag columns are text cells too when typed into.
            lxw->worksheet_set_column(worksheet, kSheetKeyColumns, static_cast<lxw_col_t>(columns - 1), 16, value);
        }
        lxw->worksheet_freeze_panes(worksheet, 1, static_cast<lxw_col_t>(std::min(columns, kSheetKeyColumns)));
        rc = lxw->worksheet_autofilter(worksheet, 0, 0, static_cast<lxw_row_t>(sheet.rows.size() - 1),
                                  static_cast<lxw_col_t>(columns - 1));
        // The identifying cells cannot be typed over; sorting, filtering and
        // column widths stay free. No password: the protection only guards
        // against slips.
        lxw_protection protection{};
        protection.sort = 1;
        protection.autofilter = 1;
        protection.format_columns = 1;
        protection.format_rows = 1;
        lxw->worksheet_protect(worksheet, nullptr, &protection);
    }
    const lxw_error closed = lxw->workbook_close(workbook);
    if (rc != LXW_NO_ERROR || closed != LXW_NO_ERROR) {
        strErr = "Unable to write " + strPath + " (" + lxw->lxw_strerror(rc != LXW_NO_ERROR ? rc : closed) + ").";
        return false;
    }
    return true;
}

}  // namespace kel::sheets
