// The layout name a space block gets when the drawing names no layout for it,
// the same for every drawing format.
#pragma once

#include <string>
#include <string_view>

namespace kel {

// upperBlockName: the block's name in upper case ("*MODEL_SPACE", or the
// "$MODEL_SPACE" of R12 files). Model space is "Model"; the paper space block
// is "Layout1" when the drawing has no layouts at all (before R2000); any
// other block gets "".
inline std::string FallbackLayoutName(std::string_view upperBlockName, bool drawingHasLayouts) {
    if (upperBlockName == "*MODEL_SPACE" || upperBlockName == "$MODEL_SPACE") return "Model";
    if (!drawingHasLayouts && (upperBlockName == "*PAPER_SPACE" || upperBlockName == "$PAPER_SPACE")) return "Layout1";
    return {};
}

}  // namespace kel
