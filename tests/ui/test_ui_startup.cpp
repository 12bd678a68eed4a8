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

const QString kWelcome = "Welcome to Kelvane! Press the F1 key for help.";

class StartupTest : public FormTest {
    Q_OBJECT
    bool AuditTicked() { return Child<QCheckBox>(*form, "chkAudit")->isChecked(); }
    QLineEdit* Delimiter() { return Child<QLineEdit>(*form, "txtDelimiter"); }
    QString Stored(const QString& key) { return ui::GetSetting("Options", key, "<missing>"); }

private slots:
    void firstStartWithAnEmptyStore() {
        form->Form_Load("");
        QVERIFY(form->windowTitle().startsWith("Kelvane (KEL) - "));
        QCOMPARE(QStringList({form->AppPath(), form->Drive1()->Drive(), form->Dir1()->Path(),
                              Child<ui::FolderList>(*form, "Dir3")->Path(), Delimiter()->text(), form->Text5()->text(),
                              Message()}),
                 QStringList({box->Home(), "/", box->Home(), box->Home(), ",", "*.dwg", kWelcome}));
        QVERIFY(AuditTicked() && !Enabled("Command15"));
        QCOMPARE(ReadText(box->Home() + "/faq.fil").toUtf8(), ui::BundledHelpText());
        QVERIFY(box->log.messages.shown.empty());
    }

    void storedValuesAreRestored() {
        for (const char* f : {"dwg/a.dxf", "dwg/b.dwg", "tpl/t.txt"}) box->Write(f);
        box->Write("home/faq.fil", "my own notes");
        const QStringList stored = {"Drive", box->Volume(), "Dir", box->Path("dwg"), "Drive3", "/", "Dir3",
                                    box->Path("tpl"), "Delimiter", "|", "Audit", "0", "FExt", "*.dxf"};
        for (qsizetype i = 0; i < stored.size(); i += 2) Store(stored[i], stored[i + 1]);
        form->Form_Load("/p");
        QCOMPARE(form->Dir1()->Path(), box->Path("dwg"));
        QCOMPARE(form->Drive1()->Drive(), QString("/"));  // the list follows the folder's volume
        QCOMPARE(Texts(form->List2()), QStringList{"a.dxf"});
        QCOMPARE(Texts(Child<QListWidget>(*form, "List1")), QStringList{"t.txt"});
        QCOMPARE(Delimiter()->text(), QString("|"));
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

    // Only a stored "0" unticks the audit box; no list file is asked for without one named.
    void auditTextAndCommandLinesThatAreNoListFile() {
        for (const char* stored : {"0", "1", "abc", ""}) {
            Store("Audit", stored);
            form->Form_Load("");
            QVERIFY2(AuditTicked() == (QString(stored) != "0"), stored);
        }
        for (const char* line : {"/p", " /p ", "/P"}) {
            form->Form_Load(line);
            QCOMPARE(Message(), kWelcome);
        }
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
        // A line with /p before a name is taken whole: no such file.
        form->Form_Load("/p " + strList);
        QCOMPARE(Message(), "Passed file '/p " + strList + "' does not exist.");
        QCOMPARE(box->log.beeps, 1);
        QVERIFY(form->CommandText().isEmpty() && box->log.dialogs.isEmpty());
    }

    // A file manager opening a drawing with KEL: the drawing is listed,
    // selected and viewed, never run as a list file, whatever the pattern.
    void commandLineDrawingIsShownNotRun() {
        box->CopyExample("title-r12.dxf", "dwg");
        const QString strDrawing = box->CopyExample("title-r2018.dxf", "dwg");
        const QByteArray before = ReadText(strDrawing).toUtf8();
        form->Form_Load(strDrawing);
        QCOMPARE(form->Dir1()->Path(), box->Path("dwg"));
        QCOMPARE(form->Text5()->text(), QString("*.dxf"));  // the stored *.dwg would not list it
        QCOMPARE(Texts(form->List2()), QStringList({"title-r12.dxf", "title-r2018.dxf"}));
        QCOMPARE(form->List2()->selectedItems().size(), 1);
        QCOMPARE(form->List2()->selectedItems().first()->text(), QString("title-r2018.dxf"));
        QCOMPARE(box->log.urls, QStringList(QUrl::fromLocalFile(box->Home() + "/_temp.htm").toString()));
        QVERIFY(ReadText(box->Home() + "/_temp.htm").contains(strDrawing));
        QCOMPARE(ReadText(strDrawing).toUtf8(), before);
        QVERIFY(form->CommandText().isEmpty() && box->log.dialogs.isEmpty() && box->log.beeps == 0);
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
        Delimiter()->setText(";");
        Child<QCheckBox>(*form, "chkAudit")->setChecked(false);
        form->SetDrawingPattern("*.dxf");
        if (how == 0) QTest::keyClick(form->List2(), Qt::Key_Escape);
        if (how == 1) Button("Command2")->click();
        if (how == 2) form->close();
        QVERIFY(!form->isVisible());
        QStringList stored;
        for (const char* key : {"Drive", "Dir", "Drive3", "Dir3", "Delimiter", "Audit", "FExt"}) stored << Stored(key);
        // The typed pattern is not kept.
        QCOMPARE(stored, QStringList({"/", box->Path("dwg"), box->Volume(), box->Volume(), ";", "0", "<missing>"}));
    }

    void f1OpensTheHelpFileOnlyWithoutModifiers() {
        form->Form_Load("");
        QTest::keyClick(form->List2(), Qt::Key_F1, Qt::ShiftModifier);
        QTest::keyClick(form->Text5(), Qt::Key_F1, Qt::ControlModifier);
        QTest::keyClick(form->Text5(), Qt::Key_F1, Qt::AltModifier);
        QVERIFY(box->log.edited.isEmpty());
        QTest::keyClick(form->List2(), Qt::Key_F1);
        QTest::keyClick(Delimiter(), Qt::Key_F1);
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
        Button("Command4")->click();
        QVERIFY(strSeen.contains("Kelvane (KEL)") && strSeen.contains("Version " KEL_VERSION) && strSeen.endsWith("modal"));
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
        const ShownMessage& shown = second.log.messages.shown[0];
        QCOMPARE(shown.title + "|" + shown.text, QString("KEL|KEL is already running! Look in your System Tray."));
        QVERIFY(shown.icon == MessageIcon::Exclamation);
        QTRY_COMPARE(asked.count(), 1);
        QVERIFY(!form->isMinimized() && form->isVisible());
        QCOMPARE(Message(), QString("first instance state"));
    }
};

QTEST_MAIN(StartupTest)
#include "test_ui_startup.moc"
