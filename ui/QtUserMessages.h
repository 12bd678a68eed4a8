// Message boxes of the engine and the window, shown with QMessageBox.
#pragma once

#include "engine/IUserMessages.h"

class QWidget;

namespace kel::ui {

class QtUserMessages : public IUserMessages {
public:
    explicit QtUserMessages(QWidget* owner = nullptr) : owner_(owner) {}
    void ShowMessage(const std::string& strTitle, const std::string& strText, MessageIcon icon) override;
    void SetOwner(QWidget* owner) { owner_ = owner; }

private:
    QWidget* owner_;
};

}  // namespace kel::ui
