// One change GetAttributes made (or, in a dry run, would make) to an attribute.
#pragma once

#include <string>

namespace kel {

struct AttributeChange {
    std::string layout;
    std::string block;
    std::string handle;
    std::string tag;
    std::string oldValue;
    std::string newValue;  // "" for a deleted attribute
    std::string action;    // "set", "replace", "clear" or "delete"
};

}  // namespace kel
