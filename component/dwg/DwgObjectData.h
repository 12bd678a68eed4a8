// The fields of the objects the reader understands, as decoded: what every
// object carries (ObjectCommon) and the fields of each type KEL works with.
// Their layouts in the file are declared in DwgObjects.h.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "component/dwg/DwgTypes.h"
#include "component/dwg/Rare.h"

namespace kel::dwg {

// Fixed object type numbers.
namespace type {
constexpr int kText = 1;
constexpr int kAttrib = 2;
constexpr int kAttdef = 3;
constexpr int kBlock = 4;
constexpr int kEndblk = 5;
constexpr int kSeqend = 6;
constexpr int kInsert = 7;
constexpr int kMinsert = 8;
constexpr int kBlockControl = 0x30;
constexpr int kBlockHeader = 0x31;
constexpr int kLayerControl = 0x32;
constexpr int kLayer = 0x33;
constexpr int kDictionary = 0x2A;
constexpr int kXrecord = 0x4F;  // also a class of that name
constexpr int kLayout = 0x52;

// An INSERT or a MINSERT.
constexpr bool IsInsert(int t) { return t == kInsert || t == kMinsert; }
}  // namespace type

// One application's extended data; its size is that of `data`.
struct EedBlock {
    HandleRef app;
    std::string data;
};

// The handles of an entity's own styles, each stored only when the entity's
// flags say so: most entities take their styles from their layer.
struct StyleHandles {
    HandleRef plotStyle;
    HandleRef colorBook;  // R2004: the colour's book entry
    HandleRef material;   // R2007
    HandleRef fullVisualStyle, faceVisualStyle, edgeVisualStyle;  // R2010
};

// What every object carries ahead of and behind its own fields.
struct ObjectCommon {
    std::int16_t type = 0;
    HandleRef handle;
    std::vector<EedBlock> eed;
    bool isEntity = false;
    bool hasGraphics = false;
    std::string graphics;
    bool xdicMissing = false;  // R2004: no extension dictionary handle follows
    bool hasDsData = false;    // R2013: the object has data in the data storage section
    // entities
    std::uint8_t entMode = 0;
    bool isByLayerLt = false;  // R13-R14
    bool noLinks = false;
    Color color;
    double ltScale = 1.0;
    std::uint8_t ltFlags = 0;    // R2000
    std::uint8_t plotFlags = 0;  // R2000
    std::uint8_t materialFlags = 0;  // R2007
    std::uint8_t shadowFlags = 0;    // R2007
    bool hasFullVisualStyle = false, hasFaceVisualStyle = false, hasEdgeVisualStyle = false;  // R2010
    std::int16_t invisible = 0;
    std::uint8_t lineweight = 0;  // R2000
    // handle stream
    HandleRef owner;
    std::vector<HandleRef> reactors;
    HandleRef xdic;
    HandleRef layer;
    HandleRef ltype;
    HandleRef prev;
    HandleRef next;
    Rare<StyleHandles> styles;
};

struct TextData {
    std::uint8_t dataFlags = 0;  // R2000: which of the optional fields are absent
    double elevation = 0;
    Point2 insertion;
    Point2 alignment;
    Point3 extrusion{0, 0, 1};
    double thickness = 0;
    double oblique = 0;
    double rotation = 0;
    double height = 0;
    double widthFactor = 1;
    std::string value;
    std::int16_t generation = 0;
    std::int16_t hAlign = 0;
    std::int16_t vAlign = 0;
    HandleRef style;
};

// The text of a multi-line attribute (R2018): an embedded MTEXT, with the
// common entity fields of its own.
struct MTextData {
    ObjectCommon common;
    Point3 insertion, extrusion, xAxis;
    double rectWidth = 0, rectHeight = 0, textHeight = 0;
    std::int16_t attachment = 0, drawingDir = 0;
    double extentsHeight = 0, extentsWidth = 0;
    std::string text;
    std::int16_t lineSpacingStyle = 0;
    double lineSpacingFactor = 0;
    bool unknownBit = false;
    std::int32_t backgroundFlags = 0;
    double backgroundScale = 0;
    Color backgroundColor;
    std::int32_t backgroundTransparency = 0;
    bool notAnnotative = false;
    std::int16_t version = 0;
    bool defaultFlag = false;
    HandleRef app;
    std::int32_t attachment2 = 0;
    Point3 xAxis2, insertion2;
    double rectWidth2 = 0, rectHeight2 = 0, extentsWidth2 = 0, extentsHeight2 = 0;
    std::int16_t columnType = 0;
    std::int32_t columnCount = 0;
    double columnWidth = 0, gutter = 0;
    bool autoHeight = false, flowReversed = false;
    std::vector<double> columnHeights;
    HandleRef style;
};

struct AttribData {
    TextData text;
    std::uint8_t version = 0;     // R2010
    std::uint8_t attribType = 1;  // R2018: 1 single line, 2 multi-line ATTRIB, 4 multi-line ATTDEF
    Rare<MTextData> mtext;        // multi-line only
    std::string annotativeData;   // multi-line only
    HandleRef annotativeApp;
    std::int16_t annotativeUnknown = 0;
    std::string tag;
    std::int16_t fieldLength = 0;
    std::uint8_t flags = 0;  // 1 invisible, 2 constant, 4 verify, 8 preset
    bool lockPosition = false;  // R2007
    std::uint8_t promptVersion = 0;  // ATTDEF, R2010
    std::string prompt;              // ATTDEF only

