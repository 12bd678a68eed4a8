#include "ui/FolderList.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QStyle>
#include <QStyledItemDelegate>

namespace kel::ui {

namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kLevelRole = Qt::UserRole + 1;
constexpr int kIndent = 14;

// Indents each entry by its depth below the root.
class IndentDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyleOptionViewItem shifted(option);
        shifted.rect.adjust(index.data(kLevelRole).toInt() * kIndent, 0, 0, 0);
        QStyledItemDelegate::paint(painter, shifted, index);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return QStyledItemDelegate::sizeHint(option, index) + QSize(index.data(kLevelRole).toInt() * kIndent, 0);
    }
};

QString Normalized(const QString& strFolder) { return QDir::cleanPath(QDir(strFolder).absolutePath()); }

}  // namespace

FolderList::FolderList(QWidget* parent) : QListWidget(parent) {
    setItemDelegate(new IndentDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    connect(this, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { SetPath(item->data(kPathRole).toString()); });
}

bool FolderList::SetPath(const QString& strFolder) {
    if (strFolder.isEmpty()) return false;
    const QFileInfo info(strFolder);
    if (!info.isDir() || !info.isReadable()) return false;
    const QString strPath = Normalized(strFolder);
    if (strPath == path_) return true;
    path_ = strPath;
    Fill();
    emit changed();
    return true;
}

QString FolderList::EntryPath(int i) const {
    const QListWidgetItem* it = item(i);
    return it ? it->data(kPathRole).toString() : QString();
}

void FolderList::Fill() {
    clear();
    QStringList chain;
    QDir dir(path_);
    while (!dir.isRoot()) {
        chain.prepend(dir.absolutePath());
        if (!dir.cdUp()) break;
    }
    chain.prepend(dir.absolutePath());

    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    auto add = [this](const QString& strPath, const QString& strText, int level, const QIcon& icon) {
        auto* it = new QListWidgetItem(icon, strText, this);
        it->setData(kPathRole, strPath);
        it->setData(kLevelRole, level);
        return it;
    };
    int level = 0;
    QListWidgetItem* current = nullptr;
    for (const QString& strPath : chain) {
        const QString strName =
            QDir(strPath).isRoot() ? QDir::toNativeSeparators(strPath) : QFileInfo(strPath).fileName();
        current = add(strPath, strName, level++, open);
    }
    const QStringList subfolders =
        QDir(path_).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString& strName : subfolders) {
        add(QDir(path_).filePath(strName), strName, level, closed);
    }
    setCurrentItem(current);
    scrollToItem(current);
}

}  // namespace kel::ui
