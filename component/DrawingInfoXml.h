// Writes the drawing information XML: one start or end tag per line, fields as
// one-line elements, every text escaped so that each element stays on its line.
#pragma once

#include <string>

#include "component/DrawingInfo.h"

namespace kel {

// Escapes & < > " ' as entities, and "=" and control characters as numeric references.
std::string EscapeXmlText(const std::string& strText);

// The whole document for the Attributes chapter (intBlocks = 1), lines ended by CR LF.
std::string DrawingInfoToXml(const DrawingInfo& info, bool blnAttributes);

}  // namespace kel
