// The main window: the drawing picker, the template picker, the run buttons,
// the delimiter and audit settings and the System Messages line. It is the
// window that the Modify run and the list file batch read from and report to.
#pragma once

#include <QWidget>
#include <memory>

#include "runs/RunOptions.h"
#include "runs/RunWindow.h"
#include "ui/FormServices.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kel::ui {

class DriveList;
class FileList;
class FolderList;
class QtUserMessages;

class Form1 : public QWidget, public IModifyWindow, public IBatchWindow {
    Q_OBJECT
public:
    explicit Form1(FormServices services, QWidget* parent = nullptr);
    ~Form1() override;

    // Start-up: caption, settings, both lists, then the welcome text or, for a
    // command line other than "" and "/p", the list file batch on that file.
    void Form_Load(const QString& strCommandLine);

    QString AppPath() const { return strAppPath_; }
    QString CommandText() const { return strCommand_; }
    int LastIndex() const { return intLastIndex_; }

    // The drawing picker, for the screens that fill it.
    DriveList* Drive1() const { return Drive1_; }
    FolderList* Dir1() const { return Dir1_; }
    QLineEdit* Text5() const { return Text5_; }
    FileList* List2() const { return List2_; }
    bool SetDrawingDrive(const QString& strDrive);
    bool SetDrawingFolder(const QString& strFolder);
    void SetDrawingPattern(const QString& strPattern);
    // Full path of a List2 entry.
    QString DrawingPath(int row) const;
    const FormServices& Services() const { return services_; }
    IUserMessages* Messages() const;

    // IStatusLine, IModifyWindow and IBatchWindow.
    void SetMessage(const std::string& strText) override;
    void RepaintMessage() override;
    void SetBusy(bool blnBusy) override;
    // Lets the Cancel button be pressed while a run goes on.
    bool CancelRequested() override;
    // Keeps a preview's changes.
    void DrawingChanged(const std::string& strDrawing, const std::vector<AttributeChange>& changes) override;
    void UnselectDrawings() override;
    void DisableModify() override;
    void ClearCommandLine() override;
    std::string OpenFileDialog(const std::string& strFilter, const std::string& strTitle,
                               const std::string& strInitialFolder) override;
    void Beep() override;

    // The inputs of the runs, read from the controls.
    std::string TemplateFolder() const;
    std::string TemplateName() const;
    std::string DrawingFolder() const;
    // The selected drawings of List2, as full paths.
    std::vector<std::string> SelectedDrawings() const;
    std::string Delimiter() const;
    bool AuditOn() const;
    // The options of a Modify run and of a list file batch; the settings of
    // section "Options" add "Jobs" (drawings at once, default: the cores) and
    // "LogScans" ("1": wildcard entries of a list file write the logs too).
    RunOptions ModifyOptions() const;
    RunOptions BatchOptions() const;

public slots:
    void Drive1_Change();
    void Dir1_Change();
    void Text5_Change();
    void List2_Click();
    // The attribute viewer on the current drawing.
    void List2_DblClick();
    // The current drawing's attributes written to a spreadsheet (XLSX or CSV)
    // the user names; the outcome shows on the message line.
    void mnuExportAttributes_Click();
    void Command13_Click();
    void Command14_Click();
    // The File Specifications screen, modal.
    void Command9_Click();
    void Drive3_Change();
    void Dir3_Change();
    void List1_Click();
    void List1_DblClick();
    void Command15_Click();
    // A dry run of the Modify run, shown in the Preview window, from which the
    // real run can be started.
    void cmdPreview_Click();
    // Puts back the drawings of the last run of the journal, after asking.
    void mnuUndoLast_Click();
    void Command5_Click();
    void Command4_Click();
    void Command2_Click();
    // Another instance was started: come to the front.
    void ActivateFromOtherInstance();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void ConnectControls();
    QWidget* BuildDrawingFrame();
    QWidget* BuildTemplateFrame();
    void DriveChange(DriveList& drive, FolderList& dir);
    void ApplyModifyRule();
    void SetHorizontalExtent(FileList& list);
    void OpenHelpFile();
    // A drawing named on the command line (a file manager opening a .dwg or
    // .dxf with KEL) is listed, selected and its attributes are shown; false
    // for anything else, which Form_Load runs as a list file as before.
    bool OpenCommandLineDrawing();
    void Form_Unload();

    FormServices services_;
    std::unique_ptr<QtUserMessages> ownMessages_;
    QString strAppPath_;
    QString strCommand_;
    int intLastIndex_ = 0;
    bool blnQuiet_ = false;
    bool blnBusy_ = false;
    bool blnRunning_ = false;
    bool blnCancel_ = false;
    bool blnPreviewing_ = false;
    std::vector<std::pair<std::string, AttributeChange>> previewRows_;

    QGroupBox* Frame1_ = nullptr;
    DriveList* Drive1_ = nullptr;
    FolderList* Dir1_ = nullptr;
    QLabel* Label3_ = nullptr;
    QLineEdit* Text5_ = nullptr;
    QPushButton* Command9_ = nullptr;
    FileList* List2_ = nullptr;
    QLabel* Label2_ = nullptr;
    QPushButton* Command13_ = nullptr;
    QLabel* Label12_ = nullptr;
    QPushButton* Command14_ = nullptr;
    QGroupBox* Frame4_ = nullptr;
    DriveList* Drive3_ = nullptr;
    FolderList* Dir3_ = nullptr;
    QLabel* Label5_ = nullptr;
    FileList* List1_ = nullptr;
    QLabel* Label6_ = nullptr;
    QPushButton* Command15_ = nullptr;
    QPushButton* cmdPreview_ = nullptr;
    QPushButton* Command5_ = nullptr;
    QPushButton* Command4_ = nullptr;
    QPushButton* Command2_ = nullptr;
    QLabel* Label1_ = nullptr;
    QLineEdit* txtDelimiter_ = nullptr;
    QCheckBox* chkAudit_ = nullptr;
    QGroupBox* Frame5_ = nullptr;
    QLabel* Label4_ = nullptr;
    QPushButton* cmdCancel_ = nullptr;
};

}  // namespace kel::ui
