// Start-up, settings, shutdown, keys, the About box and the single instance.
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "UiTestSupport.h"
#include "ui/DriveList.h"
#include "ui/FolderList.h"
#include "ui/Form3.h"
#include "ui/HelpFile.h"
#include "ui/SettingsStore.h"
#include "ui/SingleInstance.h"

using namespace kel;
using namespace kel::uitest;

namespace {

const QString kWelcome = "Welcome to Kelvane! Press the F1 key for help.";

}  // namespace

class StartupTest : public QObject {
    Q_OBJECT
    std::unique_ptr<UiSandbox> box;
    std::unique_ptr<ui::Form1> form;

    QString Message() { return Child<QLabel>(*form, "Label4")->text(); }
    bool AuditTicked() { return Child<QCheckBox>(*form, "chkAudit")->isChecked(); }
    QString Stored(const QString& key) { return ui::GetSetting("Options", key, "<missing>"); }

private slots:
    void init() {
        box = std::make_unique<UiSandbox>();
        form = ShownForm(*box);
    }
    void cleanup() {
        form.reset();
        box.reset();
    }

    void firstStartWithAnEmptyStore() {
        form->Form_Load("");
        QVERIFY(form->windowTitle().startsWith("Kelvane (KEL) - "));
        QCOMPARE(form->AppPath(), box->Home());
        QCOMPARE(form->Drive1()->Drive(), QString("/"));
        QCOMPARE(form->Dir1()->Path(), box->Home());
        QCOMPARE(Child<ui::FolderList>(*form, "Dir3")->Path(), box->Home());
        QCOMPARE(Child<QLineEdit>(*form, "txtDelimiter")->text(), QString(","));
        QVERIFY(AuditTicked());
        QCOMPARE(form->Text5()->text(), QString("*.dwg"));
        QCOMPARE(Message(), kWelcome);
        QVERIFY(!Child<QPushButton>(*form, "Command15")->isEnabled());
        QCOMPARE(ReadText(box->Home() + "/faq.fil").toUtf8(), ui::BundledHelpText());
        QVERIFY(box->log.messages.shown.empty());
    }

    void storedValuesAreRestored() {
        box->Write("dwg/a.dxf");
        box->Write("dwg/b.dwg");
        box->Write("tpl/t.txt");
        box->Write("home/faq.fil", "my own notes");
        Store("Drive", box->Volume());
        Store("Dir", box->Path("dwg"));
        Store("Drive3", "/");
        Store("Dir3", box->Path("tpl"));
        Store("Delimiter", "|");
        Store("Audit", "0");
        Store("FExt", "*.dxf");
        form->Form_Load("/p");
        QCOMPARE(form->Dir1()->Path(), box->Path("dwg"));
        QCOMPARE(form->Drive1()->Drive(), QString("/"));  // the list follows the folder's volume
        QCOMPARE(Texts(form->List2()), QStringList{"a.dxf"});
        QCOMPARE(Texts(Child<QListWidget>(*form, "List1")), QStringList{"t.txt"});
        QCOMPARE(Child<QLineEdit>(*form, "txtDelimiter")->text(), QString("|"));
        QVERIFY(!AuditTicked());
        QCOMPARE(ReadText(box->Home() + "/faq.fil"), QString("my own notes"));  // an edited help file stays
    }

    void deletedStoredFolderLeavesTheListWhereItWas() {
        box->Write("work/one.dwg");
        box->Write("work/two.dwg");
        Store("Dir", box->Path("gone"));
        form->Form_Load("");
        QCOMPARE(form->Dir1()->Path(), box->Path("work"));
        QCOMPARE(Texts(form->List2()), (QStringList{"one.dwg", "two.dwg"}));
        QVERIFY(box->log.messages.shown.empty());
    }

