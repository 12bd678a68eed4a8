// Checks a section read back from a new file against the data the file was
// written with, page by page, instead of decompressing it into a copy: every
// page must hold exactly the bytes written at its place, and every byte no
// page covers must be zero, as a reader filling a section would leave it.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kel::dwg {

class WrittenCheck {
public:
    // The data `written` (section name -> data) holds for section `name`, or null.
    static const std::string_view* For(const std::map<std::string, std::string_view>& written,
                                       const std::string& name) {
        auto w = written.find(name);
        return w != written.end() ? &w->second : nullptr;
    }

    // Null: nothing to check (the section is read as usual).
    explicit WrittenCheck(const std::string_view* written) : written_(written) {}

    // A page's data at `start`: into the section's `data` where there is
    // nothing to check, else compared with the data written (Holds).
    bool Put(std::string& data, std::size_t start, std::string_view page) {
        if (written_) return Holds(start, page);
        data.replace(start, page.size(), page);
        return true;
    }

    // Whether `page` is the data written at `start`.
    bool Holds(std::size_t start, std::string_view page) {
        if (start > written_->size() || written_->size() - start < page.size()) return false;
        const char* at = written_->data() + start;
        if (page.data() != at && std::memcmp(page.data(), at, page.size()) != 0) return false;
        covered_.emplace_back(start, start + page.size());
        return true;
    }

    // Whether every byte no page covered is zero.
    bool RestIsZero() {
        std::sort(covered_.begin(), covered_.end());
        std::size_t at = 0;
        for (const auto& [from, to] : covered_) {
            if (from > at && !Zero(at, from)) return false;
            at = std::max(at, to);
        }
        return Zero(at, written_->size());
    }

private:
    bool Zero(std::size_t from, std::size_t to) const {
        return from >= to || std::all_of(written_->begin() + static_cast<std::ptrdiff_t>(from),
                                         written_->begin() + static_cast<std::ptrdiff_t>(to),
                                         [](char c) { return c == '\0'; });
    }

    const std::string_view* written_;
    std::vector<std::pair<std::size_t, std::size_t>> covered_;
};

}  // namespace kel::dwg
