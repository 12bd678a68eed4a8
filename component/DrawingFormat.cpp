#include "component/DrawingFormat.h"

#include "component/ComponentStatus.h"
#include "component/dwg/DwgDocument.h"
#include "component/dxf/DxfDocument.h"
#include "component/dxf/DxfTokenizer.h"

namespace kel {
namespace {

// A DWG file starts with its version: "AC" and four digits (AC1012, AC1032).
// The oldest releases' ids (MC0.0, AC1.2, AC1.40) are not told apart from
// other files and end up as "Not a drawing file".
bool IsDwg(const std::string& bytes) {
    if (bytes.size() < 6 || bytes[0] != 'A' || bytes[1] != 'C') return false;
    for (int i = 2; i < 6; ++i) {
        if (bytes[i] < '0' || bytes[i] > '9') return false;
    }
    return true;
}

}  // namespace

std::unique_ptr<IDrawingDocument> OpenDrawingDocument(std::string bytes, const std::string& strPath,
                                                      std::string& strStatus) {
    // The DWG reader refuses the versions it does not read with their id.
    if (IsDwg(bytes)) return OpenDwgDocument(std::move(bytes), strPath, strStatus);
    if (dxf::LooksLikeDxf(bytes)) {
        return dxf::DxfDocument::OpenFile(std::move(bytes), strPath, strStatus);
    }
    strStatus = status::Make(status::kNotADrawing, "Not a drawing file");
    return nullptr;
}

}  // namespace kel
