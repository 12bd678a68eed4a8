#include "cli/ShowCommand.h"

#include <filesystem>
#include <memory>
#include <optional>

#include "cli/AppFolderCheck.h"
#include "cli/ExitCodes.h"
#include "engine/DrawingTable.h"
#include "engine/IUserMessages.h"
#include "engine/cAutoCAD.h"
#include "platform/AppFolder.h"
#include "platform/FileSystem.h"
#include "runs/AttributeViewer.h"
#include "runs/PathText.h"

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
// A drawing without attributes gets the heading row alone, and blnEmpty.
std::string ReadAttributeTable(const std::string& strDWGpath, std::optional<AttributeTable>& table, bool& blnEmpty) {
    const std::string strName = UpperAscii(GetFileName(strDWGpath));
    StderrMessages messages;
    auto engine = std::make_unique<cAutoCAD>(DefaultComponentFactory(), &messages);
    if (engine->CreateComponent() != 1) return "Unable to create the drawing component.";
    if (!FileExists(strDWGpath)) return "File " + strName + " not found.";
    if (engine->OpenDrawing(strDWGpath) != 1) {
        std::string strStatus;
        try {
            strStatus = engine->objDWG ? engine->objDWG->Status() : std::string();
        } catch (...) {
        }
        return "Error opening file " + strName + (strStatus.empty() ? "" : " (" + strStatus + ")") + ".";
    }
    const DrawingTableFiles files{JoinPath(ApplicationFolder(), "_temp.xml"), JoinPath(ApplicationFolder(), "_flat.xml"),
                                  true};
    const DrawingTableOutcome outcome = AttributeTableOfDrawing(*engine, files, true, table);
    DeleteFileUtf8(files.strDrawingXml);
    DeleteFileUtf8(files.strFlatXml);
    if (outcome.blnNoAttributes) {
        blnEmpty = true;
        return table ? std::string() : DrawingTableFailureText(outcome, strName);
    }
    return DrawingTableFailureText(outcome, strName);
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

int RunShowCommand(const CliArguments& args, std::ostream& out, std::ostream& err) {
    if (!CheckApplicationFolder(err, true)) return kExitNoLogs;
    const std::string& strDWGpath = args.strDrawing;
    std::optional<AttributeTable> table;
    bool blnEmpty = false;
    const std::string strErr = ReadAttributeTable(strDWGpath, table, blnEmpty);
    if (!strErr.empty()) {
        err << strErr << '\n';
        return kExitDrawingsFailed;
    }
    if (blnEmpty) err << "kel-batch: " << strDWGpath << " has no attributes.\n";
    const bool blnHtml = !args.strHtmlFile.empty();
    if (blnHtml) {
        // The attribute viewer's page. The old file goes first, so a page that
        // cannot be written shows as a failure rather than as the old page.
        const std::string& strHTMLFile = args.strHtmlFile;
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
            return kExitDrawingsFailed;
        }
        return kExitOk;
    }
    out << TableToCsv(*table) << std::flush;
    return kExitOk;
}


}  // namespace kel::cli
