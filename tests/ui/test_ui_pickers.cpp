// The drawing and template pickers of the main window.
#include <QApplication>
#include <functional>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QTest>
#include <cmath>

#include "UiTestSupport.h"
#include "ui/DriveList.h"
#include "ui/FileList.h"
#include "ui/FolderList.h"

using namespace kel;
using namespace kel::uitest;

class PickersTest : public FormTest {
    Q_OBJECT
    ui::FolderList* Dir3() { return Child<ui::FolderList>(*form, "Dir3"); }
    // A drawing folder of n drawings d01.dwg ... and a template folder.
    void Fill(int n) {
        for (int i = 1; i <= n; ++i) box->Write(QString("dwg/d%1.dwg").arg(i, 2, 10, QChar('0')), "drawing");
        box->Write("tpl/title.txt", "*INPUT\n*ATTRIBUTE_TAGS\nREV,r,B\n");
        QVERIFY(form->SetDrawingFolder(box->Path("dwg")));
        QVERIFY(Dir3()->SetPath(box->Path("tpl")));
    }
    // The label texts and tool tip of a list, and which of the buttons are enabled.
    QString State(const char* list, const char* count, const QStringList& buttons = {}) {
        QString s = Texts(List(list)).join(",") + "|" + Text(count) + "|" + List(list)->toolTip() + "|";
        for (const QString& b : buttons) s += Enabled(qPrintable(b)) ? "1" : "0";
        return s;
    }

private slots:
    void refillListsMatchingPlainFilesSortedWithoutCase() {
        for (const char* f : {"dwg/b.DWG", "dwg/A.dwg", "dwg/c.dxf", "dwg/.hidden.dwg", "dwg/notes.txt"}) box->Write(f);
        QDir().mkpath(box->Path("dwg/folder.dwg"));
        const QStringList buttons = {"Command13", "Command14", "Command15"};
        QVERIFY(form->SetDrawingFolder(box->Path("dwg")));
        QCOMPARE(State("List2", "Label3", buttons),
                 QString("A.dwg,b.DWG|2 files| Double-click on file to view block attributes |110"));
        // Every keystroke of the pattern refills; a pattern matching nothing empties all.
        form->Text5()->clear();
        QTest::keyClicks(form->Text5(), "*.zz");
        QCOMPARE(State("List2", "Label3", buttons), QString("|||000"));
        form->SetDrawingPattern("c.*");
        QCOMPARE(Text("Label3"), QString("1 files"));
        // The template list takes the *.txt files of its own folder.
        QVERIFY(Dir3()->SetPath(box->Path("dwg")));
        QCOMPARE(State("List1", "Label5"), QString("notes.txt|1 files| Double-click on file to open in Notepad |"));
        QVERIFY(Dir3()->SetPath(box->Path("work")));
        QCOMPARE(State("List1", "Label5"), QString("|||"));
    }

    void clicksSelectDeselectAndCount() {
        box->Write("dwg/big.dwg", QByteArray(1234567, 'x'));
        box->Write("dwg/small.dwg", "");
        QVERIFY(form->SetDrawingFolder(box->Path("dwg")));
        // Size of the drawing clicked last and the count of selected ones; a second click deselects.
        const QList<std::tuple<int, QString, QString>> steps = {
            {0, "  1,234,567", "1 sel"}, {1, "  0", "2 sel"}, {1, "", "1 sel"}, {0, "", ""}};
        for (const auto& [row, size, count] : steps) {
            ClickRow(List("List2"), row);
            QVERIFY2(size.isEmpty() ? Text("Label2").isEmpty() : Text("Label2").endsWith(size), qPrintable(Text("Label2")));
            QCOMPARE(Text("Label12"), count);
        }
    }

    void firstClickOnTheFirstDrawingKeepsTheMessage() {
        Fill(3);
        form->SetMessage("earlier message");
        ClickRow(List("List2"), 0);
        ClickRow(List("List2"), 0);
        QCOMPARE(Message(), QString("earlier message"));
        ClickRow(List("List2"), 2);
        QCOMPARE(Message(), QString());
        QCOMPARE(form->LastIndex(), 2);
        form->SetMessage("again");
        ClickRow(List("List2"), 2);
        QCOMPARE(Message(), QString("again"));
    }

    void selectAllAndUnselectAllCountEveryEntry() {
        Fill(12);
        for (int row : {1, 4, 7}) ClickRow(List("List2"), row);
        Button("Command13")->click();
        QCOMPARE(List("List2")->selectedItems().size(), 12);
        QCOMPARE(Text("Label12") + "|" + Message(), QString("12 sel|12 drawing(s) selected."));
        QVERIFY(!Enabled("Command15"));  // no template chosen yet
        Button("Command14")->click();
        QVERIFY(List("List2")->selectedItems().isEmpty());
        QCOMPARE(Text("Label12") + "|" + Message(), QString("|12 drawing(s) unselected."));
    }

