// Start-up, shutdown and the keys of the main window.
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QWindow>

#include "platform/AppFolder.h"
#include "runs/PathText.h"
#include "ui/DriveList.h"
#include "ui/FileList.h"
#include "ui/FolderList.h"
#include "ui/Form1.h"
#include "ui/Form3.h"
#include "ui/HelpFile.h"
#include "ui/SettingsStore.h"

namespace kel::ui {

namespace {

const QString kOptions = "Options";

// The "Audit" text as a check state; false when it is no number a check box takes.
bool AuditState(const QString& strText, Qt::CheckState& state) {
    bool ok = false;
    const short value = strText.trimmed().toShort(&ok);
    if (!ok || value < 0 || value > 2) return false;
    state = value == 0 ? Qt::Unchecked : Qt::Checked;
    return true;
}

}  // namespace

void Form1::Form_Load(const QString& strCommandLine) {
    setWindowTitle("Kelvane (KEL) - Block attributes in many drawings, version " KEL_VERSION);
    strAppPath_ = QString::fromStdString(ApplicationFolder());
    InstallHelpFile(strAppPath_);

    const QString strAppDrive = Drive1_->Source().volumeOf ? Drive1_->Source().volumeOf(strAppPath_) : QString();
    Drive1_->SetDrive(GetSetting(kOptions, "Drive", strAppDrive));
    Dir1_->SetPath(GetSetting(kOptions, "Dir", strAppPath_));
    Drive3_->SetDrive(GetSetting(kOptions, "Drive3", strAppDrive));
    Dir3_->SetPath(GetSetting(kOptions, "Dir3", strAppPath_));
    txtDelimiter_->setText(GetSetting(kOptions, "Delimiter", ","));
    Qt::CheckState audit = Qt::Checked;
    if (AuditState(GetSetting(kOptions, "Audit"), audit)) chkAudit_->setCheckState(audit);

    Dir1_Change();
    Dir3_Change();
    Text5_->setText(GetSetting(kOptions, "FExt", "*.dwg"));

    strCommand_ = QString::fromStdString(StripBlanks(strCommandLine.toStdString()));
    if (OpenCommandLineDrawing()) return;
    if (!strCommand_.isEmpty() && strCommand_.compare("/p", Qt::CaseInsensitive) != 0) {
        show();
        // Lets the window appear before the batch holds the event loop.
        QElapsedTimer waited;
        waited.start();
        do {
            QApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 50);
        } while (!(windowHandle() && windowHandle()->isExposed()) && waited.elapsed() < 1000);
        Command5_Click();
    } else {
        Label4_->setText("Welcome to Kelvane! Press the F1 key for help.");
    }
}

bool Form1::OpenCommandLineDrawing() {
    const QFileInfo info(strCommand_);
    const QString strSuffix = info.suffix().toLower();
    if ((strSuffix != "dwg" && strSuffix != "dxf") || !info.isFile()) return false;
    strCommand_.clear();
    SetDrawingFolder(info.absolutePath());
    if (!List2_->Names().contains(info.fileName())) Text5_->setText("*." + info.suffix());
    const QList<QListWidgetItem*> found = List2_->findItems(info.fileName(), Qt::MatchExactly);
    show();
    if (found.isEmpty()) return true;
    List2_->clearSelection();
    List2_->setCurrentItem(found.first());
    found.first()->setSelected(true);
    List2_DblClick();
    return true;
}

void Form1::Form_Unload() {
    SaveSetting(kOptions, "Drive", Drive1_->Drive());
    SaveSetting(kOptions, "Dir", Dir1_->Path());
    SaveSetting(kOptions, "Drive3", Drive3_->Drive());
    SaveSetting(kOptions, "Dir3", Dir3_->Path());
    SaveSetting(kOptions, "Delimiter", txtDelimiter_->text());
    SaveSetting(kOptions, "Audit", chkAudit_->checkState() == Qt::Unchecked ? "0" : "1");
}

void Form1::closeEvent(QCloseEvent* event) {
    // A run in hand is stopped with Cancel first; the window stays until it ends.
    if (blnRunning_) {
        blnCancel_ = true;
        event->ignore();
        return;
    }
    Form_Unload();
    event->accept();
}

void Form1::OpenHelpFile() {
    if (services_.openInEditor) services_.openInEditor(HelpFilePath(strAppPath_));
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    // Every key of this window passes here before the focused control sees it.
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
    if (static_cast<QWidget*>(watched)->window() != this) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers held = key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    if (key->key() == Qt::Key_F1 && held == Qt::NoModifier) {
        OpenHelpFile();
        return true;
    }
    if (key->key() == Qt::Key_Escape) {
        close();
        return true;
    }
    return false;
}

void Form1::Command2_Click() { close(); }

void Form1::Command4_Click() {
    Form3 about(services_, strAppPath_, this);
    about.exec();
}

void Form1::ActivateFromOtherInstance() {
    if (isMinimized()) showNormal();
    show();
    raise();
    activateWindow();
}

}  // namespace kel::ui
