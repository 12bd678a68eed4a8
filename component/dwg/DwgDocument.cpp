#include "component/dwg/DwgDocument.h"

#include "component/ComponentStatus.h"
#include "component/IDrawingComponent.h"

namespace kel::dwg {
namespace {

bool LooksLikeVersionId(const std::string& bytes) {
    if (bytes.size() < 6) return false;
    for (std::size_t i = 0; i < 6; ++i) {
        char c = bytes[i];
        bool ok = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || c == '.';
        if (!ok) return false;
    }
    return true;
}

// Looks up a handle given as hexadecimal text (case and leading zeros ignored).
bool ParseHandle(const std::string& text, std::uint64_t& out) {
    if (text.empty() || text.size() > 16) return false;
    out = 0;
    for (char c : text) {
        int v = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (v < 0) return false;
        out = out * 16 + static_cast<std::uint64_t>(v);
    }
    return true;
}

}  // namespace

std::unique_ptr<DwgDocument> DwgDocument::Open(std::string bytes, const std::string& path, std::string& status) {
    if (!LooksLikeVersionId(bytes)) {
        status = status::Make(status::kNotADrawing, "Not a drawing file");
        return nullptr;
    }
    std::string id = bytes.substr(0, 6);
    Version version;
    if (!VersionFromId(id, version) || !AtMost(version, Version::R2000)) {
        status = status::Make(status::kUnsupportedFormat, "Unsupported format " + id);
        return nullptr;
    }
    std::unique_ptr<DwgDocument> doc(new DwgDocument());
    doc->bytes_ = std::move(bytes);
    doc->path_ = path;
    if (!doc->file_.Parse(doc->bytes_, status) || !doc->model_.Load(doc->bytes_, doc->file_, status)) {
        return nullptr;
    }
    status = kStatusOk;
    return doc;
}

DrawingInfo DwgDocument::Describe() const {
    DrawingInfo info = model_.Describe();
    info.path = path_;
    return info;
}

std::string DwgDocument::SetAttributeValue(const std::string& strHandle, const std::string&) {
    std::uint64_t h = 0;
    const DecodedObject* o = ParseHandle(strHandle, h) ? model_.Find(h) : nullptr;
    if (!o) return status::Make(status::kHandleNotFound, "Handle " + strHandle + " not found");
    if (o->common.type != type::kAttrib) {
        return status::Make(status::kNotAnAttribute, "Handle " + strHandle + " is not an attribute");
    }
    return status::Make(status::kNotSupported, "Changing a DWG attribute is not supported yet");
}

std::string DwgDocument::DeleteEntity(const std::string& strHandle) {
    std::uint64_t h = 0;
    const DecodedObject* o = ParseHandle(strHandle, h) ? model_.Find(h) : nullptr;
    if (!o) return status::Make(status::kHandleNotFound, "Handle " + strHandle + " not found");
    return status::Make(status::kNotSupported, "Deleting from a DWG drawing is not supported yet");
}

std::string DwgDocument::Save(const std::string&, int) {
    return status::Make(status::kUnsupportedVersion, "Saving a DWG drawing is not supported yet");
}

}  // namespace kel::dwg

namespace kel {

std::unique_ptr<IDrawingDocument> OpenDwgDocument(std::string bytes, const std::string& path, std::string& status) {
    return dwg::DwgDocument::Open(std::move(bytes), path, status);
}

}  // namespace kel
