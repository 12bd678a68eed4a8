// The drawing's blocks, inserts and attributes as its description lists
// them, inserts without attributes read again from the file.
#include <stdexcept>
#include <unordered_map>

#include "component/dwg/DwgModel.h"

namespace kel::dwg {

int DwgModel::ConstantAttdefsOf(std::uint64_t blockHeader) const {
    int count = 0;
    for (std::uint64_t h : EntitiesOf(blockHeader)) {
        const DecodedObject* o = Decoded(h);
        if (o && o->common.type == type::kAttdef) {
            if (const auto* a = DataIf<AttribData>(o->data)) {
                if (a->flags & 2) ++count;
            }
        }
    }
    return count;
}

const DecodedObject* DwgModel::ReadAgain(std::uint64_t handle, std::string_view bytes, const DwgFile& file,
                                         DecodedObject& out) const {
    const HandleIndex::Value* at = index_.Find(handle);
    if (!at || !(*at & kStubBit)) return nullptr;
    const Stub& stub = stubs_[*at & ~kStubBit];
    if (!type::IsInsert(stub.type)) return nullptr;
    std::string why;
    out = DecodedObject{};
    if (!DecodeObject(file.ObjectArea(bytes), stub.offset, file, out, why)) {
        // It decoded when the drawing was read: the bytes are not those.
        throw std::runtime_error("Damaged drawing: object " + FormatHandle(handle) + ": " + why);
    }
    return &out;
}

DrawingInfo DwgModel::Describe(std::string_view bytes, const DwgFile& file) const {
    DrawingInfo info;
    std::unordered_map<std::uint64_t, int> constants;
    DecodedObject readAgain;
    for (std::uint64_t bh : blockOrder_) {
        BlockInfo block;
        block.name = NameOf(bh);
        block.layoutName = LayoutNameOf(bh);
        for (std::uint64_t eh : EntitiesOf(bh)) {
            const DecodedObject* e = Decoded(eh);
            if (!e) e = ReadAgain(eh, bytes, file, readAgain);
            if (!e || !type::IsInsert(e->common.type) || !Holds<InsertData>(e->data)) continue;
            const auto& d = DataOf<InsertData>(e->data);
            InsertInfo ins;
            std::uint64_t target = e->Ref(d.blockHeader);
            ins.name = NameOf(target);
            ins.handle = FormatHandle(eh);
            ins.elementId = eh;
            ins.layer = NameOf(e->Ref(e->common.layer));
            ins.x = d.insertion.x;
            ins.y = d.insertion.y;
            ins.z = d.insertion.z;
            auto c = constants.find(target);
            if (c == constants.end()) c = constants.emplace(target, ConstantAttdefsOf(target)).first;
            ins.numberConstantAttributes = c->second;
            if (e->common.type == type::kMinsert) {
                ins.rows = d.rows;
                ins.columns = d.columns;
            }
            for (std::uint64_t ah : AttribsOf(eh)) {
                const auto& a = DataOf<AttribData>(Decoded(ah)->data);
                ins.attributes.push_back(AttributeInfo{FormatHandle(ah), ah, Text(a.tag), ValueOf(a)});
            }
            block.inserts.push_back(std::move(ins));
        }
        info.blocks.push_back(std::move(block));
    }
    return info;
}

}  // namespace kel::dwg