    void modifyButtonNeedsATemplateAndADrawingAfterEveryChange() {
        Fill(2);
        box->Write("vol/d9.dwg");
        auto ready = [this] {
            ClickRow(List("List1"), 0);
            if (List("List2")->selectedItems().isEmpty()) ClickRow(List("List2"), 0);
            return Enabled("Command15");
        };
        ClickRow(List("List2"), 0);
        QVERIFY(!Enabled("Command15"));
        ClickRow(List("List1"), 0);
        QVERIFY(Enabled("Command15"));
        QVERIFY(!Text("Label6").isEmpty());
        ClickRow(List("List2"), 0);  // last drawing deselected
        QVERIFY(!Enabled("Command15"));

        // Each change that refills a list turns the button off until it is ready again.
        const std::vector<std::function<void()>> changes = {
            [&] { form->SetDrawingPattern("*.DWG"); }, [&] { Button("Command14")->click(); },
            [&] { Dir3()->SetPath(box->Path("work")), Dir3()->SetPath(box->Path("tpl")); },
            [&] { form->SetDrawingFolder(box->Path("work")), form->SetDrawingFolder(box->Path("dwg")); }};
        for (const auto& change : changes) {
            QVERIFY(ready());
            change();
            QVERIFY(!Enabled("Command15"));
        }
        QVERIFY(ready());
        Button("Command14")->click();
        Button("Command13")->click();  // selecting all brings it back
        QVERIFY(Dir3()->SetPath(box->Path("tpl")));  // same folder: no refill
        QVERIFY(Enabled("Command15"));
        QVERIFY(form->SetDrawingDrive(box->Volume()));
        QCOMPARE(form->Dir1()->Path(), box->Volume());
        QCOMPARE(Texts(List("List2")), QStringList{"d9.dwg"});
        QVERIFY(!Enabled("Command15"));
    }

    void driveChangesAndTheNotReadyFallback() {
        QDir().mkpath(box->Path("vol/inner"));
        QVERIFY(form->SetDrawingDrive(box->Volume()));
        QVERIFY(form->SetDrawingFolder(box->Path("vol/inner")));
        QCOMPARE(form->Drive1()->Drive(), box->Volume());
        QVERIFY(form->SetDrawingDrive("/"));
        const QString strOnRoot = form->Dir1()->Path();
        QVERIFY(form->SetDrawingDrive(box->Volume()));  // back to the folder last used there
        QCOMPARE(form->Dir1()->Path(), box->Path("vol/inner"));
        QVERIFY(!form->SetDrawingDrive("/no/such/volume"));
        QCOMPARE(form->Drive1()->Drive(), box->Volume());

        auto* drive3 = Child<ui::DriveList>(*form, "Drive3");
        drive3->setCurrentIndex(drive3->findText(kNoDisk));  // as if chosen by the user
        QCOMPARE(box->log.beeps, 1);
        QCOMPARE(box->log.messages.shown.size(), size_t(1));
        const ShownMessage& shown = box->log.messages.shown[0];
        QCOMPARE(shown.title + "|" + shown.text, QString("KEL|Error 71:  No Floppy in the Drive!"));
        QVERIFY(shown.icon == MessageIcon::Exclamation);
        QCOMPARE(drive3->Drive() + "|" + Dir3()->Path(), "/|" + strOnRoot);
    }

    void folderListShowsAncestorsAndSubfoldersAndEntersOnActivation() {
        for (const char* d : {"dwg/Beta", "dwg/alpha", "dwg/.hidden"}) QDir().mkpath(box->Path(d));
        QVERIFY(form->SetDrawingFolder(box->Path("dwg")));
        const QStringList texts = Texts(form->Dir1());
        QCOMPARE(texts.first(), QString("/"));
        QCOMPARE(texts.mid(texts.size() - 3), (QStringList{"dwg", "alpha", "Beta"}));
        QVERIFY(!form->SetDrawingFolder(box->Path("dwg/missing")));
        emit form->Dir1()->itemActivated(form->Dir1()->item(static_cast<int>(texts.size()) - 1));
        QCOMPARE(form->Dir1()->Path(), box->Path("dwg/Beta"));
    }

    void rootFolderPathsHaveOneSeparator() {
        const QString strName = QString("kel-ui-test-%1.dwg").arg(QCoreApplication::applicationPid());
        QFile root("/" + strName);
        if (!root.open(QIODevice::WriteOnly)) QSKIP("cannot write to /");
        root.close();
        const auto removeLater = qScopeGuard([&root] { root.remove(); });
        form->SetDrawingPattern(strName);
        QVERIFY(form->SetDrawingFolder("/"));
        const int row = static_cast<int>(Texts(List("List2")).indexOf(strName));
        QVERIFY(row >= 0);
        QCOMPARE(form->DrawingPath(row), "/" + strName);
        ClickRow(List("List2"), row);
        QVERIFY(!Text("Label2").isEmpty());
        QCOMPARE(form->DrawingFolder(), std::string("/"));
    }

    void templateDoubleClickOpensTheEditorWithTheWholePath() {
        box->Write("tpl/my template.txt");
        QVERIFY(Dir3()->SetPath(box->Path("tpl")));
        QListWidget* list = List("List1");
        ClickRow(list, 0);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
        QCOMPARE(box->log.edited, QStringList{box->Path("tpl/my template.txt")});
    }

    void horizontalExtentIsTheWidestEntryPlus25() {
        const QString strLong = QString(60, 'W') + ".dwg";
        box->Write("dwg/" + strLong);
        box->Write("dwg/a.dwg");
        QVERIFY(form->SetDrawingFolder(box->Path("dwg")));
        auto* list = Child<ui::FileList>(*form, "List2");
        const int expected =
            static_cast<int>(std::nearbyint(QFontMetricsF(form->font()).horizontalAdvance(strLong))) + 25;
        QCOMPARE(list->HorizontalExtent(), expected);
        QCOMPARE(list->horizontalScrollBar()->maximum(), std::max(0, expected - list->viewport()->width()));
    }

    void longMessageWrapsInsteadOfWideningTheWindow() {
        const int width = form->minimumSizeHint().width();
        auto* line = Child<QLabel>(*form, "Label4");
        form->SetMessage("Processing /" + std::string(400, 'x') + ".dwg...");
        QCOMPARE(form->minimumSizeHint().width(), width);
        QVERIFY(line->heightForWidth(line->width()) >= 3 * line->fontMetrics().lineSpacing());
    }
};

QTEST_MAIN(PickersTest)
#include "test_ui_pickers.moc"
