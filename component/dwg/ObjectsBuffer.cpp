#include "component/dwg/ObjectsBuffer.h"

#include <algorithm>

namespace kel::dwg {

std::string_view ObjectsBuffer::Old() const {
    return rewritten ? std::string_view(old) : std::string_view(data).substr(0, std::min(oldSize, data.size()));
}

void ObjectsBuffer::Restore() {
    if (rewritten) {
        data = std::move(old);
        old = std::string();
        rewritten = false;
    } else {
        data.resize(oldSize);
    }
}

}  // namespace kel::dwg
