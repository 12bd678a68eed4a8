// The attributes of a drawing as rows, one per attribute, with the fields a
// run matches its template against. A component may list them straight from
// its own index of the drawing instead of through a description; then the
// texts are views into the drawing's texts as the component keeps them where
// they need no decoding, and into the listing's own store otherwise.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "component/TextStore.h"

namespace kel {

// What the rows of one insert's attributes share.
struct RowInsert {
    std::string_view space;   // the owner block's name (*Model_Space, *Paper_Space, ...)
    std::string_view layout;  // the owner's layout name
    std::string_view block;   // the inserted block's name
    std::string_view layer;   // the insert's layer
    std::string_view handle;  // the insert's handle
    bool operator==(const RowInsert&) const = default;
};

struct AttributeRow {
    const RowInsert* insert = nullptr;
    std::string_view handle;  // the attribute's handle
    std::string_view tag;
    std::string_view value;
};

// Rows with the inserts and texts they point into. Moving keeps those
// pointers; copying would not, so it is not allowed.
struct AttributeRows {
    std::vector<RowInsert> inserts;
    std::vector<AttributeRow> rows;
    TextStore texts;
    std::string path;  // the drawing's path as it was opened, when a component listed the rows
    // Set by a component that made sure, while listing, that every text of
    // the rows (the path aside) is well-formed UTF-8.
    bool textsWellFormed = false;

    AttributeRows() = default;
    AttributeRows(AttributeRows&&) = default;
    AttributeRows& operator=(AttributeRows&&) = default;
    AttributeRows(const AttributeRows&) = delete;
    AttributeRows& operator=(const AttributeRows&) = delete;
};

}  // namespace kel
