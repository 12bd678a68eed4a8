// Drawing list file: any file is read as lines or refused, and every line classifies.
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/FuzzFiles.h"
#include "runs/ListFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto& scratch = kel::fuzz::Scratch();
    const std::string path = scratch.Write("list.dlf", data, size);
    std::vector<std::string> lines;
    std::string strErr;
    if (!kel::ReadListFile(path, lines, strErr)) {
        if (strErr.empty()) __builtin_trap();
        return 0;
    }
    for (const std::string& line : lines) {
        const kel::ListLine parsed = kel::ParseListLine(line);
        if (parsed.kind == kel::ListLine::Kind::Entry && parsed.strDrawing.size() + parsed.strTemplate.size() >= line.size()) {
            __builtin_trap();  // the comma itself is never part of either half
        }
    }
    return 0;
}
