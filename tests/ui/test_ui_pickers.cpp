// The drawing and template pickers of the main window.
#include <QCheckBox>
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

class PickersTest : public QObject {
    Q_OBJECT
    std::unique_ptr<UiSandbox> box;
    std::unique_ptr<ui::Form1> form;

    QString Text(const char* label) { return Child<QLabel>(*form, label)->text(); }
    bool Enabled(const char* button) { return Child<QPushButton>(*form, button)->isEnabled(); }
    QListWidget* List(const char* name) { return Child<QListWidget>(*form, name); }
    // A drawing folder of n drawings d01.dwg ... and a template folder.
    void Fill(int n) {
        for (int i = 1; i <= n; ++i) box->Write(QString("dwg/d%1.dwg").arg(i, 2, 10, QChar('0')), "drawing");
        box->Write("tpl/title.txt", "*INPUT\n*ATTRIBUTE_TAGS\nREV,r,B\n");
        QVERIFY(form->SetDrawingFolder(box->Path("dwg")));
        QVERIFY(Child<ui::FolderList>(*form, "Dir3")->SetPath(box->Path("tpl")));
    }

private slots:
    void init() {
        box = std::make_unique<UiSandbox>();
        form = ShownForm(*box);
    }
    void cleanup() {
        form.reset();
        box.reset();
    }

    void refillListsMatchingPlainFilesSortedWithoutCase() {
        box->Write("dwg/b.DWG");
        box->Write("dwg/A.dwg");
        box->Write("dwg/c.dxf");
        box->Write("dwg/.hidden.dwg");
        QDir().mkpath(box->Path("dwg/folder.dwg"));
        box->Write("dwg/notes.txt");
        QVERIFY(form->SetDrawingFolder(box->Path("dwg")));
        QCOMPARE(Texts(List("List2")), (QStringList{"A.dwg", "b.DWG"}));
        QCOMPARE(Text("Label3"), QString("2 files"));
        QCOMPARE(List("List2")->toolTip(), QString(" Double-click on file to view block attributes "));
        QVERIFY(Enabled("Command13") && Enabled("Command14"));

        // Every keystroke of the pattern refills; a pattern matching nothing empties all.
        form->Text5()->clear();
        QTest::keyClicks(form->Text5(), "*.zz");
        QVERIFY(Texts(List("List2")).isEmpty());
        QCOMPARE(Text("Label3"), QString());
        QCOMPARE(List("List2")->toolTip(), QString());
        QVERIFY(!Enabled("Command13") && !Enabled("Command14") && !Enabled("Command15"));
        form->SetDrawingPattern("c.*");
        QCOMPARE(Text("Label3"), QString("1 files"));

        // The template list takes the *.txt files of its own folder.
        QVERIFY(Child<ui::FolderList>(*form, "Dir3")->SetPath(box->Path("dwg")));
        QCOMPARE(Texts(List("List1")), QStringList{"notes.txt"});
        QCOMPARE(Text("Label5"), QString("1 files"));
        QCOMPARE(List("List1")->toolTip(), QString(" Double-click on file to open in Notepad "));
        QVERIFY(Child<ui::FolderList>(*form, "Dir3")->SetPath(box->Path("work")));
        QCOMPARE(Text("Label5"), QString());
        QCOMPARE(List("List1")->toolTip(), QString());
    }

    void clicksSelectDeselectAndCount() {
        box->Write("dwg/big.dwg", QByteArray(1234567, 'x'));
        box->Write("dwg/small.dwg", "");
        QVERIFY(form->SetDrawingFolder(box->Path("dwg")));
        ClickRow(List("List2"), 0);
        QVERIFY(Text("Label2").endsWith("  1,234,567"));
        QCOMPARE(Text("Label12"), QString("1 sel"));
        ClickRow(List("List2"), 1);
        QVERIFY(Text("Label2").endsWith("  0"));
        QCOMPARE(Text("Label12"), QString("2 sel"));
        ClickRow(List("List2"), 1);  // a second click deselects
        QCOMPARE(Text("Label2"), QString());
        QCOMPARE(Text("Label12"), QString("1 sel"));
        ClickRow(List("List2"), 0);
        QCOMPARE(Text("Label12"), QString());
    }

