#include "runs/AttributeViewer.h"

#include <memory>
#include <utility>

#include "engine/DrawingTable.h"
#include "platform/FileSystem.h"
#include "runs/PathText.h"

namespace kel {

std::int16_t WriteAttributePage(cAutoCAD& engine, const std::optional<AttributeTable>& varArray,
                                const std::string& strHTMLFile, const std::string& strDrawingPath) {
    // Centred gold table, black border 1, spacing and padding 2, narrow width,
    // cells aligned right and kept on one line, headings in bold.
    return engine.TwoDArrayToHTMLFile(varArray, strHTMLFile, strDrawingPath, strDrawingPath, "", "", 1, "",
                                      "#FFD700", 1, "black", 2, 2, 10, 2, false, true, false);
}

AttributeViewer::AttributeViewer(std::string strAppPath, IViewerWindow& window, IUserMessages& messages,
                                 IPageLauncher& launcher, ComponentFactory factory)
    : strAppPath_(std::move(strAppPath)),
      window_(window),
      messages_(messages),
      launcher_(launcher),
      factory_(std::move(factory)) {}

std::string AttributeViewer::WorkFile(const char* strName) const { return JoinPath(strAppPath_, strName); }

void AttributeViewer::View(const std::string& strFolder, const std::string& strName) {
    strDWGname_ = strName;
    strDWGpath_ = JoinPath(strFolder, strName);
    window_.SetBusy(true);

    std::string strErr;
    {
        auto engine = std::make_unique<cAutoCAD>(factory_, &messages_, strAppPath_);
        if (engine->CreateComponent() != 1) {
            engine.reset();
            window_.SetBusy(false);
            return;
        }
        try {
            strErr = ShowDrawing(*engine);
        } catch (...) {
            // Whatever failed is passed over like any other fault of a viewing.
        }
        // Releasing the engine closes a drawing left open.
        engine.reset();
    }
    window_.SetBusy(false);

    if (!strErr.empty()) {
        window_.Beep();
        window_.SetMessage(strErr);
    }
}

std::string AttributeViewer::ShowDrawing(cAutoCAD& engine) {
    const std::string strUpperName = UpperAscii(strDWGname_);
    if (!FileExists(strDWGpath_)) return "File " + strUpperName + " not found.";
    if (engine.OpenDrawing(strDWGpath_, "") != 1) return "Error opening file " + strUpperName + ".";

    const std::string strTemp = WorkFile(kViewerDrawingXml);
    const std::string strFlat = WorkFile(kViewerFlatXml);
    const std::string strPage = WorkFile(kViewerPage);

    std::optional<AttributeTable> table;
    const DrawingTableOutcome outcome = AttributeTableOfDrawing(engine, {strTemp, strFlat, true}, true, table);
    // No drawing information is what the flattening reports as a missing source (-1).
    if (outcome.failed == TableStep::DrawingXml || outcome.failed == TableStep::Flatten) {
        messages_.ShowMessage("FlattenXMLfile", std::to_string(outcome.result), MessageIcon::Information);
        return {};
    }
    if (!outcome.Ok()) return {};

    // The page of an earlier viewing goes first, so a page that cannot be
    // written is never shown in place of this drawing's.
    if (FileExists(strPage)) DeleteFileUtf8(strPage);
    WriteAttributePage(engine, table, strPage, strDWGpath_);
    if (FileExists(strPage)) launcher_.OpenDocument(strPage);
    return {};
}

}  // namespace kel
