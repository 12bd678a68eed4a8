// The Modify and File buttons driving the real runs on sample drawings.
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QAction>
#include <QDialog>
#include <QTableWidget>

#include <functional>

#include "UiTestSupport.h"
#include "component/DrawingComponent.h"
#include "ui/FolderList.h"
#include "ui/SettingsStore.h"

using namespace kel;
using namespace kel::uitest;

namespace {

// The real component, calling back at every open.
class ObservingComponent : public DrawingComponent {
public:
    explicit ObservingComponent(std::function<void()> onOpen) : onOpen_(std::move(onOpen)) {}
    std::int32_t OpenFile(std::int32_t& h, const std::string& p, const std::string& pw) override {
        onOpen_();
        return DrawingComponent::OpenFile(h, p, pw);
    }

private:
    std::function<void()> onOpen_;
};

const char* kTemplate = "title-block.txt";
const QRegularExpression kSummary(R"(^Attributes for (\d+) file\(s\) modified in \d+\.\d\d second\(s\)\.$)");

}  // namespace

class RunsTest : public FormTest {
    Q_OBJECT
    int SummaryCount() {
        const auto m = kSummary.match(Message());
        return m.hasMatch() ? m.captured(1).toInt() : -1;
    }
    // Drawings in dwg/, the sample template in tpl/, both pickers pointed there.
    void Prepare(const QStringList& drawings, const QByteArray& templateText = {}) {
        for (const QString& d : drawings) box->CopyExample(d, "dwg");
        templateText.isEmpty() ? box->CopyExample(kTemplate, "tpl") : box->Write(QString("tpl/") + kTemplate, templateText);
        form->SetDrawingPattern("*.dxf");
        QVERIFY(form->SetDrawingFolder(box->Path("dwg")));
        QVERIFY(Child<ui::FolderList>(*form, "Dir3")->SetPath(box->Path("tpl")));
        Child<QLineEdit>(*form, "txtDelimiter")->setText(",");
        ClickRow(List("List1"), 0);
    }

private slots:
    void modifyRunChangesTheSelectedDrawingsAndResetsTheWindow() {
        Prepare({"title-r12.dxf", "title-r2000.dxf", "title-r2018.dxf"});
        Child<QCheckBox>(*form, "chkAudit")->setChecked(false);
        QFile::setPermissions(box->Path("dwg/title-r2018.dxf"), QFile::ReadOwner);  // unselected: never touched
        box->Write("home/err.log", "left by an earlier run\r\n");
        ClickRow(List("List2"), 0);
        ClickRow(List("List2"), 1);
        QTest::mouseClick(Button("Command15"), Qt::LeftButton);
        QCOMPARE(SummaryCount(), 2);
        for (const char* d : {"dwg/title-r12.dxf", "dwg/title-r2000.dxf", "dwg/title-r2018.dxf"}) {
            QVERIFY2(ReadText(box->Path(d)).contains("2026-12-06") == !QString(d).contains("2018"), d);
        }
        QVERIFY(!QFile::exists(box->Home() + "/err.log"));
        QVERIFY(!QFile::exists(box->Home() + "/audit.log"));  // the unticked audit box is passed on
        QVERIFY(List("List2")->selectedItems().isEmpty() && !Enabled("Command15") && Text("Label12").isEmpty());
    }

    // One drawing at a time: while each opens, the pointer is busy, the message
    // line follows the drawings and Cancel is shown; Cancel stops between drawings.
    void busyPointerCurrentMessageAndCancelBetweenDrawings() {
        ui::SaveSetting("Options", "Jobs", "1");
        QStringList seen;
        ui::FormServices services = box->Services();
        services.factory = [&](ComponentCreationError&) -> std::unique_ptr<IDrawingComponent> {
            return std::make_unique<ObservingComponent>([&] {
                const QCursor* c = QApplication::overrideCursor();
                seen << QString(c && c->shape() == Qt::WaitCursor ? "busy|" : "idle|") + Message() +
                            (Button("cmdCancel")->isVisible() ? "|cancel" : "");
                if (seen.size() == 2) Button("cmdCancel")->click();
            });
        };
        form = std::make_unique<ui::Form1>(services);
        form->show();
        QVERIFY(!Button("cmdCancel")->isVisible());
        Prepare({"title-r12.dxf", "title-r2000.dxf", "title-r2018.dxf"});
        Button("Command13")->click();
        Button("Command15")->click();
        QCOMPARE(seen, (QStringList{"busy|Modification in process...|cancel",
                                    "busy|Processing " + box->Path("dwg/title-r12.dxf") + "...|cancel"}));
        QVERIFY2(Message().startsWith("Attributes for 2 file(s) modified in ") &&
                     Message().endsWith(" Cancelled after 2 of 3 drawing(s)."),
                 qPrintable(Message()));
        QVERIFY(!ReadText(box->Path("dwg/title-r2018.dxf")).contains("2026-12-06"));
        QVERIFY(!Button("cmdCancel")->isVisible() && QApplication::overrideCursor() == nullptr);
        QCOMPARE(form->ModifyOptions().intJobs, 1);
        ui::SaveSetting("Options", "Jobs", "x");
        QCOMPARE(form->ModifyOptions().intJobs, DefaultJobs());
    }

