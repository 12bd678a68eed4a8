// The attribute viewer: one drawing's block attributes as an HTML page, opened
// in the program the desktop associates with HTML files. It has its own engine
// object and changes nothing in the drawing.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/AttributeTable.h"
#include "engine/IUserMessages.h"
#include "engine/cAutoCAD.h"
#include "runs/RunWindow.h"

namespace kel {

// The main window as seen by the viewer.
class IViewerWindow : public IStatusLine {
public:
    virtual void Beep() = 0;
};

// Opens a document with the program the desktop associates with its kind.
class IPageLauncher {
public:
    virtual ~IPageLauncher() = default;
    // False when the desktop refused.
    virtual bool OpenDocument(const std::string& strFile) = 0;
};

// Work files of the viewer in the application folder. The page stays after a
// viewing (the browser reads it later); the XML files are removed once used.
inline constexpr const char* kViewerDrawingXml = "_temp.xml";
inline constexpr const char* kViewerFlatXml = "_flat.xml";
inline constexpr const char* kViewerPage = "_temp.htm";

// Writes the viewer's page of varArray (headings in its first row) to
// strHTMLFile, with strDrawingPath as heading and title. TwoDArrayToHTMLFile's result.
std::int16_t WriteAttributePage(cAutoCAD& engine, const std::optional<AttributeTable>& varArray,
                                const std::string& strHTMLFile, const std::string& strDrawingPath);

class AttributeViewer {
public:
    // strAppPath is the application folder; the references must outlive the viewer.
    AttributeViewer(std::string strAppPath, IViewerWindow& window, IUserMessages& messages, IPageLauncher& launcher,
                    ComponentFactory factory = DefaultComponentFactory());

    // Shows the drawing strName of strFolder (the list's selection and the
    // folder list's path). Failures show as a
    // beep and a text on the message line, or as the flattening result in a
    // message box titled "FlattenXMLfile"; a creation failure is reported by
    // the engine alone.
    void View(const std::string& strFolder, const std::string& strName);

    // Full path of a work file.
    std::string WorkFile(const char* strName) const;

    // The drawing shown last: its file name and full path.
    const std::string& DrawingName() const { return strDWGname_; }
    const std::string& DrawingPath() const { return strDWGpath_; }

private:
    std::string strDWGname_;
    std::string strDWGpath_;
    // The error text for the message line, "" after a viewing without error.
    std::string ShowDrawing(cAutoCAD& engine);

    std::string strAppPath_;
    IViewerWindow& window_;
    IUserMessages& messages_;
    IPageLauncher& launcher_;
    ComponentFactory factory_;
};

}  // namespace kel
