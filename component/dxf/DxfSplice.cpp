#include "component/dxf/DxfSplice.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "component/ContentHash.h"
#include "platform/FileSystem.h"

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

namespace {

constexpr std::size_t kStretch = 1024 * 1024;

}  // namespace

bool SaveSpliced(const DxfSourceFile& source, const DxfEdits& edits, const std::string& strPath,
                 std::string& strErr) {
    std::FILE* file = OpenFileUtf8(source.path, "rb");
    if (!file) {
        strErr = "cannot read the drawing again: " + std::string(std::strerror(errno));
        return false;
    }
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> closer(file, std::fclose);
    const auto buffer = std::make_unique_for_overwrite<char[]>(kStretch);
    DxfSplicer splicer(edits);
    ContentHasher read(HashKind::Wordwise);
    std::uint64_t readSize = 0;
    bool ended = false;
    const ContentSource next = [&](std::vector<std::string_view>& pieces, std::string& strWhy) {
        while (!ended && pieces.empty()) {
            const std::size_t n = std::fread(buffer.get(), 1, kStretch, file);
            if (n > 0) {
                read.Add(buffer.get(), n);
                readSize += n;
                splicer.Add(std::string_view(buffer.get(), n), pieces);
                continue;
            }
            if (std::ferror(file)) {
                strWhy = "cannot read the drawing again: read error";
                return false;
            }
            // Everything the edits are spliced into must be what was read.
            if (readSize != source.size || read.Result() != source.hash) {
                strWhy = "the drawing's file changed since it was read";
                return false;
            }
            splicer.Finish(pieces);
            ended = true;
        }
        return true;
    };
    // The size the saved drawing will have, so that a large one is written as it comes.
    std::uint64_t size = source.size;
    for (const auto& [start, edit] : edits) size = size + edit.bytes.size() - (std::max(edit.end, start) - start);
    return WriteFileAtomic(strPath, next, strErr, size);
}

}  // namespace kel::dxf
