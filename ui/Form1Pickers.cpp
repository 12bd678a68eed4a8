// The two pickers of the main window: refilling the lists, counts and file
// details, Select All / Unselect All, the rule that enables the Modify button,
// drive changes and opening a template in the text editor.
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ui/DriveList.h"
#include "ui/FileList.h"
#include "ui/FolderList.h"
#include "ui/Form1.h"

namespace kel::ui {

namespace {

QString PathIn(const FolderList& dir, const QString& strName) {
    return QDir::toNativeSeparators(QDir(dir.Path()).filePath(strName));
}

QString Count(int n, const char* suffix) { return QString::number(n) + suffix; }

}  // namespace

void Form1::SetHorizontalExtent(FileList& list) { list.SetHorizontalExtent(HorizontalExtentFor(list.Names(), font())); }

void Form1::ApplyModifyRule() {
    const bool ready = List1_->SelectedCount() > 0 && List2_->SelectedCount() > 0;
    Command15_->setEnabled(ready);
    cmdPreview_->setEnabled(ready);
}

void Form1::Dir1_Change() {
    blnQuiet_ = true;
    List2_->SetNames(MatchingFiles(Dir1_->Path(), Text5_->text()));
    blnQuiet_ = false;
    Label2_->clear();
    Label4_->clear();
    Label12_->clear();
    Command15_->setEnabled(false);
    cmdPreview_->setEnabled(false);
    const int n = List2_->count();
    if (n > 0) {
        SetHorizontalExtent(*List2_);
        Label3_->setText(Count(n, " files"));
        Command13_->setEnabled(true);
        Command14_->setEnabled(true);
        List2_->setToolTip(" Double-click on file to view block attributes ");
    } else {
        List2_->setToolTip({});
        Command13_->setEnabled(false);
        Command14_->setEnabled(false);
        Label3_->clear();
    }
}

void Form1::Text5_Change() { Dir1_Change(); }

void Form1::Dir3_Change() {
    blnQuiet_ = true;
    List1_->SetNames(MatchingFiles(Dir3_->Path(), "*.txt"));
    blnQuiet_ = false;
    const int n = List1_->count();
    if (n > 0) {
        SetHorizontalExtent(*List1_);
        List1_->setToolTip(" Double-click on file to open in Notepad ");
        Label5_->setText(Count(n, " files"));
    } else {
        List1_->setToolTip({});
        Label5_->clear();
    }
    Label6_->clear();
    Command15_->setEnabled(false);
    cmdPreview_->setEnabled(false);
}

void Form1::List2_Click() {
    const int sel = List2_->SelectedCount();
    const QListWidgetItem* current = List2_->currentItem();
    const int index = List2_->currentRow();
    Label2_->setText(current && current->isSelected() ? FileDetailsText(PathIn(*Dir1_, current->text())) : QString());
    if (index != intLastIndex_) Label4_->clear();
    ApplyModifyRule();
    Label12_->setText(sel != 0 ? Count(sel, " sel") : QString());
    intLastIndex_ = index;
}

void Form1::List1_Click() {
    ApplyModifyRule();
    const QList<QListWidgetItem*> chosen = List1_->selectedItems();
    Label6_->setText(chosen.isEmpty() ? QString() : FileDetailsText(PathIn(*Dir3_, chosen.first()->text())));
}

void Form1::List1_DblClick() {
    const QList<QListWidgetItem*> chosen = List1_->selectedItems();
    if (chosen.isEmpty() || !services_.openInEditor) return;
    services_.openInEditor(PathIn(*Dir3_, chosen.first()->text()));
}

void Form1::Command13_Click() {
    blnQuiet_ = true;
    List2_->selectAll();
    blnQuiet_ = false;
    const int n = List2_->count();
    ApplyModifyRule();
    Label12_->setText(Count(n, " sel"));
    Label4_->setText(Count(n, " drawing(s) selected."));
}

void Form1::Command14_Click() {
    blnQuiet_ = true;
    List2_->clearSelection();
    blnQuiet_ = false;
    const int n = List2_->count();
    Label4_->setText(Count(n, " drawing(s) unselected."));
    Label12_->clear();
    Command15_->setEnabled(false);
    cmdPreview_->setEnabled(false);
}

void Form1::Drive1_Change() { DriveChange(*Drive1_, *Dir1_); }

void Form1::Drive3_Change() { DriveChange(*Drive3_, *Dir3_); }

void Form1::DriveChange(DriveList& drive, FolderList& dir) {
    const QString strRoot = drive.Drive();
    int error = drive.Source().probe ? drive.Source().probe(strRoot) : 0;
    if (error == 0 && !dir.SetPath(DriveList::CurrentFolderOf(strRoot))) error = kPathNotFound;
    if (error == 0) return;
    Beep();
    if (error == kDeviceUnavailable || error == kDiskNotReady) {
        Messages()->ShowMessage("KEL", "Error " + std::to_string(error) + ":  No Floppy in the Drive!",
                                MessageIcon::Exclamation);
        // Falls back to the system volume; its own change handling runs.
        const QString strFallback = QDir::rootPath();
        if (strRoot != strFallback) {
            drive.SetDrive(strFallback);
            return;
        }
    } else {
        Messages()->ShowMessage("KEL",
                                "Error " + std::to_string(error) + ": " + DriveErrorDescription(error).toStdString(),
                                MessageIcon::Exclamation);
    }
    // The list goes back to the volume that the folder list still shows.
    drive.ShowVolumeOf(dir.Path());
}

}  // namespace kel::ui
