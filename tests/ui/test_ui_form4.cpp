// The File Specifications screen: the stored list, Add, Edit, Delete, Select
// onto the drawing picker, closing, and the ".." button that opens it.
#include <QApplication>
#include <QFile>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <deque>
#include <optional>

#include "UiTestSupport.h"
#include "ui/FileSpecStore.h"
#include "ui/FolderList.h"
#include "ui/Form4.h"
#include "ui/SettingsStore.h"

using namespace kel;
using namespace kel::uitest;

namespace {

// Answers the screen's boxes from a script and notes what they showed.
struct ScriptedDialogs {
    std::deque<std::optional<QString>> answers;  // nullopt: Cancel
    QStringList asked;                           // "title|prompt|default"
    QMessageBox::StandardButton reply = QMessageBox::No;
    QStringList questions;  // "title|text"
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;

    ui::Form4Dialogs Hooks() {
        ui::Form4Dialogs d;
        d.input = [this](QInputDialog& box) {
            asked << box.windowTitle() + "|" + box.labelText() + "|" + box.textValue();
            if (answers.empty()) return false;
            const std::optional<QString> a = answers.front();
            answers.pop_front();
            if (a) box.setTextValue(*a);
            return a.has_value();
        };
        d.question = [this](QMessageBox& box) {
            questions << box.windowTitle() + "|" + box.text();
            icon = box.icon();
            defaultButton = box.standardButton(box.defaultButton());
            return reply;
        };
        return d;
    }
};

const QString kAddPrompt = "File Specification\n\nExamples: a*.dwg, /My Directory/a*.dwg";

}  // namespace

class Form4Test : public QObject {
    Q_OBJECT
    std::unique_ptr<UiSandbox> box;
    std::unique_ptr<ui::Form1> form;
    ScriptedDialogs script;

    QString StoreFile() const { return box->Path("config/KEL/KEL.ini"); }
    void StoreSpecs(const QStringList& keysAndValues) {
        for (qsizetype i = 0; i + 1 < keysAndValues.size(); i += 2) {
            ui::SaveSetting("FSpec", keysAndValues[i], keysAndValues[i + 1]);
        }
    }
    std::unique_ptr<ui::Form4> Open() { return std::make_unique<ui::Form4>(*form, script.Hooks()); }
    static QListWidget* List(const ui::Form4& f) { return Child<QListWidget>(f, "List1"); }
    static QString Total(const ui::Form4& f) { return Child<QLabel>(f, "Label1")->text(); }
    static bool Enabled(const ui::Form4& f, const char* b) { return Child<QPushButton>(f, b)->isEnabled(); }
    static void Select(ui::Form4& f, int row) { List(f)->setCurrentRow(row); }

private slots:
    void init() {
        box = std::make_unique<UiSandbox>();
        form = ShownForm(*box);
        script = {};
    }
    void cleanup() {
        form.reset();
        box.reset();
    }

    void openingReadsTheStoreUpToTheFirstGap() {
        {
            auto f = Open();
            QCOMPARE(f->windowTitle(), QString("KEL - File Specifications Screen"));
            QCOMPARE(List(*f)->count(), 0);
            QCOMPARE(Total(*f), QString("Total:"));
            QCOMPARE(List(*f)->toolTip(), QString());
            for (const char* b : {"Command3", "Command2", "Command5"}) QVERIFY(!Enabled(*f, b));
            QVERIFY(Enabled(*f, "Command1") && Enabled(*f, "Command4"));
        }
        StoreSpecs({"0Dir", "a*.dwg", "1Dir", "/plans/b*.dxf", "3Dir", "lost.dwg"});
        auto f = Open();
        QCOMPARE(Texts(List(*f)), (QStringList{"a*.dwg", "/plans/b*.dxf"}));
        QCOMPARE(Total(*f), QString("Total: 2"));
        QCOMPARE(List(*f)->toolTip(), QString(" Double-click on file spec to use "));

        // Any change rewrites the whole section: the key behind the gap goes.
        Select(*f, 1);
        for (const char* b : {"Command3", "Command2", "Command5"}) QVERIFY(Enabled(*f, b));
        script.answers = {QString("/plans/c*.dxf")};
        f->Command3_Click();
        Child<QPushButton>(*f, "Command4")->click();
        QVERIFY(!f->isVisible());
        QCOMPARE(ui::ReadFileSpecs(), (QStringList{"a*.dwg", "/plans/c*.dxf"}));
        QVERIFY(!ui::HasSetting("FSpec", "3Dir"));
    }

