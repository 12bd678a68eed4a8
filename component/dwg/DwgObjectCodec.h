// Decodes and encodes one object of the object data area: the size (and from
// R2010 on the handle stream size), the fields DwgObjectLayout.h declares,
// the string stream of R2007 and later, the handle stream and the CRC.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include "component/dwg/DwgFile.h"
#include "component/dwg/DwgObjects.h"
#include "component/dwg/Rare.h"

namespace kel::dwg {

// How an object's own fields are held in ObjectData: the large ones on the
// heap (Rare), so that the many objects of small types (and of types whose
// fields are not read) do not each take the size of the largest.
template <class T>
inline constexpr bool kHeapFields = std::is_same_v<T, AttribData> || std::is_same_v<T, InsertData> ||
                                    std::is_same_v<T, BlockHeaderData> || std::is_same_v<T, LayerData> ||
                                    std::is_same_v<T, LayoutData>;
template <class T>
using StoredAs = std::conditional_t<kHeapFields<T>, Rare<T>, T>;

using ObjectData =
    std::variant<std::monostate, StoredAs<AttribData>, StoredAs<InsertData>, StoredAs<BlockNameData>,
                 StoredAs<ControlData>, StoredAs<BlockHeaderData>, StoredAs<LayerData>, StoredAs<LayoutData>,
                 StoredAs<DictionaryData>, StoredAs<XrecordData>>;

// The fields of type T an object's data holds, or null (std::get_if).
template <class T>
T* DataIf(ObjectData& data) {
    auto* stored = std::get_if<StoredAs<T>>(&data);
    if constexpr (std::is_same_v<StoredAs<T>, T>) {
        return stored;
    } else {
        return stored ? &stored->Get() : nullptr;
    }
}
template <class T>
const T* DataIf(const ObjectData& data) {
    const auto* stored = std::get_if<StoredAs<T>>(&data);
    if constexpr (std::is_same_v<StoredAs<T>, T>) {
        return stored;
    } else {
        return stored ? &stored->Get() : nullptr;
    }
}
// Whether the data holds fields of type T (std::holds_alternative).
template <class T>
bool Holds(const ObjectData& data) {
    return std::holds_alternative<StoredAs<T>>(data);
}
// The fields of type T the data holds; throws std::bad_variant_access when
// it holds others (std::get).
template <class T>
T& DataOf(ObjectData& data) {
    if constexpr (std::is_same_v<StoredAs<T>, T>) {
        return std::get<T>(data);
    } else {
        return std::get<StoredAs<T>>(data).Get();
    }
}
template <class T>
const T& DataOf(const ObjectData& data) {
    if constexpr (std::is_same_v<StoredAs<T>, T>) {
        return std::get<T>(data);
    } else {
        return std::get<StoredAs<T>>(data).Get();
    }
}
// New default fields of type T in place of what the data held.
template <class T>
T& EmplaceData(ObjectData& data) {
    auto& stored = data.template emplace<StoredAs<T>>();
    if constexpr (std::is_same_v<StoredAs<T>, T>) {
        return stored;
    } else {
        return stored.Get();
    }
}

struct DecodedObject {
    std::size_t totalBytes = 0;   // size field, object bytes and CRC
    std::uint32_t size = 0;       // object bytes, as the size field says
    std::int32_t dataBits = 0;    // where the handle stream starts
    bool hasStrings = false;      // R2007: the flag that a string stream is present
    ObjectCommon common;
    ObjectData data;
    std::vector<HandleRef> extraHandles;  // handles behind the declared ones
    std::uint8_t padding = 0;             // the bits that fill the last byte, as written
    unsigned paddingBits = 0;
    bool known = false;       // the type's own fields were decoded
    bool commonRead = true;   // the common entity or object fields were decoded
    bool dataExact = false;   // the declared fields ended exactly where the handles begin
    bool prefixOnly = false;  // decoded up to its type and handle only (DecodeDepth::kWorkingSet)

    std::uint64_t Handle() const { return common.handle.value; }
    // An absolute handle from a reference held by this object.
    std::uint64_t Ref(const HandleRef& r) const { return r.Resolve(Handle()); }
};

// R2007 and later: where the string stream lies in a stream whose
// pre-handle bits end at dataEnd (its presence bit is the last of them) and
// whose other fields end no earlier than prefixEnd. False when it cannot fit.
bool FindStringStream(std::string_view body, Version v, std::size_t dataEnd, std::size_t prefixEnd, bool& present,
                      std::size_t& start, std::size_t& end);

// True for the fixed entity types and for class types whose objects are entities.
bool IsEntityType(int type, const DwgFile& file);

// How much of an object DecodeObject decodes. kWorkingSet stops after the
// prefix (type, handle) for the types without a declaration of their own
// fields and for xrecords: none is needed to find inserts and attributes (an
// xrecord is decoded when an attribute's multi-line copy is changed).
// Both depths check the same things and fail on the same objects.
enum class DecodeDepth { kFull, kWorkingSet };

// Decodes the object at a file offset. False with a reason when the object
// does not fit in the file, its CRC does not match, or its prefix cannot be
// read; the fields of unknown types are left undecoded (their bytes are kept
// by the caller as they are).
bool DecodeObject(std::string_view bytes, std::int64_t offset, const DwgFile& file, DecodedObject& out,
                  std::string& why, DecodeDepth depth = DecodeDepth::kFull);

// Encodes a decoded object again: size, prefix, common fields, the type's
// own fields, handles and CRC. An object decoded with known fields and not
// changed since comes out as the bytes it was read from. False when the
// object's fields are unknown or a value cannot be expressed.
bool EncodeObject(const DecodedObject& object, const DwgFile& file, std::string& out);

}  // namespace kel::dwg
