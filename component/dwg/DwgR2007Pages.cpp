#include "component/dwg/DwgR2007Pages.h"

#include "component/dwg/Dwg2007Decompress.h"
#include "component/dwg/DwgReedSolomon.h"

namespace kel::dwg {

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
