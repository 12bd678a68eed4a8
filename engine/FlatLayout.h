// The layout of the flat XML of the Attributes chapter (chapter 3, no drawing
// fields): the sections of one attribute record in order, and the column each
// field of the attribute table takes. The flattener writes records by these
// sections; the readers of the table find their fields by these columns.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace kel::flat {

// Lengths of the start texts the flattener looks for, so that the text after
// them is found without counting characters by hand.
inline constexpr std::string_view kDatabaseFileNameTag = "<databasefilename>";
inline constexpr std::string_view kNameTag = "<name>";
inline constexpr std::string_view kBlockNameStart = "<block name='";

// Insert fields remembered for the attribute records, in record order.
inline constexpr std::array<const char*, 11> kInsertFields = {
    "<name>", "<handle>", "<elementid>", "<layername>", "<x>", "<y>", "<z>",
    "<numberattributes>", "<numberconstantattributes>", "<rows>", "<columns>"};

// The attribute's own lines inside its element, in order. The markup of every
// line before the value is renamed (handle, element id) so that the names do
// not repeat the insert's; the value line is left as it stands.
inline constexpr std::array<const char*, 4> kAttributeLines = {"<handle>", "<elementid>", "<tag>", "<value>"};
inline constexpr std::size_t kRenamedAttributeLines = kAttributeLines.size() - 1;
// Lines the Attributes chapter of the insert view (chapter 2) skips for one
// attribute: its own lines and its end line.
inline constexpr std::size_t kSkippedAttributeLines = kAttributeLines.size() + 1;

// Sections of a record without drawing fields: the owner block, its layout,
// the insert's fields, the attribute's lines.
inline constexpr std::size_t kContextColumns = 2;
inline constexpr std::size_t kInsertColumn = kContextColumns;
inline constexpr std::size_t kAttributeColumn = kInsertColumn + kInsertFields.size();
inline constexpr std::size_t kRecordColumns = kAttributeColumn + kAttributeLines.size();

// Columns of the attribute table read from that flat XML.
inline constexpr std::size_t kColSpace = 0;                      // owner block (*Model_Space, ...)
inline constexpr std::size_t kColLayout = 1;                     // owner's layout
inline constexpr std::size_t kColBlock = kInsertColumn + 0;      // insert's block name
inline constexpr std::size_t kColInsert = kInsertColumn + 1;     // insert's handle
inline constexpr std::size_t kColLayer = kInsertColumn + 3;      // insert's layer
inline constexpr std::size_t kColHandle = kAttributeColumn + 0;  // attribute's handle
inline constexpr std::size_t kColTag = kAttributeColumn + 2;
inline constexpr std::size_t kColValue = kAttributeColumn + 3;

}  // namespace kel::flat
