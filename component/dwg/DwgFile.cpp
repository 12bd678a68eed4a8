#include "component/dwg/DwgFile.h"

#include <cstring>

#include "component/ByteOrder.h"
#include "component/ComponentStatus.h"
#include "component/dwg/BitReader.h"
#include "component/dwg/DwgCrc.h"
#include "component/dwg/DwgObjectCodec.h"
#include "component/dwg/DwgObjectIo.h"
#include "component/dwg/DwgObjectMap.h"
#include "component/dwg/DwgR2004File.h"
#include "component/dwg/DwgR2007File.h"

namespace kel::dwg {

const std::uint8_t kFileHeaderEndSentinel[16] = {0x95, 0xA0, 0x4E, 0x28, 0x99, 0x82, 0x1A, 0xE5,
                                                 0x5E, 0x41, 0xE0, 0x5F, 0x9D, 0x3A, 0x4D, 0x00};
const std::uint8_t kHeaderBeginSentinel[16] = {0xCF, 0x7B, 0x1F, 0x23, 0xFD, 0xDE, 0x38, 0xA9,
                                               0x5F, 0x7C, 0x68, 0xB8, 0x4E, 0x6D, 0x33, 0x5F};
const std::uint8_t kHeaderEndSentinel[16] = {0x30, 0x84, 0xE0, 0xDC, 0x02, 0x21, 0xC7, 0x56,
                                             0xA0, 0x83, 0x97, 0x47, 0xB1, 0x92, 0xCC, 0xA0};
const std::uint8_t kClassesBeginSentinel[16] = {0x8D, 0xA1, 0xC4, 0xB8, 0xC4, 0xA9, 0xF8, 0xC5,
                                                0xC0, 0xDC, 0xF4, 0x5F, 0xE7, 0xCF, 0xB6, 0x8A};
const std::uint8_t kClassesEndSentinel[16] = {0x72, 0x5E, 0x3B, 0x47, 0x3B, 0x56, 0x07, 0x3A,
                                              0x3F, 0x23, 0x0B, 0xA0, 0x18, 0x30, 0x49, 0x75};

const std::uint8_t kImageBeginSentinel[16] = {0x1F, 0x25, 0x6D, 0x07, 0xD4, 0x36, 0x28, 0x28,
                                              0x9D, 0x57, 0xCA, 0x3F, 0x9D, 0x44, 0x10, 0x2B};
const std::uint8_t kImageEndSentinel[16] = {0xE0, 0xDA, 0x92, 0xF8, 0x2B, 0xC9, 0xD7, 0xD7,
                                            0x62, 0xA8, 0x35, 0xC0, 0x62, 0xBB, 0xEF, 0xD4};
const std::uint8_t kSecondHeaderBeginSentinel[16] = {0xD4, 0x7B, 0x21, 0xCE, 0x28, 0x93, 0x9F, 0xBF,
                                                     0x53, 0x24, 0x40, 0x09, 0x12, 0x3C, 0xAA, 0x01};
const std::uint8_t kSecondHeaderEndSentinel[16] = {0x2B, 0x84, 0xDE, 0x31, 0xD7, 0x6C, 0x60, 0x40,
                                                   0xAC, 0xDB, 0xBF, 0xF6, 0xED, 0xC3, 0x55, 0xFE};

namespace {

constexpr std::size_t kLocatorTableOffset = 0x15;
constexpr std::size_t kLocatorRecordSize = 9;

bool SentinelAt(std::string_view b, std::size_t at, const std::uint8_t (&sentinel)[16]) {
    return at <= b.size() && b.size() - at >= 16 && std::memcmp(b.data() + at, sentinel, 16) == 0;
}

// A section framed by a begin sentinel, a 4-byte size (and `extra` bytes
// more, see HighSizeBytes), the data, a CRC and an end sentinel. Returns the
// data (without the size) or false with a reason.
bool FramedSection(std::string_view bytes, const SectionLocator& loc, const std::uint8_t (&begin)[16],
                   const std::uint8_t (&end)[16], const char* name, std::size_t extra, std::string_view& data,
                   std::string& why) {
    if (loc.seeker < 0 || static_cast<std::size_t>(loc.seeker) > bytes.size()) {
        why = std::string(name) + " lies outside the file";
        return false;
    }
    std::size_t at = static_cast<std::size_t>(loc.seeker);
    if (!SentinelAt(bytes, at, begin)) {
        why = std::string(name) + " start sentinel missing";
        return false;
    }
    at += 16;
    const std::size_t head = 4 + extra;
    if (bytes.size() - at < head) {
        why = std::string(name) + " is truncated";
        return false;
    }
    std::uint32_t size = ReadLittleEndian<std::uint32_t>(bytes, at);
    // size fields, data, CRC and end sentinel must all lie inside the file
    if (size > bytes.size() || bytes.size() - at - head < static_cast<std::size_t>(size) + 2 + 16) {
        why = std::string(name) + " is truncated";
        return false;
    }
    std::uint16_t stored = ReadLittleEndian<std::uint16_t>(bytes, at + head + size);
    std::uint16_t computed = Crc16(kCrcSeed, bytes.substr(at, head + size));
    if (stored != computed) {
        why = std::string(name) + " CRC mismatch";
        return false;
    }
    if (!SentinelAt(bytes, at + head + size + 2, end)) {
        why = std::string(name) + " end sentinel missing";
        return false;
    }
    data = bytes.substr(at + head, size);
    return true;
}

}  // namespace

const SectionLocator* DwgFile::Locator(std::uint8_t number) const {
    for (const SectionLocator& l : locators) {
        if (l.number == number) return &l;
    }
    return nullptr;
}

const ClassDef* DwgFile::ClassOfType(int type) const {
    for (const ClassDef& c : classes) {
        if (c.number == type) return &c;
    }
    return nullptr;
}

bool DwgFile::Parse(std::string_view bytes, std::string& status) { return ParseWith(bytes, From{}, status); }

bool DwgFile::Parse(std::string_view bytes, std::string& status, const DwgFile& earlier,
                    std::string_view earlierBytes) {
    return ParseWith(bytes, From{&earlier, earlierBytes, earlier.objectSection, nullptr}, status);
}

bool DwgFile::Parse(std::string_view bytes, std::string& status, const DwgFile& earlier,
                    std::string_view earlierBytes, ObjectsBuffer& objects) {
    return ParseWith(bytes,
                     From{&earlier, earlierBytes, objects.Old(), &objects.data,
                          objects.MapPatched() ? objects.map : nullptr},
                     status);
}

bool DwgFile::ParseWith(std::string_view bytes, const From& from, std::string& status) {
    std::string why;
    bool ok = false;
    Version paged = Version::R13;
    if (bytes.size() >= 6 && VersionFromId(std::string(bytes.substr(0, 6)), paged) &&
        AtLeast(paged, Version::R2004)) {
        version = paged;
        ok = paged == Version::R2007 ? ParseR2007(bytes, from, why) : ParseR2004(bytes, from, why);
    } else if (from.written) {
        why = "the file written is not a paged file";
    } else {
        ok = ParseFileHeader(bytes, why) && ParseHeaderVariables(bytes, *Locator(kHeaderSection), why) &&
             ParseClasses(bytes, *Locator(kClassSection), why) &&
             ParseObjectMap(bytes, *Locator(kObjectMapSection), bytes.size(), why) && CheckImage(bytes, why) &&
             CheckSecondHeader(bytes, why);
    }
    if (!ok) {
        status = status::Make(status::kCorrupt, "Damaged drawing: " + why);
        return false;
    }
    return true;
}

std::size_t DwgFile::HighSizeBytes() const {
    // R2010 and R2013 files of maintenance version 4 and up, and every R2018
    // file, follow the size of the header and class sections with 4 more bytes.
    const bool present = version == Version::R2018 ||
                         (AtLeast(version, Version::R2010) && maintenanceVersion > 3);
    return present ? 4 : 0;
}

namespace {

// Reads a paged container (R2004File or R2007File with its KnownPages),
// taking unchanged pages from `earlier` when given, and moves the objects
// section's data out into `objectSection`: from the container, or, where the
// container was checked against the data it was `written` with, from there.
// Null with a reason when a section the reader needs is missing or encrypted
// (`written` is then left as it was).
template <class Container, class Known>
std::shared_ptr<Container> ReadContainer(std::string_view bytes, const Container* earlier,
                                         std::string_view earlierObjects, std::string_view earlierBytes,
                                         std::string* written, std::string& objectSection, std::string& why) {
    Known known;
    if (earlier) {
        known.bytes = earlierBytes;
        known.file = earlier;
        for (const auto& s : earlier->sections) known.data[s.name] = s.data;
        known.data[kObjectsSectionName] = earlierObjects;
    }
    if (written) known.written[kObjectsSectionName] = *written;
    auto container = std::make_shared<Container>();
    if (!container->Parse(bytes, why, earlier || written ? &known : nullptr)) return nullptr;
    for (const char* name : {kHeaderSectionName, kClassesSectionName, kHandlesSectionName, kObjectsSectionName}) {
        const auto* s = container->Find(name);
        if (!s || !s->readable) {
            why = "a section the drawing needs is missing or encrypted";
            return nullptr;
        }
    }
    for (auto& s : container->sections) {
        if (s.name == kObjectsSectionName) {
            objectSection = written ? std::move(*written) : std::move(s.data);
            s.data.clear();
        }
    }
    return container;
}

}  // namespace

bool DwgFile::ParseR2004(std::string_view bytes, const From& from, std::string& why) {
    maintenanceVersion = static_cast<std::uint8_t>(bytes[0x0B]);
    const R2004File* earlier = from.file ? from.file->r2004.get() : nullptr;
    auto container = ReadContainer<R2004File, R2004KnownPages>(bytes, earlier, from.objects, from.bytes, from.written,
                                                               objectSection, why);
    if (!container) return false;
    codePage = container->codePage;
    r2004 = container;
    if (ParseSections(container->Find(kHeaderSectionName)->data, container->Find(kClassesSectionName)->data,
                      container->Find(kHandlesSectionName)->data, from.map, why)) {
        return true;
    }
    if (from.written) *from.written = std::move(objectSection);
    return false;
}

bool DwgFile::ParseR2007(std::string_view bytes, const From& from, std::string& why) {
    maintenanceVersion = static_cast<std::uint8_t>(bytes[0x0B]);
    const R2007File* earlier = from.file ? from.file->r2007.get() : nullptr;
    auto container = ReadContainer<R2007File, R2007KnownPages>(bytes, earlier, from.objects, from.bytes, from.written,
                                                               objectSection, why);
    if (!container) return false;
    codePage = container->codePage;
    r2007 = container;
    if (ParseSections(container->Find(kHeaderSectionName)->data, container->Find(kClassesSectionName)->data,
                      container->Find(kHandlesSectionName)->data, from.map, why)) {
        return true;
    }
    if (from.written) *from.written = std::move(objectSection);
    return false;
}

bool DwgFile::ParseSections(const std::string& header, const std::string& classData, const std::string& handles,
                            const std::vector<ObjectLocation>* map, std::string& why) {
    auto whole = [](std::uint8_t number, const std::string& data) {
        return SectionLocator{number, 0, static_cast<std::int32_t>(data.size())};
    };
    if (!ParseHeaderVariables(header, whole(kHeaderSection, header), why) ||
        !ParseClasses(classData, whole(kClassSection, classData), why)) {
        return false;
    }
    if (!map) return ParseObjectMap(handles, whole(kObjectMapSection, handles), objectSection.size(), why);
    objectMap.clear();
    return MatchObjectMap(handles, version, objectSection.size(), *map, why);
}

bool DwgFile::ParseFileHeader(std::string_view bytes, std::string& why) {
    if (bytes.size() < kLocatorTableOffset + 4 || !VersionFromId(std::string(bytes.substr(0, 6)), version) ||
        !AtMost(version, Version::R2000)) {
        why = "not an R13 to R2000 file";
        return false;
    }
    maintenanceVersion = static_cast<std::uint8_t>(bytes[0x0B]);
    imageSeeker = static_cast<std::int32_t>(ReadLittleEndian<std::uint32_t>(bytes, 0x0D));
    codePage = ReadLittleEndian<std::uint16_t>(bytes, 0x13);
    std::uint32_t count = ReadLittleEndian<std::uint32_t>(bytes, kLocatorTableOffset);
    std::uint16_t crcXor = 0;
    if (!FileHeaderCrcXor(static_cast<std::int32_t>(count), crcXor)) {
        why = "unexpected number of section locators (" + std::to_string(count) + ")";
        return false;
    }
    std::size_t crcAt = kLocatorTableOffset + 4 + count * kLocatorRecordSize;
    if (bytes.size() < crcAt + 2 + 16) {
        why = "file header is truncated";
        return false;
    }
    locators.clear();
    for (std::uint32_t i = 0; i < count; ++i) {
        std::size_t at = kLocatorTableOffset + 4 + i * kLocatorRecordSize;
        SectionLocator l;
        l.number = static_cast<std::uint8_t>(bytes[at]);
        l.seeker = static_cast<std::int32_t>(ReadLittleEndian<std::uint32_t>(bytes, at + 1));
        l.size = static_cast<std::int32_t>(ReadLittleEndian<std::uint32_t>(bytes, at + 5));
        locators.push_back(l);
    }
    std::uint16_t computed = Crc16(0, bytes.substr(0, crcAt)) ^ crcXor;
    if (computed != ReadLittleEndian<std::uint16_t>(bytes, crcAt)) {
        why = "file header CRC mismatch";
        return false;
    }
    if (!SentinelAt(bytes, crcAt + 2, kFileHeaderEndSentinel)) {
        why = "file header sentinel missing";
        return false;
    }
    for (std::uint8_t needed : {kHeaderSection, kClassSection, kObjectMapSection}) {
        const SectionLocator* l = Locator(needed);
        if (!l || l->seeker < 0 || l->size < 0 || static_cast<std::size_t>(l->seeker) > bytes.size() ||
            static_cast<std::size_t>(l->size) > bytes.size() - static_cast<std::size_t>(l->seeker)) {
            why = "section locator " + std::to_string(needed) + " is missing or outside the file";
            return false;
        }
    }
    return true;
}

bool DwgFile::ParseHeaderVariables(std::string_view area, const SectionLocator& loc, std::string& why) {
    std::string_view data;
    if (!FramedSection(area, loc, kHeaderBeginSentinel, kHeaderEndSentinel, "header variables", HighSizeBytes(),
                       data, why)) {
        return false;
    }
    // From R2007 on the variables come in three streams; nothing of them is
    // needed beyond the section's own checks.
    if (HasStringStream(version)) return true;
    // Walk the variables up to HANDSEED; only the handle seed is kept.
    BitReader r(data, version);
    const bool r13r14 = !AtLeast(version, Version::R2000);
    const bool r2004 = AtLeast(version, Version::R2004);
    for (int i = 0; i < 4; ++i) r.BD();
    for (int i = 0; i < 4; ++i) r.T();
    r.BL();
    r.BL();
    if (r13r14) r.BS();
    if (!r2004) r.H();             // current viewport entity header
    for (int i = 0; i < 2; ++i) r.B();  // DIMASO, DIMSHO
    if (r13r14) r.B();             // DIMSAV
    for (int i = 0; i < 7; ++i) r.B();  // PLINEGEN .. LIMCHECK
    if (r13r14) r.B();             // BLIPMODE
    if (r2004) r.B();
    for (int i = 0; i < 4; ++i) r.B();  // USRTIMER .. SPLFRAME
    if (r13r14) {
        r.B();  // ATTREQ
        r.B();  // ATTDIA
    }
    r.B();  // MIRRTEXT
    r.B();  // WORLDVIEW
    if (r13r14) r.B();  // WIREFRAME
    for (int i = 0; i < 3; ++i) r.B();  // TILEMODE, PLIMCHECK, VISRETAIN
    if (r13r14) r.B();  // DELOBJ
    r.B();              // DISPSILH
    r.B();              // PELLIPSE
    r.BS();             // PROXYGRAPHICS
    if (r13r14) r.BS();  // DRAGMODE
    for (int i = 0; i < 5; ++i) r.BS();  // TREEDEPTH .. AUPREC
    if (r13r14) r.BS();                 // OSMODE
    r.BS();                             // ATTMODE
    if (r13r14) r.BS();                 // COORDS
    r.BS();                             // PDMODE
    if (r13r14) r.BS();                 // PICKSTYLE
    if (r2004) {
        for (int i = 0; i < 3; ++i) r.BL();
    }
    for (int i = 0; i < 19; ++i) r.BS();  // USERI1 .. TEXTQLTY
    for (int i = 0; i < 21; ++i) r.BD();  // LTSCALE .. CELTSCALE
    r.T();                                // MENUNAME
    for (int i = 0; i < 4; ++i) r.BL();   // TDCREATE, TDUPDATE
    if (r2004) {
        for (int i = 0; i < 3; ++i) r.BL();
    }
    for (int i = 0; i < 4; ++i) r.BL();   // TDINDWG, TDUSRTIMER
    r.CMC();                              // CECOLOR
    HandleRef seed = r.H();
    if (!r.Ok()) {
        why = "header variables cannot be read";
        return false;
    }
    handleSeed = seed.value;
    return true;
}

bool DwgFile::ParseClasses(std::string_view area, const SectionLocator& loc, std::string& why) {
    std::string_view data;
    if (!FramedSection(area, loc, kClassesBeginSentinel, kClassesEndSentinel, "classes", HighSizeBytes(), data,
                       why)) {
        return false;
    }
    classes.clear();
    BitReader r(data, version);
    BitReader strings(data, version);
    ReadIo io(r, &strings);
    const bool r2004 = AtLeast(version, Version::R2004);
    if (HasStringStream(version)) {
        // The size in bits of the data and string stream, counted from its own
        // first bit; the string stream ends it.
        std::size_t endBit = static_cast<std::uint32_t>(r.RL());
        std::size_t start = 0, end = 0;
        bool present = false;
        if (!r.Ok() || endBit > data.size() * 8 ||
            !FindStringStream(data, version, endBit, r.BitPos(), present, start, end)) {
            why = "class definitions cannot be read";
            return false;
        }
        strings.SetBitPos(start);
        strings.LimitTo(end);
        r.LimitTo(start);
    }
    if (r2004) {
        r.BS();  // the highest class number
        r.RC();
        r.RC();
        r.B();
    }
    // Entries follow one another to the end of the data; the last byte may
    // hold padding bits only.
    while (r.RemainingBits() >= 8) {
        ClassDef c;
        c.number = r.BS();
        c.version = r.BS();
        io.TV(c.appName);
        io.TV(c.cppClassName);
        io.TV(c.dxfName);
        c.wasZombie = r.B() != 0;
        c.itemClassId = r.BS();
        if (r2004) {
            r.BL();  // objects of the class
            r.BL();  // version and maintenance version that made it (they exceed a
            r.BL();  // byte in real files, so they are bitlongs, not bitshorts)
            r.BL();
            r.BL();
        }
        if (!r.Ok()) {
            why = "class definitions cannot be read";
            return false;
        }
        classes.push_back(std::move(c));
    }
    return true;
}

bool DwgFile::ParseObjectMap(std::string_view bytes, const SectionLocator& loc, std::size_t objectAreaSize,
                             std::string& why) {
    const std::string_view map = bytes.substr(static_cast<std::size_t>(loc.seeker), static_cast<std::size_t>(loc.size));
    return ReadObjectMap(map, version, objectAreaSize, objectMap, why);
}

bool DwgFile::CheckImage(std::string_view bytes, std::string& why) const {
    if (imageSeeker == 0) return true;  // no preview image
    std::size_t at = static_cast<std::uint32_t>(imageSeeker);
    if (!SentinelAt(bytes, at, kImageBeginSentinel) || bytes.size() - at < 20) {
        why = "preview image start sentinel missing";
        return false;
    }
    std::uint32_t size = ReadLittleEndian<std::uint32_t>(bytes, at + 16);
    if (size > bytes.size() || !SentinelAt(bytes, at + 20 + size, kImageEndSentinel)) {
        why = "preview image is truncated";
        return false;
    }
    return true;
}

bool DwgFile::CheckSecondHeader(std::string_view bytes, std::string& why) {
    // The second file header follows the object map; its start is found by
    // its sentinel. Some writers leave it out; a file without it is read. Its size counts from the size field to the end sentinel,
    // and its CRC covers the same bytes up to the CRC, which R14 and later
    // follow with 8 more bytes.
    const SectionLocator& map = *Locator(kObjectMapSection);
    std::string_view sentinel(reinterpret_cast<const char*>(kSecondHeaderBeginSentinel), 16);
    std::size_t at = bytes.find(sentinel, static_cast<std::size_t>(map.seeker) + static_cast<std::size_t>(map.size));
    if (at == std::string_view::npos) return true;
    std::size_t start = at + 16;
    if (bytes.size() - start < 4) {
        why = "second file header is truncated";
        return false;
    }
    std::uint32_t size = ReadLittleEndian<std::uint32_t>(bytes, start);
    if (size < 12 || size > bytes.size() - start || !SentinelAt(bytes, start + size, kSecondHeaderEndSentinel)) {
        why = "second file header is truncated";
        return false;
    }
    for (std::size_t tail : {std::size_t{2}, std::size_t{10}}) {
        std::size_t crcAt = start + size - tail;
        if (Crc16(kCrcSeed, bytes.substr(start, crcAt - start)) == ReadLittleEndian<std::uint16_t>(bytes, crcAt)) {
            secondHeaderOffset = static_cast<std::int64_t>(at);
            return true;
        }
    }
    why = "second file header CRC mismatch";
    return false;
}

}  // namespace kel::dwg
