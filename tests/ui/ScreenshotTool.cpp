// Renders the main window in its typical states and the About box to PNG files
// in the folder given as the first argument (scripts/screenshots.sh).
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <QDialog>
#include <QTimer>

#include "UiTestSupport.h"
#include "ui/FolderList.h"
#include "ui/SettingsStore.h"

using namespace kel;
using namespace kel::uitest;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        qWarning("usage: kel_ui_screenshots OUTPUT-FOLDER");
        return 2;
    }
    const QString strOut = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(strOut);
    UiSandbox box;
    for (const char* f : {"title-r12.dxf", "title-r12-bin.dxf", "title-r2000.dxf", "title-r2000-bin.dxf",
                          "title-r2018.dxf", "title-r2018-bin.dxf", "title-block.txt"}) {
        box.CopyExample(f, "samples");
    }
    box.Write("samples/a rather long template file name for the extent.txt", "notes only\n");
    Store("Dir", box.Path("samples"));
    Store("Dir3", box.Path("samples"));
    Store("FExt", "*.dxf");
    ui::FormServices services = box.Services();
    services.drives = ui::MountedVolumes();
    // The Preview window is photographed while it is up, then closed.
    services.execDialog = [&strOut](QDialog& dialog) {
        dialog.show();
        if (!QTest::qWaitForWindowExposed(&dialog)) qWarning("the preview did not show");
        QTest::qWait(200);
        if (!dialog.grab().save(strOut + "/7-preview.png")) qWarning("cannot write 7-preview.png");
        return static_cast<int>(QDialog::Rejected);
    };
    ui::Form1 form(services);
    form.Form_Load("");
    form.show();
    if (!QTest::qWaitForWindowExposed(&form)) return 1;
    auto save = [&](QWidget& w, const char* name) {
        QTest::qWait(200);
        if (!w.grab().save(strOut + "/" + name)) qWarning("cannot write %s", name);
    };
    save(form, "1-main-empty.png");

    auto* templates = Child<QListWidget>(form, "List1");
    ClickRow(templates, static_cast<int>(Texts(templates).indexOf("title-block.txt")));
    for (int row : {0, 2, 3}) ClickRow(form.List2(), row);
    save(form, "2-main-selected.png");
    // The drawing list's context menu: the viewer and the export.
    {
        QMenu menu;
        menu.addActions(form.List2()->actions());
        menu.popup(form.List2()->mapToGlobal(form.List2()->visualItemRect(form.List2()->item(2)).center()));
        if (QTest::qWaitForWindowExposed(&menu)) {
            QTest::qWait(200);
            QPixmap shot = form.grab();
            QPainter painter(&shot);
            painter.drawPixmap(form.mapFromGlobal(menu.pos()), menu.grab());
            painter.end();
            if (!shot.save(strOut + "/8-export-menu.png")) qWarning("cannot write 8-export-menu.png");
        }
        menu.close();
    }
    Child<QPushButton>(form, "cmdPreview")->click();

    Child<QPushButton>(form, "Command15")->click();
    save(form, "3-main-after-run.png");

    form.SetMessage("Processing " + box.Path("samples").toStdString() +
                    "/projects/2026/tower-east/architecture/sheets/issued-for-construction/"
                    "A-101-ground-floor-plan-with-furniture-layout-and-finishes.dwg...");
    save(form, "4-long-message.png");

    QTimer::singleShot(300, [&] {
        if (QWidget* about = QApplication::activeModalWidget()) {
            save(*about, "5-about.png");
            about->close();
        }
    });
    Child<QPushButton>(form, "Command4")->click();

    const QStringList specs{"*.dwg", box.Path("samples") + "/title-r2018*.dxf", "/srv/plans/2026/tower-east/A-1*.dwg"};
    for (int i = 0; i < specs.size(); ++i) ui::SaveSetting("FSpec", QString::number(i) + "Dir", specs[i]);
    QTimer::singleShot(300, [&] {
        if (QWidget* screen = QApplication::activeModalWidget()) {
            Child<QListWidget>(*screen, "List1")->setCurrentRow(1);
            save(*screen, "6-file-specs.png");
            screen->close();
        }
    });
    Child<QPushButton>(form, "Command9")->click();
    return 0;
}
