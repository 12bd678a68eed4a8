#include "cli/ShowCommand.h"

#include <filesystem>
#include <memory>
#include <optional>

#include "cli/CliCommand.h"
#include "engine/IUserMessages.h"
#include "engine/cAutoCAD.h"
#include "platform/AppFolder.h"
#include "platform/FileSystem.h"
#include "runs/AttributeViewer.h"
#include "runs/PathText.h"
#include "runs/RunState.h"

namespace kel::cli {

namespace {

std::string CsvField(const std::string& strText) {
    if (strText.find_first_of(",\"\r\n") == std::string::npos) return strText;
    std::string quoted = "\"";
    for (char c : strText) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

// Builds the table of strDWGpath with its headings; "" or the failure text.
std::string ReadAttributeTable(std::optional<AttributeTable>& table) {
    const std::string strName = UpperAscii(strDWGname);
    StderrMessages messages;
    auto engine = std::make_unique<cAutoCAD>(DefaultComponentFactory(), &messages);
    if (engine->CreateComponent() != 1) return "Unable to create the drawing component.";
    if (!FileExists(strDWGpath)) return "File " + strName + " not found.";
    if (engine->OpenDrawing(strDWGpath) != 1) return "Error opening file " + strName + ".";

    const std::string strFolder = ApplicationFolder();
    const std::string strTemp = JoinPath(strFolder, "_temp.xml");
    const std::string strFlat = JoinPath(strFolder, "_flat.xml");
    if (FileExists(strTemp)) DeleteFileUtf8(strTemp);
    engine->CreateXML(strTemp, 1);
    engine->CloseDrawing();

    std::int32_t lngDrawingField = 0;
    const std::int16_t flattened = engine->FlattenXMLfile(strTemp, strFlat, 3, lngDrawingField);
    DeleteFileUtf8(strTemp);
    std::string strErr;
    if (flattened != 1) {
        strErr = "Unable to flatten the drawing information of " + strName + " (" + std::to_string(flattened) + ").";
    } else if (engine->FlatXMLfileToArray(strFlat, table, true) != 1 || !table) {
        strErr = "Unable to read the attributes of " + strName + ".";
    }
    DeleteFileUtf8(strFlat);
    return strErr;
}

}  // namespace

std::string TableToCsv(const AttributeTable& table) {
    std::string csv;
    for (std::size_t r = 0; r < table.Rows(); ++r) {
        for (std::size_t c = 0; c < table.Columns(); ++c) {
            if (c > 0) csv += ',';
            csv += CsvField(table.Text(r, c));
        }
        csv += "\r\n";
    }
    return csv;
}

int RunShowCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const bool blnHtml = args.size() == 4 && args[2] == "--html";
    if ((args.size() != 2 && !blnHtml) || args[0] != "--show") {
        err << "Usage: kel-batch --show DRAWING [--html FILE]\n";
        return 1;
    }
    strDWGpath = args[1];
    strDWGname = GetFileName(strDWGpath);
    std::optional<AttributeTable> table;
    const std::string strErr = ReadAttributeTable(table);
    if (!strErr.empty()) {
        err << strErr << '\n';
        return 1;
    }
    if (blnHtml) {
        // The attribute viewer's page. The old file goes first, so a page that
        // cannot be written shows as a failure rather than as the old page.
        const std::string& strHTMLFile = args[3];
        std::error_code ec;
        const bool blnFolder = std::filesystem::is_directory(PathFromUtf8(strHTMLFile), ec);
        if (!blnFolder) {
            if (FileExists(strHTMLFile)) DeleteFileUtf8(strHTMLFile);
            StderrMessages messages;
            cAutoCAD engine(DefaultComponentFactory(), &messages);
            WriteAttributePage(engine, table, strHTMLFile, strDWGpath);
        }
        if (blnFolder || !FileExists(strHTMLFile)) {
            err << "Unable to write " << strHTMLFile << ".\n";
            return 1;
        }
        return 0;
    }
    out << TableToCsv(*table) << std::flush;
    return 0;
}

namespace {

const Registration reg{CliCommand{
    "--show DRAWING [--html FILE]",
    "print the attribute table of DRAWING as CSV, or write it to FILE as HTML",
    11,
    [](const Args& args) { return !args.empty() && args[0] == "--show"; },
    RunShowCommand,
}};

}  // namespace

}  // namespace kel::cli
