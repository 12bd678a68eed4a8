// Texts kept apart from the bytes they were taken from, so that views of
// them outlive those bytes.
#pragma once

#include <algorithm>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

namespace kel {

// Texts appended into blocks that never move: a kept view stays valid as
// long as the store, also when the store is moved.
class TextStore {
public:
    std::string_view Keep(std::string_view text) {
        if (text.empty()) return {};
        if (blocks_.empty() || left_ < text.size()) {
            const std::size_t size = std::max(kBlock, text.size());
            blocks_.push_back(std::make_unique_for_overwrite<char[]>(size));
            next_ = blocks_.back().get();
            left_ = size;
        }
        std::memcpy(next_, text.data(), text.size());
        const std::string_view kept(next_, text.size());
        next_ += text.size();
        left_ -= text.size();
        return kept;
    }

private:
    static constexpr std::size_t kBlock = 64 * 1024;
    std::vector<std::unique_ptr<char[]>> blocks_;
    char* next_ = nullptr;
    std::size_t left_ = 0;
};

}  // namespace kel
