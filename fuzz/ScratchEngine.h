// An engine object for harnesses that exercise its file operations alone: no
// drawing component, messages dropped, the scratch folder as its application folder.
#pragma once

#include <string>

#include "engine/cAutoCAD.h"
#include "fuzz/FuzzFiles.h"

namespace kel::fuzz {

class SilentMessages : public IUserMessages {
public:
    void ShowMessage(const std::string&, const std::string&, MessageIcon) override {}
};

struct ScratchEngine {
    SilentMessages messages;
    cAutoCAD engine{[](ComponentCreationError&) { return nullptr; }, &messages, Scratch().Folder()};
};

}  // namespace kel::fuzz