    void auditText_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("ticked");
        QTest::newRow("0") << "0" << false;
        QTest::newRow("1") << "1" << true;
        QTest::newRow("abc") << "abc" << true;
        QTest::newRow("empty") << "" << true;
        QTest::newRow("missing") << "<none>" << true;
    }
    void auditText() {
        QFETCH(QString, stored);
        QFETCH(bool, ticked);
        if (stored != "<none>") Store("Audit", stored);
        form->Form_Load("");
        QCOMPARE(AuditTicked(), ticked);
    }

    void commandLineThatIsNoListFile_data() {
        QTest::addColumn<QString>("line");
        QTest::newRow("empty") << "";
        QTest::newRow("/p") << "/p";
        QTest::newRow("/p with blanks") << " /p ";
        QTest::newRow("/P") << "/P";
    }
    void commandLineThatIsNoListFile() {
        QFETCH(QString, line);
        form->Form_Load(line);
        QCOMPARE(Message(), kWelcome);
        QVERIFY(box->log.dialogs.isEmpty());
    }

    void commandLineListFileRunsAtStart() {
        const QString strDrawing = box->CopyExample("title-r12.dxf", "dwg");
        const QString strTemplate = box->CopyExample("title-block.txt", "tpl");
        const QString strList = box->Write("lists/week.dlf", (strDrawing + "," + strTemplate + "\r\n").toUtf8());
        form->Form_Load("  " + strList + "  ");
        QVERIFY2(Message().startsWith("Attributes for 1 file(s) modified in "), qPrintable(Message()));
        QVERIFY(ReadText(strDrawing).contains("2026-12-06"));
        QVERIFY(form->CommandText().isEmpty());
        QVERIFY(box->log.dialogs.isEmpty());
    }

    void commandLineNamingAMissingFile() {
        const QString strMissing = "/p " + box->Path("lists/week.dlf");
        box->Write("lists/week.dlf", "");
        form->Form_Load(strMissing);  // taken whole: no such file
        QCOMPARE(Message(), "Passed file '" + strMissing + "' does not exist.");
        QCOMPARE(box->log.beeps, 1);
        QVERIFY(form->CommandText().isEmpty());
        QVERIFY(box->log.dialogs.isEmpty());
    }

    void everyWayOfClosingSavesTheSixKeys_data() {
        QTest::addColumn<int>("how");
        QTest::newRow("Esc") << 0;
        QTest::newRow("Exit button") << 1;
        QTest::newRow("close box") << 2;
    }
    void everyWayOfClosingSavesTheSixKeys() {
        QFETCH(int, how);
        box->Write("dwg/a.dwg");
        form->Form_Load("");
        QVERIFY(form->SetDrawingFolder(box->Path("dwg")));
        QVERIFY(Child<ui::FolderList>(*form, "Dir3")->SetPath(box->Volume()));
        Child<QLineEdit>(*form, "txtDelimiter")->setText(";");
        Child<QCheckBox>(*form, "chkAudit")->setChecked(false);
        form->SetDrawingPattern("*.dxf");
        if (how == 0) QTest::keyClick(form->List2(), Qt::Key_Escape);
        if (how == 1) Child<QPushButton>(*form, "Command2")->click();
        if (how == 2) form->close();
        QVERIFY(!form->isVisible());
        QCOMPARE(Stored("Drive"), QString("/"));
        QCOMPARE(Stored("Dir"), box->Path("dwg"));
        QCOMPARE(Stored("Drive3"), box->Volume());
        QCOMPARE(Stored("Dir3"), box->Volume());
        QCOMPARE(Stored("Delimiter"), QString(";"));
        QCOMPARE(Stored("Audit"), QString("0"));
        QCOMPARE(Stored("FExt"), QString("<missing>"));  // the typed pattern is not kept
    }

    void f1OpensTheHelpFileOnlyWithoutModifiers() {
        form->Form_Load("");
        QTest::keyClick(form->List2(), Qt::Key_F1, Qt::ShiftModifier);
        QTest::keyClick(form->Text5(), Qt::Key_F1, Qt::ControlModifier);
        QTest::keyClick(form->Text5(), Qt::Key_F1, Qt::AltModifier);
        QVERIFY(box->log.edited.isEmpty());
        QTest::keyClick(form->List2(), Qt::Key_F1);
        QTest::keyClick(Child<QLineEdit>(*form, "txtDelimiter"), Qt::Key_F1);
        QCOMPARE(box->log.edited, QStringList(2, box->Home() + "/faq.fil"));
        QVERIFY(form->isVisible());
    }

    void editorLauncherPassesThePathAsOneArgument() {
        const QString strOut = box->Path("editor-args.txt");
        const QString strEditor =
            box->Write("bin/editor.sh", ("#!/bin/sh\nprintf '%s|' \"$@\" > '" + strOut + "'\n").toUtf8());
        QFile::setPermissions(strEditor, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("KEL_EDITOR", strEditor.toUtf8());
        const QString strFile = box->Write("tpl/with space.txt");
        QVERIFY(ui::OpenInTextEditor(strFile));
        QTRY_COMPARE(ReadText(strOut), strFile + "|");
        qputenv("KEL_EDITOR", box->Path("bin/no-such-editor").toUtf8());
        QVERIFY(!ui::OpenInTextEditor(strFile));
        qunsetenv("KEL_EDITOR");
    }

    void aboutBoxIsModalWithNameVersionAndLinks() {
        form->Form_Load("");
        QString strSeen;
        QTimer::singleShot(0, this, [&] {
            auto* about = qobject_cast<ui::Form3*>(QApplication::activeModalWidget());
            if (!about) return;
            for (auto* l : about->findChildren<QLabel*>()) strSeen += l->text() + "\n";
            about->OpenLink(about->findChild<QLabel*>("lnkEmail")->text().section('"', 1, 1));
            about->OpenLink(about->findChild<QLabel*>("lnkWeb")->text().section('"', 1, 1));
            about->OpenLink("help");
            strSeen += about->isModal() ? "modal" : "modeless";
            about->accept();
        });
        Child<QPushButton>(*form, "Command4")->click();
        QVERIFY(strSeen.contains("Kelvane (KEL)"));
        QVERIFY(strSeen.contains("Version " KEL_VERSION));
        QVERIFY(strSeen.endsWith("modal"));
        QCOMPARE(box->log.urls.size(), 2);
        QVERIFY(box->log.urls[0].startsWith("mailto:" + ui::Form3::EmailAddress()));
        QCOMPARE(box->log.urls[1], ui::Form3::WebPage());
        QCOMPARE(box->log.edited, QStringList{box->Home() + "/faq.fil"});
    }

    void secondInstanceShowsTheMessageAndBringsTheFirstForward() {
        const QString strName = QString("kel-ui-test-%1").arg(QCoreApplication::applicationPid());
        ui::SingleInstance first(strName);
        QVERIFY(ui::StartAsOnlyInstance(first, box->Services()));
        QObject::connect(&first, &ui::SingleInstance::activationRequested, form.get(),
                         &ui::Form1::ActivateFromOtherInstance);
        QSignalSpy asked(&first, &ui::SingleInstance::activationRequested);
        form->showMinimized();
        form->SetMessage("first instance state");

        UiSandbox second;
        ui::SingleInstance other(strName);
        QVERIFY(!ui::StartAsOnlyInstance(other, second.Services()));
        QCOMPARE(second.log.beeps, 1);
        QCOMPARE(second.log.messages.shown.size(), size_t(1));
        QCOMPARE(second.log.messages.shown[0].title, QString("KEL"));
        QCOMPARE(second.log.messages.shown[0].text, QString("KEL is already running! Look in your System Tray."));
        QVERIFY(second.log.messages.shown[0].icon == MessageIcon::Exclamation);
        QTRY_COMPARE(asked.count(), 1);
        QVERIFY(!form->isMinimized());
        QVERIFY(form->isVisible());
        QCOMPARE(Message(), QString("first instance state"));
    }
};

int main(int argc, char** argv) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QApplication app(argc, argv);
    StartupTest t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_ui_startup.moc"
