// kel-batch --xml DRAWING: prints the drawing information XML that the engine's
// component writes for one drawing, as the attribute chapter the engine reads.
#include <ostream>
#include <string>

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

// Copies a file to `out`; false with the reason when it cannot be read.
bool CopyWorkFile(const std::string& strPath, std::ostream& out, std::string& strErr) {
    FileReader reader;
    if (!reader.Open(strPath, strErr)) return false;
    std::string buffer(std::size_t{1} << 20, '\0');
    for (;;) {
        std::size_t got = 0;
        if (!reader.Read(buffer.data(), buffer.size(), got, strErr)) return false;
        if (got == 0) return true;
        out.write(buffer.data(), static_cast<std::streamsize>(got));
    }
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
    // The drawing is let go of first, and the work file copied out a piece
    // at a time: a large drawing's XML is tens of megabytes.
    engine.CloseDrawing();
    std::string strErr;
    const bool copied = CopyWorkFile(strXml, out, strErr);
    DeleteFileUtf8(strXml);
    if (!copied) return fail("the work file " + strXml + " could not be read: " + strErr);
    out.flush();
    return out ? kExitOk : kExitDrawingsFailed;
}

}  // namespace kel::cli
