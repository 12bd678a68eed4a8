// The viewer's export on the Drawing menu and the drawing list's context
// menu: the drawing under the cursor written as the sheet kel-batch writes.
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QTest>

#include "UiTestSupport.h"
#include "sheets/SheetFile.h"

using namespace kel;
using namespace kel::uitest;

class ExportTest : public FormTest {
    Q_OBJECT
    QAction* ExportAction() {
        for (QAction* a : form->List2()->actions()) {
            if (a->objectName() == "mnuExportAttributes") return a;
        }
        qFatal("no export action");
    }

private slots:
    void exportsTheCurrentDrawingOrSaysWhyNot() {
        form->Form_Load("");
        for (const char* d : {"title-r12.dxf", "title-r2000.dxf"}) box->CopyExample(d, "dwg");
        box->Write("dwg/plan.dxf", "this is no drawing\n");
        box->Write("out/other.txt");
        form->SetDrawingPattern("*.dxf");
        QVERIFY(form->SetDrawingFolder(box->Path("dwg")));
        // The list's context menu offers the viewer and the export.
        QStringList names;
        for (const QAction* a : form->List2()->actions()) names << a->objectName();
        QCOMPARE(names, QStringList({"mnuViewAttributes", "mnuExportAttributes"}));
        QCOMPARE(form->List2()->contextMenuPolicy(), Qt::ActionsContextMenu);

        const struct {
            int row;
            QString answer;  // the file the dialog returns
            QString message;
            int inserts;     // rows of the sheet written, -1: none written
            QString value;   // a value the sheet holds
        } cases[] = {
            {1, box->Path("out/r12.xlsx"), "Exported 1 insert(s) of TITLE-R12.DXF to " + box->Path("out/r12.xlsx") + ".",
             1, "Schaltschrank Größe 2"},
            {2, box->Path("out/r2000.csv"), "Exported 2 insert(s) of TITLE-R2000.DXF to " + box->Path("out/r2000.csv") + ".",
             2, "Motor 10 kΩ winding"},
            {1, "", "before", -1, ""},
            {1, box->Path("out/r12.ods"), "The sheet's name must end in .xlsx or .csv.", -1, ""},
            {0, box->Path("out/plan.csv"), "cannot be opened", -1, ""},
        };
        int beeps = 0;
        for (const auto& c : cases) {
            ClickRow(form->List2(), c.row);
            form->List2()->setCurrentRow(c.row);
            form->SetMessage("before");
            box->log.dialogAnswer = c.answer;
            ExportAction()->trigger();
            QVERIFY(QApplication::overrideCursor() == nullptr);
            QVERIFY2(Message().contains(c.message), qPrintable(Message()));
            QVERIFY(box->log.dialogs.last().startsWith("Export attributes|Excel workbook (*.xlsx);;"));
            if (c.inserts < 0) {
                QVERIFY(!QFile::exists(c.answer) || c.answer.isEmpty());
                if (!c.answer.isEmpty()) ++beeps;
                QCOMPARE(box->log.beeps, beeps);
                continue;
            }
            SheetRows sheet;
            std::string err;
            QVERIFY2(sheets::ReadSheetFile(c.answer.toStdString(), sheet, err), err.c_str());
            QCOMPARE(int(sheet.rows.size()), c.inserts + 1);
            QCOMPARE(QString::fromStdString(sheet.rows[1][0].text), form->DrawingPath(c.row));
            bool found = false;
            for (const SheetCell& cell : sheet.rows[1]) found = found || QString::fromStdString(cell.text) == c.value;
            QVERIFY2(found, qPrintable(c.value));
        }
        // The drawings themselves are never written.
        QCOMPARE(ReadText(box->Path("dwg/plan.dxf")), QString("this is no drawing\n"));
    }
};

QTEST_MAIN(ExportTest)
#include "test_ui_export.moc"
