#include "component/dwg/DwgTypes.h"

namespace kel::dwg {
namespace {

struct VersionName {
    Version version;
    const char* id;
};

constexpr VersionName kVersions[] = {
    {Version::R13, "AC1012"},   {Version::R14, "AC1014"},   {Version::R2000, "AC1015"},
    {Version::R2004, "AC1018"}, {Version::R2007, "AC1021"}, {Version::R2010, "AC1024"},
    {Version::R2013, "AC1027"}, {Version::R2018, "AC1032"},
};

}  // namespace

bool VersionFromId(const std::string& id, Version& out) {
    for (const VersionName& v : kVersions) {
        if (id == v.id) {
            out = v.version;
            return true;
        }
    }
    return false;
}

const char* VersionId(Version v) {
    for (const VersionName& n : kVersions) {
        if (n.version == v) return n.id;
    }
    return "";
}

std::string CutAtNul(const std::string& raw) { return raw.substr(0, raw.find('\0')); }

std::uint64_t HandleRef::Resolve(std::uint64_t reference) const {
    switch (code) {
        case 0x6: return reference + 1;
        case 0x8: return reference - 1;
        case 0xA: return reference + value;
        case 0xC: return reference - value;
        default: return value;
    }
}

}  // namespace kel::dwg
