#include "component/dxf/DxfSplice.h"

#include <algorithm>

namespace kel::dxf {

void DxfSplicer::Add(std::string_view stretch, std::vector<std::string_view>& pieces) {
    const std::size_t end = start_ + stretch.size();
    while (pos_ < end) {
        if (next_ != edits_.end() && next_->first <= pos_) {
            // The edit replaces its range, which may reach into later stretches.
            if (!next_->second.bytes.empty()) pieces.push_back(next_->second.bytes);
            pos_ = std::max(pos_, next_->second.end);
            ++next_;
            continue;
        }
        const std::size_t until = next_ != edits_.end() ? std::min(end, next_->first) : end;
        pieces.push_back(stretch.substr(pos_ - start_, until - pos_));
        pos_ = until;
    }
    start_ = end;
}

void DxfSplicer::Finish(std::vector<std::string_view>& pieces) {
    for (; next_ != edits_.end(); ++next_) {
        if (!next_->second.bytes.empty()) pieces.push_back(next_->second.bytes);
    }
}

DxfSplicedFile::DxfSplicedFile(const DxfSourceFile& source, const DxfEdits& edits)
    : source_(source), splicer_(edits), hasher_(HashKind::Wordwise) {}

bool DxfSplicedFile::Next(std::vector<std::string_view>& pieces, std::string& strWhy) {
    if (!opened_) {
        if (!file_.Open(source_.path, strWhy)) {
            strWhy = "cannot read the drawing again: " + strWhy;
            return false;
        }
        buffer_ = std::make_unique_for_overwrite<char[]>(kStretch);
        opened_ = true;
    }
    while (!ended_ && pieces.empty()) {
        std::size_t got = 0;
        if (!file_.Read(buffer_.get(), kStretch, got, strWhy)) {
            strWhy = "cannot read the drawing again: " + strWhy;
            return false;
        }
        if (got > 0) {
            hasher_.Add(buffer_.get(), got);
            read_ += got;
            splicer_.Add(std::string_view(buffer_.get(), got), pieces);
            continue;
        }
        // Read to its end: closed now, so that a save over it can replace it
        // (Windows does not replace a file that is open).
        file_.Close();
        // Everything the edits are spliced into must be what was read.
        if (read_ != source_.size || hasher_.Result() != source_.hash) {
            strWhy = "the drawing's file changed since it was read";
            return false;
        }
        splicer_.Finish(pieces);
        ended_ = true;
    }
    return true;
}

bool SaveSpliced(const DxfSourceFile& source, const DxfEdits& edits, const std::string& strPath,
                 std::string& strErr) {
    DxfSplicedFile spliced(source, edits);
    // The size the saved drawing will have, so that a large one is written as it comes.
    std::uint64_t size = source.size;
    for (const auto& [start, edit] : edits) size = size + edit.bytes.size() - (std::max(edit.end, start) - start);
    return WriteFileAtomic(
        strPath, [&](std::vector<std::string_view>& pieces, std::string& strWhy) { return spliced.Next(pieces, strWhy); },
        strErr, size);
}

}  // namespace kel::dxf
