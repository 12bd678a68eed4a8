// The HTML report: an attribute table as the markup of one table, and as a
// complete page written to a file.
//
// Cell texts, the heading and the title come from drawings and are escaped, so
// a value such as "<script>" shows as text. The page declares UTF-8, the
// encoding of every text the engine handles.
#include <exception>
#include <string>

#include "engine/HtmlText.h"
#include "engine/TextSearch.h"
#include "engine/cAutoCAD.h"
#include "engine/clsConcat.h"
#include "platform/FileSystem.h"

namespace kel {
namespace {

constexpr const char* kCrLf = "\r\n";

// 0 LEFT, 1 CENTER, 2 RIGHT; any other value is taken as LEFT.
const char* AlignmentWord(std::int32_t lngAlign) {
    switch (lngAlign) {
        case 1: return "CENTER";
        case 2: return "RIGHT";
        default: return "LEFT";
    }
}

bool IsBlank(const std::string& strValue) { return TrimBlanks(strValue).empty(); }

// " NAME='value'" for a value that is not blank, written as given; "" otherwise.
std::string OptionalAttribute(const char* strName, const std::string& strValue) {
    if (IsBlank(strValue)) return {};
    return std::string(" ") + strName + "='" + strValue + "'";
}

}  // namespace

std::int16_t cAutoCAD::TwoDArrayToHTMLTable(const std::optional<AttributeTable>& varArray, std::string& strTable,
                                            std::int32_t lngTableAlign, const std::string& strBackground,
                                            const std::string& strBackgroundColor, std::int16_t intBorder,
                                            const std::string& strBorderColor, std::int16_t intCellSpacing,
                                            std::int16_t intCellPadding, std::int16_t intWidthPct,
                                            std::int32_t lngTableCellAlign, bool blnWrapCellData,
                                            bool blnBoldFirstRow, bool blnBoldFirstColumn) {
    if (!varArray) return -1;
    try {
        const AttributeTable& table = *varArray;
        if (table.Dimensions() != 2) return -2;

        clsConcat builder;
        builder.SConcat(std::string("<TABLE ALIGN=") + AlignmentWord(lngTableAlign) +
                        " BORDER=" + std::to_string(intBorder) + " CELLSPACING=" + std::to_string(intCellSpacing) +
                        " CELLPADDING=" + std::to_string(intCellPadding) + " WIDTH='" + std::to_string(intWidthPct) +
                        "%'" + OptionalAttribute("BACKGROUND", strBackground) +
                        OptionalAttribute("BGCOLOR", strBackgroundColor) +
                        OptionalAttribute("BORDERCOLOR", strBorderColor) + "><TBODY>" + kCrLf);

        const std::string strNoWrap = blnWrapCellData ? "" : " NOWRAP";
        const std::string strRowOpen = std::string("<TR ALIGN=") + AlignmentWord(lngTableCellAlign) + strNoWrap + ">";
        const std::string strBoldOpen = "<TD" + strNoWrap + "><STRONG>";
        const std::string strPlainOpen = "<TD" + strNoWrap + ">";
        const std::string strRowClose = std::string("</TR>") + kCrLf;

        const std::size_t firstRow = table.RowLower(), firstColumn = table.ColumnLower();
        for (std::size_t r = firstRow; r < firstRow + table.Rows(); ++r) {
            builder.SConcat(strRowOpen);
            for (std::size_t c = firstColumn; c < firstColumn + table.Columns(); ++c) {
                const bool bold = (blnBoldFirstRow && r == firstRow) || (blnBoldFirstColumn && c == firstColumn);
                builder.SConcat(bold ? strBoldOpen : strPlainOpen);
                builder.SConcat(EscapeHtml(table.Text(r, c)));
                builder.SConcat(bold ? "</STRONG></TD>" : "</TD>");
            }
            builder.SConcat(strRowClose);
        }
        builder.SConcat("</TBODY></TABLE>");
        strTable = builder.GetString();
        return 1;
    } catch (...) {
        return -2;
    }
}

std::int16_t cAutoCAD::TwoDArrayToHTMLFile(const std::optional<AttributeTable>& varArray,
                                           const std::string& strHTMLFile, const std::string& strPageHeading,
                                           const std::string& strPageTitle, const std::string& strPageBackground,
                                           const std::string& strPageBackgroundColor, std::int32_t lngTableAlign,
                                           const std::string& strBackground, const std::string& strBackgroundColor,
                                           std::int16_t intBorder, const std::string& strBorderColor,
                                           std::int16_t intCellSpacing, std::int16_t intCellPadding,
                                           std::int16_t intWidthPct, std::int32_t lngTableCellAlign,
                                           bool blnWrapCellData, bool blnBoldFirstRow, bool blnBoldFirstColumn) {
    if (!varArray) return -1;
    std::string strPage;
    try {
        // A table that cannot be built leaves an empty table part.
        std::string strTable;
        TwoDArrayToHTMLTable(varArray, strTable, lngTableAlign, strBackground, strBackgroundColor, intBorder,
                             strBorderColor, intCellSpacing, intCellPadding, intWidthPct, lngTableCellAlign,
                             blnWrapCellData, blnBoldFirstRow, blnBoldFirstColumn);

        strPage = std::string("<HTML>") + kCrLf + "<HEAD>" + kCrLf + "<META CHARSET=\"UTF-8\">" + kCrLf;
        if (!IsBlank(strPageHeading)) {
            strPage += "<STRONG><CENTER>" + EscapeHtml(TrimBlanks(strPageHeading)) + "</CENTER></STRONG><BR>" + kCrLf;
        }
        strPage += std::string("<TITLE>") + kCrLf;
        if (!IsBlank(strPageTitle)) strPage += EscapeHtml(TrimBlanks(strPageTitle)) + kCrLf;
        strPage += std::string("</TITLE>") + kCrLf + "</HEAD>" + kCrLf;
        strPage += "<BODY " + OptionalAttribute("BGCOLOR", strPageBackgroundColor) +
                   OptionalAttribute("BACKGROUND", strPageBackground) + ">" + kCrLf;
        strPage += strTable + kCrLf + "</BODY>" + kCrLf + "</HTML>" + kCrLf;
        // The page is written as one line.
        strPage += kCrLf;
    } catch (...) {
        return -2;
    }

    // A page that cannot be written is passed over: the caller opens the file
    // and finds it missing or as it was.
    try {
        std::string strErr;
        WriteFileAtomic(strHTMLFile, strPage, strErr);
    } catch (...) {
    }
    return 1;
}

}  // namespace kel
