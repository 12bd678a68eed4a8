#include "component/DrawingFormat.h"

#include "component/ComponentStatus.h"
#include "component/dxf/DxfDocument.h"
#include "component/dxf/DxfTokenizer.h"

namespace kel {
namespace {

// A DWG file starts with its version: "AC" and four digits (AC1012, AC1032; MC0.0 and
// AC1.x files of the oldest releases are not drawings we can tell apart).
bool IsDwg(const std::string& bytes, std::string& version) {
    if (bytes.size() < 6 || bytes[0] != 'A' || bytes[1] != 'C') return false;
    for (int i = 2; i < 6; ++i) {
        if (bytes[i] < '0' || bytes[i] > '9') return false;
    }
    version = bytes.substr(0, 6);
    return true;
}

}  // namespace

std::unique_ptr<IDrawingDocument> OpenDrawingDocument(std::string bytes, std::string& strStatus) {
    std::string version;
    if (IsDwg(bytes, version)) {
        strStatus = status::Make(status::kUnsupportedFormat, "Unsupported format " + version + " (DWG)");
        return nullptr;
    }
    if (dxf::LooksLikeDxf(bytes)) {
        return dxf::DxfDocument::Open(std::move(bytes), strStatus);
    }
    strStatus = status::Make(status::kNotADrawing, "Not a drawing file");
    return nullptr;
}

}  // namespace kel
