// Flat XML table reader: any file gives a table or a failure result.
#include <cstdint>
#include <optional>
#include <string>

#include "fuzz/FuzzFiles.h"
#include "fuzz/ScratchEngine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    auto& scratch = kel::fuzz::Scratch();
    // The first byte chooses whether headings are included.
    const bool headings = data[0] & 1;
    const std::string path = scratch.Write("flat.xml", data + 1, size - 1);
    kel::fuzz::ScratchEngine scratchEngine;
    kel::cAutoCAD& engine = scratchEngine.engine;
    std::optional<kel::AttributeTable> table;
    const std::int16_t result = engine.FlatXMLfileToArray(path, table, headings);
    if (result == 1 && !table) __builtin_trap();
    return 0;
}
