// The viewer's export: the attributes of the drawing the viewer would show,
// written as an XLSX or CSV sheet, the same sheet kel-batch --export writes.
#include <QDir>
#include <QFileInfo>
#include <QListWidget>

#include "runs/SheetExport.h"
#include "ui/FileList.h"
#include "ui/FolderList.h"
#include "ui/Form1.h"
#if KEL_HAVE_SHEETS
#include "sheets/SheetFile.h"
#endif

namespace kel::ui {

void Form1::mnuExportAttributes_Click() {
#if KEL_HAVE_SHEETS
    const QListWidgetItem* item = List2_->currentItem();
    if (!item) {
        SetMessage("Pick a drawing first: its attributes are exported.");
        return;
    }
    const QString strDrawing = QDir::toNativeSeparators(Dir1_->Path() + "/" + item->text());
    const QString strSuggested = QFileInfo(strDrawing).dir().filePath(QFileInfo(strDrawing).completeBaseName() + ".xlsx");
    const QString strFilter = "Excel workbook (*.xlsx);;CSV, UTF-8 (*.csv)";
    const QString strSheet = services_.saveFileDialog
                                 ? services_.saveFileDialog(this, strFilter, "Export attributes", strSuggested)
                                 : QString();
    if (strSheet.isEmpty()) return;
    if (sheets::FormatOfFile(strSheet.toStdString()) == sheets::SheetFormat::Unknown) {
        Beep();
        SetMessage("The sheet's name must end in .xlsx or .csv.");
        return;
    }
    SetBusy(true);
    const SheetExportResult result =
        ExportAttributeSheet({strDrawing.toStdString()}, services_.factory, Messages(), strAppPath_.toStdString());
    std::string strErr = !result.strError.empty() ? result.strError
                         : !result.failures.empty() ? result.failures.front()
                                                    : std::string();
    if (strErr.empty()) sheets::WriteSheetFile(strSheet.toStdString(), result.sheet, strErr);
    SetBusy(false);
    if (!strErr.empty()) {
        Beep();
        SetMessage(strErr);
        return;
    }
    SetMessage("Exported " + std::to_string(result.sheet.rows.size() - 1) + " insert(s) of " +
               item->text().toUpper().toStdString() + " to " + QDir::toNativeSeparators(strSheet).toStdString() + ".");
#endif
}

}  // namespace kel::ui
