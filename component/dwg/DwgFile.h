// A drawing's file organisation as far as the reader needs it: for R13-R2000
// the file header with its section locators, from R2004 on the paged
// container (DwgR2004File.h, for R2007 DwgR2007File.h); in both the header variables, the class
// definitions and the object map. Parsing checks every sentinel, size and CRC;
// nothing read from the file is trusted as an offset before it is checked
// against the file's length.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "component/dwg/DwgTypes.h"
#include "component/dwg/ObjectLocation.h"
#include "component/dwg/ObjectsBuffer.h"

namespace kel::dwg {

class R2004File;
class R2007File;

struct SectionLocator {
    std::uint8_t number = 0;
    std::int32_t seeker = 0;
    std::int32_t size = 0;
};

struct ClassDef {
    std::int16_t number = 0;  // the object type its objects carry (500 and up)
    std::int16_t version = 0;
    std::string appName;
    std::string cppClassName;
    std::string dxfName;
    bool wasZombie = false;
    std::int16_t itemClassId = 0;  // 0x1F2 entities, 0x1F3 other objects
};

// The paged versions' sections the reader needs by name.
inline constexpr char kHeaderSectionName[] = "AcDb:Header";
inline constexpr char kClassesSectionName[] = "AcDb:Classes";
inline constexpr char kObjectsSectionName[] = "AcDb:AcDbObjects";
inline constexpr char kHandlesSectionName[] = "AcDb:Handles";

// What to reserve for a paged section's data of `size` bytes: for the
// objects section an eighth more, so that a save that adds changed objects
// behind it in place (ObjectsBuffer) need not move it.
inline std::size_t SectionRoom(std::string_view name, std::size_t size) {
    return name == kObjectsSectionName ? size + size / 8 : size;
}

// Locator record numbers.
constexpr std::uint8_t kHeaderSection = 0;
constexpr std::uint8_t kClassSection = 1;
constexpr std::uint8_t kObjectMapSection = 2;

class DwgFile {
public:
    // Reads an R13, R14, R2000, R2004, R2007, R2010, R2013 or R2018 file. On failure
    // returns false with a component status text ("2005:Damaged drawing: ...").
    bool Parse(std::string_view bytes, std::string& status);
    // The same for a file written from `earlier` (parsed from `earlierBytes`):
    // pages it stores exactly as `earlier` did are taken as read there
    // instead of being decoded again (the maps, headers and every other page
    // are checked as always).
    bool Parse(std::string_view bytes, std::string& status, const DwgFile& earlier, std::string_view earlierBytes);
    // The same for a paged file written from `earlier` with the objects
    // section in `objects` (DwgWriter.h): `earlier` need not hold its own
    // section (objects.Old() is it); the new file's objects section is
    // checked page by page to hold exactly objects.data, which then becomes
    // this file's objectSection, moved, not copied. On failure `objects`
    // holds what it held. Where objects.MapPatched(), the file's object map
    // is checked to hold exactly *objects.map, and this file's objectMap is
    // left empty for the caller to move that map into.
    bool Parse(std::string_view bytes, std::string& status, const DwgFile& earlier, std::string_view earlierBytes,
               ObjectsBuffer& objects);

    // Where the object map's offsets point: the file itself up to R2000, the
    // decompressed objects section from R2004 on.
    std::string_view ObjectArea(std::string_view fileBytes) const {
        return AtLeast(version, Version::R2004) ? std::string_view(objectSection) : fileBytes;
    }

    Version version = Version::R2000;
    std::uint8_t maintenanceVersion = 0;
    std::uint16_t codePage = 0;  // the file's code page number
    std::int32_t imageSeeker = 0;
    std::int64_t secondHeaderOffset = -1;
    std::string objectSection;  // R2004 and later: the decompressed AcDb:AcDbObjects section
    std::vector<SectionLocator> locators;
    std::uint64_t handleSeed = 0;
    std::vector<ClassDef> classes;
    std::vector<ObjectLocation> objectMap;  // in the order of the map
    // R2004, R2010 and later: the container as read, for writing the file
    // again (its objects section data is in objectSection, not here); null
    // for the other versions.
    std::shared_ptr<const R2004File> r2004;
    // R2007: the container as read (pages, sections, maps and file header),
    // for writing the file again (its objects section data is in
    // objectSection); null for the other versions.
    std::shared_ptr<const R2007File> r2007;

    // The class of a non-fixed object type, or nullptr.
    const ClassDef* ClassOfType(int type) const;

private:
    // What a file written from an earlier one is read with.
    struct From {
        const DwgFile* file = nullptr;  // its container, or null
        std::string_view bytes;         // the earlier file
        std::string_view objects;       // its objects section
        std::string* written = nullptr;  // the objects section written (Parse with an ObjectsBuffer)
        const std::vector<ObjectLocation>* map = nullptr;  // the map the file must hold, or null
    };
    bool ParseWith(std::string_view bytes, const From& from, std::string& status);
    bool ParseFileHeader(std::string_view bytes, std::string& why);
    bool ParseR2004(std::string_view bytes, const From& from, std::string& why);
    bool ParseR2007(std::string_view bytes, const From& from, std::string& why);
    // The paged versions: header variables, classes and object map from
    // their whole sections.
    bool ParseSections(const std::string& header, const std::string& classData, const std::string& handles,
                       const std::vector<ObjectLocation>* map, std::string& why);
    // Each reads its section from `area` where `loc` says.
    bool ParseHeaderVariables(std::string_view area, const SectionLocator& loc, std::string& why);
    bool ParseClasses(std::string_view area, const SectionLocator& loc, std::string& why);
    bool ParseObjectMap(std::string_view area, const SectionLocator& loc, std::size_t objectAreaSize,
                        std::string& why);
    bool CheckImage(std::string_view bytes, std::string& why) const;
    bool CheckSecondHeader(std::string_view bytes, std::string& why);
    const SectionLocator* Locator(std::uint8_t number) const;
    // The bytes between the size of the header or class section and its data.
    std::size_t HighSizeBytes() const;
};

// Sentinels that open and close the sections.
extern const std::uint8_t kFileHeaderEndSentinel[16];
extern const std::uint8_t kHeaderBeginSentinel[16];
extern const std::uint8_t kHeaderEndSentinel[16];
extern const std::uint8_t kClassesBeginSentinel[16];
extern const std::uint8_t kClassesEndSentinel[16];
extern const std::uint8_t kImageBeginSentinel[16];
extern const std::uint8_t kImageEndSentinel[16];
extern const std::uint8_t kSecondHeaderBeginSentinel[16];
extern const std::uint8_t kSecondHeaderEndSentinel[16];

}  // namespace kel::dwg
