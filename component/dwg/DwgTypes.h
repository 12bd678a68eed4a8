// Small value types shared by the DWG reader and writer.
#pragma once

#include <cstdint>
#include <string>

#include "component/dwg/Rare.h"

namespace kel::dwg {

// File format versions, in release order.
enum class Version : int { R13 = 0, R14, R2000, R2004, R2007, R2010, R2013, R2018 };

inline bool AtLeast(Version v, Version min) { return static_cast<int>(v) >= static_cast<int>(min); }
inline bool AtMost(Version v, Version max) { return static_cast<int>(v) <= static_cast<int>(max); }

// The six-byte version text at the start of a file ("AC1015" ...), or false.
bool VersionFromId(const std::string& id, Version& out);
const char* VersionId(Version v);

// Texts usually count a terminating NUL; the text proper ends
// at the first NUL.
std::string CutAtNul(const std::string& raw);

struct Point2 {
    double x = 0, y = 0;
};

struct Point3 {
    double x = 0, y = 0, z = 0;
};

// A handle reference as stored: the code tells how to read the value
// (absolute for 2..5, relative to another handle for 6, 8, 0xA, 0xC).
struct HandleRef {
    std::uint8_t code = 0;
    std::uint64_t value = 0;

    // The absolute handle this reference points at, given the handle it is
    // relative to (the referencing object's own handle).
    std::uint64_t Resolve(std::uint64_t reference) const;
};

// An entity or table colour. Up to R2000 only the index exists; R2004 adds
// true colours and colour-book names, which are carried so they can be written back.
struct Color {
    std::int16_t index = 0;
    std::uint32_t rgb = 0;
    std::uint8_t flags = 0;  // CMC: bit 1 name follows, bit 2 book follows
    struct Names {
        std::string name;
        std::string book;
    };
    Rare<Names> names;  // R2004: the colour's name and its book's, which few colours have
    std::uint32_t transparency = 0;
    bool hasTransparency = false;
    bool hasBookHandle = false;
};

}  // namespace kel::dwg
