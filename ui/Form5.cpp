#include "ui/Form5.h"

#include <algorithm>

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace kel::ui {

namespace {

QTableWidget* NewTable(const QStringList& headings, const char* name) {
    auto* t = new QTableWidget(0, headings.size());
    t->setObjectName(name);
    t->setHorizontalHeaderLabels(headings);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->verticalHeader()->hide();
    t->horizontalHeader()->setStretchLastSection(true);
    // One line a row; a cut path keeps its end, the file name.
    t->setWordWrap(false);
    t->setTextElideMode(Qt::ElideLeft);
    return t;
}

QTableWidgetItem* Cell(const std::string& text) { return new QTableWidgetItem(QString::fromStdString(text)); }

}  // namespace

Form5::Form5(const std::vector<PreviewRow>& rows, const QString& strSummary, QWidget* parent) : QDialog(parent) {
    setObjectName("Form5");
    setWindowTitle("Preview - KEL");
    lblSummary_ = new QLabel(strSummary);
    lblSummary_->setObjectName("lblSummary");
    lblSummary_->setWordWrap(true);
    txtFilter_ = new QLineEdit;
    txtFilter_->setObjectName("txtFilter");
    txtFilter_->setPlaceholderText("Filter: drawing, block, tag or value");
    txtFilter_->setClearButtonEnabled(true);

    tblChanges_ = NewTable({"Drawing", "Layout", "Block", "Handle", "Tag", "Old value", "New value", "Action"},
                           "tblChanges");
    tblChanges_->setRowCount(static_cast<int>(rows.size()));
    QMap<QString, int> perDrawing;
    QStringList order;
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const PreviewRow& row = rows[static_cast<std::size_t>(r)];
        const AttributeChange& c = row.change;
        auto* drawing = new QTableWidgetItem(row.drawing);
        drawing->setToolTip(row.drawing);
        tblChanges_->setItem(r, 0, drawing);
        int col = 1;
        for (const std::string* text : {&c.layout, &c.block, &c.handle, &c.tag, &c.oldValue, &c.newValue, &c.action}) {
            tblChanges_->setItem(r, col++, Cell(*text));
        }
        if (!perDrawing.contains(row.drawing)) order << row.drawing;
        ++perDrawing[row.drawing];
    }
    tblChanges_->setSortingEnabled(true);
    tblChanges_->resizeColumnsToContents();
    // Long paths leave room for the values; the whole path is in the tool tip.
    tblChanges_->setColumnWidth(0, std::min(tblChanges_->columnWidth(0), 280));

    tblDrawings_ = NewTable({"Drawing", "Changes"}, "tblDrawings");
    tblDrawings_->setRowCount(order.size());
    for (int r = 0; r < order.size(); ++r) {
        tblDrawings_->setItem(r, 0, new QTableWidgetItem(order[r]));
        auto* count = new QTableWidgetItem;
        count->setData(Qt::DisplayRole, perDrawing[order[r]]);
        tblDrawings_->setItem(r, 1, count);
    }
    tblDrawings_->setSortingEnabled(true);
    tblDrawings_->resizeColumnsToContents();
    tblDrawings_->setMaximumHeight(140);

    cmdRun_ = new QPushButton("&Run now");
    cmdRun_->setObjectName("cmdRun");
    cmdRun_->setToolTip(" Change the drawings as shown ");
    cmdRun_->setEnabled(!rows.empty());
    cmdClose_ = new QPushButton("&Close");
    cmdClose_->setObjectName("cmdClose");

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdRun_);
    buttons->addWidget(cmdClose_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblSummary_);
    layout->addWidget(txtFilter_);
    layout->addWidget(tblChanges_, 1);
    layout->addWidget(tblDrawings_);
    layout->addLayout(buttons);
    resize(900, 560);

    connect(txtFilter_, &QLineEdit::textChanged, this, &Form5::txtFilter_Change);
    connect(cmdRun_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdClose_, &QPushButton::clicked, this, &QDialog::reject);
}

void Form5::txtFilter_Change() {
    const QString text = txtFilter_->text();
    for (int r = 0; r < tblChanges_->rowCount(); ++r) {
        bool match = text.isEmpty();
        for (int c = 0; c < tblChanges_->columnCount() && !match; ++c) {
            const QTableWidgetItem* item = tblChanges_->item(r, c);
            match = item && item->text().contains(text, Qt::CaseInsensitive);
        }
        tblChanges_->setRowHidden(r, !match);
    }
}

}  // namespace kel::ui
