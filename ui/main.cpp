// The window program: one instance per user, the main window, and a command
// line that names a drawing list file to run at start.
#include <QApplication>
#include <QLocale>
#include <QStringList>

#include "platform/HeapReuse.h"
#include "runs/RunFormats.h"
#include "ui/Form1.h"
#include "ui/FormServices.h"
#include "ui/QtUserMessages.h"
#include "ui/SingleInstance.h"

int main(int argc, char** argv) {
    kel::KeepLargeBuffersForReuse();
    QApplication app(argc, argv);
    QApplication::setApplicationName("KEL");
    QApplication::setOrganizationName("KEL");

    const QLocale locale;
    kel::SetNumberSeparators({locale.groupSeparator().toStdString(), locale.decimalPoint().toStdString()});

    kel::ui::FormServices services = kel::ui::DesktopServices();
    kel::ui::SingleInstance instance(kel::ui::DefaultInstanceName());
    if (!kel::ui::StartAsOnlyInstance(instance, services)) return 0;

    kel::ui::Form1 form(services);
    static_cast<kel::ui::QtUserMessages*>(services.messages)->SetOwner(&form);
    QObject::connect(&instance, &kel::ui::SingleInstance::activationRequested, &form,
                     &kel::ui::Form1::ActivateFromOtherInstance);
    form.Form_Load(QApplication::arguments().mid(1).join(' '));
    form.show();
    return QApplication::exec();
}
