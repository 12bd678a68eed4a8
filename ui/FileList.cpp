#include "ui/FileList.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QLocale>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

#include "runs/Wildcard.h"

namespace kel::ui {

FileList::FileList(QWidget* parent) : QListWidget(parent) {
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

void FileList::SetNames(QStringList names) {
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int c = QString::compare(a, b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    clear();
    addItems(names);
}

QStringList FileList::Names() const {
    QStringList names;
    for (int i = 0; i < count(); ++i) names << item(i)->text();
    return names;
}

int FileList::SelectedCount() const { return static_cast<int>(selectedItems().size()); }

void FileList::SetHorizontalExtent(int pixels) {
    extent_ = pixels;
    updateGeometries();
}

void FileList::updateGeometries() {
    QListWidget::updateGeometries();
    if (extent_ <= 0) return;
    const int range = std::max(0, extent_ - viewport()->width());
    horizontalScrollBar()->setRange(0, range);
    horizontalScrollBar()->setPageStep(viewport()->width());
}

QStringList MatchingFiles(const QString& strFolder, const QString& strPattern) {
    QStringList names;
    const std::string pattern = strPattern.toStdString();
    const QFileInfoList entries = QDir(strFolder).entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::NoSort);
    for (const QFileInfo& f : entries) {
        if (f.isHidden()) continue;
        if (WildcardMatch(pattern, f.fileName().toStdString())) names << f.fileName();
    }
    return names;
}

int HorizontalExtentFor(const QStringList& texts, const QFont& font) {
    const QFontMetricsF metrics(font);
    double widest = 0;
    for (const QString& t : texts) {
        widest = std::max(widest, std::nearbyint(metrics.horizontalAdvance(t)));
    }
    return static_cast<int>(widest) + 25;
}

QString FileDetailsText(const QString& strPath) {
    const QFileInfo info(strPath);
    if (!info.exists()) return {};
    const QLocale locale;
    return locale.toString(info.lastModified(), QLocale::ShortFormat) + "  " + locale.toString(info.size());
}

}  // namespace kel::ui
