#include "engine/IUserMessages.h"

#include <iostream>

namespace kel {

void StderrMessages::ShowMessage(const std::string& strTitle, const std::string& strText, MessageIcon) {
    // Message texts break lines with CR LF; a terminal wants LF alone.
    std::string text;
    text.reserve(strText.size());
    for (std::size_t i = 0; i < strText.size(); ++i) {
        if (strText[i] == '\r' && i + 1 < strText.size() && strText[i + 1] == '\n') continue;
        text.push_back(strText[i]);
    }
    std::cerr << strTitle << ": " << text << std::endl;
}

}  // namespace kel
