// The attribute viewer behind a double-click on a drawing of the main window:
// the window's message line, pointer and beep as the viewer sees them, and the
// page handed to the desktop's URL handler of the window's services.
#include <QDesktopServices>
#include <QDir>
#include <QUrl>

#include "runs/AttributeViewer.h"
#include "ui/FileList.h"
#include "ui/FolderList.h"
#include "ui/Form1.h"

namespace kel::ui {

namespace {

class ViewerWindow : public IViewerWindow {
public:
    explicit ViewerWindow(Form1& form) : form_(form) {}
    void SetMessage(const std::string& strText) override { form_.SetMessage(strText); }
    void RepaintMessage() override { form_.RepaintMessage(); }
    void SetBusy(bool blnBusy) override { form_.SetBusy(blnBusy); }
    void Beep() override { form_.Beep(); }

private:
    Form1& form_;
};

// Opens the page with the program the desktop associates with it.
class UrlPageLauncher : public IPageLauncher {
public:
    explicit UrlPageLauncher(const std::function<bool(const QUrl&)>& openUrl) : openUrl_(openUrl) {}
    bool OpenDocument(const std::string& strFile) override {
        const QUrl url = QUrl::fromLocalFile(QString::fromStdString(strFile));
        return openUrl_ ? openUrl_(url) : QDesktopServices::openUrl(url);
    }

private:
    const std::function<bool(const QUrl&)>& openUrl_;
};

}  // namespace

void Form1::List2_DblClick() {
    const QListWidgetItem* item = List2_->currentItem();
    if (!item) return;
    ViewerWindow window(*this);
    UrlPageLauncher launcher(services_.openUrl);
    AttributeViewer viewer(strAppPath_.toStdString(), window, *Messages(), launcher, services_.factory);
    viewer.View(QDir::toNativeSeparators(Dir1_->Path()).toStdString(), item->text().toStdString());
}

}  // namespace kel::ui
