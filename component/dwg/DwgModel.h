// The objects of a drawing that the component works with, decoded
// from the object map, and the drawing's block inserts and attributes as a
// format-neutral DrawingInfo.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "component/DrawingHandle.h"
#include "component/DrawingInfo.h"
#include "component/dwg/DwgFile.h"
#include "component/dwg/DwgObjectCodec.h"

namespace kel::dwg {

class DwgModel {
public:
    // Decodes every object of the map (the CRC of each is checked). False
    // with a component status when an object is damaged or the block table
    // cannot be found.
    bool Load(std::string_view bytes, const DwgFile& file, std::string& status);

    DrawingInfo Describe() const;

    const DecodedObject* Find(std::uint64_t handle) const;
    // For edits: the object to change in place, and dropping an object.
    DecodedObject* FindMutable(std::uint64_t handle);
    void Erase(std::uint64_t handle) { index_.erase(handle); }
    const std::vector<DecodedObject>& Objects() const { return objects_; }
    // Block headers in the order the drawing lists its blocks.
    const std::vector<std::uint64_t>& BlockOrder() const { return blockOrder_; }
    // The entities of a block header, in the block's order.
    std::vector<std::uint64_t> EntitiesOf(std::uint64_t blockHeader) const;
    // The ATTRIBs of an INSERT or MINSERT, in order.
    std::vector<std::uint64_t> AttribsOf(std::uint64_t insert) const;
    // An attribute's value as shown (UTF-8): a multi-line one without its formatting.
    std::string ValueOf(const AttribData& a) const;
    // The page of the \M+n escapes among the texts read so far (1 to 5), or 0:
    // new text takes the same form.
    int EscapePage() const { return escapePage_; }

private:
    std::string Text(const std::string& raw) const;
    void NameBlocks(const DecodedObject& control, std::size_t regular);
    std::string LayoutNameOf(std::uint64_t blockHeader) const;
    std::string NameOf(std::uint64_t handle) const;
    int ConstantAttdefsOf(std::uint64_t blockHeader) const;
    // Follows entity links from first to last (stopping early at stopType,
    // a missing or repeated entity).
    std::vector<std::uint64_t> Chain(std::uint64_t first, std::uint64_t last, int stopType) const;

    std::vector<DecodedObject> objects_;
    std::unordered_map<std::uint64_t, std::size_t> index_;
    std::vector<std::uint64_t> blockOrder_;
    std::unordered_map<std::uint64_t, std::string> blockNames_;  // UTF-8, numbered where the file leaves it
    std::unordered_map<std::uint64_t, std::uint64_t> layoutOfBlock_;          // block header -> LAYOUT
    std::unordered_map<std::uint64_t, std::vector<std::uint64_t>> ownedBy_;  // block -> its entities by owner
    int codePage_ = 0;
    bool wideText_ = false;  // R2007 and later: texts were UTF-16
    mutable int escapePage_ = 0;  // the page of the last \M+n escape read (1 to 5)
    bool ownedLists_ = false;  // R2004: blocks and inserts list what they own
    bool hasLayouts_ = false;
};

// A handle as the drawing information shows it (component/DrawingHandle.h).
using ::kel::FormatHandle;

}  // namespace kel::dwg
