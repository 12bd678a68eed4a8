// The attribute viewer behind a double-click on a drawing of the main window,
// with the desktop's URL handler replaced by the sandbox's recorder.
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QTest>

#include "UiTestSupport.h"

using namespace kel;
using namespace kel::uitest;

class ViewerTest : public QObject {
    Q_OBJECT
    std::unique_ptr<UiSandbox> box;
    std::unique_ptr<ui::Form1> form;
    const QString welcome = "Welcome to Kelvane! Press the F1 key for help.";

    QString Message() { return Child<QLabel>(*form, "Label4")->text(); }
    QString Home(const char* name) { return box->Home() + "/" + name; }
    // The message line holds the welcome text when the double-click comes.
    void DoubleClick(int row) {
        ClickRow(form->List2(), row);
        form->SetMessage(welcome.toStdString());
        QTest::mouseDClick(form->List2()->viewport(), Qt::LeftButton, {},
                           form->List2()->visualItemRect(form->List2()->item(row)).center());
        QVERIFY(QApplication::overrideCursor() == nullptr);
    }

private slots:
    void init() {
        box = std::make_unique<UiSandbox>();
        form = ShownForm(*box);
        form->Form_Load("");
        for (const char* d : {"title-r12.dxf", "title-r2018-bin.dxf"}) box->CopyExample(d, "dwg");
        box->Write("dwg/plan.dxf", "this is no drawing\n");
        form->SetDrawingPattern("*.dxf");
        QVERIFY(form->SetDrawingFolder(box->Path("dwg")));
        QCOMPARE(Texts(form->List2()), (QStringList{"plan.dxf", "title-r12.dxf", "title-r2018-bin.dxf"}));
    }
    void cleanup() {
        form.reset();
        box.reset();
    }

    void eachViewingOpensItsOwnPageAndFailuresBeepWithTheName() {
        const QString strPage = QUrl::fromLocalFile(Home("_temp.htm")).toString();
        for (int row : {1, 2}) {
            DoubleClick(row);
            QCOMPARE(box->log.urls, QStringList(row, strPage));
            const QString strHtml = ReadText(Home("_temp.htm"));
            QVERIFY(strHtml.contains("<TITLE>\r\n" + form->DrawingPath(row) + "\r\n</TITLE>"));
            QVERIFY(strHtml.contains(row == 1 ? ">Schaltschrank Größe 2<" : ">B-202<"));
            QCOMPARE(Message(), welcome);
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
