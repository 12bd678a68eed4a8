#include "engine/HtmlText.h"

namespace kel {

std::string EscapeHtml(const std::string& strText) {
    std::string out;
    out.reserve(strText.size());
    for (const char c : strText) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c; break;
        }
    }
    return out;
}

}  // namespace kel
