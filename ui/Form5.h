// The Preview window: what a Modify run would change, one row per attribute,
// sortable, with a filter box and the count of changes per drawing. "Run now"
// closes it accepted, and the window then starts the real run.
#pragma once

#include <QDialog>
#include <vector>

#include "engine/AttributeChange.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace kel::ui {

struct PreviewRow {
    QString drawing;
    AttributeChange change;
};

class Form5 : public QDialog {
    Q_OBJECT
public:
    Form5(const std::vector<PreviewRow>& rows, const QString& strSummary, QWidget* parent = nullptr);

    // Shows the rows any of whose cells holds the text (letter case ignored).
    void txtFilter_Change();

private:
    QLabel* lblSummary_ = nullptr;
    QLineEdit* txtFilter_ = nullptr;
    QTableWidget* tblChanges_ = nullptr;
    QTableWidget* tblDrawings_ = nullptr;
    QPushButton* cmdRun_ = nullptr;
    QPushButton* cmdClose_ = nullptr;
};

}  // namespace kel::ui
