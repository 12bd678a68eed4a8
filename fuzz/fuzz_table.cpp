// Flat XML table reader: any file gives a table or a failure result.
#include <cstdint>
#include <optional>
#include <string>

#include "engine/cAutoCAD.h"
#include "fuzz/FuzzFiles.h"

namespace {

class SilentMessages : public kel::IUserMessages {
public:
    void ShowMessage(const std::string&, const std::string&, kel::MessageIcon) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    auto& scratch = kel::fuzz::Scratch();
    // The first byte chooses whether headings are included.
    const bool headings = data[0] & 1;
    const std::string path = scratch.Write("flat.xml", data + 1, size - 1);
    SilentMessages messages;
    kel::cAutoCAD engine([](kel::ComponentCreationError&) { return nullptr; }, &messages, scratch.Folder());
    std::optional<kel::AttributeTable> table;
    const std::int16_t result = engine.FlatXMLfileToArray(path, table, headings);
    if (result == 1 && !table) __builtin_trap();
    return 0;
}
