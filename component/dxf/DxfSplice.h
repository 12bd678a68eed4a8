// The bytes of a saved DXF drawing: the bytes of the file it was read from,
// with byte ranges replaced, given a stretch of that file at a time. A large
// drawing's bytes are not kept once it is read; saving reads the file again,
// a stretch at a time, and refuses when it is not the file that was read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "component/ContentHash.h"
#include "platform/FileSystem.h"

namespace kel::dxf {

struct DxfEdit {
    std::size_t end;    // one past the last byte replaced
    std::string bytes;  // what takes their place
};
// By start byte; ranges never overlap. An edit may replace no byte (it inserts).
using DxfEdits = std::map<std::size_t, DxfEdit>;

class DxfSplicer {
public:
    explicit DxfSplicer(const DxfEdits& edits) : edits_(edits), next_(edits.begin()) {}
    // The pieces for the next stretch of the file's bytes; the stretches come
    // in order, each right after the one before.
    void Add(std::string_view stretch, std::vector<std::string_view>& pieces);
    // The pieces of the edits at the file's end, after the last stretch.
    void Finish(std::vector<std::string_view>& pieces);

private:
    const DxfEdits& edits_;
    DxfEdits::const_iterator next_;
    std::size_t start_ = 0;  // where the next stretch starts in the file
    std::size_t pos_ = 0;    // the first byte not yet given or replaced
};

// The file a drawing was read from, as it was then.
struct DxfSourceFile {
    std::string path;
    std::uint64_t size = 0;
    std::uint64_t hash = 0;  // ContentHash, HashKind::Wordwise
};

// The source file's bytes with the edits spliced in, read a stretch at a time.
class DxfSplicedFile {
public:
    DxfSplicedFile(const DxfSourceFile& source, const DxfEdits& edits);
    // The pieces of the next stretch (views valid until the next call); none
    // at the end. False with the reason when the source cannot be read or,
    // once read to its end, did not hold the bytes it held.
    bool Next(std::vector<std::string_view>& pieces, std::string& strWhy);

private:
    static constexpr std::size_t kStretch = 1024 * 1024;
    const DxfSourceFile& source_;
    DxfSplicer splicer_;
    FileReader file_;
    std::unique_ptr<char[]> buffer_;
    ContentHasher hasher_;
    std::uint64_t read_ = 0;
    bool opened_ = false, ended_ = false;
};

// Replaces the file at strPath (WriteFileAtomic) by the source file's bytes
// with the edits spliced in. Refused, with the old file at strPath untouched,
// when the source cannot be read or no longer holds the bytes it held.
bool SaveSpliced(const DxfSourceFile& source, const DxfEdits& edits, const std::string& strPath,
                 std::string& strErr);

}  // namespace kel::dxf
