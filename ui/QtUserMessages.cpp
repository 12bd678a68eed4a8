#include "ui/QtUserMessages.h"

#include <QMessageBox>

namespace kel::ui {

void QtUserMessages::ShowMessage(const std::string& strTitle, const std::string& strText, MessageIcon icon) {
    QMessageBox::Icon qicon = QMessageBox::Information;
    switch (icon) {
        case MessageIcon::Information:
            qicon = QMessageBox::Information;
            break;
        case MessageIcon::Exclamation:
            qicon = QMessageBox::Warning;
            break;
        case MessageIcon::Critical:
            qicon = QMessageBox::Critical;
            break;
        case MessageIcon::Question:
            qicon = QMessageBox::Question;
            break;
    }
    QMessageBox box(qicon, QString::fromStdString(strTitle), QString::fromStdString(strText), QMessageBox::Ok, owner_);
    box.exec();
}

}  // namespace kel::ui
