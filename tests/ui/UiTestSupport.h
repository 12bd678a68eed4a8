// Shared pieces of the window tests: a sandbox with its own application folder,
// settings folder and drives, recording desktop services, and small helpers.
#pragma once

#include <QDir>
#include <QListWidget>
#include <QObject>
#include <QPushButton>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <string>
#include <vector>

#include "ui/FileList.h"
#include "ui/Form1.h"
#include "ui/FormServices.h"

namespace kel::uitest {

struct ShownMessage {
    QString title, text;
    MessageIcon icon;
};

class RecordingMessages : public IUserMessages {
public:
    void ShowMessage(const std::string& t, const std::string& m, MessageIcon icon) override {
        shown.push_back({QString::fromStdString(t), QString::fromStdString(m), icon});
    }
    std::vector<ShownMessage> shown;
};

// What the window asked of the desktop.
struct DesktopLog {
    RecordingMessages messages;
    int beeps = 0;
    QStringList edited;      // paths opened in the text editor
    QStringList urls;        // URLs opened
    QStringList dialogs;     // "title|filter|folder" of each file dialog
    QString dialogAnswer;    // what the file dialog returns
    std::vector<int> ended;  // endProgram calls
};

// A fresh application folder (home/), settings folder (config/) and work folder
// (work/) for one test; a drive list of "/", the volume vol/ and a volume
// "/kel-no-disk" that is never ready.
class UiSandbox {
public:
    UiSandbox();
    ~UiSandbox();
    QString Home() const { return Path("home"); }
    QString Path(const QString& strRelative) const { return root_.filePath(strRelative); }
    // Creates the folders leading to the file and writes it.
    QString Write(const QString& strRelative, const QByteArray& bytes = "x") const;
    // Copies examples/<name> into a folder of the sandbox.
    QString CopyExample(const QString& strName, const QString& strFolder) const;
    QString Volume() const { return Path("vol"); }

    ui::FormServices Services();
    DesktopLog log;

private:
    QTemporaryDir root_;
    QString oldCwd_;
};

inline constexpr char kNoDisk[] = "/kel-no-disk";

// A main window of the sandbox, shown and exposed.
std::unique_ptr<ui::Form1> ShownForm(UiSandbox& box);

// Clicks list entry row as the user would.
void ClickRow(QListWidget* list, int row);
QStringList Texts(const QListWidget* list);
QString ReadText(const QString& strPath);
// Sets a stored "Options" value.
void Store(const QString& strKey, const QString& strValue);

template <class W>
W* Child(const QWidget& form, const char* name) {
    W* w = form.findChild<W*>(name);
    if (!w) qFatal("no control %s", name);
    return w;
}

// Base of the window test classes: a fresh sandbox and shown main window for
// every test function, English number formats, and the controls most looked at.
class FormTest : public QObject {
    Q_OBJECT
protected:
    std::unique_ptr<UiSandbox> box;
    std::unique_ptr<ui::Form1> form;

    QString Text(const char* label) const;  // of a QLabel
    QString Message() const { return Text("Label4"); }
    QListWidget* List(const char* name) const { return Child<QListWidget>(*form, name); }
    QPushButton* Button(const char* name) const { return Child<QPushButton>(*form, name); }
    bool Enabled(const char* button) const;

protected slots:
    void initTestCase();
    void init();
    void cleanup();
};

}  // namespace kel::uitest
