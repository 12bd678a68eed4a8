// The file lists of the pickers: names sorted without regard to case, and a
// horizontal scroll range set from the widest entry.
#pragma once

#include <QListWidget>

namespace kel::ui {

class FileList : public QListWidget {
    Q_OBJECT
public:
    explicit FileList(QWidget* parent = nullptr);

    // Replaces the entries by the names, sorted without regard to case.
    void SetNames(QStringList names);
    QStringList Names() const;
    int SelectedCount() const;

    // The horizontal scroll range covers extent pixels of content.
    void SetHorizontalExtent(int pixels);
    int HorizontalExtent() const { return extent_; }

protected:
    void updateGeometries() override;

private:
    int extent_ = 0;
};

// Enumerates the plain files (no folders, no hidden or system files) of a folder
// whose names match the wildcard pattern.
QStringList MatchingFiles(const QString& strFolder, const QString& strPattern);

// Largest width of the texts in whole pixels (nearest, halves to even) plus 25.
int HorizontalExtentFor(const QStringList& texts, const QFont& font);

// Last-modified date and time in the locale's short form, two spaces, and the
// length in bytes with digit grouping ("###,###,##0").
QString FileDetailsText(const QString& strPath);

}  // namespace kel::ui