    void addAsksUntilAnEmptyAnswerAndSkipsDuplicatesOfAnyCase() {
        StoreSpecs({"0Dir", "a*.dwg"});
        auto f = Open();
        script.answers = {QString("  b*.dwg  "), QString("A*.DWG"), QString("B*.Dwg"), QString("c*.dxf"),
                          QString("   ")};
        Child<QPushButton>(*f, "Command1")->click();
        QCOMPARE(script.asked.size(), 5);
        QCOMPARE(script.asked.first(), "Add File Specification|" + kAddPrompt + "|");
        QCOMPARE(Texts(List(*f)), (QStringList{"a*.dwg", "b*.dwg", "c*.dxf"}));
        QCOMPARE(Total(*f), QString("Total: 3"));
        QVERIFY(f->Changed());
        f->Command4_Click();
        QCOMPARE(ui::ReadFileSpecs(), (QStringList{"a*.dwg", "b*.dwg", "c*.dxf"}));

        // Into an empty list: the count and tool-tip appear with the first entry.
        ui::DeleteSection("FSpec");
        auto g = Open();
        script.answers = {QString("x.dwg"), std::nullopt};
        g->Command1_Click();
        QCOMPARE(Total(*g), QString("Total: 1"));
        QCOMPARE(List(*g)->toolTip(), QString(" Double-click on file spec to use "));
    }

    void cancelledOrEmptyAnswersChangeNothing() {
        StoreSpecs({"0Dir", "a*.dwg", "1Dir", "b*.dwg", "3Dir", "kept behind the gap"});
        const QByteArray before = ReadText(StoreFile()).toUtf8();
        {
            auto f = Open();
            script.answers = {std::nullopt};
            f->Command1_Click();
            Select(*f, 1);
            script.answers = {QString("   ")};
            f->Command3_Click();
            QCOMPARE(script.asked.last(), QString("Edit File Specification|File Specification|b*.dwg"));
            script.answers = {std::nullopt};
            f->Command3_Click();
            script.reply = QMessageBox::No;
            f->Command2_Click();
            QCOMPARE(Texts(List(*f)), (QStringList{"a*.dwg", "b*.dwg"}));
            QVERIFY(!f->Changed());
            // Esc from the focused list closes the screen.
            List(*f)->setFocus();
            QTest::keyClick(List(*f), Qt::Key_Escape);
            QCOMPARE(f->result(), int(QDialog::Rejected));
        }
        QCOMPARE(ReadText(StoreFile()).toUtf8(), before);
    }

    void editReplacesInPlaceWithoutDuplicateTest() {
        StoreSpecs({"0Dir", "a*.dwg", "1Dir", "b*.dwg", "2Dir", "c*.dwg"});
        auto f = Open();
        Select(*f, 1);
        script.answers = {QString(" A*.DWG ")};
        Child<QPushButton>(*f, "Command3")->click();
        QCOMPARE(Texts(List(*f)), (QStringList{"a*.dwg", "A*.DWG", "c*.dwg"}));
        f.reset();  // destroyed without closing: still written
        QCOMPARE(ui::ReadFileSpecs(), (QStringList{"a*.dwg", "A*.DWG", "c*.dwg"}));
    }

    void deleteAsksWithNoAsDefaultAndEntriesMoveUp() {
        StoreSpecs({"0Dir", "a*.dwg", "1Dir", "b*.dwg", "2Dir", "c*.dwg"});
        auto f = Open();
        Select(*f, 0);
        script.reply = QMessageBox::Yes;
        Child<QPushButton>(*f, "Command2")->click();
        QCOMPARE(script.questions,
                 QStringList{"Delete File Specification|Are you sure you want to delete the selected file specification?"});
        QCOMPARE(script.icon, QMessageBox::Question);
        QCOMPARE(script.defaultButton, QMessageBox::No);
        QCOMPARE(Texts(List(*f)), (QStringList{"b*.dwg", "c*.dwg"}));
        QCOMPARE(Total(*f), QString("Total: 2"));
        // The buttons follow the selection the removal left.
        const bool blnSelected = !List(*f)->selectedItems().isEmpty();
        for (const char* b : {"Command3", "Command2", "Command5"}) QCOMPARE(Enabled(*f, b), blnSelected);

        for (int i = 0; i < 2; ++i) {
            Select(*f, 0);
            f->Command2_Click();
        }
        QCOMPARE(List(*f)->count(), 0);
        QCOMPARE(Total(*f), QString());
        QCOMPARE(List(*f)->toolTip(), QString());
        for (const char* b : {"Command3", "Command2", "Command5"}) QVERIFY(!Enabled(*f, b));
        f->Command2_Click();  // nothing selected: no question
        QCOMPARE(script.questions.size(), 3);
        f->Command4_Click();
        QCOMPARE(ui::ReadFileSpecs(), QStringList());
        QVERIFY(!ui::HasSetting("FSpec", "0Dir"));
    }

