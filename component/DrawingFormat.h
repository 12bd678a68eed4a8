// Recognises a drawing file's format from its bytes and opens it with the
// matching reader.
#pragma once

#include <memory>
#include <string>

#include "component/IDrawingDocument.h"

namespace kel {

// Returns the open document, or null with the reason in strStatus
// ("2003:Not a drawing file", "2004:Unsupported format AC1021",
// "2005:Damaged drawing: ..."). strPath is the file the bytes came from; the
// drawing information names it, and a DXF drawing is read from it again when
// saved.
std::unique_ptr<IDrawingDocument> OpenDrawingDocument(std::string bytes, const std::string& strPath,
                                                      std::string& strStatus);

}  // namespace kel
