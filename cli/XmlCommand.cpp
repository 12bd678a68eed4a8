// kel-batch --xml DRAWING: prints the drawing information XML that the engine's
// component writes for one drawing, as the attribute chapter the engine reads.
#include <ostream>

#include "cli/AppFolderCheck.h"
#include "cli/ShowCommand.h"
#include "cli/ExitCodes.h"
#include "engine/cAutoCAD.h"
#include "platform/FileSystem.h"

namespace kel::cli {

namespace {

// Status text of the engine's component, "" when there is none.
std::string ComponentStatus(const cAutoCAD& engine) {
    try {
        return engine.objDWG ? engine.objDWG->Status() : std::string();
    } catch (...) {
        return {};
    }
}

std::string WithStatus(const std::string& text, const std::string& status) {
    return status.empty() ? text : text + " (" + status + ")";
}

}  // namespace

int RunXmlCommand(const CliArguments& args, std::ostream& out, std::ostream& err) {
    const std::string& strDrawing = args.strDrawing;
    const auto fail = [&](const std::string& why) {
        err << "kel-batch: cannot read " << strDrawing << ": " << why << "\n";
        return kExitDrawingsFailed;
    };
    if (!CheckApplicationFolder(err, true)) return kExitNoLogs;

    cAutoCAD engine;
    if (engine.CreateComponent() != 1) return fail("the drawing component could not be created");

    const std::int16_t opened = engine.OpenDrawing(strDrawing);
    if (opened == 0) {
        return fail(FileExists(strDrawing) ? "not a drawing file (the name must end in .dwg or .dxf)"
                                           : "file not found");
    }
    if (opened != 1) return fail(WithStatus("the drawing could not be opened", ComponentStatus(engine)));

    const std::string strXml = engine.strAppFolder + "_xml.xml";
    if (engine.CreateXML(strXml, 1) != 1) {
        const std::string status = ComponentStatus(engine);
        DeleteFileUtf8(strXml);
        engine.CloseDrawing();
        return fail(WithStatus("the drawing information could not be written", status));
    }
    std::string strData;
    std::string strErr;
    const bool read = ReadWholeFile(strXml, strData, strErr);
    DeleteFileUtf8(strXml);
    engine.CloseDrawing();
    if (!read) return fail("the work file " + strXml + " could not be read: " + strErr);
    out << strData;
    out.flush();
    return out ? kExitOk : kExitDrawingsFailed;
}

}  // namespace kel::cli
