#include "engine/clsConcat.h"

#include <algorithm>
#include <cstring>

namespace kel {

void clsConcat::SConcat(std::string_view Piece) {
    const std::size_t n = Piece.size();
    const std::size_t held = static_cast<std::size_t>(length_);
    if (held + n >= buffer_.size()) {
        std::size_t grow = n > held ? n : kGrowStep;
        std::size_t newSize = std::max(buffer_.size() + grow, held + n);
        buffer_.resize(newSize, '\0');
    }
    if (n > 0) std::memcpy(buffer_.data() + held, Piece.data(), n);
    length_ = static_cast<std::int32_t>(held + n);
}

std::string clsConcat::GetString() {
    std::string out = buffer_.substr(0, static_cast<std::size_t>(length_));
    ReInit();
    return out;
}

void clsConcat::ReInit() {
    buffer_.clear();
    buffer_.shrink_to_fit();
    length_ = 0;
}

void clsConcat::SetString(const std::string& Source) {
    buffer_ = Source;
    buffer_.append(kGrowStep, '\0');
    length_ = static_cast<std::int32_t>(Source.size());
}

}  // namespace kel
