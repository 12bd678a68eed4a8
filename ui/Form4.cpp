#include "ui/Form4.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "runs/PathText.h"
#include "ui/FileSpecStore.h"
#include "ui/Form1.h"

namespace kel::ui {

namespace {

const QString kListTip = " Double-click on file spec to use ";
const QString kPrompt = "File Specification";
#ifdef _WIN32
const QString kExamples = "Examples: a*.dwg, C:\\My Directory\\a*.dwg";
#else
const QString kExamples = "Examples: a*.dwg, /My Directory/a*.dwg";
#endif

// A folder and a pattern: a drive, a colon and a separator on Windows, an
// absolute path elsewhere. A network path is no folder form.
bool HasFolderForm(const QString& strSpec) {
#ifdef _WIN32
    return strSpec.size() >= 3 && strSpec[1] == ':' && (strSpec[2] == '\\' || strSpec[2] == '/');
#else
    return strSpec.startsWith('/');
#endif
}

QPushButton* Button(const QString& strCaption, const char* name, bool blnEnabled) {
    auto* b = new QPushButton(strCaption);
    b->setObjectName(name);
    b->setEnabled(blnEnabled);
    // No button answers Enter: Enter on the list must not add or delete.
    b->setAutoDefault(false);
    return b;
}

}  // namespace

Form4Dialogs UserDialogs() {
    Form4Dialogs d;
    d.input = [](QInputDialog& box) { return box.exec() == QDialog::Accepted; };
    d.question = [](QMessageBox& box) { return static_cast<QMessageBox::StandardButton>(box.exec()); };
    return d;
}

FileSpecParts SplitFileSpec(const QString& strSpec) {
    FileSpecParts parts;
    if (!HasFolderForm(strSpec)) {
        parts.strPattern = strSpec;
        return parts;
    }
    const std::string strText = strSpec.toStdString();
    parts.blnHasFolder = true;
    parts.strFolder = QString::fromStdString(FolderPart(strText));
    parts.strPattern = QString::fromStdString(GetFileName(strText));
    return parts;
}

Form4::Form4(Form1& owner, Form4Dialogs dialogs) : QDialog(&owner), owner_(owner), dialogs_(std::move(dialogs)) {
    setObjectName("Form4");
    BuildControls();
    Form_Load();
}

Form4::~Form4() {
    if (!blnUnloaded_) Form_Unload();
}

void Form4::BuildControls() {
    List1_ = new QListWidget;
    List1_->setObjectName("List1");
    List1_->setSelectionMode(QAbstractItemView::SingleSelection);
    Label1_ = new QLabel("Total:");
    Label1_->setObjectName("Label1");
    Label1_->setMinimumHeight(Label1_->fontMetrics().lineSpacing());
    Command1_ = Button("&Add", "Command1", true);
    Command3_ = Button("&Edit", "Command3", false);
    Command2_ = Button("&Delete", "Command2", false);
    Command5_ = Button("&Select", "Command5", false);
    Command4_ = Button("&Close", "Command4", true);

    auto* left = new QVBoxLayout;
    left->addWidget(List1_, 1);
    left->addWidget(Label1_);
    auto* right = new QVBoxLayout;
    for (QPushButton* b : {Command1_, Command3_, Command2_, Command5_}) right->addWidget(b);
    right->addStretch(1);
    right->addWidget(Command4_);
    auto* main = new QHBoxLayout(this);
    main->addLayout(left, 1);
    main->addLayout(right);
    resize(560, 320);

    connect(Command1_, &QPushButton::clicked, this, &Form4::Command1_Click);
    connect(Command3_, &QPushButton::clicked, this, &Form4::Command3_Click);
    connect(Command2_, &QPushButton::clicked, this, &Form4::Command2_Click);
    connect(Command5_, &QPushButton::clicked, this, &Form4::Command5_Click);
    connect(Command4_, &QPushButton::clicked, this, &Form4::Command4_Click);
    connect(List1_, &QListWidget::itemSelectionChanged, this, &Form4::List1_Click);
    connect(List1_, &QListWidget::itemDoubleClicked, this, &Form4::List1_DblClick);

    // Key preview: the screen sees every key before the focused control.
    installEventFilter(this);
    for (QWidget* w : findChildren<QWidget*>()) w->installEventFilter(this);
}

void Form4::Form_Load() {
    setWindowTitle("KEL - File Specifications Screen");
    List1_->addItems(ReadFileSpecs());
    if (List1_->count() > 0) {
        List1_->setToolTip(kListTip);
        ShowTotal();
    }
}

void Form4::Form_Unload() {
    blnUnloaded_ = true;
    if (!blnChanged_) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QStringList strSpecs;
    for (int i = 0; i < List1_->count(); ++i) strSpecs << List1_->item(i)->text();
    WriteFileSpecs(strSpecs);
    QApplication::restoreOverrideCursor();
}

void Form4::done(int result) {
    if (!blnUnloaded_) Form_Unload();
    QDialog::done(result);
}

bool Form4::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        Command4_Click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

QString Form4::Ask(const QString& strPrompt, const QString& strTitle, const QString& strDefault) {
    QInputDialog box(this);
    box.setInputMode(QInputDialog::TextInput);
    box.setWindowTitle(strTitle);
    box.setLabelText(strPrompt);
    box.setTextValue(strDefault);
    if (!dialogs_.input || !dialogs_.input(box)) return {};
    return QString::fromStdString(StripBlanks(box.textValue().toStdString()));
}

void Form4::ShowTotal() { Label1_->setText("Total: " + QString::number(List1_->count())); }

QListWidgetItem* Form4::SelectedEntry() const {
    const QList<QListWidgetItem*> chosen = List1_->selectedItems();
    return chosen.isEmpty() ? nullptr : chosen.first();
}

void Form4::Command1_Click() {
    for (;;) {
        const QString strSpec = Ask(kPrompt + "\n\n" + kExamples, "Add File Specification", {});
        if (strSpec.isEmpty()) return;
        bool blnListed = false;
        for (int i = 0; i < List1_->count() && !blnListed; ++i) {
            blnListed = List1_->item(i)->text().compare(strSpec, Qt::CaseInsensitive) == 0;
        }
        if (blnListed) continue;
        blnChanged_ = true;
        List1_->addItem(strSpec);
        List1_->setToolTip(kListTip);
        ShowTotal();
    }
}

void Form4::Command3_Click() {
    QListWidgetItem* item = SelectedEntry();
    if (!item) return;
    const QString strSpec = Ask(kPrompt, "Edit File Specification", item->text());
    if (strSpec.isEmpty()) return;
    blnChanged_ = true;
    item->setText(strSpec);
}

void Form4::Command2_Click() {
    QListWidgetItem* item = SelectedEntry();
    if (!item) return;
    QMessageBox box(QMessageBox::Question, "Delete File Specification",
                    "Are you sure you want to delete the selected file specification?",
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setDefaultButton(QMessageBox::No);
    if (!dialogs_.question || dialogs_.question(box) != QMessageBox::Yes) return;
    delete List1_->takeItem(List1_->row(item));
    blnChanged_ = true;
    if (List1_->count() > 0) {
        List1_->setToolTip(kListTip);
        ShowTotal();
    } else {
        List1_->setToolTip({});
        Label1_->clear();
    }
    // The buttons follow whatever selection the removal left.
    List1_Click();
}

void Form4::Command5_Click() {
    const QListWidgetItem* item = SelectedEntry();
    if (!item) return;
    const FileSpecParts parts = SplitFileSpec(item->text());
    if (parts.blnHasFolder) {
        owner_.SetDrawingDrive(parts.strFolder);
        owner_.SetDrawingFolder(parts.strFolder);
    }
    owner_.SetDrawingPattern(parts.strPattern);
    done(QDialog::Accepted);
}

void Form4::List1_DblClick() { Command5_Click(); }

void Form4::List1_Click() {
    const bool blnSelected = SelectedEntry() != nullptr;
    for (QPushButton* b : {Command2_, Command3_, Command5_}) b->setEnabled(blnSelected);
}

void Form4::Command4_Click() { done(QDialog::Rejected); }

// The ".." button of the main window shows this screen modally.
void Form1::Command9_Click() {
    Form4 screen(*this);
    screen.exec();
}

}  // namespace kel::ui
