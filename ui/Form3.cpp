#include "ui/Form3.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "ui/AboutLinks.h"
#include "ui/HelpFile.h"

namespace kel::ui {

QString Form3::EmailAddress() { return kAboutEmail; }

QString Form3::WebPage() { return kAboutWebPage; }

Form3::Form3(const FormServices& services, QString strAppPath, QWidget* parent)
    : QDialog(parent), services_(services), strAppPath_(std::move(strAppPath)) {
    setObjectName("Form3");
    setWindowTitle("About KEL");
    setModal(true);

    auto* name = new QLabel("Kelvane (KEL)");
    name->setObjectName("lblName");
    QFont big = name->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    name->setFont(big);

    auto* version = new QLabel("Version " KEL_VERSION);
    version->setObjectName("lblVersion");
    auto* about = new QLabel(
        "Changes block attribute values, such as title block fields, "
        "in many DWG and DXF drawings in one run.");
    about->setObjectName("lblDescription");
    about->setWordWrap(true);

    auto link = [this](const char* objectName, const QString& strHref, const QString& strText) {
        auto* l = new QLabel(QString("<a href=\"%1\">%2</a>").arg(strHref.toHtmlEscaped(), strText.toHtmlEscaped()));
        l->setObjectName(objectName);
        l->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
        connect(l, &QLabel::linkActivated, this, &Form3::OpenLink);
        return l;
    };
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* v = new QVBoxLayout(this);
    v->addWidget(name);
    v->addWidget(version);
    v->addSpacing(6);
    v->addWidget(about);
    v->addSpacing(6);
    v->addWidget(link("lnkEmail", "mailto:" + EmailAddress() + "?subject=KEL", "E-mail: " + EmailAddress()));
    v->addWidget(link("lnkWeb", WebPage(), "Web page: " + WebPage()));
    v->addWidget(link("lnkHelp", "help", "Help file (faq.fil)"));
    v->addSpacing(6);
    v->addWidget(buttons);
    setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('M')) * 34);
}

void Form3::OpenLink(const QString& strLink) {
    if (strLink == "help") {
        if (services_.openInEditor) services_.openInEditor(HelpFilePath(strAppPath_));
    } else if (services_.openUrl) {
        services_.openUrl(QUrl(strLink));
    }
}

}  // namespace kel::ui
