// Template reader: any template file must be read or refused with a message.
#include <cstdint>
#include <string>

#include "fuzz/FuzzFiles.h"
#include "fuzz/ScratchEngine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto& scratch = kel::fuzz::Scratch();
    const std::string path = scratch.Write("template.txt", data, size);
    kel::fuzz::ScratchEngine scratchEngine;
    kel::cAutoCAD& engine = scratchEngine.engine;
    std::string strErr;
    const std::int16_t result = engine.PrepTemplate(path, strErr);
    if (result == 1 && !strErr.empty()) __builtin_trap();
    return 0;
}