    void previewShowsTheChangesAndStartsTheRealRun() {
        ui::FormServices services = box->Services();
        int shown = 0;
        int answer = QDialog::Rejected;
        QStringList seen;
        services.execDialog = [&](QDialog& dialog) {
            ++shown;
            auto* table = dialog.findChild<QTableWidget*>("tblChanges");
            auto* drawings = dialog.findChild<QTableWidget*>("tblDrawings");
            auto* filter = dialog.findChild<QLineEdit*>("txtFilter");
            if (!table || !drawings || !filter || !dialog.findChild<QPushButton*>("cmdRun")) return -1;
            seen << QString::number(table->rowCount()) << QString::number(drawings->rowCount());
            filter->setText("rev");
            int visible = 0;
            for (int r = 0; r < table->rowCount(); ++r) visible += !table->isRowHidden(r);
            const auto r2000 = drawings->findItems("title-r2000.dxf", Qt::MatchEndsWith);
            seen << QString::number(visible) << (r2000.size() == 1 ? drawings->item(r2000[0]->row(), 1)->text() : "?");
            table->sortItems(4);  // by tag
            seen << table->item(0, 4)->text();
            return answer;
        };
        form = std::make_unique<ui::Form1>(services);
        form->show();
        Prepare({"title-r12.dxf", "title-r2000.dxf"});
        const QString before = ReadText(box->Path("dwg/title-r2000.dxf"));
        Button("Command13")->click();
        QVERIFY(Enabled("cmdPreview"));
        Button("cmdPreview")->click();
        // REV, DATE and CHECKED of each TITLE insert: one in r12, two in r2000.
        QCOMPARE(seen, (QStringList{"9", "2", "3", "6", "CHECKED"}));
        QCOMPARE(ReadText(box->Path("dwg/title-r2000.dxf")), before);
        QCOMPARE(List("List2")->selectedItems().size(), 2);  // ready for the real run
        QVERIFY(!QFile::exists(box->Home() + "/err.log"));
        answer = QDialog::Accepted;  // Run now
        Button("cmdPreview")->click();
        QCOMPARE(shown, 2);
        QVERIFY(ReadText(box->Path("dwg/title-r2000.dxf")).contains("2026-12-06"));
        QCOMPARE(SummaryCount(), 2);
    }

    void undoLastRunAsksFirstAndPutsTheDrawingsBack() {
        ui::FormServices services = box->Services();
        QString asked;
        bool answer = false;
        services.confirm = [&](QWidget*, const QString&, const QString& text) {
            asked = text;
            return answer;
        };
        form = std::make_unique<ui::Form1>(services);
        form->show();
        Prepare({"title-r2018.dxf"});
        const QString original = ReadText(box->Path("dwg/title-r2018.dxf"));
        Button("Command13")->click();
        Button("Command15")->click();
        QVERIFY(ReadText(box->Path("dwg/title-r2018.dxf")) != original);
        auto* undo = form->findChild<QAction*>("mnuUndoLast");
        QVERIFY(undo);
        undo->trigger();
        QVERIFY2(asked.contains(box->Path("dwg/title-r2018.dxf")), qPrintable(asked));
        QVERIFY(ReadText(box->Path("dwg/title-r2018.dxf")) != original);  // "No" changes nothing
        answer = true;
        undo->trigger();
        QCOMPARE(ReadText(box->Path("dwg/title-r2018.dxf")), original);
        QCOMPARE(Message(), QString("1 drawing(s) restored, 0 left as they are (changed since the run)."));
    }

