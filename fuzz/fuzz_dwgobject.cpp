// DWG object codec: the first byte picks the version (and whether the object
// type's class is a LAYOUT or an entity), the rest is one object as it lies
// in the objects area. Any bytes must be refused or decode; an object decoded
// with its fields must encode, and what it encodes to must decode to an
// object that encodes to the same bytes again.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "component/dwg/DwgObjectCodec.h"

namespace {

kel::dwg::DwgFile FileFor(std::uint8_t selector) {
    using kel::dwg::Version;
    static const Version versions[] = {Version::R13,   Version::R14,   Version::R2000, Version::R2004,
                                       Version::R2007, Version::R2010, Version::R2013, Version::R2018};
    kel::dwg::DwgFile file;
    file.version = versions[selector % 8];
    // Class types 500 and 501: a LAYOUT and an entity class.
    kel::dwg::ClassDef layout;
    layout.number = 500;
    layout.dxfName = "LAYOUT";
    layout.itemClassId = 0x1F3;
    kel::dwg::ClassDef entity;
    entity.number = 501;
    entity.dxfName = "WIPEOUT";
    entity.itemClassId = 0x1F2;
    file.classes = {layout, entity};
    return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const kel::dwg::DwgFile file = FileFor(data[0]);
    const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    kel::dwg::DecodedObject first;
    std::string why;
    if (!kel::dwg::DecodeObject(bytes, 0, file, first, why) || !first.known) return 0;
    std::string once;
    if (!kel::dwg::EncodeObject(first, file, once)) return 0;  // a value the writer cannot express
    kel::dwg::DecodedObject second;
    if (!kel::dwg::DecodeObject(once, 0, file, second, why) || !second.known) std::abort();
    std::string twice;
    if (!kel::dwg::EncodeObject(second, file, twice) || twice != once) std::abort();
    return 0;
}
