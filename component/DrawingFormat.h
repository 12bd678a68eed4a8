// Recognises a drawing file's format from its bytes and opens it with the
// matching reader.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "component/IDrawingDocument.h"

namespace kel {

// Drawings up to this size are read whole and kept as read; a larger DXF
// drawing is read a block at a time and not kept (its bytes are read again
// when it is saved).
inline constexpr std::uint64_t kReadWholeUpTo = 8 * 1024 * 1024;

// Reads the drawing at strPath. Returns the open document, or null with the
// reason in strStatus ("2002:Cannot read file: ...", "2003:Not a drawing
// file", "2004:Unsupported format AC1021", "2005:Damaged drawing: ...").
// The drawing information names strPath, and a DXF drawing is read from it
// again when saved.
std::unique_ptr<IDrawingDocument> OpenDrawingFile(const std::string& strPath, std::string& strStatus);

}  // namespace kel
