#include "support/FakeComponent.h"

#include <fstream>

namespace kel::test {

void FakeComponent::Finish(const std::string& name) {
    auto it = log_.statusFor.find(name);
    status_ = it != log_.statusFor.end() ? it->second : log_.status;
}

std::int32_t FakeComponent::OpenFile(std::int32_t& lngHandle, const std::string& strPath,
                                     const std::string& strPassword) {
    log_.calls.push_back("OpenFile(" + strPath + "," + strPassword + ")");
    lngHandle = log_.openResult;
    return lngHandle;
}

void FakeComponent::CloseFile() {
    log_.calls.push_back("CloseFile()");
    Finish("CloseFile");
}

void FakeComponent::WriteXML(const std::string& strPath, std::int16_t intBlocks, std::int16_t a,
                             std::int16_t b, std::int16_t c, std::int16_t d, std::int16_t e, std::int16_t f,
                             std::int16_t g) {
    std::string call = "WriteXML(" + strPath;
    for (const std::int16_t n : {intBlocks, a, b, c, d, e, f, g}) call += "," + std::to_string(n);
    log_.calls.push_back(call + ")");
    if (!log_.xml.empty()) {
        std::ofstream(strPath, std::ios::binary) << log_.xml;
    }
    Finish("WriteXML");
}

void FakeComponent::SaveFile(const std::string& strPath, std::int32_t lngVersion) {
    log_.calls.push_back("SaveFile(" + strPath + "," + std::to_string(lngVersion) + ")");
    Finish("SaveFile");
}

void FakeComponent::SetAttributeValue(const std::string& strValue, const std::string& strHandle) {
    log_.calls.push_back("SetAttributeValue(" + strValue + "," + strHandle + ")");
    Finish("SetAttributeValue");
}

void FakeComponent::DeleteEntity(const std::string& strHandle) {
    log_.calls.push_back("DeleteEntity(" + strHandle + ")");
    Finish("DeleteEntity");
}

bool FakeComponent::DescribeDrawing(DrawingInfo& info) {
    if (!log_.info) return IDrawingComponent::DescribeDrawing(info);
    log_.calls.push_back("DescribeDrawing()");
    info = *log_.info;
    Finish("DescribeDrawing");
    return true;
}

}  // namespace kel::test
