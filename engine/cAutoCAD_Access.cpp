// The engine object's life and its access to one drawing through the component.
//
// Every component call is guarded: nothing the component throws leaves these
// operations. A call that throws, or one made while there is no component,
// fails; otherwise the status read afterwards decides (empty, hence failure,
// when that read throws too).
#include <cctype>
#include <exception>
#include <stdexcept>

#include "engine/cAutoCAD.h"
#include "platform/AppFolder.h"
#include "platform/FileSystem.h"

namespace kel {

namespace {

bool EndsWithSeparator(const std::string& strFolder) {
    if (strFolder.empty()) return false;
    const char last = strFolder.back();
    return last == PathSeparator() || last == '/';
}

// Runs one component call; false when it threw.
template <typename Call>
bool Guarded(Call&& call) {
    try {
        call();
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace

cAutoCAD::cAutoCAD(ComponentFactory factory, IUserMessages* messages, std::string strApplicationFolder)
    : factory_(std::move(factory)), messages_(messages ? messages : &stderrMessages_) {
    if (strApplicationFolder.empty()) strApplicationFolder = ApplicationFolder();
    if (!EndsWithSeparator(strApplicationFolder)) strApplicationFolder += PathSeparator();
    strAppFolder = std::move(strApplicationFolder);
}

cAutoCAD::~cAutoCAD() {
    if (blnDrawingOpen != 0) CloseDrawing();
    Guarded([&] { objDWG.reset(); });
}

std::int16_t cAutoCAD::CreateComponent() {
    ComponentCreationError error;
    std::unique_ptr<IDrawingComponent> created;
    try {
        if (factory_) {
            created = factory_(error);
        } else {
            error.description = "No way to create the drawing component is configured.";
        }
    } catch (const std::exception& e) {
        created.reset();
        error.description = e.what();
    } catch (...) {
        created.reset();
        error.description = "Unknown error.";
    }
    if (!created) {
        const std::string strText = "Unable to create instance of DToolsX-DWG.\r\n" +
                                    std::to_string(error.number) + " : " + error.description;
        Guarded([&] { messages_->ShowMessage("Error", strText, MessageIcon::Exclamation); });
        return -1;
    }
    // A drawing still open in the instance being replaced is closed first, so
    // the flag always describes the instance the engine holds.
    if (blnDrawingOpen != 0) CloseDrawing();
    Guarded([&] { objDWG = std::move(created); });
    return 1;
}

std::int16_t cAutoCAD::OpenDrawing(std::string strFile, const std::string& strPassword) {
    strFile = TrimNull(strFile);
    if (!FileExists(strFile)) return 0;
    if (strFile.size() < 4) return 0;
    std::string ext = strFile.substr(strFile.size() - 4);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext != ".dwg" && ext != ".dxf") return 0;

    std::int32_t lngNumber = 0;
    const bool called = Guarded([&] {
        if (!objDWG) throw std::logic_error("no component");
        objDWG->OpenFile(lngNumber, strFile, strPassword);
    });
    if (called && lngNumber > 0) {
        blnDrawingOpen = -1;
        return 1;
    }
    blnDrawingOpen = 0;
    return -1;
}

namespace {

// 1 when the component reports exactly "1000:Ok", -1 otherwise.
std::int16_t StatusResult(const std::unique_ptr<IDrawingComponent>& component) {
    std::string strStatus;
    Guarded([&] {
        if (component) strStatus = component->Status();
    });
    return strStatus == kStatusOk ? 1 : -1;
}

// Runs a component operation and judges it by the status. Without a component,
// or when the operation threw, the result is -1 whatever the status says: a
// status left over from an earlier call must not pass for this one's success.
template <typename Call>
std::int16_t StatusCall(const std::unique_ptr<IDrawingComponent>& component, Call&& call) {
    if (!component) return -1;
    if (!Guarded([&] { call(*component); })) return -1;
    return StatusResult(component);
}

}  // namespace

std::int16_t cAutoCAD::SaveDrawing(const std::string& strDWGfile, std::int32_t lngVersion) {
    return StatusCall(objDWG, [&](IDrawingComponent& c) { c.SaveFile(strDWGfile, lngVersion); });
}

std::int16_t cAutoCAD::CloseDrawing() {
    const std::int16_t result = StatusCall(objDWG, [](IDrawingComponent& c) { c.CloseFile(); });
    blnDrawingOpen = 0;
    return result;
}

std::int16_t cAutoCAD::CreateXML(const std::string& strXMLFile, std::int16_t intBlocks,
                                 std::int16_t intAttributeDefinitions, std::int16_t intExternalReferences,
                                 std::int16_t intLayers, std::int16_t intLayouts, std::int16_t intSystemVariables,
                                 std::int16_t intImages, std::int16_t intText) {
    return StatusCall(objDWG, [&](IDrawingComponent& c) {
        c.WriteXML(strXMLFile, intBlocks, intAttributeDefinitions, intExternalReferences, intLayers, intLayouts,
                   intSystemVariables, intImages, intText);
    });
}

std::int16_t cAutoCAD::UpdateBlockAttribute(const std::string& strAttributeValue,
                                            const std::string& strAttributeHandle) {
    return StatusCall(objDWG,
                      [&](IDrawingComponent& c) { c.SetAttributeValue(strAttributeValue, strAttributeHandle); });
}

std::int16_t cAutoCAD::DeleteObject(const std::string& strTextHandle) {
    return StatusCall(objDWG, [&](IDrawingComponent& c) { c.DeleteEntity(strTextHandle); });
}

std::string cAutoCAD::TrimNull(const std::string& strText) {
    const auto pos = strText.find('\0');
    return pos == std::string::npos ? strText : strText.substr(0, pos);
}

}  // namespace kel
