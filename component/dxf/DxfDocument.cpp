#include "component/dxf/DxfDocument.h"

#include <algorithm>

#include "component/AttributeValue.h"
#include "component/ContentHash.h"
#include "component/ComponentStatus.h"
#include "component/IDrawingComponent.h"
#include "component/text/Utf8.h"
#include "platform/FileSystem.h"

namespace kel::dxf {
namespace {

constexpr std::size_t kChunkBytes = 250;  // longest MTEXT group 3/1 piece

// Bytes of the unit at text[i] that must not be split across chunks: an
// escape, a caret pair, an MTEXT code pair or one UTF-8 character.
std::size_t UnitLength(std::string_view text, std::size_t i) {
    char c = text[i];
    if (c == '\\' && i + 6 < text.size() && (text[i + 1] == 'U' || text[i + 1] == 'u') && text[i + 2] == '+') return 7;
    if ((c == '\\' || c == '^') && i + 1 < text.size()) return 2;
    auto b = static_cast<unsigned char>(c);
    std::size_t len = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
    return std::min(len, text.size() - i);
}

std::string Trimmed(std::string_view text) { return std::string(Trim(text)); }

std::string ModelStatus(bool notDxf, const std::string& err) {
    return notDxf ? status::Make(status::kNotADrawing, "Not a drawing file")
                  : status::Make(status::kCorrupt, "Damaged drawing: " + err);
}

// Reads the model of a drawing's bytes, which outlive it; a status text.
std::string ReadModel(std::string_view bytes, DxfModel& model) {
    std::string err;
    bool notDxf = false;
    return ReadDxfModel(bytes, model, err, notDxf, true) ? kStatusOk : ModelStatus(notDxf, err);
}

// Reads the model of the drawing in the file `file` reads, whose first bytes
// are `first` (none when `file` reads from the start), a block at a time. Every
// byte read is hashed while it is at hand, so that saving can tell the file it
// splices into is the file that was read: `source` gets the size and hash of
// all of it. A status text.
std::string ReadModel(std::string first, FileReader& file, DxfModel& model, DxfSourceFile& source) {
    ContentHasher hasher(HashKind::Wordwise);
    hasher.Add(first.data(), first.size());
    std::uint64_t size = first.size();
    const DxfBytes more = [&](char* buf, std::size_t n, std::size_t& got, std::string& strWhy) {
        if (!file.Read(buf, n, got, strWhy)) return false;
        hasher.Add(buf, got);
        size += got;
        return true;
    };
    DxfTokenizer tok(std::move(first), more);
    std::string err;
    bool notDxf = false;
    if (!ReadDxfModel(tok, model, err, notDxf)) return ModelStatus(notDxf, err);
    // What follows the end-of-file marker is saved as it is, so it is hashed too.
    constexpr std::size_t kPiece = std::size_t{1} << 18;
    const auto piece = std::make_unique_for_overwrite<char[]>(kPiece);
    std::size_t got = 0;
    do {
        if (!more(piece.get(), kPiece, got, err)) return status::Make(status::kCannotRead, "Cannot read file: " + err);
    } while (got > 0);
    source.size = size;
    source.hash = hasher.Result();
    return kStatusOk;
}

}  // namespace

std::unique_ptr<DxfDocument> DxfDocument::Open(std::string bytes, std::string& strStatus) {
    std::unique_ptr<DxfDocument> doc(new DxfDocument());
    doc->data_ = std::move(bytes);
    strStatus = ReadModel(doc->data_, doc->model_);
    if (strStatus != kStatusOk) return nullptr;
    doc->codec_ = TextCodec(doc->model_.acadVer, doc->model_.dwgCodePage);
    return doc;
}

std::unique_ptr<DxfDocument> DxfDocument::OpenFile(std::string first, FileReader& file, const std::string& strPath,
                                                   std::string& strStatus) {
    std::unique_ptr<DxfDocument> doc(new DxfDocument());
    doc->source_.path = strPath;
    strStatus = ReadModel(std::move(first), file, doc->model_, doc->source_);
    if (strStatus != kStatusOk) return nullptr;
    doc->codec_ = TextCodec(doc->model_.acadVer, doc->model_.dwgCodePage);
    return doc;
}

std::string DxfDocument::ReadSavedFileAgain() {
    if (!readAgain_) return kStatusOk;
    FileReader file;
    std::string err;
    if (!file.Open(source_.path, err)) return status::Make(status::kCannotRead, "Cannot read file: " + err);
    DxfModel model;
    DxfSourceFile read{source_.path};
    if (const std::string st = ReadModel({}, file, model, read); st != kStatusOk) return st;
    // The file holds the values and deletions of the old model, and whatever
    // another program changed since: the new model is what is there now.
    model_ = std::move(model);
    codec_ = TextCodec(model_.acadVer, model_.dwgCodePage);
    source_ = read;
    edits_.clear();
    newValues_.clear();
    readAgain_ = false;
    return kStatusOk;
}

int DxfDocument::VersionNumber() const {
    std::string_view v = model_.acadVer;
    if (v.empty()) return 1009;
    if (v.size() != 6 || (v[0] != 'A' && v[0] != 'a') || (v[1] != 'C' && v[1] != 'c')) return 0;
    int n = 0;
    for (char c : v.substr(2)) {
        if (c < '0' || c > '9') return 0;
        n = n * 10 + (c - '0');
    }
    return n;
}

const HandleEntry* DxfDocument::Find(std::uint64_t handle) const {
    auto it = std::lower_bound(model_.handles.begin(), model_.handles.end(), HandleEntry{handle, {}, -1});
    if (it == model_.handles.end() || it->handle != handle) return nullptr;
    return &*it;
}

const std::string& DxfDocument::NewValue(std::size_t index) const {
    if (!newValuesSorted_) {
        std::stable_sort(newValues_.begin(), newValues_.end(),
                         [](const auto& x, const auto& y) { return x.first < y.first; });
        // Of the values set for one attribute, the last one set counts.
        auto kept = newValues_.begin();
        for (auto it = newValues_.begin(); it != newValues_.end(); ++it) {
            if (std::next(it) != newValues_.end() && std::next(it)->first == it->first) continue;
            if (kept != it) *kept = std::move(*it);
            ++kept;
        }
        newValues_.erase(kept, newValues_.end());
        newValuesSorted_ = true;
    }
    const auto it = std::lower_bound(newValues_.begin(), newValues_.end(), index,
                                     [](const auto& x, std::size_t i) { return x.first < i; });
    static const std::string kNone;
    return it != newValues_.end() && it->first == index ? it->second : kNone;
}

std::string DxfDocument::AttributeValue(int index) const {
    const DxfAttrib& a = model_.attribs[static_cast<std::size_t>(index)];
    if (a.changed) return NewValue(static_cast<std::size_t>(index));
    if (a.multiLine) return MTextToPlain(ChunkText(model_.mtextChunks[static_cast<std::size_t>(a.mtext)]));
    return a.hasValue ? codec_.Decode(a.value.text) : std::string();
}

DrawingInfo DxfDocument::Describe() const {
    DrawingInfo info;
    info.blocks.reserve(model_.blocks.size());
    for (const DxfBlock& b : model_.blocks) {
        BlockInfo block;
        block.name = codec_.Decode(Trim(b.name));
        block.layoutName = codec_.Decode(b.layoutName);
        for (int i : b.inserts) {
            const DxfInsert& ins = model_.inserts[static_cast<std::size_t>(i)];
            InsertInfo out;
            out.name = codec_.Decode(Trim(ins.name));
            out.handle = FormatHandle(ins.id);
            out.elementId = ins.id;
            out.layer = codec_.Decode(Trim(ins.layer));
            out.x = ins.x;
            out.y = ins.y;
            out.z = ins.z;
            out.numberConstantAttributes = ins.constantAttDefs;
            out.rows = ins.rows;
            out.columns = ins.columns;
            for (int k : ins.Attribs()) {
                const DxfAttrib& a = model_.attribs[static_cast<std::size_t>(k)];
                if (a.deleted) continue;
                out.attributes.push_back(
                    AttributeInfo{FormatHandle(a.id), a.id, codec_.Decode(Trim(a.tag)), AttributeValue(k)});
            }
            block.inserts.push_back(std::move(out));
        }
        info.blocks.push_back(std::move(block));
    }
    return info;
}

bool DxfDocument::ListAttributes(AttributeRows& rows) const {
    std::size_t inserts = 0, attributes = 0;
    for (const DxfInsert& ins : model_.inserts) {
        std::size_t live = 0;
        for (int k : ins.Attribs()) live += model_.attribs[static_cast<std::size_t>(k)].deleted ? 0 : 1;
        inserts += live > 0 ? 1 : 0;
        attributes += live;
    }
    // Reserved in full: the rows point at their inserts.
    rows.inserts.reserve(inserts);
    rows.rows.reserve(attributes);
    // Plain texts are ASCII; every other text is checked for well-formed
    // UTF-8 as it is kept, while its bytes are at hand.
    bool wellFormed = true;
    const auto keep = [&](const std::string& utf8) {
        wellFormed = wellFormed && text::IsValidUtf8(utf8);
        return rows.texts.Keep(utf8);
    };
    // Texts are decoded in the order Describe decodes them, as the decoder
    // remembers the page of the last double-byte escape it read.
    const auto text = [&](std::string_view raw) -> std::string_view {
        return TextCodec::IsPlain(raw) ? raw : keep(codec_.Decode(raw));
    };
    for (const DxfBlock& b : model_.blocks) {
        const std::string_view space = text(Trim(b.name));
        const std::string_view layout = text(b.layoutName);
        for (int i : b.inserts) {
            const DxfInsert& ins = model_.inserts[static_cast<std::size_t>(i)];
            const std::string_view block = text(Trim(ins.name));
            const std::string_view layer = text(Trim(ins.layer));
            const RowInsert* listed = nullptr;
            for (int k : ins.Attribs()) {
                const DxfAttrib& a = model_.attribs[static_cast<std::size_t>(k)];
                if (a.deleted) continue;
                if (!listed) {
                    rows.inserts.push_back({space, layout, block, layer, rows.texts.Keep(FormatHandle(ins.id))});
                    listed = &rows.inserts.back();
                }
                const std::string_view handle = rows.texts.Keep(FormatHandle(a.id));
                const std::string_view tag = text(Trim(a.tag));
                // A value changed since the drawing was read may change again while the rows are in use.
                const std::string_view value = a.changed || a.multiLine ? keep(AttributeValue(k))
                                               : a.hasValue        ? text(a.value.text)
                                                                   : std::string_view();
                rows.rows.push_back({listed, handle, tag, value});
            }
        }
    }
    rows.textsWellFormed = wellFormed;  // handles are hex digits
    return true;
}

std::string DxfDocument::MakeToken(const DxfToken& like, int code, std::string_view value) const {
    std::string out;
    if (model_.encoding == DxfEncoding::Ascii) {
        const std::string_view codeLine = DxfKeptTexts::CodeBytes(like);
        std::string_view eol = codeLine.size() >= 2 && codeLine[codeLine.size() - 2] == '\r' ? "\r\n"
                               : !codeLine.empty() && codeLine.back() == '\r'         ? "\r"
                                                                                      : "\n";
        std::string digits = std::to_string(code);
        bool padded = !codeLine.empty() && codeLine.front() == ' ';
        if (padded && digits.size() < 3) out.append(3 - digits.size(), ' ');
        out += digits;
        out += eol;
        out += value;
        out += eol;
        return out;
    }
    if (model_.encoding == DxfEncoding::Binary2 || code >= 255) {
        if (model_.encoding == DxfEncoding::Binary1) out += static_cast<char>(255);
        out += static_cast<char>(code & 0xFF);
        out += static_cast<char>((code >> 8) & 0xFF);
    } else {
        out += static_cast<char>(code);
    }
    out += value;
    out += '\0';
    return out;
}

void DxfDocument::ReplaceValue(const DxfValue& value, std::string bytes) {
    edits_[value.start] = Edit{value.start + value.text.size(), std::move(bytes)};
}

std::string DxfDocument::ChunkText(const std::vector<DxfToken>& chunks) const {
    std::string raw;
    for (const DxfToken& t : chunks) raw.append(t.value);
    return codec_.Decode(raw);
}

void DxfDocument::ReplaceChunks(const std::vector<DxfToken>& chunks, std::string_view text) {
    std::string tokens;
    std::size_t i = 0;
    do {
        const std::size_t startOfChunk = i;
        while (i < text.size()) {
            const std::size_t len = UnitLength(text, i);
            if (i + len - startOfChunk > kChunkBytes) break;
            i += len;
        }
        const int code = i < text.size() ? 3 : 1;
        tokens += MakeToken(chunks.front(), code, text.substr(startOfChunk, i - startOfChunk));
    } while (i < text.size());
    const DxfToken& first = chunks.front();
    edits_[first.start] = Edit{first.end, std::move(tokens)};
    for (std::size_t k = 1; k < chunks.size(); ++k) edits_[chunks[k].start] = Edit{chunks[k].end, std::string()};
}

DxfObject* DxfDocument::FindObject(std::uint64_t handle) {
    DxfObject key;
    key.handle = handle;
    auto it = std::lower_bound(model_.objects.begin(), model_.objects.end(), key);
    return it != model_.objects.end() && it->handle == handle && !it->deleted ? &*it : nullptr;
}

const DxfObject* DxfDocument::MultiLineCopyOf(int index) {
    const std::uint64_t xdict = model_.XdictOf(index);
    const DxfObject* dict = xdict ? FindObject(xdict) : nullptr;
    if (!dict || dict->type != "DICTIONARY") return nullptr;
    for (const auto& [name, handle] : dict->entries) {
        if (Trim(name) != "ACAD_MLATT") continue;
        const DxfObject* copy = FindObject(handle);
        if (copy && copy->owner == dict->handle && !copy->textChunks.empty()) return copy;
    }
    return nullptr;
}

void DxfDocument::ApplyValue(int index, const std::string& utf8) {
    const DxfAttrib& a = model_.attribs[static_cast<std::size_t>(index)];
    // Newer CAD programs show a multi-line attribute's ACAD_MLATT copy: it
    // takes the same text as the attribute itself.
    // Each copy changes only where its plain text changes, so line breaks and
    // formatting elsewhere in it stay.
    if (const DxfObject* copy = MultiLineCopyOf(index)) {
        ReplaceChunks(copy->textChunks, codec_.Encode(EditMText(ChunkText(copy->textChunks), utf8)));
    }
    if (a.multiLine) {
        const std::vector<DxfToken>& chunks = model_.mtextChunks[static_cast<std::size_t>(a.mtext)];
        ReplaceChunks(chunks, codec_.Encode(EditMText(ChunkText(chunks), utf8)));
        // A single-line copy of the text, when the file keeps one, follows the change
        // as far as a line may hold it.
        if (a.hasValue && !Trim(a.value.text).empty()) {
            std::string copy = codec_.Encode(utf8);
            std::size_t keep = 0;
            while (keep < copy.size() && keep + UnitLength(copy, keep) <= MaxValueBytes()) keep += UnitLength(copy, keep);
            copy.resize(keep);
            ReplaceValue(a.value, std::move(copy));
        }
        return;
    }
    ReplaceValue(a.value, codec_.Encode(utf8));
}

void DxfDocument::DeleteOwnedObjects(std::uint64_t owner) {
    std::vector<std::uint64_t> owners = {owner};
    while (!owners.empty()) {
        const std::uint64_t current = owners.back();
        owners.pop_back();
        for (DxfObject& o : model_.objects) {
            if (o.deleted || o.owner != current || o.handle == current) continue;
            o.deleted = true;
            DropEditsWithin(o.span);
            edits_[o.span.start] = Edit{o.span.end, std::string()};
            owners.push_back(o.handle);
        }
    }
}

std::size_t DxfDocument::MaxValueBytes() const {
    // Text values hold at most 255 bytes before AC1015 and 2049 from then on.
    return VersionNumber() >= 1015 ? 2049 : 255;
}

std::string DxfDocument::SetAttributeValue(const std::string& strHandle, const std::string& strValue) {
    if (const std::string st = ReadSavedFileAgain(); st != kStatusOk) return st;
    std::uint64_t handle = 0;
    const HandleEntry* e = ParseHandle(strHandle, handle) ? Find(handle) : nullptr;
    if (!e || (e->Attrib() >= 0 && model_.attribs[static_cast<std::size_t>(e->Attrib())].deleted)) {
        return status::Make(status::kHandleNotFound, "Handle " + Trimmed(strHandle) + " not found");
    }
    if (e->Attrib() < 0) {
        return status::Make(status::kNotAnAttribute, "Handle " + Trimmed(strHandle) + " is not an attribute");
    }
    if (const std::string why = ValueProblem(strValue); !why.empty()) {
        return status::Make(status::kBadValue, "Value cannot be stored: " + why);
    }
    const int index = e->Attrib();
    DxfAttrib& a = model_.attribs[static_cast<std::size_t>(index)];
    if (!a.multiLine && !a.hasValue) {
        return status::Make(status::kBadValue, "Value cannot be stored: the attribute has no value group");
    }
    if (!a.multiLine && codec_.Encode(strValue).size() > MaxValueBytes()) {
        return status::Make(status::kBadValue, "Value cannot be stored: longer than " +
                                                   std::to_string(MaxValueBytes()) + " bytes in this drawing");
    }
    ApplyValue(index, strValue);
    a.changed = true;
    const auto at = static_cast<std::size_t>(index);
    newValues_.emplace_back(at, strValue);
    newValuesSorted_ = newValuesSorted_ && (newValues_.size() < 2 || newValues_[newValues_.size() - 2].first < at);
    return kStatusOk;
}

void DxfDocument::DropEditsWithin(Span span) {
    auto it = edits_.lower_bound(span.start);
    while (it != edits_.end() && it->first < span.end) it = edits_.erase(it);
}

std::string DxfDocument::DeleteEntity(const std::string& strHandle) {
    if (const std::string st = ReadSavedFileAgain(); st != kStatusOk) return st;
    std::uint64_t handle = 0;
    const HandleEntry* e = ParseHandle(strHandle, handle) ? Find(handle) : nullptr;
    if (!e || (e->Attrib() >= 0 && model_.attribs[static_cast<std::size_t>(e->Attrib())].deleted)) {
        return status::Make(status::kHandleNotFound, "Handle " + Trimmed(strHandle) + " not found");
    }
    if (e->Attrib() < 0) {
        return status::Make(status::kNotSupported, "Deleting a " + std::string(model_.TypeName(*e)) + " is not supported");
    }
    DxfAttrib& a = model_.attribs[static_cast<std::size_t>(e->Attrib())];
    DxfInsert& ins = model_.inserts[static_cast<std::size_t>(a.insert)];
    bool anyLeft = false;
    for (int k : ins.Attribs()) {
        anyLeft = anyLeft || (k != e->Attrib() && !model_.attribs[static_cast<std::size_t>(k)].deleted);
    }
    if (!anyLeft && ins.hasSeqEnd && ins.strayAttribAfterSeqEnd) {
        // Without its SEQEND the stray ATTRIB behind it would join this insert.
        return status::Make(status::kNotSupported,
                            "Deleting the last attribute of an insert followed by a stray ATTRIB is not supported");
    }
    DropEditsWithin(a.entity);
    edits_[a.entity.start] = Edit{a.entity.end, std::string()};
    a.deleted = true;
    // Its extension dictionary and what that holds go with it.
    if (!a.synthetic) DeleteOwnedObjects(a.id);

    if (!anyLeft) {
        // No attribute follows the insert any more: clear its flag and drop the SEQEND.
        if (ins.hasFollowFlag) {
            std::string zero;
            if (model_.encoding == DxfEncoding::Ascii) {
                // Keep the blanks around the number: "     1" becomes "     0".
                std::string_view v = ins.followFlag.text;
                std::size_t b = v.find_first_not_of(" \t");
                std::size_t e = v.find_last_not_of(" \t");
                zero = b == std::string_view::npos ? std::string("0")
                                                   : std::string(v.substr(0, b)) + "0" + std::string(v.substr(e + 1));
            } else {
                zero.assign(ins.followFlag.text.size(), '\0');
            }
            ReplaceValue(ins.followFlag, std::move(zero));
        }
        if (ins.hasSeqEnd) {
            DropEditsWithin(ins.seqEnd);
            edits_[ins.seqEnd.start] = Edit{ins.seqEnd.end, std::string()};
        }
    }
    return kStatusOk;
}

std::vector<std::string_view> DxfDocument::Pieces() const {
    std::vector<std::string_view> pieces;
    pieces.reserve(2 * edits_.size() + 1);
    DxfSplicer splicer(edits_);
    splicer.Add(data_, pieces);
    splicer.Finish(pieces);
    return pieces;
}

std::string DxfDocument::Serialize() const {
    std::string out;
    if (source_.path.empty()) {
        out.reserve(data_.size() + 256);
        for (const std::string_view piece : Pieces()) out += piece;
        return out;
    }
    // The bytes are read again, as saving reads them; none when they cannot be.
    DxfSplicedFile spliced(source_, edits_);
    std::vector<std::string_view> pieces;
    std::string why;
    do {
        pieces.clear();
        if (!spliced.Next(pieces, why)) return std::string();
        for (const std::string_view piece : pieces) out += piece;
    } while (!pieces.empty());
    return out;
}

std::string DxfDocument::Save(const std::string& strPath, int lngVersion) {
    if (lngVersion != -1 && lngVersion != VersionNumber()) {
        return status::Make(status::kUnsupportedVersion,
                            "Saving as version " + std::to_string(lngVersion) + " is not supported");
    }
    if (!model_.complete) {
        // A drawing cut short is never written back, changed or not.
        return status::Make(status::kCorrupt, "Damaged drawing: no end-of-file marker, not saved");
    }
    if (const std::string st = ReadSavedFileAgain(); st != kStatusOk) return st;
    std::string err;
    if (source_.path.empty()) {
        if (!WriteFileAtomic(strPath, Pieces(), err)) return status::CannotWrite(strPath, err);
        return kStatusOk;
    }
    if (!SaveSpliced(source_, edits_, strPath, err)) return status::CannotWrite(strPath, err);
    readAgain_ = SameFileKey(strPath) == SameFileKey(source_.path);
    return kStatusOk;
}

}  // namespace kel::dxf
