// The attribute viewer behind a double-click on a drawing of the main window,
// with the desktop's URL handler replaced by the sandbox's recorder.
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include "UiTestSupport.h"
#include "ui/FolderList.h"

using namespace kel;
using namespace kel::uitest;

namespace {

// The real component, counting the calls made on it; optionally it writes no
// drawing information, so that flattening finds nothing.
class CountingComponent : public IDrawingComponent {
public:
    CountingComponent(std::unique_ptr<IDrawingComponent> real, int& calls, bool blnWriteXml)
        : real_(std::move(real)), calls_(calls), blnWriteXml_(blnWriteXml) {}
    std::int32_t OpenFile(std::int32_t& h, const std::string& p, const std::string& pw) override {
        return ++calls_, real_->OpenFile(h, p, pw);
    }
    void CloseFile() override { ++calls_, real_->CloseFile(); }
    void WriteXML(const std::string& p, std::int16_t a, std::int16_t b, std::int16_t c, std::int16_t d,
                  std::int16_t e, std::int16_t f, std::int16_t g, std::int16_t h) override {
        ++calls_;
        if (blnWriteXml_) real_->WriteXML(p, a, b, c, d, e, f, g, h);
    }
    std::string Status() const override { return real_->Status(); }
    void SaveFile(const std::string& p, std::int32_t v) override { ++calls_, real_->SaveFile(p, v); }
    void SetAttributeValue(const std::string& v, const std::string& h) override {
        ++calls_, real_->SetAttributeValue(v, h);
    }
    void DeleteEntity(const std::string& h) override { ++calls_, real_->DeleteEntity(h); }

private:
    std::unique_ptr<IDrawingComponent> real_;
    int& calls_;
    bool blnWriteXml_;
};

const QString kWelcome = "Welcome to Kelvane! Press the F1 key for help.";

}  // namespace

class ViewerTest : public QObject {
    Q_OBJECT
    std::unique_ptr<UiSandbox> box;
    std::unique_ptr<ui::Form1> form;
    int calls = 0;
    bool blnWriteXml = true;

    QString Message() { return Child<QLabel>(*form, "Label4")->text(); }
    QString Work(const char* name) { return box->Home() + "/" + name; }
    QString PageUrl() { return QUrl::fromLocalFile(Work("_temp.htm")).toString(); }
    void DoubleClick(const QString& strName) {
        QListWidget* list = form->List2();
        const QList<QListWidgetItem*> found = list->findItems(strName, Qt::MatchExactly);
        QVERIFY2(found.size() == 1, qPrintable(strName));
        ClickRow(list, list->row(found.first()));
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(found.first()).center());
    }
    // Nothing of the viewing is left but the page (when one was written).
    void NoWorkXml() {
        QVERIFY(!QFile::exists(Work("_temp.xml")));
        QVERIFY(!QFile::exists(Work("_flat.xml")));
    }

private slots:
    void init() {
        box = std::make_unique<UiSandbox>();
        calls = 0;
        blnWriteXml = true;
        ui::FormServices services = box->Services();
        services.factory = [this](ComponentCreationError& e) -> std::unique_ptr<IDrawingComponent> {
            return std::make_unique<CountingComponent>(DefaultComponentFactory()(e), calls, blnWriteXml);
        };
        form = std::make_unique<ui::Form1>(services);
        form->Form_Load("");
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        for (const char* d : {"title-r12.dxf", "title-r2018-bin.dxf"}) box->CopyExample(d, "dwg");
        form->SetDrawingPattern("*.dxf");
        QVERIFY(form->SetDrawingFolder(box->Path("dwg")));
        QCOMPARE(form->List2()->count(), 2);
        form->SetMessage(kWelcome.toStdString());
    }
    void cleanup() {
        form.reset();
        box.reset();
    }

    void pageOfEachDrawingIsOpenedAndReplacedByTheNext() {
        const QByteArray before = ReadText(box->Path("dwg/title-r12.dxf")).toUtf8();
        DoubleClick("title-r12.dxf");
        QCOMPARE(box->log.urls, QStringList{PageUrl()});
        const QString strPage = ReadText(Work("_temp.htm"));
        const QString strPath = box->Path("dwg/title-r12.dxf");
        QVERIFY(strPage.contains("<TITLE>\r\n" + strPath));
        QVERIFY(strPage.contains("<STRONG>tag</STRONG>"));
        for (const char* s : {"DWGNO", "A-101", "Schaltschrank Größe 2", "CHECKED"}) {
            QVERIFY2(strPage.contains(QString::fromUtf8(s)), s);
        }
        NoWorkXml();
        QCOMPARE(Message(), kWelcome);  // a good viewing leaves the line alone
        QCOMPARE(box->log.beeps, 0);
        QVERIFY(box->log.messages.shown.empty());
        QVERIFY(QApplication::overrideCursor() == nullptr);
        QCOMPARE(ReadText(strPath).toUtf8(), before);  // the drawing is not changed

        DoubleClick("title-r2018-bin.dxf");
        QCOMPARE(box->log.urls, (QStringList{PageUrl(), PageUrl()}));
        const QString strSecond = ReadText(Work("_temp.htm"));
        QVERIFY(strSecond.contains(box->Path("dwg/title-r2018-bin.dxf")));
        QVERIFY(!strSecond.contains(strPath));
        NoWorkXml();
    }

    void missingOrUnreadableDrawingBeepsAndSaysSo() {
        QVERIFY(QFile::remove(box->Path("dwg/title-r12.dxf")));
        DoubleClick("title-r12.dxf");
        QCOMPARE(Message(), QString("File TITLE-R12.DXF not found."));
        QCOMPARE(box->log.beeps, 1);
        QCOMPARE(calls, 0);
        QVERIFY(box->log.urls.isEmpty());
        QVERIFY(!QFile::exists(Work("_temp.htm")));

        box->Write("dwg/plan.dxf", "this is no drawing\n");
        form->Dir1_Change();
        DoubleClick("plan.dxf");
        QCOMPARE(Message(), QString("Error opening file PLAN.DXF."));
        QCOMPARE(box->log.beeps, 2);
        QVERIFY(box->log.urls.isEmpty());
        NoWorkXml();
        QVERIFY(QApplication::overrideCursor() == nullptr);
    }

    void failedFlatteningShowsItsResultInTheWindowsMessageBox() {
        blnWriteXml = false;
        DoubleClick("title-r12.dxf");
        QCOMPARE(box->log.messages.shown.size(), size_t(1));
        const ShownMessage& m = box->log.messages.shown.front();
        QCOMPARE(m.title, QString("FlattenXMLfile"));
        bool ok = false;
        QVERIFY(m.text.toInt(&ok) != 1 && ok);
        QCOMPARE(Message(), kWelcome);
        QCOMPARE(box->log.beeps, 0);
        QVERIFY(box->log.urls.isEmpty());
        QVERIFY(QApplication::overrideCursor() == nullptr);
    }
};

QTEST_MAIN(ViewerTest)
#include "test_ui_viewer.moc"
