// The About box: name, version, one line about the program, and links to
// write an e-mail, visit the project's web page and read the help file.
#pragma once

#include <QDialog>

#include "ui/FormServices.h"

class QLabel;

namespace kel::ui {

class Form3 : public QDialog {
    Q_OBJECT
public:
    Form3(const FormServices& services, QString strAppPath, QWidget* parent = nullptr);

    static QString EmailAddress();
    static QString WebPage();

    // Follows one of the box's links ("mailto:...", the web page, or "help").
    void OpenLink(const QString& strLink);

private:
    const FormServices& services_;
    QString strAppPath_;
};

}  // namespace kel::ui
