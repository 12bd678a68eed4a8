#include "runs/SheetExport.h"

#include <algorithm>

#include "engine/DrawingTable.h"
#include "engine/TextSearch.h"
#include "platform/FileSystem.h"
#include "runs/ListFile.h"
#include "runs/PathText.h"
#include "runs/Wildcard.h"
#include "runs/WildcardScan.h"

namespace kel {

namespace {

// A status line that keeps nothing: the scans' messages are not wanted here.
class QuietStatus : public IStatusLine {
public:
    void SetMessage(const std::string&) override {}
    void RepaintMessage() override {}
    void SetBusy(bool) override {}
};

bool IsListFile(const std::string& strPath) {
    if (strPath.size() < 4) return false;
    std::string ext = strPath.substr(strPath.size() - 4);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == ".dlf";
}

void AddDrawingOrScan(const std::string& strEntry, std::vector<std::string>& drawings) {
    QuietStatus status;
    if (HasWildcard(strEntry)) {
        for (std::string& found : FindEntryDrawings(strEntry, status)) drawings.push_back(std::move(found));
    } else {
        drawings.push_back(strEntry);
    }
}

}  // namespace

std::vector<std::string> DrawingsOfArguments(const std::vector<std::string>& args, std::vector<std::string>& problems) {
    std::vector<std::string> drawings;
    for (const std::string& arg : args) {
        if (!IsListFile(arg)) {
            AddDrawingOrScan(arg, drawings);
            continue;
        }
        std::vector<std::string> lines;
        std::string strErr;
        if (!ReadListFile(arg, lines, strErr)) {
            problems.push_back(arg + ": " + strErr);
            continue;
        }
        for (const std::string& line : lines) {
            const ListLine entry = ParseListLine(line);
            if (entry.kind == ListLine::Kind::End) break;
            if (entry.kind == ListLine::Kind::Entry) AddDrawingOrScan(TrimBlanks(entry.strDrawing), drawings);
        }
    }
    return drawings;
}

SheetExportResult ExportAttributeSheet(const std::vector<std::string>& drawings, const ComponentFactory& factory,
                                       IUserMessages* messages, const std::string& strWorkFolder,
                                       const std::function<void(const std::string&)>& progress) {
    SheetExportResult result;
    AttributeSheetBuilder builder;
    cAutoCAD engine(factory, messages, strWorkFolder);
    if (engine.CreateComponent() != 1) {
        result.strError = "Unable to create the drawing component.";
        result.sheet = builder.Build();
        return result;
    }
    const DrawingTableFiles files{JoinPath(strWorkFolder, "_sheet.xml"), JoinPath(strWorkFolder, "_sheetflat.xml"),
                                  true};
    for (const std::string& strPath : drawings) {
        if (progress) progress(strPath);
        if (!FileExists(strPath)) {
            result.failures.push_back(strPath + ": not found.");
            continue;
        }
        if (engine.OpenDrawing(strPath) != 1) {
            std::string strStatus;
            try {
                strStatus = engine.objDWG ? engine.objDWG->Status() : std::string();
            } catch (...) {
            }
            result.failures.push_back(strPath + ": cannot be opened" + (strStatus.empty() ? "" : " (" + strStatus + ")") +
                                      ".");
            continue;
        }
        std::optional<AttributeTable> table;
        const DrawingTableOutcome outcome = AttributeTableOfDrawing(engine, files, false, table);
        DeleteFileUtf8(files.strDrawingXml);
        DeleteFileUtf8(files.strFlatXml);
        if (outcome.Ok() && table) {
            builder.AddDrawing(strPath, *table);
        } else if (!outcome.blnNoAttributes) {
            result.failures.push_back(strPath + ": " + DrawingTableFailureText(outcome, UpperAscii(GetFileName(strPath))));
            continue;
        }
        ++result.drawings;
    }
    result.sheet = builder.Build();
    return result;
}

}  // namespace kel
