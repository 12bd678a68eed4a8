// The drawing component's interface: the seven operations the engine relies on,
// and an optional eighth that hands over the drawing description in memory.
//
// One drawing at a time is open in a component object; every operation after
// OpenFile acts on it. After each operation except OpenFile, Status() tells the
// outcome: exactly "1000:Ok" on success, otherwise "<number>:<plain message>".
#pragma once

#include <cstdint>
#include <string>

#include "component/AttributeListing.h"
#include "component/ComponentStatus.h"
#include "component/DrawingInfo.h"

namespace kel {

class IDrawingComponent {
public:
    virtual ~IDrawingComponent() = default;

    // Opens the drawing at strPath (UTF-8). lngHandle is filled in and also
    // returned: greater than 0 when the drawing is open, 0 or less otherwise.
    virtual std::int32_t OpenFile(std::int32_t& lngHandle, const std::string& strPath,
                                  const std::string& strPassword) = 0;

    // Closes the open drawing without writing it.
    virtual void CloseFile() = 0;

    // Writes the drawing information XML of the open drawing to strPath,
    // replacing any file there. intBlocks = 1 selects the Attributes chapter.
    virtual void WriteXML(const std::string& strPath, std::int16_t intBlocks,
                          std::int16_t intAttributeDefinitions, std::int16_t intExternalReferences,
                          std::int16_t intLayers, std::int16_t intLayouts,
                          std::int16_t intSystemVariables, std::int16_t intImages,
                          std::int16_t intText) = 0;

    // Status text of the last operation.
    virtual std::string Status() const = 0;

    // Writes the open drawing with every change made since OpenFile to strPath.
    // lngVersion -1 (or the drawing's own version number) keeps the format.
    virtual void SaveFile(const std::string& strPath, std::int32_t lngVersion) = 0;

    // Gives the ATTRIB with that handle (hexadecimal, case ignored) a new value (UTF-8).
    virtual void SetAttributeValue(const std::string& strValue, const std::string& strHandle) = 0;

    // Removes the object with that handle (ATTRIBs only).
    virtual void DeleteEntity(const std::string& strHandle) = 0;

    // Fills info with the open drawing's description: what WriteXML writes for
    // the Attributes chapter, handed over without a file. Returns false when the
    // component has no such description to give (the caller then goes through
    // WriteXML); otherwise Status() tells the outcome.
    virtual bool DescribeDrawing(DrawingInfo& info) {
        info = {};
        return false;
    }

    // Fills rows with the open drawing's attributes, in the order and with the
    // texts the description gives, without building the description. Returns
    // false when the component cannot list them so (the caller then describes
    // the drawing); otherwise Status() tells the outcome.
    virtual bool ListAttributes(AttributeRows& /*rows*/) { return false; }
};

}  // namespace kel
