// The attributes of drawings as one sheet: each drawing is opened, its
// attribute table read on the engine's one pipeline, and its inserts added as
// rows. Nothing in the drawings changes.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/AttributeSheet.h"
#include "engine/IUserMessages.h"
#include "engine/cAutoCAD.h"

namespace kel {

// The drawings a run names: each argument is a drawing, a drawing list file
// (".dlf": its entries' drawings, wildcard entries scanned) or a wildcard
// specification (scanned as a list file entry is). Failures (a list file that
// cannot be read) are added to problems.
std::vector<std::string> DrawingsOfArguments(const std::vector<std::string>& args, std::vector<std::string>& problems);

struct SheetExportResult {
    SheetRows sheet;
    int drawings = 0;  // drawings read
    // "PATH: reason" of each drawing that could not be read.
    std::vector<std::string> failures;
    // "" or why no drawing could be read at all (no component).
    std::string strError;
};

// Reads every drawing into one sheet, with work files in strWorkFolder (the
// application folder). progress, when given, is told each drawing before it is read.
SheetExportResult ExportAttributeSheet(const std::vector<std::string>& drawings, const ComponentFactory& factory,
                                       IUserMessages* messages, const std::string& strWorkFolder,
                                       const std::function<void(const std::string&)>& progress = {});

}  // namespace kel