    void firstClickOnTheFirstDrawingKeepsTheMessage() {
        Fill(3);
        form->SetMessage("earlier message");
        ClickRow(List("List2"), 0);
        QCOMPARE(Text("Label4"), QString("earlier message"));
        ClickRow(List("List2"), 0);
        QCOMPARE(Text("Label4"), QString("earlier message"));
        ClickRow(List("List2"), 2);
        QCOMPARE(Text("Label4"), QString());
        QCOMPARE(form->LastIndex(), 2);
        form->SetMessage("again");
        ClickRow(List("List2"), 2);
        QCOMPARE(Text("Label4"), QString("again"));
    }

    void selectAllAndUnselectAllCountEveryEntry() {
        Fill(12);
        for (int row : {1, 4, 7}) ClickRow(List("List2"), row);
        QCOMPARE(Text("Label12"), QString("3 sel"));
        Child<QPushButton>(*form, "Command13")->click();
        QCOMPARE(List("List2")->selectedItems().size(), 12);
        QCOMPARE(Text("Label12"), QString("12 sel"));
        QCOMPARE(Text("Label4"), QString("12 drawing(s) selected."));
        QVERIFY(!Enabled("Command15"));  // no template chosen yet
        Child<QPushButton>(*form, "Command14")->click();
        QVERIFY(List("List2")->selectedItems().isEmpty());
        QCOMPARE(Text("Label4"), QString("12 drawing(s) unselected."));
        QCOMPARE(Text("Label12"), QString());
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

        QVERIFY(ready());
        form->SetDrawingPattern("*.DWG");
        QVERIFY(!Enabled("Command15"));
        QVERIFY(ready());
        Child<QPushButton>(*form, "Command14")->click();
        QVERIFY(!Enabled("Command15"));
        Child<QPushButton>(*form, "Command13")->click();
        QVERIFY(Enabled("Command15"));
        QVERIFY(Child<ui::FolderList>(*form, "Dir3")->SetPath(box->Path("tpl")));  // same folder: no refill
        QVERIFY(Enabled("Command15"));
        QVERIFY(Child<ui::FolderList>(*form, "Dir3")->SetPath(box->Path("work")));
        QVERIFY(!Enabled("Command15"));
        QVERIFY(Child<ui::FolderList>(*form, "Dir3")->SetPath(box->Path("tpl")));
        QVERIFY(ready());
        QVERIFY(form->SetDrawingFolder(box->Path("work")));
        QVERIFY(!Enabled("Command15"));
        QVERIFY(form->SetDrawingFolder(box->Path("dwg")));
        QVERIFY(ready());
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
        QCOMPARE(box->log.messages.shown[0].text, QString("Error 71:  No Floppy in the Drive!"));
        QCOMPARE(box->log.messages.shown[0].title, QString("KEL"));
        QVERIFY(box->log.messages.shown[0].icon == MessageIcon::Exclamation);
        QCOMPARE(drive3->Drive(), QString("/"));
        QCOMPARE(Child<ui::FolderList>(*form, "Dir3")->Path(), strOnRoot);
    }

    void folderListShowsAncestorsAndSubfoldersAndEntersOnActivation() {
        QDir().mkpath(box->Path("dwg/Beta"));
        QDir().mkpath(box->Path("dwg/alpha"));
        QDir().mkpath(box->Path("dwg/.hidden"));
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
        QVERIFY(Child<ui::FolderList>(*form, "Dir3")->SetPath(box->Path("tpl")));
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
        QCOMPARE(ui::HorizontalExtentFor({}, form->font()), 25);
    }

    void longMessageWrapsInsteadOfWideningTheWindow() {
        const int width = form->minimumSizeHint().width();
        auto* line = Child<QLabel>(*form, "Label4");
        form->SetMessage("Processing /" + std::string(400, 'x') + ".dwg...");
        QCOMPARE(form->minimumSizeHint().width(), width);
        QVERIFY(line->heightForWidth(line->width()) >= 3 * line->fontMetrics().lineSpacing());
    }
};

int main(int argc, char** argv) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QApplication app(argc, argv);
    PickersTest t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_ui_pickers.moc"
