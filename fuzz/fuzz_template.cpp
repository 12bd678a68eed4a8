// Template reader: any template file must be read or refused with a message.
#include <cstdint>
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
    auto& scratch = kel::fuzz::Scratch();
    const std::string path = scratch.Write("template.txt", data, size);
    SilentMessages messages;
    kel::cAutoCAD engine([](kel::ComponentCreationError&) { return nullptr; }, &messages, scratch.Folder());
    std::string strErr;
    const std::int16_t result = engine.PrepTemplate(path, strErr);
    if (result == 1 && !strErr.empty()) __builtin_trap();
    return 0;
}