    void rejectedTemplateKeepsTheSelection() {
        Prepare({"title-r12.dxf"}, "*ATTRIBUTE_TAGS\nREV,r,B\n");
        ClickRow(List("List2"), 0);
        Button("Command15")->click();
        QVERIFY(Message().startsWith("No attributes modified. Template"));
        QCOMPARE(List("List2")->selectedItems().size(), 1);
        QVERIFY(Enabled("Command15"));
        QVERIFY(!ReadText(box->Path("dwg/title-r12.dxf")).contains("2026-12-06"));
    }

    void readOnlyDrawingsAndIgnoredTemplateLinesReachTheStatusLineAndTheErrorLog() {
        Prepare({"title-r12.dxf", "title-r2000.dxf"}, "*INPUT\n*ATTRIBUTE_TAGS\nREV,r,C\nDATE,q\n");
        QFile::setPermissions(box->Path("dwg/title-r12.dxf"), QFile::ReadOwner | QFile::ReadGroup);
        const QByteArray before = ReadText(box->Path("dwg/title-r12.dxf")).toUtf8();
        Button("Command13")->click();
        Button("Command15")->click();
        QVERIFY2(Message().startsWith("Attributes for 1 file(s) modified in ") &&
                     Message().endsWith(" second(s). 1 template line(s) ignored, see the error log."),
                 qPrintable(Message()));
        QCOMPARE(ReadText(box->Path("dwg/title-r12.dxf")).toUtf8(), before);
        const QString errors = ReadText(box->Home() + "/err.log");
        QVERIFY2(errors.contains("Error: Template line 4 ignored") &&
                     errors.contains("Error: Unable to save drawing TITLE-R12.DXF (4003:The drawing is read-only)."),
                 qPrintable(errors));

        // With the LogScans setting a wildcard entry writes the error log too.
        ui::SaveSetting("Options", "LogScans", "1");
        box->log.dialogAnswer = box->Write(
            "lists/scan.dlf", (box->Path("dwg/") + "title-r1*.dxf," + box->Path("tpl/") + kTemplate + "\r\n").toUtf8());
        Button("Command5")->click();
        QVERIFY2(ReadText(box->Home() + "/err.log").contains("title-r12.dxf  Error: Unable to save drawing TITLE-R12.DXF"),
                 qPrintable(ReadText(box->Home() + "/err.log")));
        QCOMPARE(Message(), QString("No attributes modified. 1 template line(s) ignored, see the error log."));
    }

    void fileButtonAsksForTheListAndRunsIt() {
        const QString strDrawing = box->CopyExample("title-r2000-bin.dxf", "dwg");
        const QString strTemplate = box->CopyExample(kTemplate, "tpl");
        box->log.dialogAnswer =
            box->Write("lists/week.dlf", ("' one entry\r\n" + strDrawing + "," + strTemplate + "\r\n").toUtf8());
        Child<QLineEdit>(*form, "txtDelimiter")->setText(",");
        Button("Command5")->click();
        QCOMPARE(box->log.dialogs,
                 QStringList{"Open Drawing List File|DLF Files (*.dlf);;All Files (*)|" + box->Home()});
        QVERIFY2(SummaryCount() == 1, qPrintable(Message() + "\n" + ReadText(box->Home() + "/err.log")));
        QVERIFY(ReadText(strDrawing).contains("2026-12-06"));
        QVERIFY(box->log.ended.empty());

        // Cancelling the dialog changes nothing.
        form->SetMessage("before");
        box->log.dialogAnswer.clear();
        Button("Command5")->click();
        QCOMPARE(box->log.dialogs.size(), 2);
        QCOMPARE(Message(), QString("before"));
        // An END line ends the program.
        box->log.dialogAnswer = box->Write("lists/stop.dlf", "' stop here\r\n  end  \r\nnot,read\r\n");
        Button("Command5")->click();
        QCOMPARE(box->log.ended, std::vector<int>{0});
        QVERIFY(!Message().startsWith("No attributes"));
    }
};

QTEST_MAIN(RunsTest)
#include "test_ui_runs.moc"
