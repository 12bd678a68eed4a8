// The attribute viewer behind a double-click on a drawing of the main window,
// with the desktop's URL handler replaced by the sandbox's recorder.
#include <QApplication>
#include <QFile>
#include <QTest>

#include "UiTestSupport.h"

using namespace kel;
using namespace kel::uitest;

class ViewerTest : public FormTest {
    Q_OBJECT
    // The message line holds a text of its own when the double-click comes.
    void DoubleClick(int row) {
        ClickRow(form->List2(), row);
        form->SetMessage("before");
        QTest::mouseDClick(form->List2()->viewport(), Qt::LeftButton, {},
                           form->List2()->visualItemRect(form->List2()->item(row)).center());
        QVERIFY(QApplication::overrideCursor() == nullptr);
    }

private slots:
    void eachViewingOpensItsOwnPageAndFailuresBeepWithTheName() {
        form->Form_Load("");
        for (const char* d : {"title-r12.dxf", "title-r2018-bin.dxf"}) box->CopyExample(d, "dwg");
        box->Write("dwg/plan.dxf", "this is no drawing\n");
        form->SetDrawingPattern("*.dxf");
        QVERIFY(form->SetDrawingFolder(box->Path("dwg")));
        const QString strPage = box->Home() + "/_temp.htm";
        for (int row : {1, 2}) {
            DoubleClick(row);
            QCOMPARE(box->log.urls, QStringList(row, QUrl::fromLocalFile(strPage).toString()));
            const QString strHtml = ReadText(strPage);
            QVERIFY(strHtml.contains("<TITLE>\r\n" + form->DrawingPath(row) + "\r\n</TITLE>"));
            QVERIFY(strHtml.contains(row == 1 ? ">Schaltschrank Größe 2<" : ">B-202<"));
            QCOMPARE(Message(), QString("before"));
        }
        QVERIFY(QFile::remove(box->Path("dwg/title-r12.dxf")));
        DoubleClick(1);
        QCOMPARE(Message(), QString("File TITLE-R12.DXF not found."));
        DoubleClick(0);
        QCOMPARE(Message(), QString("Error opening file PLAN.DXF."));
        QVERIFY(box->log.urls.size() == 2 && box->log.beeps == 2 && box->log.messages.shown.empty());
    }
};

QTEST_MAIN(ViewerTest)
#include "test_ui_viewer.moc"
