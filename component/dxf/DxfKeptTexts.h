// The texts a DXF drawing's index keeps, copied out of the file's bytes so
// that the index outlives them: names that repeat (types, tags, block and
// layer names) are kept once, values and tokens once each. Where the bytes
// outlive the index (Borrow), the texts are viewed where they are.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>
#include <unordered_set>

#include "component/TextStore.h"
#include "component/dxf/DxfTokenizer.h"

namespace kel::dxf {

// A value in the file: where it starts, and its bytes as kept (it ends
// start + text.size() bytes on, before the line end or the NUL).
struct DxfValue {
    std::size_t start = 0;
    std::string_view text;
};

class DxfKeptTexts {
public:
    void Borrow() { borrow_ = true; }

    std::string_view Keep(std::string_view text) { return borrow_ ? text : store_.Keep(text); }

    // The one kept copy of a text that repeats.
    std::string_view Shared(std::string_view text) {
        if (borrow_ || text.empty()) return text;
        // Most lookups repeat one of a few recent texts: a small table in
        // front of the set spares them the set's hashing.
        const std::size_t slot = (text.size() * 31 + static_cast<unsigned char>(text.front()) * 7 +
                                  static_cast<unsigned char>(text.back())) %
                                 recent_.size();
        if (recent_[slot] == text) return recent_[slot];
        auto it = shared_.find(text);
        if (it == shared_.end()) it = shared_.insert(store_.Keep(text)).first;
        recent_[slot] = *it;
        return *it;
    }

    // A copy of the token whose value is kept, with the bytes of its group
    // code before it (an ASCII code line shows how the file writes its
    // lines); its byte positions still name the file's bytes.
    DxfToken Token(const DxfToken& t) {
        if (borrow_ || !t.value.data()) return t;  // viewed where it is, or no token was read
        DxfToken kept = t;
        const std::size_t codeBytes = t.valueStart - t.start;
        const char* code = t.value.data() - codeBytes;
        const std::string_view both = store_.Keep(std::string_view(code, codeBytes + t.value.size()));
        kept.value = both.empty() ? std::string_view() : both.substr(codeBytes);
        return kept;
    }

    // A token's value, kept.
    DxfValue Value(const DxfToken& t) { return DxfValue{t.valueStart, Keep(t.value)}; }

    // The bytes of the group code before a token that Token kept.
    static std::string_view CodeBytes(const DxfToken& kept) {
        const std::size_t codeBytes = kept.valueStart - kept.start;
        return kept.value.data() ? std::string_view(kept.value.data() - codeBytes, codeBytes) : std::string_view();
    }

private:
    TextStore store_;
    std::unordered_set<std::string_view> shared_;
    std::array<std::string_view, 64> recent_{};
    bool borrow_ = false;
};

}  // namespace kel::dxf
