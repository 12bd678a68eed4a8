#include "cli/ShowCommand.h"

#include <filesystem>
#include <memory>
#include <optional>

#include "cli/AppFolderCheck.h"
#include "cli/ExitCodes.h"
#include "component/DrawingInfoXml.h"
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

// The number of attributes the open drawing's description lists; -1 when the
// component gives no description.
long CountAttributes(cAutoCAD& engine) {
    DrawingInfo info;
    try {
        if (!engine.objDWG || !engine.objDWG->DescribeDrawing(info)) return -1;
    } catch (...) {
        return -1;
    }
    long count = 0;
    for (const BlockInfo& block : info.blocks) {
        for (const InsertInfo& insert : block.inserts) count += static_cast<long>(insert.attributes.size());
    }
    return count;
}

// Flattens the drawing information XML in strTemp into the attribute table
// with headings; the engine result of the first step that failed, or 1.
std::int16_t TableOfXml(cAutoCAD& engine, const std::string& strTemp, std::optional<AttributeTable>& table,
                        std::int16_t& flattened) {
    const std::string strFlat = JoinPath(ApplicationFolder(), "_flat.xml");
    std::int32_t lngDrawingField = 0;
    flattened = engine.FlattenXMLfile(strTemp, strFlat, 3, lngDrawingField);
    DeleteFileUtf8(strTemp);
    std::int16_t read = 0;
    if (flattened == 1) read = engine.FlatXMLfileToArray(strFlat, table, true);
    DeleteFileUtf8(strFlat);
    return read;
}

// The heading row alone, as the table of a drawing with one attribute has it.
std::optional<AttributeTable> HeadingsOnly(cAutoCAD& engine) {
    InsertInfo insert;
    insert.attributes.push_back(AttributeInfo{"1", 1, "TAG", ""});
    const DrawingInfo sample{"", {BlockInfo{"*Model_Space", "Model", {insert}}}};
    const std::string strTemp = JoinPath(ApplicationFolder(), "_temp.xml");
    std::string strErr;
    std::optional<AttributeTable> table;
    std::int16_t flattened = 0;
    if (!WriteWorkFile(strTemp, DrawingInfoToXml(sample, true), strErr) ||
        TableOfXml(engine, strTemp, table, flattened) != 1 || !table || table->Rows() < 1) {
        return std::nullopt;
    }
    std::optional<AttributeTable> headings;
    headings.emplace(1, table->Columns());
    for (std::size_t c = 0; c < table->Columns(); ++c) headings->Cell(0, c) = table->Text(0, c);
    return headings;
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
    const long attributes = CountAttributes(*engine);

    const std::string strTemp = JoinPath(ApplicationFolder(), "_temp.xml");
    if (FileExists(strTemp)) DeleteFileUtf8(strTemp);
    engine->CreateXML(strTemp, 1);
    engine->CloseDrawing();

    std::int16_t flattened = 0;
    const std::int16_t read = TableOfXml(*engine, strTemp, table, flattened);
    if (attributes == 0) {
        table = HeadingsOnly(*engine);
        blnEmpty = true;
        return table ? std::string() : "Unable to read the attributes of " + strName + ".";
    }
    if (flattened != 1) {
        return "Unable to flatten the drawing information of " + strName + " (" + std::to_string(flattened) + ").";
    }
    if (read != 1 || !table) return "Unable to read the attributes of " + strName + ".";
    return {};
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
