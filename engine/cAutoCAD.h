// The engine object: one drawing component, the template in force, and the
// operations that open, describe, change, save and close one drawing at a time.
//
// Every public operation returns an engine result: 1 means success, every other
// value a kind of failure. Nothing is thrown out of these operations.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "component/IDrawingComponent.h"
#include "component/DrawingInfo.h"
#include "engine/AttributeChange.h"
#include "engine/AttributeRows.h"
#include "engine/AttributeSheet.h"
#include "engine/AttributeTable.h"
#include "engine/IUserMessages.h"
#include "engine/LogFile.h"
#include "engine/Placeholders.h"
#include "engine/TagLine.h"

namespace kel {

// Why a component could not be created.
struct ComponentCreationError {
    long number = 0;
    std::string description;
};

// Creates a component, or returns nullptr and fills in the error.
using ComponentFactory = std::function<std::unique_ptr<IDrawingComponent>(ComponentCreationError&)>;

// GetAttributes' text when no row qualified: the drawing has nothing to change.
inline constexpr const char* kNoDataFound = "No data found to process.";

// The factory of the real component.
ComponentFactory DefaultComponentFactory();

class cAutoCAD {
public:
    // strAppFolder comes from ApplicationFolder(); the default factory creates the
    // real component; messages go to standard error.
    cAutoCAD();
    cAutoCAD(ComponentFactory factory, IUserMessages* messages, std::string strApplicationFolder = {});
    ~cAutoCAD();
    cAutoCAD(const cAutoCAD&) = delete;
    cAutoCAD& operator=(const cAutoCAD&) = delete;

    // Template state (filled by PrepTemplate).
    std::string strBlockFilter, strLayerFilter, strSpaceFilter, strLayoutFilter;
    std::vector<std::string> strTagLines;
    // The line number in the template file of each tag line (from 1).
    std::vector<std::int32_t> lngTagLineNumbers;
    // The template's *INPUT section turned placeholders on ("PLACEHOLDERS: ON");
    // the run sets what they stand for before each drawing.
    bool blnPlaceholders = false;
    PlaceholderContext placeholders;
    // The changes GetAttributes made, one per successful component call; kept
    // only while blnRecordChanges is set.
    bool blnRecordChanges = false;
    std::vector<AttributeChange> changes;
    // Cells of a spreadsheet for the open drawing: while set, GetAttributes
    // brings these into the drawing instead of applying the template.
    const std::vector<SheetInsertEdit>* sheetEdits = nullptr;
    // -1 while a drawing is open, 0 otherwise.
    std::int16_t blnDrawingOpen = 0;
    std::unique_ptr<IDrawingComponent> objDWG;
    // The application folder, always ending in the path separator.
    std::string strAppFolder;

    // Drawing access.
    std::int16_t CreateComponent();
    std::int16_t OpenDrawing(std::string strFile, const std::string& strPassword = "");
    std::int16_t SaveDrawing(const std::string& strDWGfile, std::int32_t lngVersion = 0);
    std::int16_t CloseDrawing();
    std::int16_t CreateXML(const std::string& strXMLFile, std::int16_t intBlocks = 0,
                           std::int16_t intAttributeDefinitions = 0, std::int16_t intExternalReferences = 0,
                           std::int16_t intLayers = 0, std::int16_t intLayouts = 0,
                           std::int16_t intSystemVariables = 0, std::int16_t intImages = 0,
                           std::int16_t intText = 0);
    std::int16_t UpdateBlockAttribute(const std::string& strAttributeValue, const std::string& strAttributeHandle);
    std::int16_t DeleteObject(const std::string& strTextHandle);

    // Template file.
    std::int16_t PrepTemplate(const std::string& strTemplateFile);
    std::int16_t PrepTemplate(const std::string& strTemplateFile, std::string& strErr);

    // One text per prepared tag line that is of no known form with this
    // delimiter and so does nothing: "Template line N ignored, ...: TEXT".
    std::vector<std::string> IgnoredTagLines(const std::string& strDelimiter) const;

    // Attribute modification; intFile is the open audit log or nullptr.
    std::int16_t GetAttributes(std::string* strErr = nullptr, const std::string& strDelimiter = ",",
                               LogFile* intFile = nullptr);

    // Drawing information flattening.
    std::int16_t FlattenXMLfile(const std::string& strSourceXMLFile, const std::string& strTargetXMLFile,
                                std::int32_t lngChapter);
    std::int16_t FlattenXMLfile(const std::string& strSourceXMLFile, const std::string& strTargetXMLFile,
                                std::int32_t lngChapter, std::int32_t& lngDrawingField);

    // Attribute table from a flat XML file.
    std::int16_t FlatXMLfileToArray(const std::string& strXMLFile, std::optional<AttributeTable>& varArray,
                                    bool blnIncludeHeadings = false);

    // HTML report: the table markup of varArray, and a whole page around it
    // written to strHTMLFile. 1 done, -1 no table, -2 the table has not two
    // dimensions (the page is still written, with an empty table part).
    std::int16_t TwoDArrayToHTMLTable(const std::optional<AttributeTable>& varArray, std::string& strTable,
                                      std::int32_t lngTableAlign, const std::string& strBackground,
                                      const std::string& strBackgroundColor, std::int16_t intBorder,
                                      const std::string& strBorderColor, std::int16_t intCellSpacing,
                                      std::int16_t intCellPadding, std::int16_t intWidthPct,
                                      std::int32_t lngTableCellAlign, bool blnWrapCellData, bool blnBoldFirstRow,
                                      bool blnBoldFirstColumn);
    std::int16_t TwoDArrayToHTMLFile(const std::optional<AttributeTable>& varArray, const std::string& strHTMLFile,
                                     const std::string& strPageHeading, const std::string& strPageTitle,
                                     const std::string& strPageBackground, const std::string& strPageBackgroundColor,
                                     std::int32_t lngTableAlign, const std::string& strBackground,
                                     const std::string& strBackgroundColor, std::int16_t intBorder,
                                     const std::string& strBorderColor, std::int16_t intCellSpacing,
                                     std::int16_t intCellPadding, std::int16_t intWidthPct,
                                     std::int32_t lngTableCellAlign, bool blnWrapCellData, bool blnBoldFirstRow,
                                     bool blnBoldFirstColumn);

    // Text up to (not including) the first NUL character.
    static std::string TrimNull(const std::string& strText);

private:
    void NormalizeXMLLines(const std::string& strFile);
    bool MatchesFilters(std::string_view strSpace, std::string_view strLayout, std::string_view strBlock,
                        std::string_view strLayer) const;
    TagLine Expanded(const TagLine& t, const AttributeRow& row, const std::vector<AttributeRow>& rows) const;
    std::int16_t ApplySheetEdits(std::string* strErr, LogFile* intFile);
    bool ReadAttributeRows(DrawingInfo& info, std::optional<AttributeTable>& table, AttributeRows& rows,
                           std::string* strErr, LogFile* intFile);

    ComponentFactory factory_;
    IUserMessages* messages_;
    StderrMessages stderrMessages_;
};

}  // namespace kel
