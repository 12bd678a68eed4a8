// Flattening: any drawing information XML is flattened (or refused) and the
// flat file it writes is read back as a table.
#include <cstdint>
#include <optional>
#include <string>

#include "fuzz/FuzzFiles.h"
#include "fuzz/ScratchEngine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    auto& scratch = kel::fuzz::Scratch();
    // The first byte chooses the chapter (0 to 10).
    const std::int32_t chapter = data[0] % 11;
    const std::string source = scratch.Write("_file.xml", data + 1, size - 1);
    const std::string target = scratch.Path("_flat.xml");
    kel::fuzz::ScratchEngine scratchEngine;
    kel::cAutoCAD& engine = scratchEngine.engine;
    std::int32_t drawingField = 0;
    if (engine.FlattenXMLfile(source, target, chapter, drawingField) == 1) {
        std::optional<kel::AttributeTable> table;
        engine.FlatXMLfileToArray(target, table, true);
    }
    return 0;
}
