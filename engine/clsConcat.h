// Builds a long text from many pieces: the text sits at the start of a buffer
// with NUL-filled spare room behind it, so an append copies only the new piece.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kel {

class clsConcat {
public:
    // Spare room added when the buffer runs full and the piece is not longer
    // than the text already held.
    static constexpr std::size_t kGrowStep = 15000;

    // Appends Piece to the held text.
    void SConcat(std::string_view Piece);
    // Returns the held text and leaves the builder empty.
    std::string GetString();
    // Empties the builder.
    void ReInit();
    // Replaces the held text by Source, with kGrowStep characters of spare room.
    void SetString(const std::string& Source);

    // Number of characters held, and the size of the buffer (text plus spare room).
    std::int32_t Length() const { return length_; }
    std::size_t BufferSize() const { return buffer_.size(); }

private:
    std::string buffer_;
    std::int32_t length_ = 0;
};

}  // namespace kel
