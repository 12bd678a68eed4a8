// Recognises a drawing file's format from its bytes and opens it with the
// matching reader.
#pragma once

#include <memory>
#include <string>

#include "component/IDrawingDocument.h"

namespace kel {

// Returns the open document, or null with the reason in strStatus
// ("2003:Not a drawing file", "2004:Unsupported format AC1015 (DWG)", ...).
std::unique_ptr<IDrawingDocument> OpenDrawingDocument(std::string bytes, std::string& strStatus);

}  // namespace kel
