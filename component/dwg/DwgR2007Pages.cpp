#include "component/dwg/DwgR2007Pages.h"

#include <algorithm>

#include "component/ByteOrder.h"
#include "component/dwg/Dwg2007Compress.h"
#include "component/dwg/Dwg2007Decompress.h"
#include "component/dwg/DwgCrc64.h"
#include "component/dwg/DwgReedSolomon.h"

namespace kel::dwg {
namespace {

constexpr std::uint64_t kCrcBlock = 8;
constexpr std::size_t kHeaderBlocks = 3;
constexpr std::size_t kCheckDataAt = 0x3D8;

std::uint64_t AlignTo(std::uint64_t n, std::uint64_t to) { return (n + to - 1) / to * to; }

std::uint64_t CrcOf(std::string_view data) { return Crc64Mirrored(Crc64Seed1(0, data.size()), data); }

// The data compressed when that makes it shorter.
std::string Packed(std::string_view data, bool compress) {
    if (compress) {
        std::string packed = Compress2007(data);
        if (packed.size() < data.size()) return packed;
    }
    return std::string(data);
}

void PutU64(std::string& s, std::size_t at, std::uint64_t v) { PutLittleEndian(s.data() + at, v, 8); }

}  // namespace

std::uint64_t R2007SystemPageSize(std::uint64_t dataSize) {
    const std::uint64_t aligned = AlignTo(dataSize, kCrcBlock);
    // The coded data fits the page at least twice.
    const std::uint64_t size = AlignTo(aligned * 2, 239) / 239 * 255;
    return size < 0x400 ? 0x400 : AlignTo(size, 0x20);
}

std::string EncodeR2007SystemPage(std::string_view data, bool compress, Dwg2007Random& random,
                                  R2007SystemPageInfo& info) {
    const ReedSolomon& code = ReedSolomon::SystemPages();
    info.sizeUncompressed = data.size();
    info.crcUncompressed = CrcOf(data);
    std::string stored = Packed(data, compress);
    info.sizeCompressed = stored.size();
    info.crcCompressed = CrcOf(stored);
    stored.resize(AlignTo(stored.size(), kCrcBlock), '\0');
    const std::uint64_t pageSize = R2007SystemPageSize(data.size());
    const std::uint64_t room = pageSize / ReedSolomon::kCodeWord * code.DataSize();
    info.factor = stored.empty() ? 1 : room / stored.size();
    std::string buffer;
    for (std::uint64_t i = 0; i < info.factor; ++i) buffer += stored;
    const std::size_t blocks = std::max<std::size_t>(1, RsBlocksFor(code, buffer.size()));
    buffer += random.NextPadding(blocks * code.DataSize() - buffer.size());
    std::string page = RsEncodeInterleaved(code, buffer, blocks);
    page += random.NextPadding(pageSize - page.size());
    return page;
}

std::string EncodeR2007DataPage(std::string_view data, bool compress, Dwg2007Random& random, R2007DataPageInfo& info) {
    const ReedSolomon& code = ReedSolomon::DataPages();
    info.uncompressedSize = data.size();
    info.checksum = PageChecksum2007(0, data);
    std::string stored = Packed(data, compress);
    info.compressedSize = stored.size();
    info.crc = CrcOf(stored);
    stored.resize(AlignTo(stored.size(), kCrcBlock), '\0');
    const std::size_t blocks = std::max<std::size_t>(1, RsBlocksFor(code, stored.size()));
    stored += random.NextPadding(blocks * code.DataSize() - stored.size());
    std::string page = RsEncodeInterleaved(code, stored, blocks);
    page.resize(AlignTo(page.size(), 0x20), '\0');
    info.pageSize = page.size();
    return page;
}

void SkipR2007DataPagePadding(std::uint64_t compressedSize, Dwg2007Random& random) {
    const ReedSolomon& code = ReedSolomon::DataPages();
    const std::size_t aligned = AlignTo(static_cast<std::size_t>(compressedSize), kCrcBlock);
    const std::size_t blocks = std::max<std::size_t>(1, RsBlocksFor(code, aligned));
    random.NextPadding(blocks * code.DataSize() - aligned);
}

std::string EncodeR2007HeaderPage(std::string header, Dwg2007Random& random) {
    header.resize(kR2007HeaderDataSize, '\0');
    PutU64(header, 0x108, 0);
    PutU64(header, 0x108, Crc64Normal(Crc64Seed2(0, header.size()), header));
    std::string packed = Compress2007(header);
    std::int32_t size = static_cast<std::int32_t>(packed.size());
    if (packed.size() >= header.size()) {
        packed = header;
        size = -static_cast<std::int32_t>(header.size());
    }
    const std::uint64_t key = random.Next();
    std::string sequence(16, '\0');
    PutU64(sequence, 0, key);
    PutU64(sequence, 8, RotateByControl(key, key));
    std::string block(0x20, '\0');
    PutU64(block, 0, Crc64Normal(Crc64Seed1(0, sequence.size()), sequence));
    PutU64(block, 8, key);
    PutU64(block, 0x10, Crc64Normal(Crc64Seed2(0, packed.size()), packed));
    PutLittleEndian(block.data() + 0x18, static_cast<std::uint32_t>(size), 4);
    block += packed;
    block += random.NextPadding(AlignTo(block.size(), kCrcBlock) - block.size());
    const ReedSolomon& code = ReedSolomon::SystemPages();
    const std::size_t room = kHeaderBlocks * code.DataSize();
    std::string buffer;
    while (buffer.size() + block.size() <= room) buffer += block;
    buffer += random.NextPadding(room - buffer.size());
    std::string page = RsEncodeInterleaved(code, buffer, kHeaderBlocks);
    page += random.NextPadding(kCheckDataAt - page.size());
    const HeaderCheckData check = MakeHeaderCheckData(random.Next(), random.Next(), random.Encode(0));
    std::string tail(0x28, '\0');
    PutU64(tail, 0x00, check.normalCrc);
    PutU64(tail, 0x08, check.mirroredCrc);
    PutU64(tail, 0x10, check.random1);
    PutU64(tail, 0x18, check.random2);
    PutU64(tail, 0x20, check.encodedSeed);
    return page + tail;
}

bool RsDecodeInterleavedPage(const ReedSolomon& code, std::string_view coded, std::size_t blocks, std::string& data,
                             unsigned& corrected) {
    const RsDecodeResult r = RsDecodeInterleaved(code, coded, blocks, data);
    corrected += static_cast<unsigned>(r.corrected);
    return r.Ok();
}

bool DecompressPage(std::string_view stored, std::size_t size, std::string& out) {
    std::string error;
    return Decompress2007(stored, size, out, error) && out.size() == size;
}

}  // namespace kel::dwg
