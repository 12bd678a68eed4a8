#include "component/dwg/DwgDocument.h"

#include "component/AttributeValue.h"
#include "component/ComponentStatus.h"
#include "component/DrawingHandle.h"
#include "component/IDrawingComponent.h"
#include "component/dwg/DwgText.h"
#include "component/dwg/DwgXrecordText.h"
#include "component/dxf/DxfText.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <utility>

namespace kel::dwg {
namespace {

// "AC1015", and the older forms "AC1.50" or "MC0.0".
bool LooksLikeVersionId(const std::string& bytes) {
    if (bytes.size() < 6 || !(bytes.compare(0, 2, "AC") == 0 || bytes.compare(0, 2, "MC") == 0)) return false;
    for (std::size_t i = 2; i < 5; ++i) {
        char c = bytes[i];
        bool ok = (c >= '0' && c <= '9') || c == '.';
        if (!ok) return false;
    }
    return true;
}

// The handle text as messages name it: without the blanks around it.
std::string Shown(const std::string& strHandle) { return std::string(TrimHandleText(strHandle)); }

// The writer of the paged versions' container (R2004 on).
bool RelayPaged(std::string_view bytes, const DwgFile& file, const DwgEdits& edits, ObjectsBuffer& objects,
                std::string& out, std::string& why) {
    return file.version == Version::R2007 ? RelayR2007File(bytes, file, edits, objects, out, why)
                                          : RelayPagedFile(bytes, file, edits, objects, out, why);
}

std::string NotWritten(const std::string& why) {
    return status::Make(status::kCannotWrite, "Cannot write the drawing: " + why);
}

std::string NotReadBack(const std::string& checkStatus) {
    return NotWritten("the result does not read back (" + checkStatus + ")");
}

// Runs a function when the scope it is made in ends, however it ends.
template <class F>
class AtScopeEnd {
public:
    explicit AtScopeEnd(F f) : f_(std::move(f)) {}
    AtScopeEnd(const AtScopeEnd&) = delete;
    AtScopeEnd& operator=(const AtScopeEnd&) = delete;
    ~AtScopeEnd() { f_(); }

private:
    F f_;
};

}  // namespace

std::unique_ptr<DwgDocument> DwgDocument::Open(std::string bytes, const std::string& path, std::string& status) {
    if (!LooksLikeVersionId(bytes)) {
        status = status::Make(status::kNotADrawing, "Not a drawing file");
        return nullptr;
    }
    std::string id = CutAtNul(bytes.substr(0, 6));
    Version version;
    if (!VersionFromId(id, version)) {
        status = status::Make(status::kUnsupportedFormat, "Unsupported format " + id);
        return nullptr;
    }
    std::unique_ptr<DwgDocument> doc(new DwgDocument());
    doc->bytes_ = std::move(bytes);
    doc->path_ = path;
    if (!doc->file_.Parse(doc->bytes_, status) || !doc->model_.Load(doc->bytes_, doc->file_, status)) {
        return nullptr;
    }
    status = kStatusOk;
    return doc;
}

DrawingInfo DwgDocument::Describe() const {
    DrawingInfo info = model_.Describe(bytes_, file_);
    info.path = path_;
    return info;
}

const DecodedObject* DwgDocument::FindByText(const std::string& strHandle) const {
    std::uint64_t h = 0;
    return ParseHandle(strHandle, h) ? model_.Find(h) : nullptr;
}

std::string DwgDocument::TypeName(int t) const {
    switch (t) {
        case type::kText: return "TEXT";
        case type::kAttrib: return "ATTRIB";
        case type::kAttdef: return "ATTDEF";
        case type::kBlock: return "BLOCK";
        case type::kEndblk: return "ENDBLK";
        case type::kSeqend: return "SEQEND";
        case type::kInsert: return "INSERT";
        case type::kMinsert: return "MINSERT";
        case 0x11: return "ARC";
        case 0x12: return "CIRCLE";
        case 0x13: return "LINE";
        case 0x1B: return "POINT";
        case 0x2C: return "MTEXT";
        case 0x4D: return "LWPOLYLINE";
        case type::kBlockHeader: return "BLOCK_RECORD";
        case type::kLayer: return "LAYER";
        default: break;
    }
    if (const ClassDef* c = file_.ClassOfType(t)) return CutAtNul(c->dxfName);
    return "object of type " + std::to_string(t);
}

std::string DwgDocument::Encode(const DecodedObject& changed, std::string& encoded) const {
    // Fields that did not end where the handles begin hold bits this reader
    // does not know; encoding the object again would lose them.
    if (!changed.dataExact) {
        return status::Make(status::kNotSupported, "Object " + FormatHandle(changed.Handle()) +
                                                       " holds fields this reader does not know and is not changed");
    }
    if (!EncodeObject(changed, file_, encoded)) {
        return status::Make(status::kBadValue, "Value cannot be stored: object " + FormatHandle(changed.Handle()) +
                                                   " cannot be encoded");
    }
    return kStatusOk;
}

// Encodes a changed object and keeps it, replacing the model's copy.
std::string DwgDocument::Store(DecodedObject& changed) {
    std::string encoded;
    if (std::string st = Encode(changed, encoded); st != kStatusOk) return st;
    Keep(changed, std::move(encoded));
    return kStatusOk;
}

void DwgDocument::Keep(const DecodedObject& changed, std::string encoded) {
    edits_.replaced[changed.Handle()] = std::move(encoded);
    *model_.FindMutable(changed.Handle()) = changed;
}

std::string DwgDocument::MultiLineCopyFor(const DecodedObject& attrib, const std::string& utf8,
                                          DecodedObject& changed, bool& found) {
    found = false;
    const ObjectCommon& c = attrib.common;
    if (AtLeast(file_.version, Version::R2004) && c.xdicMissing) return kStatusOk;
    std::string missing;  // no dictionary, or one that does not read: no copy to keep in step
    const DecodedObject* dict = model_.FindFull(attrib.Ref(c.xdic), bytes_, file_, missing);
    const auto* entries = dict ? DataIf<DictionaryData>(dict->data) : nullptr;
    if (!entries) return kStatusOk;
    for (std::size_t i = 0; i < entries->names.size() && i < entries->items.size(); ++i) {
        if (CutAtNul(entries->names[i]) != "ACAD_MLATT") continue;
        std::string st;
        const DecodedObject* record = model_.FindFull(dict->Ref(entries->items[i]), bytes_, file_, st);
        if (!record) continue;
        const auto* xrecord = DataIf<XrecordData>(record->data);
        std::vector<XrecordPair> pairs;
        const EmbeddedText text =
            xrecord && ParseXrecordPairs(xrecord->data, file_.version, pairs) ? FindEmbeddedText(pairs) : EmbeddedText{};
        if (!text.Found()) {
            return status::Make(status::kNotSupported,
                                "The multi-line copy of attribute " + FormatHandle(attrib.Handle()) + " (record " +
                                    FormatHandle(record->Handle()) + ") cannot be read; the value is not changed");
        }
        const bool wide = HasStringStream(file_.version);
        std::string raw;
        for (std::size_t k = text.first; k < text.last; ++k) raw += pairs[k].text;
        int page = model_.EscapePage();
        const std::string mtext = dxf::EditMText(wide ? raw : DecodeText(raw, file_.codePage, &page), utf8);
        const std::string& data = xrecord->data;
        changed = *record;
        DataOf<XrecordData>(changed.data).data =
            data.substr(0, pairs[text.first].start) +
            EncodeTextPairs(wide ? mtext : EncodeText(mtext, file_.codePage, page), file_.version,
                            TextCodePageByte(data, pairs)) +
            data.substr(pairs[text.last - 1].end);
        found = true;
        return kStatusOk;
    }
    return kStatusOk;
}

std::string DwgDocument::SetAttributeValue(const std::string& strHandle, const std::string& strValue) {
    const DecodedObject* o = FindByText(strHandle);
    if (!o) return status::Make(status::kHandleNotFound, "Handle " + Shown(strHandle) + " not found");
    if (o->common.type != type::kAttrib || !Holds<AttribData>(o->data)) {
        return status::Make(status::kNotAnAttribute, "Handle " + Shown(strHandle) + " is not an attribute");
    }
    DecodedObject changed = *o;
    model_.ValueOf(DataOf<AttribData>(changed.data));  // notes the escapes the value is written with
    std::string st = SetStoredValue(DataOf<AttribData>(changed.data), strValue, file_.version, file_.codePage,
                                    model_.EscapePage());
    if (st != kStatusOk) return st;
    // Newer CAD programs show a multi-line attribute's copy of its text: both
    // change, or neither.
    DecodedObject copy;
    bool hasCopy = false;
    if (st = MultiLineCopyFor(*o, strValue, copy, hasCopy); st != kStatusOk) return st;
    std::string encodedCopy, encoded;
    if (hasCopy && (st = Encode(copy, encodedCopy)) != kStatusOk) return st;
    if ((st = Encode(changed, encoded)) != kStatusOk) return st;
    if (hasCopy) Keep(copy, std::move(encodedCopy));
    Keep(changed, std::move(encoded));
    return kStatusOk;
}

std::string SetStoredValue(AttribData& a, const std::string& utf8, Version version, int codePage, int escapePage) {
    if (const std::string why = ValueProblem(utf8); !why.empty()) {
        return status::Make(status::kBadValue, "Value cannot be stored: " + why);
    }
    std::string& value = a.Value();
    const bool terminated = !value.empty() && value.back() == '\0';
    const std::string text = a.MultiLine() ? dxf::PlainToMText(utf8) : utf8;
    // Code page text up to R2004, UTF-16 (held as UTF-8) after.
    std::string raw = HasStringStream(version) ? text : EncodeText(text, codePage, escapePage);
    // Text values hold at most 255 bytes in R13 and R14 and 2049 from R2000
    // on; UTF-16 texts as many characters as a bitshort counts.
    const std::size_t size = HasStringStream(version) ? Utf8ToWide(raw).size() : raw.size();
    const std::size_t limit = a.MultiLine() || HasStringStream(version) ? 0x7FFE
                              : AtLeast(version, Version::R2000)      ? 2049
                                                                      : 255;
    if (size > limit) {
        return status::Make(status::kBadValue, "Value cannot be stored: longer than " + std::to_string(limit) +
                                                   (HasStringStream(version) ? " characters" : " bytes") +
                                                   " in this drawing");
    }
    if (terminated) raw += '\0';
    value = raw;
    // A multi-line attribute's single-line copy of its text, when it keeps
    // one, follows the change (other readers show that copy); it holds as
    // many characters as the MTEXT does.
    std::string& copy = a.text.value;
    const bool copyTerminated = !copy.empty() && copy.back() == '\0';
    if (a.MultiLine() && copy.find_first_not_of(std::string(" \t\0", 3)) != std::string::npos) {
        copy = HasStringStream(version) ? utf8 : EncodeText(utf8, codePage, escapePage);
        if (copyTerminated) copy += '\0';
    }
    return kStatusOk;
}

namespace {

// A reference from `own` to `target` as the format writes entity links.
HandleRef LinkTo(std::uint64_t own, std::uint64_t target) {
    if (target == 0) return HandleRef{4, 0};
    if (target == own + 1) return HandleRef{6, 0};
    if (target == own - 1) return HandleRef{8, 0};
    if (target > own) return HandleRef{0xA, target - own};
    return HandleRef{0xC, own - target};
}

std::uint64_t PrevOf(const DecodedObject& o) {
    return o.common.noLinks ? o.Handle() - 1 : o.Ref(o.common.prev);
}

std::uint64_t NextOf(const DecodedObject& o) {
    return o.common.noLinks ? o.Handle() + 1 : o.Ref(o.common.next);
}

// Gives an entity explicit links, so that one of them can change.
void MakeLinksExplicit(DecodedObject& o) {
    if (!o.common.noLinks) return;
    o.common.noLinks = false;
    o.common.prev = LinkTo(o.Handle(), o.Handle() - 1);
    o.common.next = LinkTo(o.Handle(), o.Handle() + 1);
}

}  // namespace

std::vector<std::uint64_t> DwgDocument::OwnedObjects(std::uint64_t owner) const {
    std::vector<std::uint64_t> owned, owners = {owner};
    while (!owners.empty()) {
        const std::uint64_t current = owners.back();
        owners.pop_back();
        for (const DecodedObject& o : model_.Objects()) {
            const std::uint64_t h = o.Handle();
            if (o.common.isEntity || h == current || !model_.Find(h) || o.Ref(o.common.owner) != current) continue;
            if (std::find(owned.begin(), owned.end(), h) != owned.end()) continue;
            owned.push_back(h);
            owners.push_back(h);
        }
    }
    return owned;
}

std::string DwgDocument::DeleteEntity(const std::string& strHandle) {
    const DecodedObject* o = FindByText(strHandle);
    if (!o) return status::Make(status::kHandleNotFound, "Handle " + Shown(strHandle) + " not found");
    if (o->common.type != type::kAttrib || !Holds<AttribData>(o->data)) {
        return status::Make(status::kNotSupported, "Deleting a " + TypeName(o->common.type) + " is not supported");
    }
    // Which objects it owns is known from every object's owner.
    if (std::string st; !model_.DecodeRest(bytes_, file_, st)) return st;
    o = FindByText(strHandle);
    const std::uint64_t self = o->Handle();
    // The objects it owns (its extension dictionary and what that holds) go
    // with it. Another object watching it would be left pointing at nothing.
    const std::vector<std::uint64_t> owned = OwnedObjects(self);
    for (const HandleRef& r : o->common.reactors) {
        if (std::find(owned.begin(), owned.end(), o->Ref(r)) == owned.end()) {
            return status::Make(status::kNotSupported, "Deleting an ATTRIB that other objects refer to is not supported");
        }
    }
    // A field is also listed in the drawing's list of fields, which would be
    // left pointing at nothing.
    for (std::uint64_t h : owned) {
        if (TypeName(model_.Find(h)->common.type) == "FIELD") {
            return status::Make(status::kNotSupported, "Deleting an ATTRIB whose value is a field is not supported");
        }
    }
    const std::uint64_t insertHandle = o->Ref(o->common.owner);
    const DecodedObject* ins = model_.Find(insertHandle);
    if (o->common.entMode != 0 || !ins || !Holds<InsertData>(ins->data) ||
        !DataOf<InsertData>(ins->data).hasAttribs) {
        return status::Make(status::kNotSupported, "Deleting an ATTRIB that belongs to no insert is not supported");
    }
    if (AtLeast(file_.version, Version::R2004)) return DeleteOwnedAttrib(*o, *ins, owned);  // listed, not linked
    // Neighbours among the insert's own attributes only.
    std::vector<std::uint64_t> siblings = model_.AttribsOf(insertHandle);
    auto sibling = [&](std::uint64_t h) {
        return std::find(siblings.begin(), siblings.end(), h) != siblings.end() ? h : 0;
    };
    const std::uint64_t prev = sibling(PrevOf(*o));
    const std::uint64_t next = sibling(NextOf(*o));

    DecodedObject insert = *ins;
    auto& d = DataOf<InsertData>(insert.data);
    if (insert.Ref(d.firstAttrib) == self) d.firstAttrib = HandleRef{4, next};
    if (insert.Ref(d.lastAttrib) == self) d.lastAttrib = HandleRef{4, prev};
    const std::uint64_t seqend = insert.Ref(d.seqend);
    const bool last = prev == 0 && next == 0;
    if (last) {
        d.hasAttribs = false;
        d.firstAttrib = d.lastAttrib = d.seqend = HandleRef{};
    }
    DwgEdits before = edits_;
    std::vector<DecodedObject> originals = {*ins};
    if (prev != 0) originals.push_back(*model_.Find(prev));
    if (next != 0) originals.push_back(*model_.Find(next));
    std::string st = Store(insert);
    if (st == kStatusOk && prev != 0) {
        DecodedObject p = *model_.Find(prev);
        MakeLinksExplicit(p);
        p.common.next = LinkTo(prev, next);
        st = Store(p);
    }
    if (st == kStatusOk && next != 0) {
        DecodedObject n = *model_.Find(next);
        MakeLinksExplicit(n);
        n.common.prev = LinkTo(next, prev);
        st = Store(n);
    }
    if (st != kStatusOk) {
        // Nothing half-done stays behind.
        edits_ = before;
        for (const DecodedObject& original : originals) *model_.FindMutable(original.Handle()) = original;
        return st;
    }
    EraseDeleted(self, owned, last ? seqend : 0);
    return kStatusOk;
}

// From R2004 on an insert lists the attributes it owns (and entities are
// not linked to their neighbours): the deleted one leaves the list, and the
// last one takes the list and the SEQEND with it. The objects the attribute
// owns go with it.
std::string DwgDocument::DeleteOwnedAttrib(const DecodedObject& attrib, const DecodedObject& ins,
                                           const std::vector<std::uint64_t>& owned) {
    const std::uint64_t self = attrib.Handle();
    DecodedObject insert = ins;
    auto& d = DataOf<InsertData>(insert.data);
    auto& list = d.ownedAttribs;
    const std::size_t before = list.size();
    list.erase(std::remove_if(list.begin(), list.end(), [&](const HandleRef& r) { return insert.Ref(r) == self; }),
               list.end());
    if (list.size() == before) {
        return status::Make(status::kNotSupported, "Deleting an ATTRIB its insert does not list is not supported");
    }
    const std::uint64_t seqend = insert.Ref(d.seqend);
    const bool last = list.empty();
    if (last) {
        d.hasAttribs = false;
        d.seqend = HandleRef{};
    }
    std::string st = Store(insert);  // changes nothing when it fails
    if (st != kStatusOk) return st;
    EraseDeleted(self, owned, last ? seqend : 0);
    return kStatusOk;
}

// A deleted attribute leaves the drawing with the objects it owns and, when
// it was its insert's last, the insert's SEQEND.
void DwgDocument::EraseDeleted(std::uint64_t attrib, const std::vector<std::uint64_t>& owned, std::uint64_t seqend) {
    std::vector<std::uint64_t> gones = owned;
    gones.push_back(attrib);
    gones.push_back(seqend);
    for (std::uint64_t gone : gones) {
        if (gone == 0) continue;
        edits_.replaced.erase(gone);
        edits_.deleted.insert(gone);
        model_.Erase(gone);
    }
}

bool DwgDocument::Serialize(std::string& out, std::string& status) const {
    if (edits_.Empty()) {
        out = bytes_;
        return true;
    }
    DwgFile file;
    DwgModel model;
    return Relay(out, file, model, status);
}

bool DwgDocument::Relay(std::string& out, DwgFile& check, DwgModel& model, std::string& status) const {
    std::string why;
    bool written = false;
    if (AtLeast(file_.version, Version::R2004)) {
        ObjectsBuffer objects(file_.objectSection);
        written = RelayPaged(bytes_, file_, edits_, objects, out, why);
    } else {
        written = RelayFile(bytes_, file_, edits_, out, why);
    }
    if (!written) {
        status = NotWritten(why);
        return false;
    }
    // Never hand out a file this reader cannot read back. Pages stored as
    // they were, and unchanged objects at their old place with their old
    // bytes, are taken as read at the open; every map, checksum and CRC and
    // every other page and object is checked again.
    std::string checkStatus;
    if (!check.Parse(out, checkStatus, file_, bytes_) ||
        !model.Load(out, check, checkStatus,
                    DwgModel::Earlier{&model_, file_.ObjectArea(bytes_), &edits_.replaced})) {
        status = NotReadBack(checkStatus);
        return false;
    }
    return true;
}

std::string DwgDocument::Save(const std::string& strPath, int lngVersion) {
    int own = std::stoi(std::string(VersionId(file_.version)).substr(2));
    if (lngVersion != -1 && lngVersion != own) {
        return status::Make(status::kUnsupportedVersion,
                            "Saving as version " + std::to_string(lngVersion) + " is not supported");
    }
    if (!edits_.Empty() && AtLeast(file_.version, Version::R2004)) return SavePaged(strPath);
    // Unchanged, the drawing's own bytes are written; changed, the relaid
    // file once it has been read back.
    std::string out;
    DwgFile file;
    DwgModel model;
    std::string status;
    const bool changed = !edits_.Empty();
    if (changed && !Relay(out, file, model, status)) return status;
    std::string err;
    if (!WriteFileAtomic(strPath, changed ? out : bytes_, err)) {
        return status::CannotWrite(strPath, err);
    }
    if (changed) GoOnFrom(out, file, &model);
    return kStatusOk;
}

void DwgDocument::GoOnFrom(std::string& written, DwgFile& file, DwgModel* model) {
    bytes_ = std::move(written);
    file_ = std::move(file);
    if (model) model_ = std::move(*model);
    edits_ = DwgEdits{};
}

std::string DwgDocument::SavePaged(const std::string& strPath) {
    // The drawing lends its objects section to the save: the changed objects
    // go behind it in place, the written file is read back against it, and
    // the drawing goes on from the file written with it, its model following
    // the file where it can. Whatever fails (or throws), the drawing gets its
    // section and its model back as they were.
    ObjectsBuffer objects(std::move(file_.objectSection));
    objects.map = &file_.objectMap;  // patched into the written file's map in place
    DwgFile check;
    DwgModel::Before before;
    bool checkHolds = false;  // the section, and a patched map, moved into `check`
    bool saved = false;
    const AtScopeEnd giveBack([&] {
        if (saved) return;
        if (before.holdsModel) model_.GoBack(before);
        if (checkHolds) {
            objects.data = std::move(check.objectSection);
            if (objects.MapPatched()) file_.objectMap = std::move(check.objectMap);
        }
        objects.RestoreMap();
        objects.Restore();
        file_.objectSection = std::move(objects.data);
    });

    std::string out;
    std::string why;
    if (!RelayPaged(bytes_, file_, edits_, objects, out, why)) return NotWritten(why);
    // Never hand out a file this reader cannot read back (see Relay).
    std::string checkStatus;
    DwgModel model;  // the check's own, where the drawing's cannot follow the file
    bool readBack = check.Parse(out, checkStatus, file_, bytes_, objects);
    checkHolds = readBack;
    if (readBack && objects.MapPatched()) check.objectMap = std::move(file_.objectMap);
    if (readBack) {
        const std::string_view earlierArea =
            objects.rewritten ? std::string_view(objects.old)
                              : std::string_view(check.objectSection).substr(0, objects.oldSize);
        switch (model_.Follow(out, check, earlierArea, &edits_.replaced, before, checkStatus)) {
            case DwgModel::Followed::kFollowed:
                break;
            case DwgModel::Followed::kDamaged:
                readBack = false;
                break;
            case DwgModel::Followed::kElsewhere:
                readBack =
                    model.Load(out, check, checkStatus, DwgModel::Earlier{&model_, earlierArea, &edits_.replaced});
                break;
        }
    }
    if (!readBack) return NotReadBack(checkStatus);
    std::string err;
    if (!WriteFileAtomic(strPath, out, err)) return status::CannotWrite(strPath, err);
    saved = true;
    GoOnFrom(out, check, before.holdsModel ? nullptr : &model);
    return kStatusOk;
}

}  // namespace kel::dwg

namespace kel {

std::unique_ptr<IDrawingDocument> OpenDwgDocument(std::string bytes, const std::string& path, std::string& status) {
    return dwg::DwgDocument::Open(std::move(bytes), path, status);
}

}  // namespace kel
