// Status texts of the drawing component: "<number>:<plain message>".
// Success is exactly "1000:Ok"; numbers group the failures by operation.
#pragma once

#include <string>

namespace kel {

// The exact success status.
inline constexpr const char* kStatusOk = "1000:Ok";

}  // namespace kel

namespace kel::status {

inline std::string Make(int number, const std::string& message) {
    return std::to_string(number) + ":" + message;
}

// Opening (2xxx).
constexpr int kFileNotFound = 2001;       // "File not found"
constexpr int kCannotRead = 2002;         // "Cannot read file: <reason>"
constexpr int kNotADrawing = 2003;        // "Not a drawing file"
constexpr int kUnsupportedFormat = 2004;  // "Unsupported format AC1021"
constexpr int kCorrupt = 2005;            // "Damaged drawing: <what>"
constexpr int kNoDrawingOpen = 2010;      // "No drawing is open"

// Editing (3xxx).
constexpr int kHandleNotFound = 3001;     // "Handle <h> not found"
constexpr int kNotSupported = 3002;       // "Deleting a <TYPE> is not supported"
constexpr int kNotAnAttribute = 3003;     // "Handle <h> is not an attribute"
constexpr int kBadValue = 3004;           // "Value cannot be stored: <why>"

// Writing (4xxx).
constexpr int kUnsupportedVersion = 4001; // "Saving as version <n> is not supported"
constexpr int kCannotWrite = 4002;        // "Cannot write <path>: <reason>"
constexpr int kReadOnly = 4003;           // "The drawing is read-only"

// The status of a save whose file could not be written or put in place.
inline std::string CannotWrite(const std::string& strPath, const std::string& strReason) {
    return Make(kCannotWrite, "Cannot write " + strPath + ": " + strReason);
}

}  // namespace kel::status
