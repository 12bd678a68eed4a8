// The R2007 codecs and container writer. The first byte picks the target:
//   0: decompress the rest (output bounded), and compress the rest, which
//      must decompress to itself;
//   1: Reed-Solomon: the rest is data for one of the two codes (next byte),
//      coded, damaged at positions the input names, decoded: up to the
//      code's limit per code word the data must come back;
//   2: the container: the rest is a file to read and write again with no
//      change; what is written must read and be written again to the same bytes.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "component/dwg/Dwg2007Compress.h"
#include "component/dwg/Dwg2007Decompress.h"
#include "component/dwg/DwgR2007File.h"
#include "component/dwg/DwgR2007Writer.h"
#include "component/dwg/DwgReedSolomon.h"

namespace {

using namespace kel::dwg;

void Codec(std::string_view in) {
    std::string out, error;
    if (Decompress2007(in, 1 << 20, out, error) && out.size() > (1u << 20)) __builtin_trap();
    const std::string packed = Compress2007(in);
    std::string back;
    if (!Decompress2007(packed, in.size(), back, error) || back != in) __builtin_trap();
}

void ReedSolomonCheck(std::string_view in) {
    if (in.size() < 2) return;
    const ReedSolomon& code = (in[0] & 1) ? ReedSolomon::SystemPages() : ReedSolomon::DataPages();
    const std::size_t errors = static_cast<std::uint8_t>(in[1]) % (code.Correctable() + 3);
    in.remove_prefix(2);
    const std::size_t blocks = std::max<std::size_t>(1, RsBlocksFor(code, in.size()));
    std::string data(in);
    data.resize(blocks * code.DataSize(), '\0');
    std::string page = RsEncodeInterleaved(code, data, blocks);
    // Damage `errors` distinct positions of every code word, chosen from the data bytes.
    for (std::size_t b = 0; b < blocks; ++b) {
        std::vector<bool> hit(ReedSolomon::kCodeWord, false);
        for (std::size_t e = 0, i = 0; e < errors; ++i) {
            std::size_t at = (static_cast<std::uint8_t>(data[(b * 7 + i) % data.size()]) + i * 31 + b) %
                             ReedSolomon::kCodeWord;
            if (hit[at]) continue;
            hit[at] = true;
            page[at * blocks + b] ^= static_cast<char>(1 + e);
            ++e;
        }
    }
    std::string back;
    const RsDecodeResult r = RsDecodeInterleaved(code, page, blocks, back);
    if (errors <= code.Correctable() && (!r.Ok() || back != data || r.corrected != errors * blocks)) __builtin_trap();
}

void Container(std::string_view in) {
    R2007File file, written;
    std::string out, again, why;
    if (!file.Parse(in, why) || !WriteR2007(in, file, {}, out, why)) return;
    // What is written reads, and is written again to the same bytes.
    if (!written.Parse(out, why) || !WriteR2007(out, written, {}, again, why) || again != out) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string_view in(reinterpret_cast<const char*>(data) + 1, size - 1);
    switch (data[0] % 3) {
        case 0: Codec(in); break;
        case 1: ReedSolomonCheck(in); break;
        default: Container(in); break;
    }
    return 0;
}
