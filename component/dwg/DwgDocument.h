// An open DWG drawing: R13 to R2018.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "component/IDrawingDocument.h"
#include "component/dwg/DwgFile.h"
#include "component/dwg/DwgModel.h"
#include "component/dwg/DwgWriter.h"

namespace kel::dwg {

class DwgDocument : public IDrawingDocument {
public:
    // Reads the drawing; null with a component status when it cannot.
    static std::unique_ptr<DwgDocument> Open(std::string bytes, const std::string& path, std::string& status);

    DrawingInfo Describe() const override;
    bool ListAttributes(AttributeRows& rows) const override { return model_.ListAttributes(rows); }
    // Gives an ATTRIB a new value (UTF-8; stored in the drawing's code page,
    // other characters as \U+XXXX).
    std::string SetAttributeValue(const std::string& strHandle, const std::string& strValue) override;
    // Removes an ATTRIB from its insert, linking its neighbours; the last one
    // takes the insert's SEQEND with it, and the objects it owns go too.
    std::string DeleteEntity(const std::string& strHandle) override;
    // Writes the drawing in its own version (-1 or its number: 1012, 1014, 1015,
    // 1018, 1024, 1027 or 1032).
    std::string Save(const std::string& strPath, int lngVersion) override;

    const DwgFile& File() const { return file_; }
    const DwgModel& Model() const { return model_; }
    // The bytes Save would write now.
    bool Serialize(std::string& out, std::string& status) const;

private:
    const DecodedObject* FindByText(const std::string& strHandle) const;
    // The objects (not entities) owned by the handle, directly or through others.
    std::vector<std::uint64_t> OwnedObjects(std::uint64_t owner) const;
    // The encoded form of a changed object, or a status other than OK.
    std::string Encode(const DecodedObject& changed, std::string& encoded) const;
    std::string Store(DecodedObject& changed);
    void Keep(const DecodedObject& changed, std::string encoded);
    // The record in which a multi-line attribute keeps a copy of its text
    // (ACAD_MLATT in its extension dictionary), with that copy changed to
    // utf8; `found` is false when the attribute keeps none.
    std::string MultiLineCopyFor(const DecodedObject& attrib, const std::string& utf8, DecodedObject& changed,
                                 bool& found);
    // The edited drawing's bytes, read back into check and model.
    bool Relay(std::string& out, DwgFile& check, DwgModel& model, std::string& status) const;
    // Save for the paged versions (R2004 on), which need not copy the objects section.
    std::string SavePaged(const std::string& strPath);
    // Goes on from a file written (as the check read it back), so that later
    // edits and saves build on it; with the check's model, or with none when
    // the drawing's own model followed the file.
    void GoOnFrom(std::string& written, DwgFile& file, DwgModel* model);
    std::string TypeName(int type) const;
    void EraseDeleted(std::uint64_t attrib, const std::vector<std::uint64_t>& owned, std::uint64_t seqend);
    std::string DeleteOwnedAttrib(const DecodedObject& attrib, const DecodedObject& insert,
                                  const std::vector<std::uint64_t>& owned);

    std::string bytes_;
    std::string path_;
    DwgFile file_;
    DwgModel model_;
    DwgEdits edits_;
};

// Gives an attribute a new value (UTF-8) in the form the version stores:
// code page text up to R2004, UTF-16 after, MTEXT markup for a multi-line
// attribute; with an escapePage, characters of that double-byte page as
// \M+n escapes. A component status other than OK when the value does not fit.
std::string SetStoredValue(AttribData& a, const std::string& utf8, Version version, int codePage,
                           int escapePage = 0);

}  // namespace kel::dwg

namespace kel {

// Opens a DWG file's bytes: R13 to R2018 are read, changed and written; every
// other version is refused with "2004:Unsupported format <id>", a damaged file
// with "2005:Damaged drawing: <what>".
std::unique_ptr<IDrawingDocument> OpenDwgDocument(std::string bytes, const std::string& path, std::string& status);

}  // namespace kel
