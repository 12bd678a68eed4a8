// A drawing component for engine tests: records every call and answers with
// scripted results.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "component/IDrawingComponent.h"

namespace kel::test {

class FakeComponent : public IDrawingComponent {
public:
    // Shared record of calls, kept alive by the test while the engine owns the fake.
    struct Log {
        std::vector<std::string> calls;  // e.g. "OpenFile(/a.dxf,)", "SetAttributeValue(A-101,1F)"
        std::int32_t openResult = 1;     // number OpenFile returns
        std::string status = kStatusOk;  // status after every other call
        std::map<std::string, std::string> statusFor;  // call name -> status (overrides status)
        std::string xml;                 // what WriteXML writes ("" writes no file)
        std::optional<DrawingInfo> info;  // what DescribeDrawing gives (none: it declines)
        int destroyed = 0;
    };

    explicit FakeComponent(Log& log) : log_(log) {}
    ~FakeComponent() override { ++log_.destroyed; }

    std::int32_t OpenFile(std::int32_t& lngHandle, const std::string& strPath,
                          const std::string& strPassword) override;
    void CloseFile() override;
    void WriteXML(const std::string& strPath, std::int16_t intBlocks, std::int16_t intAttributeDefinitions,
                  std::int16_t intExternalReferences, std::int16_t intLayers, std::int16_t intLayouts,
                  std::int16_t intSystemVariables, std::int16_t intImages, std::int16_t intText) override;
    std::string Status() const override { return status_; }
    void SaveFile(const std::string& strPath, std::int32_t lngVersion) override;
    void SetAttributeValue(const std::string& strValue, const std::string& strHandle) override;
    void DeleteEntity(const std::string& strHandle) override;
    bool DescribeDrawing(DrawingInfo& info) override;

private:
    void Finish(const std::string& name);
    Log& log_;
    std::string status_;
};

}  // namespace kel::test