    bool MultiLine() const { return attribType == 2 || attribType == 4; }
    // The value KEL shows and changes: the MTEXT's text for a multi-line attribute.
    std::string& Value() { return MultiLine() ? mtext.Get().text : text.value; }
    const std::string& Value() const { return MultiLine() ? mtext.Get().text : text.value; }
};

struct InsertData {
    Point3 insertion;
    Point3 scale{1, 1, 1};
    double rotation = 0;
    Point3 extrusion{0, 0, 1};
    bool hasAttribs = false;
    // MINSERT
    std::int16_t columns = 1;
    std::int16_t rows = 1;
    double columnSpacing = 0;
    double rowSpacing = 0;
    HandleRef blockHeader;
    HandleRef firstAttrib;
    HandleRef lastAttrib;
    std::vector<HandleRef> ownedAttribs;  // R2004: the attributes themselves
    HandleRef seqend;
};

struct BlockNameData {
    std::string name;  // BLOCK only
};

struct ControlData {
    std::int32_t numEntries = 0;
    std::vector<HandleRef> entries;
};

struct BlockHeaderData {
    std::string name;
    bool flag64 = false;
    std::int16_t xrefIndexPlus1 = 0;
    bool xdep = false;
    bool anonymous = false;
    bool hasAttdefs = false;
    bool isXref = false;
    bool isOverlaid = false;
    bool loaded = false;  // R2000
    Point3 basePoint;
    std::string xrefPath;
    std::vector<std::uint8_t> insertCounts;  // R2000: the non-zero bytes before the terminating 0
    std::string description;
    std::string preview;
    std::int16_t insertUnits = 0;  // R2007
    bool explodable = false;       // R2007
    std::uint8_t blockScaling = 0; // R2007
    HandleRef nullHandle;
    HandleRef block;
    HandleRef firstEntity;
    HandleRef lastEntity;
    std::vector<HandleRef> ownedEntities;  // R2004: the block's entities
    HandleRef endblk;
    std::vector<HandleRef> inserts;
    HandleRef layout;
};

struct LayerData {
    std::string name;
    bool flag64 = false;
    std::int16_t xrefIndexPlus1 = 0;
    bool xdep = false;
    bool frozen = false, on = true, frozenInNew = false, locked = false;  // R13-R14
    std::int16_t values = 0;                                           // R2000
    Color color;
    HandleRef xrefBlock;
    HandleRef plotStyle;
    HandleRef material;  // R2007
    HandleRef linetype;
};

// A layout's plot settings.
struct PlotSettingsData {
    std::string pageSetupName, printerConfig;
    std::int16_t plotLayoutFlags = 0;
    double margins[4] = {0, 0, 0, 0};
    double paperWidth = 0, paperHeight = 0;
    std::string paperSize;
    Point2 plotOrigin;
    std::int16_t paperUnits = 0, plotRotation = 0, plotType = 0;
    Point2 windowMin, windowMax;
    std::string plotViewName;
    double realWorldUnits = 0, drawingUnits = 0;
    std::string styleSheet;
    std::int16_t scaleType = 0;
    double scaleFactor = 0;
    Point2 paperImageOrigin;
    std::int16_t shadePlotMode = 0, shadePlotResLevel = 0, shadePlotCustomDpi = 0;  // R2004
};

struct LayoutData {
    Rare<PlotSettingsData> plot;  // few objects are layouts: held apart, not in every decoded object
    std::string name;
    std::int32_t tabOrder = 0;
    std::int16_t flags = 0;
    Point3 ucsOrigin;
    Point2 limMin, limMax;
    Point3 insBase, ucsX, ucsY;
    double elevation = 0;
    std::int16_t orthoView = 0;
    Point3 extMin, extMax;
    HandleRef plotView;                 // R2004
    HandleRef visualStyle;              // R2007
    std::vector<HandleRef> viewports;   // R2004
    HandleRef paperSpaceBlock;
    HandleRef lastActiveViewport;
    HandleRef baseUcs;
    HandleRef namedUcs;
};

// Named entries, each a handle to the object it names.
struct DictionaryData {
    std::uint8_t unknownR14 = 0;
    std::int16_t cloning = 0;     // R2000
    std::uint8_t hardOwner = 0;   // R2000
    std::vector<std::string> names;
    std::vector<HandleRef> items;
};

// Data an application keeps: pairs of group code and value, as bytes.
// The handles behind the data are the decoded object's extra handles.
struct XrecordData {
    std::string data;
    std::int16_t cloning = 0;  // R2000
};

}  // namespace kel::dwg
