#include "ui/Form1.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/DriveList.h"
#include "ui/FileList.h"
#include "ui/FolderList.h"
#include "ui/MessageLine.h"
#include "ui/QtUserMessages.h"

namespace kel::ui {

namespace {

template <class W>
W* Named(W* w, const char* name, const QString& strTip = {}) {
    w->setObjectName(name);
    if (!strTip.isEmpty()) w->setToolTip(strTip);
    return w;
}

// A label whose text may be long: it wraps and never widens the window.
QLabel* MessageLabel(const char* name) {
    auto* l = Named(new QLabel, name);
    l->setWordWrap(true);
    l->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return l;
}

}  // namespace

Form1::Form1(FormServices services, QWidget* parent) : QWidget(parent), services_(std::move(services)) {
    setObjectName("Form1");
    if (!services_.messages) {
        ownMessages_ = std::make_unique<QtUserMessages>(this);
    }
    BuildControls();
    // The lists start at the process's current folder, like a fresh folder list.
    Dir1_->SetPath(QDir::currentPath());
    Dir3_->SetPath(QDir::currentPath());
    Drive1_->ShowVolumeOf(Dir1_->Path());
    Drive3_->ShowVolumeOf(Dir3_->Path());
    ConnectControls();
    qApp->installEventFilter(this);
}

Form1::~Form1() {
    qApp->removeEventFilter(this);
    if (blnBusy_) QApplication::restoreOverrideCursor();
}

QWidget* Form1::BuildDrawingFrame() {
    Frame1_ = Named(new QGroupBox("1) Select Drawings to Modify"), "Frame1");
    Drive1_ = Named(new DriveList(services_.drives), "Drive1", " Select disk drive ");
    Dir1_ = Named(new FolderList, "Dir1", " Select directory ");
    Label3_ = Named(new QLabel, "Label3");
    Text5_ = Named(new QLineEdit("*.dwg"), "Text5");
    Command9_ = Named(new QPushButton(".."), "Command9", " File spec screen ");
    Command9_->setMaximumWidth(Command9_->fontMetrics().horizontalAdvance("....") + 24);
    List2_ = Named(new FileList, "List2");
    List2_->setSelectionMode(QAbstractItemView::MultiSelection);
    Label2_ = MessageLabel("Label2");
    Command13_ = Named(new QPushButton("Select All"), "Command13", " Select all drawings ");
    Label12_ = Named(new QLabel, "Label12");
    Label12_->setAlignment(Qt::AlignCenter);
    Command14_ = Named(new QPushButton("Unselect All"), "Command14", " De-select all drawings ");

    auto* pattern = new QHBoxLayout;
    pattern->addWidget(Text5_, 1);
    pattern->addWidget(Command9_);
    pattern->addWidget(Label3_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Command13_);
    buttons->addWidget(Label12_, 1);
    buttons->addWidget(Command14_);

    auto* v = new QVBoxLayout(Frame1_);
    v->addWidget(Drive1_);
    v->addWidget(Dir1_, 2);
    v->addLayout(pattern);
    v->addWidget(List2_, 3);
    v->addWidget(Label2_);
    v->addLayout(buttons);
    Label3_->setMinimumWidth(Label3_->fontMetrics().horizontalAdvance("32767 files"));
    // Empty labels keep their line so that the lists do not jump.
    for (QLabel* l : {Label2_, Label12_}) l->setMinimumHeight(l->fontMetrics().lineSpacing());
    return Frame1_;
}

QWidget* Form1::BuildTemplateFrame() {
    Frame4_ = Named(new QGroupBox("2) Select Template File to Use"), "Frame4");
    Drive3_ = Named(new DriveList(services_.drives), "Drive3", " Select disk drive ");
    Dir3_ = Named(new FolderList, "Dir3", " Select directory ");
    Label5_ = Named(new QLabel, "Label5");
    List1_ = Named(new FileList, "List1");
    List1_->setSelectionMode(QAbstractItemView::SingleSelection);
    Label6_ = MessageLabel("Label6");

    auto* v = new QVBoxLayout(Frame4_);
    v->addWidget(Drive3_);
    v->addWidget(Dir3_, 2);
    v->addWidget(Label5_);
    v->addWidget(List1_, 3);
    v->addWidget(Label6_);
    // Matches the row of Select All / Unselect All opposite, so the lists line up.
    v->addSpacing(Command13_->sizeHint().height() + v->spacing());
    // Keeps the count line as tall as the pattern row opposite.
    Label5_->setMinimumHeight(Text5_->sizeHint().height());
    Label6_->setMinimumHeight(Label6_->fontMetrics().lineSpacing());
    return Frame4_;
}

void Form1::BuildControls() {
    auto* frames = new QHBoxLayout;
    frames->addWidget(BuildDrawingFrame(), 1);
    frames->addWidget(BuildTemplateFrame(), 1);

    Command15_ =
        Named(new QPushButton("3) &Modify Attributes"), "Command15", " Modify attributes in selected drawings ");
    cmdPreview_ = Named(new QPushButton("Pre&view"), "cmdPreview", " Show what Modify would change, changing nothing ");
    cmdPreview_->setEnabled(false);
    Command5_ = Named(new QPushButton("&File"), "Command5", " Read drawings and templates from a file ");
    Command4_ = Named(new QPushButton("&About"), "Command4", " Help and info about KEL ");
    Command2_ = Named(new QPushButton("E&xit"), "Command2", " Exit KEL ");
    Label1_ = Named(new QLabel("Delimiter"), "Label1");
    txtDelimiter_ = Named(new QLineEdit, "txtDelimiter");
    txtDelimiter_->setMaximumWidth(txtDelimiter_->fontMetrics().horizontalAdvance("MMMM") + 16);
    Label1_->setBuddy(txtDelimiter_);
    chkAudit_ = Named(new QCheckBox("Update audit log file"), "chkAudit");
    chkAudit_->setChecked(true);

    auto* commands = new QHBoxLayout;
    commands->addWidget(Command15_);
    commands->addWidget(cmdPreview_);
    commands->addWidget(Command5_);
    commands->addWidget(Command4_);
    commands->addWidget(Command2_);
    commands->addSpacing(12);
    commands->addWidget(Label1_);
    commands->addWidget(txtDelimiter_);
    commands->addSpacing(12);
    commands->addWidget(chkAudit_);
    commands->addStretch(1);

    Frame5_ = Named(new QGroupBox("System Messages"), "Frame5");
    Label4_ = Named(new MessageLine, "Label4");
    // Shown while a run goes on: stops it between drawings.
    cmdCancel_ = Named(new QPushButton("&Cancel"), "cmdCancel", " Stop the run after the drawings in hand ");
    cmdCancel_->hide();
    auto* messages = new QHBoxLayout(Frame5_);
    messages->addWidget(Label4_, 1);
    messages->addWidget(cmdCancel_);

    // The runs' menu: the preview and taking the last run back.
    auto* menus = new QMenuBar;
    menus->setObjectName("mnuBar");
    QMenu* run = menus->addMenu("&Run");
    run->setObjectName("mnuRun");
    QAction* preview = run->addAction("&Preview...", this, &Form1::cmdPreview_Click);
    preview->setObjectName("mnuPreview");
    QAction* undo = run->addAction("&Undo last run...", this, &Form1::mnuUndoLast_Click);
    undo->setObjectName("mnuUndoLast");

    // The drawing under the cursor of the drawing list: the viewer and the export,
    // also on the list's context menu.
    QMenu* drawing = menus->addMenu("&Drawing");
    drawing->setObjectName("mnuDrawing");
    QAction* view = drawing->addAction("&View attributes", this, &Form1::List2_DblClick);
    view->setObjectName("mnuViewAttributes");
    List2_->addAction(view);
#if KEL_HAVE_SHEETS
    QAction* exportSheet = drawing->addAction("&Export attributes...", this, &Form1::mnuExportAttributes_Click);
    exportSheet->setObjectName("mnuExportAttributes");
    List2_->addAction(exportSheet);
#endif
    List2_->setContextMenuPolicy(Qt::ActionsContextMenu);

    auto* main = new QVBoxLayout(this);
    main->setMenuBar(menus);
    main->addLayout(frames, 1);
    main->addLayout(commands);
    main->addWidget(Frame5_);
    resize(900, 640);
}

void Form1::ConnectControls() {
    connect(Drive1_, &DriveList::changed, this, &Form1::Drive1_Change);
    connect(Dir1_, &FolderList::changed, this, &Form1::Dir1_Change);
    connect(Text5_, &QLineEdit::textChanged, this, &Form1::Text5_Change);
    connect(List2_, &QListWidget::itemSelectionChanged, this, [this] {
        if (!blnQuiet_) List2_Click();
    });
    connect(List2_, &QListWidget::itemDoubleClicked, this, &Form1::List2_DblClick);
    connect(Command13_, &QPushButton::clicked, this, &Form1::Command13_Click);
    connect(Command14_, &QPushButton::clicked, this, &Form1::Command14_Click);
    connect(Command9_, &QPushButton::clicked, this, &Form1::Command9_Click);
    connect(Drive3_, &DriveList::changed, this, &Form1::Drive3_Change);
    connect(Dir3_, &FolderList::changed, this, &Form1::Dir3_Change);
    connect(List1_, &QListWidget::itemSelectionChanged, this, [this] {
        if (!blnQuiet_) List1_Click();
    });
    // A click on the chosen template changes no selection but still applies the rule.
    connect(List1_, &QListWidget::itemClicked, this, &Form1::List1_Click);
    connect(List1_, &QListWidget::itemDoubleClicked, this, &Form1::List1_DblClick);
    connect(Command15_, &QPushButton::clicked, this, &Form1::Command15_Click);
    connect(cmdPreview_, &QPushButton::clicked, this, &Form1::cmdPreview_Click);
    connect(cmdCancel_, &QPushButton::clicked, this, [this] { blnCancel_ = true; });
    connect(Command5_, &QPushButton::clicked, this, &Form1::Command5_Click);
    connect(Command4_, &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(Command2_, &QPushButton::clicked, this, &Form1::Command2_Click);
    // The folder lists keep their drive list on the volume they show.
    for (auto [drive, dir] : {std::pair{Drive1_, Dir1_}, std::pair{Drive3_, Dir3_}}) {
        connect(dir, &FolderList::changed, drive, [drive, dir] {
            const QString strRoot = drive->Source().volumeOf ? drive->Source().volumeOf(dir->Path()) : QString();
            DriveList::RememberFolder(strRoot, dir->Path());
            drive->ShowVolumeOf(dir->Path());
        });
    }
}

bool Form1::SetDrawingDrive(const QString& strDrive) { return Drive1_->SetDrive(strDrive); }

bool Form1::SetDrawingFolder(const QString& strFolder) { return Dir1_->SetPath(strFolder); }

void Form1::SetDrawingPattern(const QString& strPattern) { Text5_->setText(strPattern); }

QString Form1::DrawingPath(int row) const {
    const QListWidgetItem* item = List2_->item(row);
    return item ? QDir::toNativeSeparators(QDir(Dir1_->Path()).filePath(item->text())) : QString();
}

IUserMessages* Form1::Messages() const { return services_.messages ? services_.messages : ownMessages_.get(); }

}  // namespace kel::ui
