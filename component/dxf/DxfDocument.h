// An open DXF drawing. Edits are kept as byte-range replacements of the
// original file and spliced in when saving, so everything else stays as it was.
// A large drawing read from a file does not keep the file's bytes: saving
// reads the file again and refuses when it changed since
// (component/dxf/DxfSplice.h).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "component/IDrawingDocument.h"
#include "component/dxf/DxfModel.h"
#include "component/dxf/DxfSplice.h"
#include "component/dxf/DxfText.h"
#include "platform/FileSystem.h"

namespace kel::dxf {

class DxfDocument : public IDrawingDocument {
public:
    // Reads the file's bytes. Returns null with a status text when they are not
    // a readable DXF drawing.
    // The document keeps the bytes.
    static std::unique_ptr<DxfDocument> Open(std::string bytes, std::string& strStatus);
    // The drawing in the file at strPath, whose first bytes were read into
    // `first` and whose rest `file` reads: it is read a block at a time, and
    // the document keeps none of its bytes.
    static std::unique_ptr<DxfDocument> OpenFile(std::string first, FileReader& file, const std::string& strPath,
                                                 std::string& strStatus);

    DrawingInfo Describe() const override;
    bool ListAttributes(AttributeRows& rows) const override;
    std::string SetAttributeValue(const std::string& strHandle, const std::string& strValue) override;
    std::string DeleteEntity(const std::string& strHandle) override;
    std::string Save(const std::string& strPath, int lngVersion) override;

    // The version number that Save accepts besides -1: the digits of $ACADVER
    // (1015 for AC1015); AC1009 for a file that does not name its version.
    int VersionNumber() const;
    // The bytes Save would write; empty when a document that does not keep
    // its bytes cannot read them again as they were.
    std::string Serialize() const;

private:
    DxfDocument() = default;

    using Edit = DxfEdit;

    // Unchanged stretches of the kept bytes and edited entities, one after the other.
    std::vector<std::string_view> Pieces() const;
    // After a save over the file the document was read from, the model's byte
    // positions name bytes that are gone: the model is read anew from the
    // file before the next change or save. A status text; ok when nothing
    // was to be done.
    std::string ReadSavedFileAgain();
    const HandleEntry* Find(std::uint64_t handle) const;
    // The longest text value this drawing's version takes, in file bytes.
    std::size_t MaxValueBytes() const;
    // The value of the attribute at `index` in the model.
    std::string AttributeValue(int index) const;
    // A token with the given code and encoded value, in the style of `like`
    // (a token the model kept with its group code).
    std::string MakeToken(const DxfToken& like, int code, std::string_view value) const;
    void ReplaceValue(const DxfValue& value, std::string bytes);
    // The MTEXT string that groups 3 and 1 hold, decoded.
    std::string ChunkText(const std::vector<DxfToken>& chunks) const;
    // Writes text (file bytes) as groups 3 and 1 in the place of chunks.
    void ReplaceChunks(const std::vector<DxfToken>& chunks, std::string_view text);
    void ApplyValue(int index, const std::string& utf8);
    void DropEditsWithin(Span span);
    DxfObject* FindObject(std::uint64_t handle);
    // The ACAD_MLATT record in the attribute's extension dictionary that keeps
    // a second copy of a multi-line attribute's text; null when there is none.
    const DxfObject* MultiLineCopyOf(int index);
    // Removes every object the handle owns, and what those own in turn.
    void DeleteOwnedObjects(std::uint64_t owner);

    std::string data_;      // the file's bytes when kept
    DxfSourceFile source_;  // else the file they are read from again
    bool readAgain_ = false;  // the source file was replaced by a save
    DxfModel model_;
    TextCodec codec_ = TextCodec::Utf8();
    DxfEdits edits_;
    // The new values (UTF-8) of the changed attributes, by attribute index, in
    // the order they were set; sorted by index, the last of each kept, when
    // one is looked up.
    mutable std::vector<std::pair<std::size_t, std::string>> newValues_;
    mutable bool newValuesSorted_ = true;
    const std::string& NewValue(std::size_t index) const;
};

}  // namespace kel::dxf