    void selectMovesTheDrawingPicker() {
        box->Write("dwg/a1.dwg");
        box->Write("dwg/a2.dwg");
        box->Write("dwg/b1.dwg");
        box->Write("other/z.dwg");
        const QString strDwg = box->Path("dwg");
        QVERIFY(form->SetDrawingFolder(box->Path("other")));
        struct Case {
            QString spec, folder, pattern;
        };
        const QList<Case> cases = {
            {strDwg + "/a*.dwg", strDwg, "a*.dwg"},
            {"b*.dwg", strDwg, "b*.dwg"},  // the folder stays
            {box->Path("other") + "/", box->Path("other"), ""},
            {box->Path("missing") + "/m*.dwg", box->Path("other"), "m*.dwg"},
            {"/k*.dwg", "/", "k*.dwg"},
        };
        for (const Case& c : cases) {
            StoreSpecs({"0Dir", c.spec});
            auto f = Open();
            f->show();
            Select(*f, 0);
            Child<QPushButton>(*f, "Command5")->click();
            QVERIFY2(!f->isVisible(), qPrintable(c.spec));
            QCOMPARE(f->result(), int(QDialog::Accepted));
            QCOMPARE(form->Dir1()->Path(), c.folder);
            QCOMPARE(form->Text5()->text(), c.pattern);
        }
        // A double-click selects too, and the drawing list follows the new pattern.
        StoreSpecs({"0Dir", strDwg + "/a*.dwg"});
        auto f = Open();
        f->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.get()));
        QListWidget* list = List(*f);
        ClickRow(list, 0);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
        QVERIFY(!f->isVisible());
        QCOMPARE(Texts(form->List2()), (QStringList{"a1.dwg", "a2.dwg"}));
        QCOMPARE(Child<QLabel>(*form, "Label3")->text(), QString("2 files"));
    }

    void splitKeepsTheFolderSeparatorAndLeavesOtherTextWhole() {
        const ui::FileSpecParts root = ui::SplitFileSpec("/a*.dwg");
        QVERIFY(root.blnHasFolder);
        QCOMPARE(root.strFolder, QString("/"));
        QCOMPARE(root.strPattern, QString("a*.dwg"));
        const ui::FileSpecParts deep = ui::SplitFileSpec("/My Directory/sub/a b*.dwg");
        QCOMPARE(deep.strFolder, QString("/My Directory/sub/"));
        QCOMPARE(deep.strPattern, QString("a b*.dwg"));
        for (const QString s : {"a*.dwg", "sub/a*.dwg", "C:\\My Directory\\a*.dwg", "\\\\server\\a*.dwg"}) {
            const ui::FileSpecParts plain = ui::SplitFileSpec(s);
            QVERIFY2(!plain.blnHasFolder, qPrintable(s));
            QCOMPARE(plain.strPattern, s);
        }
    }

    void dotDotButtonOpensTheScreenModally() {
        StoreSpecs({"0Dir", "q*.dwg"});
        QString strCaption;
        QStringList listed;
        bool blnModal = false;
        QTimer::singleShot(0, [&] {
            QWidget* w = QApplication::activeModalWidget();
            if (!w) return;
            strCaption = w->windowTitle();
            blnModal = w->isModal() && w->parentWidget() == form.get();
            listed = Texts(Child<QListWidget>(*w, "List1"));
            QTest::keyClick(w, Qt::Key_Escape);
        });
        QTest::mouseClick(Child<QPushButton>(*form, "Command9"), Qt::LeftButton);
        QCOMPARE(strCaption, QString("KEL - File Specifications Screen"));
        QVERIFY(blnModal);
        QCOMPARE(listed, QStringList{"q*.dwg"});
        QVERIFY(QApplication::activeModalWidget() == nullptr);
    }
};

QTEST_MAIN(Form4Test)
#include "test_ui_form4.moc"
