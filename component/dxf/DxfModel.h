// What the DXF reader indexes of a drawing: blocks, inserts and their
// attributes, each with the byte positions that editing needs. Its texts are
// kept by DxfModel::texts: copies, or views into file bytes that stay.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "component/ChunkedVector.h"
#include "component/DrawingHandle.h"
#include "component/dxf/DxfKeptTexts.h"
#include "component/dxf/DxfTokenizer.h"

namespace kel::dxf {

// A byte range of the file.
struct Span {
    std::size_t start = 0;
    std::size_t end = 0;
};

struct DxfAttrib {
    std::uint64_t id = 0;        // the handle's value, or a synthetic one above every real handle
    std::string_view tag;        // raw bytes of group 2
    Span entity;                 // from its group 0 to the next group 0
    DxfValue value;              // group 1
    int insert = -1;             // owning insert
    int mtext = -1;              // its groups 3 and 1 in DxfModel::mtextChunks, when multi-line
    bool synthetic = false;      // no usable handle in the file
    bool hasValue = false;       // group 1 present (before any embedded object)
    bool multiLine = false;      // holds an embedded MTEXT object
    bool deleted = false;
    bool changed = false;        // its new value is kept by the document
};

// The indexes from first up to (not including) last, for a range-for.
struct IndexRange {
    int first = 0, last = 0;
    struct Iterator {
        int i;
        int operator*() const { return i; }
        Iterator& operator++() {
            ++i;
            return *this;
        }
        bool operator!=(const Iterator& o) const { return i != o.i; }
    };
    Iterator begin() const { return {first}; }
    Iterator end() const { return {last}; }
};

struct DxfInsert {
    std::uint64_t id = 0;
    std::string_view name, layer;
    double x = 0, y = 0, z = 0;
    int rows = 1, columns = 1;
    int constantAttDefs = 0;     // constant ATTDEFs of the inserted block
    int owner = -1;              // index into DxfModel::blocks
    DxfValue followFlag;
    Span seqEnd;
    // Its attributes: DxfModel::attribs from firstAttrib on, one after the
    // other as the file has them.
    int firstAttrib = 0;
    int attribCount = 0;
    bool synthetic = false;
    bool hasFollowFlag = false;  // group 66 present
    bool hasSeqEnd = false;
    bool strayAttribAfterSeqEnd = false;  // an ATTRIB without insert follows the SEQEND

    IndexRange Attribs() const { return IndexRange{firstAttrib, firstAttrib + attribCount}; }
};

struct DxfBlock {
    std::string_view name;
    std::string layoutName;  // UTF-8
    std::vector<int> inserts;
};

// An object of the OBJECTS section, with what deleting its owner and keeping
// a multi-line attribute's second copy in step need.
struct DxfObject {
    std::uint64_t handle = 0;
    std::uint64_t owner = 0;  // group 330 outside any {...} list; 0 when none
    std::string_view type;
    Span span;                // from its group 0 to the next group 0
    std::vector<std::pair<std::string_view, std::uint64_t>> entries;  // a DICTIONARY's names and objects
    std::vector<DxfToken> textChunks;  // an XRECORD's embedded text (after "Embedded Object"): groups 3 and 1
    bool deleted = false;
    bool operator<(const DxfObject& o) const { return handle < o.handle; }
};

// Handle of any object or entity, for addressing by handle.
// The type indexes of ATTRIB and INSERT in DxfModel::typeNames.
inline constexpr std::uint32_t kAttribType = 1, kInsertType = 2;

struct HandleEntry {
    std::uint64_t handle = 0;
    std::uint32_t type = 0;  // the entity or object type: an index into DxfModel::typeNames
    int index = -1;          // an ATTRIB's in DxfModel::attribs, an INSERT's in DxfModel::inserts
    int Attrib() const { return type == kAttribType ? index : -1; }
    int Insert() const { return type == kInsertType ? index : -1; }
    bool operator<(const HandleEntry& o) const { return handle < o.handle; }
};

struct DxfModel {
    DxfKeptTexts texts;            // keeps what every text below views
    DxfEncoding encoding = DxfEncoding::Ascii;
    std::string_view acadVer;      // "AC1015"; empty when the file does not say
    std::string_view dwgCodePage;  // empty when the file does not say
    bool complete = false;         // the end-of-file marker (0/EOF) was reached
    std::vector<DxfBlock> blocks;
    // The entries of the index grow a chunk at a time (no guess at their
    // number, no copy while they grow).
    ChunkedVector<DxfInsert> inserts;
    ChunkedVector<DxfAttrib> attribs;
    std::vector<std::vector<DxfToken>> mtextChunks;  // of the multi-line attributes, in file order
    ChunkedVector<HandleEntry> handles;  // sorted by handle
    std::vector<std::string_view> typeNames;  // the types of the handles' holders, as the file names them
    std::vector<DxfObject> objects;    // sorted by handle
    // The attributes with an extension dictionary (few have one): attribute
    // index and dictionary handle, by index.
    std::vector<std::pair<int, std::uint64_t>> xdicts;

    std::string_view TypeName(const HandleEntry& e) const { return typeNames[e.type]; }
    // The extension dictionary of attribute `attrib`; 0 when it has none.
    std::uint64_t XdictOf(int attrib) const {
        const auto it = std::lower_bound(xdicts.begin(), xdicts.end(), std::pair<int, std::uint64_t>{attrib, 0});
        return it != xdicts.end() && it->first == attrib ? it->second : 0;
    }
};

// Parses the whole file. On failure returns false with a reason in strErr
// ("not a drawing" when nothing DXF-like was found).
// With blnBytesStay the caller keeps the bytes as long as the model, and the
// model views its texts in them instead of copying them.
bool ReadDxfModel(std::string_view data, DxfModel& model, std::string& strErr, bool& notDxf,
                  bool blnBytesStay = false);
// The same, for the tokens of a file read a block at a time. The tokenizer
// stops at the end-of-file marker.
bool ReadDxfModel(DxfTokenizer& tok, DxfModel& model, std::string& strErr, bool& notDxf);

// Handles are read and written as every format does (component/DrawingHandle.h).
using ::kel::FormatHandle;
using ::kel::ParseHandle;

}  // namespace kel::dxf
