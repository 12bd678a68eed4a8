#include "component/DrawingFormat.h"

#include <algorithm>
#include <memory>

#include "component/ComponentStatus.h"
#include "component/dwg/DwgDocument.h"
#include "component/dxf/DxfDocument.h"
#include "component/dxf/DxfTokenizer.h"
#include "platform/FileSystem.h"

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

std::unique_ptr<IDrawingDocument> OpenDrawingFile(const std::string& strPath, std::string& strStatus) {
    FileReader file;
    std::string err;
    const auto cannotRead = [&] {
        strStatus = status::Make(status::kCannotRead, "Cannot read file: " + err);
        return nullptr;
    };
    if (!file.Open(strPath, err)) return cannotRead();
    if (file.Size() <= kReadWholeUpTo) {
        std::string bytes;
        if (!file.ReadRest(bytes, err)) return cannotRead();
        // The DWG reader refuses the versions it does not read with their id.
        if (IsDwg(bytes)) return OpenDwgDocument(std::move(bytes), strPath, strStatus);
        if (dxf::LooksLikeDxf(bytes)) return dxf::DxfDocument::Open(std::move(bytes), strStatus);
    } else {
        // The first block tells the format. A DWG file is read whole; a DXF
        // file a block at a time as it is indexed, and not kept.
        std::string first(dxf::DxfTokenizer::kBlockSize, '\0');
        std::size_t filled = 0, got = 0;
        do {
            if (!file.Read(first.data() + filled, first.size() - filled, got, err)) return cannotRead();
            filled += got;
        } while (got > 0 && filled < first.size());
        first.resize(filled);
        if (IsDwg(first)) {
            if (!file.ReadRest(first, err)) return cannotRead();
            return OpenDwgDocument(std::move(first), strPath, strStatus);
        }
        if (dxf::LooksLikeDxf(first)) return dxf::DxfDocument::OpenFile(std::move(first), file, strPath, strStatus);
    }
    strStatus = status::Make(status::kNotADrawing, "Not a drawing file");
    return nullptr;
}

}  // namespace kel
