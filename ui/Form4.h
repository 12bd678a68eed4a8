// The File Specifications screen: the user's list of drawing file
// specifications (patterns such as a*.dwg, or a folder and a pattern), kept in
// the settings store, and applied to the drawing picker of the main window.
#pragma once

#include <QDialog>
#include <QMessageBox>
#include <functional>

class QInputDialog;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace kel::ui {

class Form1;

// The screen's input box and question box, shown modally. Tests replace them
// to answer without a user.
struct Form4Dialogs {
    // Shows the prepared input box; true when the user confirmed it.
    std::function<bool(QInputDialog& box)> input;
    // Shows the prepared question; the button the user chose.
    std::function<QMessageBox::StandardButton(QMessageBox& box)> question;
};

// Shows the boxes to the user.
Form4Dialogs UserDialogs();

// A specification split for the drawing picker. With a folder (an absolute
// path) the picker moves to strFolder, which keeps its last separator; the
// rest is the pattern. Without one the whole text is the pattern.
struct FileSpecParts {
    bool blnHasFolder = false;
    QString strFolder;
    QString strPattern;
};
FileSpecParts SplitFileSpec(const QString& strSpec);

class Form4 : public QDialog {
    Q_OBJECT
public:
    // Reads the list from the store. The owner's drawing picker is what Select changes.
    explicit Form4(Form1& owner, Form4Dialogs dialogs = UserDialogs());
    // Closing writes a changed list back; so does destroying a screen never closed.
    ~Form4() override;

    bool Changed() const { return blnChanged_; }

public slots:
    void Command1_Click();  // Add
    void Command3_Click();  // Edit
    void Command2_Click();  // Delete
    void Command5_Click();  // Select
    void List1_DblClick();
    void List1_Click();
    void Command4_Click();  // Close

protected:
    void done(int result) override;
    // Esc closes the screen whichever control has the focus.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void Form_Load();
    void Form_Unload();
    // The answer of the input box with blanks stripped; "" when cancelled.
    QString Ask(const QString& strPrompt, const QString& strTitle, const QString& strDefault);
    void ShowTotal();
    QListWidgetItem* SelectedEntry() const;

    Form1& owner_;
    Form4Dialogs dialogs_;
    bool blnChanged_ = false;
    bool blnUnloaded_ = false;

    QListWidget* List1_ = nullptr;
    QLabel* Label1_ = nullptr;
    QPushButton* Command1_ = nullptr;
    QPushButton* Command3_ = nullptr;
    QPushButton* Command2_ = nullptr;
    QPushButton* Command5_ = nullptr;
    QPushButton* Command4_ = nullptr;
};

}  // namespace kel::ui
