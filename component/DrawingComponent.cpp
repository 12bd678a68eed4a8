#include "component/DrawingComponent.h"

#include <string>
#include <string_view>
#include <vector>

#include "component/ComponentStatus.h"
#include "component/DrawingFormat.h"
#include "component/DrawingInfoXml.h"
#include "platform/FileSystem.h"

namespace kel {
namespace {

std::string NoDrawing() { return status::Make(status::kNoDrawingOpen, "No drawing is open"); }

}  // namespace

DrawingComponent::DrawingComponent() = default;
DrawingComponent::~DrawingComponent() = default;

std::int32_t DrawingComponent::OpenFile(std::int32_t& lngHandle, const std::string& strPath,
                                        const std::string& /*strPassword*/) {
    lngHandle = 0;
    doc_.reset();
    path_.clear();
    if (strPath.empty() || !FileExists(strPath)) {
        status_ = status::Make(status::kFileNotFound, "File not found");
        return 0;
    }
    std::string st;
    std::unique_ptr<IDrawingDocument> doc = OpenDrawingFile(strPath, st);
    if (!doc) {
        status_ = st;
        return 0;
    }
    doc_ = std::move(doc);
    path_ = strPath;
    status_ = kStatusOk;
    lngHandle = nextHandle_++;
    if (nextHandle_ <= 0) nextHandle_ = 1;
    return lngHandle;
}

void DrawingComponent::CloseFile() {
    if (!doc_) {
        status_ = NoDrawing();
        return;
    }
    doc_.reset();
    path_.clear();
    status_ = kStatusOk;
}

void DrawingComponent::WriteXML(const std::string& strPath, std::int16_t intBlocks, std::int16_t, std::int16_t,
                                std::int16_t, std::int16_t, std::int16_t, std::int16_t, std::int16_t) {
    DrawingInfo info;
    DescribeDrawing(info);
    if (status_ != kStatusOk) return;
    // Written a stretch at a time: a large drawing's XML is tens of megabytes.
    DrawingInfoXmlPieces xml(info, intBlocks == 1);
    const auto source = [&xml](std::vector<std::string_view>& pieces, std::string&) {
        const std::string_view piece = xml.Next();
        if (!piece.empty()) pieces.push_back(piece);
        return true;
    };
    std::string err;
    if (!WriteWorkFile(strPath, source, err)) {
        status_ = status::CannotWrite(strPath, err);
        return;
    }
    status_ = kStatusOk;
}

bool DrawingComponent::DescribeDrawing(DrawingInfo& info) {
    if (!doc_) {
        info = {};
        status_ = NoDrawing();
        return true;
    }
    info = doc_->Describe();
    info.path = path_;
    status_ = kStatusOk;
    return true;
}

bool DrawingComponent::ListAttributes(AttributeRows& rows) {
    rows = {};
    if (!doc_) {
        status_ = NoDrawing();
        return true;
    }
    if (!doc_->ListAttributes(rows)) return false;
    rows.path = path_;
    status_ = kStatusOk;
    return true;
}

std::string DrawingComponent::Status() const { return status_; }

void DrawingComponent::SaveFile(const std::string& strPath, std::int32_t lngVersion) {
    if (doc_ && IsWriteProtected(strPath)) {
        // A drawing marked read-only (released) is never replaced.
        status_ = status::Make(status::kReadOnly, "The drawing is read-only");
        return;
    }
    status_ = doc_ ? doc_->Save(strPath, lngVersion) : NoDrawing();
}

void DrawingComponent::SetAttributeValue(const std::string& strValue, const std::string& strHandle) {
    status_ = doc_ ? doc_->SetAttributeValue(strHandle, strValue) : NoDrawing();
}

void DrawingComponent::DeleteEntity(const std::string& strHandle) {
    status_ = doc_ ? doc_->DeleteEntity(strHandle) : NoDrawing();
}

}  // namespace kel
