// What the component knows about a drawing's block inserts, independent of the
// file format. Both the DXF and the DWG readers fill it; one writer turns it into
// the drawing information XML.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kel {

struct AttributeInfo {
    std::string handle;       // hexadecimal, upper case, as the file has it
    std::uint64_t elementId;  // unique within the drawing
    std::string tag;          // UTF-8
    std::string value;        // UTF-8; may hold line breaks (multi-line attributes)
};

struct InsertInfo {
    std::string name;  // inserted block's name
    std::string handle;
    std::uint64_t elementId = 0;
    std::string layer;
    double x = 0, y = 0, z = 0;
    int numberConstantAttributes = 0;  // constant ATTDEFs of the inserted block
    int rows = 1, columns = 1;         // from a MINSERT, 1 and 1 otherwise
    std::vector<AttributeInfo> attributes;
};

struct BlockInfo {
    std::string name;        // owner block: *Model_Space, *Paper_Space, *Paper_Space0, TITLE, ...
    std::string layoutName;  // "Model", a paper space layout's name, or "" for a block that is no layout
    std::vector<InsertInfo> inserts;
};

struct DrawingInfo {
    std::string path;  // the drawing's path as it was opened
    std::vector<BlockInfo> blocks;
};

}  // namespace kel
