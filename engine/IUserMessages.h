// Where the engine sends the few message boxes it shows: the window implements
// it with a real message box, the command line prints the text.
#pragma once

#include <string>

namespace kel {

enum class MessageIcon { Information, Exclamation, Critical, Question };

class IUserMessages {
public:
    virtual ~IUserMessages() = default;
    virtual void ShowMessage(const std::string& strTitle, const std::string& strText, MessageIcon icon) = 0;
};

// Writes "title: text" to standard error.
class StderrMessages : public IUserMessages {
public:
    void ShowMessage(const std::string& strTitle, const std::string& strText, MessageIcon icon) override;
};

}  // namespace kel
