#include "sheets/SheetFile.h"

#include <algorithm>

#include "engine/TextLines.h"
#include "platform/FileSystem.h"
#include "sheets/CsvSheet.h"
#include "sheets/XlsxSheet.h"

namespace kel::sheets {

SheetFormat FormatOfFile(const std::string& strPath) {
    const std::size_t dot = strPath.rfind('.');
    if (dot == std::string::npos) return SheetFormat::Unknown;
    std::string ext = strPath.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (ext == "xlsx") return SheetFormat::Xlsx;
    if (ext == "csv") return SheetFormat::Csv;
    return SheetFormat::Unknown;
}

bool WriteSheetFile(const std::string& strPath, const SheetRows& sheet, std::string& strErr) {
    switch (FormatOfFile(strPath)) {
        case SheetFormat::Xlsx:
            return WriteXlsx(strPath, sheet, strErr);
        case SheetFormat::Csv:
            return WriteWorkFile(strPath, CsvOfSheet(sheet), strErr);
        case SheetFormat::Unknown:
            break;
    }
    strErr = "The file name must end in .xlsx or .csv: " + strPath + ".";
    return false;
}

bool ReadSheetFile(const std::string& strPath, SheetRows& sheet, std::string& strErr) {
    switch (FormatOfFile(strPath)) {
        case SheetFormat::Xlsx:
            return ReadXlsx(strPath, sheet, strErr);
        case SheetFormat::Csv: {
            std::string text, why;
            if (!ReadWholeFile(strPath, text, why)) {
                strErr = "Unable to read " + strPath + " (" + why + ").";
                return false;
            }
            // A program that saved the CSV in a legacy code page: its bytes are
            // taken as Latin-1, as the other text files are, so that only
            // UTF-8 reaches the drawings.
            return SheetOfCsv(DecodeText(text), sheet, strErr);
        }
        case SheetFormat::Unknown:
            break;
    }
    strErr = "The file name must end in .xlsx or .csv: " + strPath + ".";
    return false;
}

}  // namespace kel::sheets
