// One open drawing, whatever its file format. The component holds one of these
// between OpenFile and CloseFile.
#pragma once

#include <memory>
#include <string>

#include "component/AttributeListing.h"
#include "component/DrawingInfo.h"

namespace kel {

class IDrawingDocument {
public:
    virtual ~IDrawingDocument() = default;

    // The block inserts and their attributes as the drawing now holds them
    // (changes made through this object included).
    virtual DrawingInfo Describe() const = 0;

    // The rows of the attributes Describe lists, in its order and with its
    // texts; false when the document can only describe itself.
    virtual bool ListAttributes(AttributeRows& /*rows*/) const { return false; }

    // Each returns a status text: "1000:Ok" or "<number>:<message>".
    virtual std::string SetAttributeValue(const std::string& strHandle, const std::string& strValue) = 0;
    virtual std::string DeleteEntity(const std::string& strHandle) = 0;
    virtual std::string Save(const std::string& strPath, int lngVersion) = 0;
};

}  // namespace kel
