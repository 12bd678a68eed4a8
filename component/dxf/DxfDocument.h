// An open DXF drawing. Edits are kept as byte-range replacements of the
// original file and spliced in when saving, so everything else stays as it was.
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
#include "component/dxf/DxfText.h"

namespace kel::dxf {

class DxfDocument : public IDrawingDocument {
public:
    // Reads the file's bytes. Returns null with a status text when they are not
    // a readable DXF drawing.
    static std::unique_ptr<DxfDocument> Open(std::string bytes, std::string& strStatus);

    DrawingInfo Describe() const override;
    bool ListAttributes(AttributeRows& rows) const override;
    std::string SetAttributeValue(const std::string& strHandle, const std::string& strValue) override;
    std::string DeleteEntity(const std::string& strHandle) override;
    std::string Save(const std::string& strPath, int lngVersion) override;

    // The version number that Save accepts besides -1: the digits of $ACADVER
    // (1015 for AC1015); AC1009 for a file that does not name its version.
    int VersionNumber() const;
    // The bytes Save would write, as one string and as the pieces written one
    // after the other (unchanged stretches of the file and edited entities).
    std::string Serialize() const;
    std::vector<std::string_view> Pieces() const;

private:
    DxfDocument() = default;

    struct Edit {
        std::size_t end;
        std::string bytes;
    };

    const HandleEntry* Find(std::uint64_t handle) const;
    // The longest text value this drawing's version takes, in file bytes.
    std::size_t MaxValueBytes() const;
    std::string AttributeValue(const DxfAttrib& a) const;
    std::size_t IndexOf(const DxfAttrib& a) const { return static_cast<std::size_t>(&a - model_.attribs.data()); }
    // A token with the given code and encoded value, in the style of `like`
    // (a token the model kept with its group code).
    std::string MakeToken(const DxfToken& like, int code, std::string_view value) const;
    void ReplaceValue(const DxfToken& token, std::string bytes);
    // The MTEXT string that groups 3 and 1 hold, decoded.
    std::string ChunkText(const std::vector<DxfToken>& chunks) const;
    // Writes text (file bytes) as groups 3 and 1 in the place of chunks.
    void ReplaceChunks(const std::vector<DxfToken>& chunks, std::string_view text);
    void ApplyValue(DxfAttrib& a, const std::string& utf8);
    void DropEditsWithin(Span span);
    DxfObject* FindObject(std::uint64_t handle);
    // The ACAD_MLATT record in the attribute's extension dictionary that keeps
    // a second copy of a multi-line attribute's text; null when there is none.
    const DxfObject* MultiLineCopyOf(const DxfAttrib& a);
    // Removes every object the handle owns, and what those own in turn.
    void DeleteOwnedObjects(std::uint64_t owner);

    std::string data_;
    DxfModel model_;
    TextCodec codec_ = TextCodec::Utf8();
    std::map<std::size_t, Edit> edits_;  // by start byte; ranges never overlap
    std::unordered_map<std::size_t, std::string> newValues_;  // UTF-8, of the changed attributes, by index
};

}  // namespace kel::dxf
