#include "engine/AttributeRows.h"

#include "engine/FlatLayout.h"
#include "engine/TextLines.h"

namespace kel {
namespace {

using namespace flat;

bool AllValidUtf8(const DrawingInfo& info) {
    for (const BlockInfo& block : info.blocks) {
        if (!IsValidUtf8(block.name) || !IsValidUtf8(block.layoutName)) return false;
        for (const InsertInfo& ins : block.inserts) {
            if (!IsValidUtf8(ins.name) || !IsValidUtf8(ins.handle) || !IsValidUtf8(ins.layer)) return false;
            for (const AttributeInfo& att : ins.attributes) {
                if (!IsValidUtf8(att.handle) || !IsValidUtf8(att.tag) || !IsValidUtf8(att.value)) return false;
            }
        }
    }
    return IsValidUtf8(info.path);
}

}  // namespace

std::vector<AttributeRow> RowsOfTable(const AttributeTable& table) {
    const auto cell = [&](std::size_t r, std::size_t c) -> std::string_view {
        return c < table.Columns() ? std::string_view(table.Text(r, c)) : std::string_view();
    };
    std::vector<AttributeRow> rows;
    rows.reserve(table.Rows());
    for (std::size_t r = 0; r < table.Rows(); ++r) {
        rows.push_back({cell(r, kColSpace), cell(r, kColLayout), cell(r, kColBlock), cell(r, kColLayer),
                        cell(r, kColHandle), cell(r, kColTag), cell(r, kColValue), cell(r, kColInsert)});
    }
    return rows;
}

bool RowsOfDrawing(const DrawingInfo& info, std::vector<AttributeRow>& rows) {
    rows.clear();
    if (!AllValidUtf8(info)) return false;
    std::size_t count = 0;
    for (const BlockInfo& block : info.blocks) {
        for (const InsertInfo& ins : block.inserts) count += ins.attributes.size();
    }
    rows.reserve(count);
    for (const BlockInfo& block : info.blocks) {
        for (const InsertInfo& ins : block.inserts) {
            for (const AttributeInfo& att : ins.attributes) {
                rows.push_back(
                    {block.name, block.layoutName, ins.name, ins.layer, att.handle, att.tag, att.value, ins.handle});
            }
        }
    }
    return true;
}

}  // namespace kel
