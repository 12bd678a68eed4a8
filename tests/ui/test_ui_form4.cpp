// The File Specifications screen: the stored list, Add, Edit, Delete, Select
// onto the drawing picker, closing, and the ".." button that opens it.
#include <QApplication>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "UiTestSupport.h"
#include "ui/FileSpecStore.h"
#include "ui/FolderList.h"
#include "ui/Form4.h"
#include "ui/SettingsStore.h"

using namespace kel;
using namespace kel::uitest;

class Form4Test : public FormTest {
    Q_OBJECT
    QStringList answers;  // of the input boxes in turn; a null text (or none left) cancels
    QStringList asked;    // "title|prompt|default" of each input box
    QMessageBox::StandardButton reply = QMessageBox::No;
    QString question;  // "title|text|icon|default button" of the last question

    // The screen over the main window, with the given FSpec keys and values stored first.
    std::unique_ptr<ui::Form4> Open(const QStringList& keysAndValues = {}) {
        answers.clear();
        asked.clear();
        for (qsizetype i = 0; i + 1 < keysAndValues.size(); i += 2)
            ui::SaveSetting("FSpec", keysAndValues[i], keysAndValues[i + 1]);
        ui::Form4Dialogs d;
        d.input = [this](QInputDialog& b) {
            asked << b.windowTitle() + "|" + b.labelText() + "|" + b.textValue();
            const QString a = answers.isEmpty() ? QString() : answers.takeFirst();
            b.setTextValue(a);
            return !a.isNull();
        };
        d.question = [this](QMessageBox& b) {
            question = QString("%1|%2|%3|%4").arg(b.windowTitle(), b.text()).arg(b.icon()).arg(
                b.standardButton(b.defaultButton()));
            return reply;
        };
        return std::make_unique<ui::Form4>(*form, d);
    }
    static QListWidget* List(const ui::Form4& f) { return Child<QListWidget>(f, "List1"); }
    static QString Total(const ui::Form4& f) { return Child<QLabel>(f, "Label1")->text(); }
    // Enabled state of Edit, Delete and Select, which need a selected entry.
    static QString Usable(const ui::Form4& f) {
        QString s;
        for (const char* b : {"Command3", "Command2", "Command5"}) s += Child<QPushButton>(f, b)->isEnabled() ? "1" : "0";
        return s;
    }

private slots:
    void storeIsReadToTheFirstGapAndRewrittenOnlyAfterAChange() {
        auto f = Open();
        QCOMPARE(f->windowTitle(), QString("KEL - File Specifications Screen"));
        QCOMPARE(Total(*f) + List(*f)->toolTip() + Usable(*f), QString("Total:000"));
        f = Open({"0Dir", "a*.dwg", "1Dir", "b*.dwg", "3Dir", "behind the gap"});
        QCOMPARE(Texts(List(*f)) << Total(*f) + "|" + List(*f)->toolTip(),
                 (QStringList{"a*.dwg", "b*.dwg", "Total: 2| Double-click on file spec to use "}));
        const QString strStore = ReadText(box->Path("config/KEL/KEL.ini"));
        QVERIFY(strStore.contains("3Dir=behind the gap"));
        // Cancelled Add, Edit to blanks, No to Delete, then Esc on the list: nothing is written.
        List(*f)->setCurrentRow(1);
        QCOMPARE(Usable(*f), QString("111"));
        f->Command1_Click();
        answers = QStringList{"   "};
        f->Command3_Click();
        QCOMPARE(asked.last(), QString("Edit File Specification|File Specification|b*.dwg"));
        f->Command2_Click();
        QTest::keyClick(List(*f), Qt::Key_Escape);
        QCOMPARE(f->result(), int(QDialog::Rejected));
        f.reset();
        QCOMPARE(ReadText(box->Path("config/KEL/KEL.ini")), strStore);

        // Edits (a duplicate is allowed) rewrite the section as a whole: the key behind the gap goes.
        // Texts that the settings file quotes or escapes come back as written.
        f = Open();
        const QString strOdd = "/p q/x, \"y\";z\\ #[1]=é.dwg";
        answers = QStringList{" A*.DWG ", strOdd};
        for (int row : {1, 0}) {
            List(*f)->setCurrentRow(row);
            f->Command3_Click();
        }
        Child<QPushButton>(*f, "Command4")->click();
        QCOMPARE(ui::ReadFileSpecs(), (QStringList{strOdd, "A*.DWG"}));
        QVERIFY(!ui::HasSetting("FSpec", "3Dir"));
    }

