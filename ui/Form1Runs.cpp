// The main window as the runs see it, and the two buttons that start them.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "runs/ListBatch.h"
#include "runs/ModifyRun.h"
#include "ui/FileList.h"
#include "ui/FolderList.h"
#include "ui/Form1.h"
#include "ui/SettingsStore.h"

namespace kel::ui {

namespace {

std::string Native(const QString& strPath) { return QDir::toNativeSeparators(strPath).toStdString(); }

}  // namespace

void Form1::SetMessage(const std::string& strText) { Label4_->setText(QString::fromStdString(strText)); }

void Form1::RepaintMessage() { Label4_->repaint(); }

void Form1::SetBusy(bool blnBusy) {
    if (blnBusy == blnBusy_) return;
    blnBusy_ = blnBusy;
    if (blnBusy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

std::string Form1::TemplateFolder() { return Native(Dir3_->Path()); }

std::string Form1::TemplateName() {
    const QList<QListWidgetItem*> chosen = List1_->selectedItems();
    return chosen.isEmpty() ? std::string() : chosen.first()->text().toStdString();
}

std::string Form1::DrawingFolder() { return Native(Dir1_->Path()); }

std::vector<DrawingItem> Form1::Drawings() {
    std::vector<DrawingItem> items;
    items.reserve(static_cast<std::size_t>(List2_->count()));
    for (int i = 0; i < List2_->count(); ++i) {
        const QListWidgetItem* it = List2_->item(i);
        items.push_back(DrawingItem{it->text().toStdString(), it->isSelected(), std::nullopt});
    }
    return items;
}

std::string Form1::Delimiter() { return txtDelimiter_->text().toStdString(); }

bool Form1::AuditOn() { return chkAudit_->checkState() != Qt::Unchecked; }

void Form1::UnselectDrawings() {
    blnQuiet_ = true;
    List2_->clearSelection();
    blnQuiet_ = false;
    // The selection count and the details of a selected drawing go with it.
    Label12_->clear();
    Label2_->clear();
}

void Form1::DisableModify() { Command15_->setEnabled(false); }

std::string Form1::CommandLine() { return strCommand_.toStdString(); }

void Form1::ClearCommandLine() { strCommand_.clear(); }

std::string Form1::OpenFileDialog(const std::string& strFilter, const std::string& strTitle,
                                  const std::string& strInitialFolder) {
    if (!services_.openFileDialog) return {};
    const QString strChosen =
        services_.openFileDialog(this, QtFileFilter(QString::fromStdString(strFilter)),
                                 QString::fromStdString(strTitle), QString::fromStdString(strInitialFolder));
    return Native(strChosen);
}

void Form1::Beep() {
    if (services_.beep) services_.beep();
}

bool Form1::LogScans() { return GetSetting("Options", "LogScans", "0") == "1"; }

void Form1::Command15_Click() {
    RunModify(*this, services_.factory, Messages());
    SetBusy(false);
}

void Form1::Command5_Click() {
    const BatchResult result = RunListBatch(*this, services_.factory, Messages());
    SetBusy(false);
    if (result.outcome == BatchResult::Outcome::EndLine && services_.endProgram) services_.endProgram(0);
}

}  // namespace kel::ui
