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

bool AllValidUtf8(const AttributeRows& rows) {
    for (const RowInsert& i : rows.inserts) {
        if (!IsValidUtf8(i.space) || !IsValidUtf8(i.layout) || !IsValidUtf8(i.block) || !IsValidUtf8(i.layer) ||
            !IsValidUtf8(i.handle)) {
            return false;
        }
    }
    for (const AttributeRow& r : rows.rows) {
        if (!IsValidUtf8(r.handle) || !IsValidUtf8(r.tag) || !IsValidUtf8(r.value)) return false;
    }
    return IsValidUtf8(rows.path);
}

AttributeRows RowsOfTable(const AttributeTable& table) {
    const auto cell = [&](std::size_t r, std::size_t c) -> std::string_view {
        return c < table.Columns() ? std::string_view(table.Text(r, c)) : std::string_view();
    };
    AttributeRows out;
    // At most one insert per row, reserved so that the rows' pointers hold.
    out.inserts.reserve(table.Rows());
    out.rows.reserve(table.Rows());
    for (std::size_t r = 0; r < table.Rows(); ++r) {
        const RowInsert insert{cell(r, kColSpace), cell(r, kColLayout), cell(r, kColBlock), cell(r, kColLayer),
                               cell(r, kColInsert)};
        // The attributes of one insert follow one another.
        if (out.inserts.empty() || !(out.inserts.back() == insert)) out.inserts.push_back(insert);
        out.rows.push_back({&out.inserts.back(), cell(r, kColHandle), cell(r, kColTag), cell(r, kColValue)});
    }
    return out;
}

bool RowsOfDrawing(const DrawingInfo& info, AttributeRows& out) {
    out.inserts.clear();
    out.rows.clear();
    if (!AllValidUtf8(info)) return false;
    std::size_t inserts = 0, count = 0;
    for (const BlockInfo& block : info.blocks) {
        for (const InsertInfo& ins : block.inserts) {
            inserts += ins.attributes.empty() ? 0 : 1;
            count += ins.attributes.size();
        }
    }
    out.inserts.reserve(inserts);
    out.rows.reserve(count);
    for (const BlockInfo& block : info.blocks) {
        for (const InsertInfo& ins : block.inserts) {
            if (ins.attributes.empty()) continue;
            out.inserts.push_back({block.name, block.layoutName, ins.name, ins.layer, ins.handle});
            for (const AttributeInfo& att : ins.attributes) {
                out.rows.push_back({&out.inserts.back(), att.handle, att.tag, att.value});
            }
        }
    }
    return true;
}

}  // namespace kel
