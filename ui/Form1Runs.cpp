// The main window as the runs see it, and the two buttons that start them.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>

#include "runs/ListBatch.h"
#include "runs/ModifyRun.h"
#include "ui/FileList.h"
#include "ui/FolderList.h"
#include "ui/Form1.h"
#include "runs/PathText.h"
#include "runs/RunJournal.h"
#include "ui/Form5.h"
#include "ui/SettingsStore.h"

namespace kel::ui {

namespace {

std::string Native(const QString& strPath) { return QDir::toNativeSeparators(strPath).toStdString(); }

// Shows Cancel for the length of a run; a run started within a run is refused.
class RunScope {
public:
    RunScope(bool& running, bool& cancel, QPushButton* button) : running_(running), button_(button) {
        ok_ = !running_;
        if (!ok_) return;
        running_ = true;
        cancel = false;
        button_->show();
    }
    ~RunScope() {
        if (!ok_) return;
        running_ = false;
        button_->hide();
    }
    bool Ok() const { return ok_; }

private:
    bool& running_;
    QPushButton* button_;
    bool ok_ = false;
};


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

bool Form1::CancelRequested() {
    // The run holds the event loop: let a press of Cancel through.
    QApplication::processEvents(QEventLoop::AllEvents, 20);
    return blnCancel_;
}

std::string Form1::TemplateFolder() const { return Native(Dir3_->Path()); }

std::string Form1::TemplateName() const {
    const QList<QListWidgetItem*> chosen = List1_->selectedItems();
    return chosen.isEmpty() ? std::string() : chosen.first()->text().toStdString();
}

std::string Form1::DrawingFolder() const { return Native(Dir1_->Path()); }

std::vector<std::string> Form1::SelectedDrawings() const {
    std::vector<std::string> paths;
    const std::string strFolder = DrawingFolder();
    for (int i = 0; i < List2_->count(); ++i) {
        const QListWidgetItem* it = List2_->item(i);
        if (it->isSelected()) paths.push_back(JoinPath(strFolder, it->text().toStdString()));
    }
    return paths;
}

std::string Form1::Delimiter() const { return txtDelimiter_->text().toStdString(); }

bool Form1::AuditOn() const { return chkAudit_->checkState() != Qt::Unchecked; }

namespace {

void ApplySettings(RunOptions& options) {
    bool ok = false;
    const int jobs = GetSetting("Options", "Jobs").toInt(&ok);
    options.intJobs = ok && jobs >= 1 && jobs <= 256 ? jobs : DefaultJobs();
    options.blnLogScans = GetSetting("Options", "LogScans", "0") == "1";
}

}  // namespace

RunOptions Form1::ModifyOptions() const {
    RunOptions options;
    options.strTemplate = JoinPath(TemplateFolder(), TemplateName());
    options.drawings = SelectedDrawings();
    options.strDelimiter = Delimiter();
    options.blnAudit = AuditOn();
    ApplySettings(options);
    return options;
}

RunOptions Form1::BatchOptions() const {
    RunOptions options;
    options.strListFile = strCommand_.toStdString();
    options.strDelimiter = Delimiter();
    options.blnAudit = AuditOn();
    ApplySettings(options);
    return options;
}

void Form1::UnselectDrawings() {
    blnQuiet_ = true;
    List2_->clearSelection();
    blnQuiet_ = false;
    // The selection count and the details of a selected drawing go with it.
    Label12_->clear();
    Label2_->clear();
}

void Form1::DisableModify() {
    Command15_->setEnabled(false);
    cmdPreview_->setEnabled(false);
}

void Form1::DrawingChanged(const std::string& strDrawing, const std::vector<AttributeChange>& changes) {
    if (!blnPreviewing_) return;
    for (const AttributeChange& c : changes) previewRows_.emplace_back(strDrawing, c);
}

void Form1::cmdPreview_Click() {
    std::vector<PreviewRow> rows;
    {
        const RunScope scope(blnRunning_, blnCancel_, cmdCancel_);
        if (!scope.Ok()) return;
        RunOptions options = ModifyOptions();
        options.blnDryRun = true;
        previewRows_.clear();
        blnPreviewing_ = true;
        RunModify(options, *this, services_.factory, Messages());
        blnPreviewing_ = false;
        SetBusy(false);
        for (auto& [drawing, change] : previewRows_) rows.push_back(PreviewRow{QString::fromStdString(drawing), change});
        previewRows_.clear();
    }
    Form5 preview(rows, Label4_->text(), this);
    const int result = services_.execDialog ? services_.execDialog(preview) : preview.exec();
    if (result == QDialog::Accepted) Command15_Click();
}

void Form1::mnuUndoLast_Click() {
    const std::vector<JournalRun> runs = ListJournalRuns();
    if (runs.empty()) {
        SetMessage("No run to undo: the journal is empty.");
        return;
    }
    const JournalRun& run = runs.back();
    QString text = "Put back the drawings the run of " + QString::fromStdString(run.strTime) + " (" +
                   QString::fromStdString(run.strTemplate) + ") changed?\n";
    int listed = 0;
    for (auto e = run.entries.rbegin(); e != run.entries.rend() && listed < 20; ++e, ++listed) {
        text += "\n" + QString::fromStdString(e->strPath);
    }
    if (run.entries.size() > 20) text += "\n... and " + QString::number(run.entries.size() - 20) + " more";
    text += "\n\nDrawings changed since that run are left as they are.";
    const bool yes = services_.confirm ? services_.confirm(this, "KEL", text)
                                       : QMessageBox::question(this, "KEL", text) == QMessageBox::Yes;
    if (!yes) return;
    std::vector<UndoItem> items;
    std::string strUndoId, strErr;
    if (!UndoRun(run.strId, false, items, strUndoId, strErr)) {
        SetMessage("Unable to undo the last run: " + strErr + ".");
        return;
    }
    const auto restored = std::count_if(items.begin(), items.end(), [](const UndoItem& i) { return i.blnRestored; });
    SetMessage(std::to_string(restored) + " drawing(s) restored, " + std::to_string(items.size() - restored) +
               " left as they are (changed since the run).");
}

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


void Form1::Command15_Click() {
    const RunScope scope(blnRunning_, blnCancel_, cmdCancel_);
    if (!scope.Ok()) return;
    RunModify(ModifyOptions(), *this, services_.factory, Messages());
    SetBusy(false);
}

void Form1::Command5_Click() {
    BatchResult result;
    {
        const RunScope scope(blnRunning_, blnCancel_, cmdCancel_);
        if (!scope.Ok()) return;
        result = RunListBatch(BatchOptions(), *this, services_.factory, Messages());
        SetBusy(false);
    }
    if (result.outcome == BatchResult::Outcome::EndLine && services_.endProgram) services_.endProgram(0);
}

}  // namespace kel::ui
