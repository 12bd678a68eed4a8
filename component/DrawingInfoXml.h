// Writes the drawing information XML: one start or end tag per line, fields as
// one-line elements, every text escaped so that each element stays on its line.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "component/DrawingInfo.h"

namespace kel {

// Escapes & < > " ' as entities, and "=" and control characters as numeric references.
std::string EscapeXmlText(const std::string& strText);

// The whole document for the Attributes chapter (intBlocks = 1), lines ended by CR LF.
std::string DrawingInfoToXml(const DrawingInfo& info, bool blnAttributes);

// The same document a stretch of about a MiB at a time, for writing a large
// drawing's without holding it whole. `info` must outlive it.
class DrawingInfoXmlPieces {
public:
    DrawingInfoXmlPieces(const DrawingInfo& info, bool blnAttributes);
    // The next stretch, valid until the next call; empty once all was given.
    std::string_view Next();

private:
    const DrawingInfo& info_;
    bool attributes_;
    bool started_ = false;
    bool done_ = false;
    std::size_t block_ = 0;
    std::size_t insert_ = 0;  // the next insert of block_ to write; 0: the block is not begun
    std::string out_;
};

}  // namespace kel
