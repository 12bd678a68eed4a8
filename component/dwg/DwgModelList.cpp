// The attribute rows of a drawing, listed from the model without a
// description of every insert.
#include "component/AttributeListing.h"
#include "component/dwg/DwgModel.h"
#include "component/text/Utf8.h"

namespace kel::dwg {

bool DwgModel::ListAttributes(AttributeRows& rows) const {
    // Up to R2004 a text may switch code pages (\M+n) and the next takes the
    // page of the last one read: those texts are read in Describe's order.
    if (!wideText_) return false;
    struct Listed {
        std::uint64_t block;
        std::uint64_t insert;
        std::vector<std::uint64_t> attribs;
    };
    std::vector<Listed> listed;
    std::size_t count = 0;
    for (std::uint64_t bh : blockOrder_) {
        for (std::uint64_t eh : EntitiesOf(bh)) {
            // An insert without attributes is left as a stub: it lists none.
            const DecodedObject* e = Decoded(eh);
            if (!e || !type::IsInsert(e->common.type) || !Holds<InsertData>(e->data)) continue;
            std::vector<std::uint64_t> attribs = AttribsOf(eh);
            if (attribs.empty()) continue;
            count += attribs.size();
            listed.push_back({bh, eh, std::move(attribs)});
        }
    }
    // Reserved in full: the rows point at their inserts.
    rows.inserts.reserve(listed.size());
    rows.rows.reserve(count);
    // Every text is checked for well-formed UTF-8 as it is kept.
    bool wellFormed = true;
    const auto keep = [&](const std::string& utf8) {
        wellFormed = wellFormed && text::IsValidUtf8(utf8);
        return rows.texts.Keep(utf8);
    };
    std::uint64_t block = 0;
    std::string_view space, layout;
    for (const Listed& l : listed) {
        if (rows.inserts.empty() || l.block != block) {
            block = l.block;
            space = keep(NameOf(block));
            layout = keep(LayoutNameOf(block));
        }
        const DecodedObject& e = *Decoded(l.insert);
        const auto& d = DataOf<InsertData>(e.data);
        rows.inserts.push_back({space, layout, keep(NameOf(e.Ref(d.blockHeader))), keep(NameOf(e.Ref(e.common.layer))),
                                keep(FormatHandle(l.insert))});
        for (std::uint64_t ah : l.attribs) {
            const auto& a = DataOf<AttribData>(Decoded(ah)->data);
            rows.rows.push_back({&rows.inserts.back(), keep(FormatHandle(ah)), keep(Text(a.tag)), keep(ValueOf(a))});
        }
    }
    rows.textsWellFormed = wellFormed;
    return true;
}

}  // namespace kel::dwg