    void addSkipsDuplicatesOfAnyCaseAndDeleteDefaultsToNo() {
        auto f = Open({"0Dir", "a*.dwg"});
        answers = QStringList{"  b*.dwg  ", "A*.DWG", "B*.Dwg", "c*.dxf", " "};
        Child<QPushButton>(*f, "Command1")->click();
        QCOMPARE(asked[0], "Add File Specification|File Specification\n\nExamples: a*.dwg, /My Directory/a*.dwg|");
        QCOMPARE(Texts(List(*f)) << Total(*f), (QStringList{"a*.dwg", "b*.dwg", "c*.dxf", "Total: 3"}));

        List(*f)->setCurrentRow(0);
        reply = QMessageBox::Yes;
        f->Command2_Click();
        QCOMPARE(question, QString("Delete File Specification|Are you sure you want to delete the selected file "
                                   "specification?|%1|%2").arg(QMessageBox::Question).arg(QMessageBox::No));
        QCOMPARE(Texts(List(*f)) << Total(*f), (QStringList{"b*.dwg", "c*.dxf", "Total: 2"}));
        for (int i = 0; i < 2; ++i) {
            List(*f)->setCurrentRow(0);
            f->Command2_Click();
        }
        // No count of zero; the store is written when the screen goes without a close.
        QCOMPARE(Total(*f) + List(*f)->toolTip() + Usable(*f), QString("000"));
        f.reset();
        QVERIFY(!ui::HasSetting("FSpec", "0Dir"));
    }

    void selectMovesTheDrawingPickerAndCloses() {
        for (const char* d : {"dwg/a1.dwg", "dwg/a2.dwg", "dwg/b1.dwg", "other/z.dwg"}) box->Write(d);
        const QString dwg = box->Path("dwg"), other = box->Path("other");
        QVERIFY(form->SetDrawingFolder(other));
        const QList<QStringList> cases = {// specification, folder after, pattern after
                                          {dwg + "/a*.dwg", dwg, "a*.dwg"},
                                          {"b*.dwg", dwg, "b*.dwg"},
                                          {other + "/", other, ""},
                                          {box->Path("missing") + "/m*.dwg", other, "m*.dwg"},
                                          {"/k*.dwg", "/", "k*.dwg"}};
        for (const QStringList& c : cases) {
            auto f = Open({"0Dir", c[0]});
            List(*f)->setCurrentRow(0);
            Child<QPushButton>(*f, "Command5")->click();
            QCOMPARE(f->result(), int(QDialog::Accepted));
            QCOMPARE(form->Dir1()->Path() + "|" + form->Text5()->text(), c[1] + "|" + c[2]);
        }
        // The ".." button opens the screen modally; a double-click selects.
        ui::SaveSetting("FSpec", "0Dir", dwg + "/a*.dwg");
        QTimer::singleShot(0, [] {
            QWidget* w = QApplication::activeModalWidget();
            auto* list = w && w->windowTitle() == "KEL - File Specifications Screen"
                             ? Child<QListWidget>(*w, "List1") : nullptr;
            if (!list) return w ? void(w->close()) : void();
            ClickRow(list, 0);
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
        });
        QTest::mouseClick(Child<QPushButton>(*form, "Command9"), Qt::LeftButton);
        QCOMPARE(Texts(form->List2()), (QStringList{"a1.dwg", "a2.dwg"}));
        QCOMPARE(Child<QLabel>(*form, "Label3")->text(), QString("2 files"));
    }
};

QTEST_MAIN(Form4Test)
#include "test_ui_form4.moc"
