// The drawing component: reads and writes DXF (ASCII and binary) and DWG files.
#pragma once

#include <memory>
#include <string>

#include "component/IDrawingComponent.h"
#include "component/IDrawingDocument.h"

namespace kel {

class DrawingComponent : public IDrawingComponent {
public:
    DrawingComponent();
    ~DrawingComponent() override;

    std::int32_t OpenFile(std::int32_t& lngHandle, const std::string& strPath,
                          const std::string& strPassword) override;
    void CloseFile() override;
    void WriteXML(const std::string& strPath, std::int16_t intBlocks, std::int16_t intAttributeDefinitions,
                  std::int16_t intExternalReferences, std::int16_t intLayers, std::int16_t intLayouts,
                  std::int16_t intSystemVariables, std::int16_t intImages, std::int16_t intText) override;
    std::string Status() const override;
    void SaveFile(const std::string& strPath, std::int32_t lngVersion) override;
    void SetAttributeValue(const std::string& strValue, const std::string& strHandle) override;
    void DeleteEntity(const std::string& strHandle) override;
    bool DescribeDrawing(DrawingInfo& info) override;
    bool ListAttributes(AttributeRows& rows) override;

private:
    std::unique_ptr<IDrawingDocument> doc_;
    std::string path_;
    std::string status_;
    std::int32_t nextHandle_ = 1;
};

}  // namespace kel
