#include "ui/DriveList.h"

#include <QFileInfo>
#include <QHash>

namespace kel::ui {

namespace {

QHash<QString, QString>& FoldersByVolume() {
    static QHash<QString, QString> folders;
    return folders;
}

}  // namespace

DriveList::DriveList(DriveSource source, QWidget* parent) : QComboBox(parent), source_(std::move(source)) {
    if (source_.volumes) addItems(source_.volumes());
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(12);
    connect(this, &QComboBox::currentIndexChanged, this, [this] { emit changed(); });
}

int DriveList::IndexOf(const QString& strRoot) {
    int i = findText(strRoot, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (i >= 0) return i;
    for (i = 0; i < count(); ++i) {
        if (QString::compare(itemText(i), strRoot, Qt::CaseInsensitive) > 0) break;
    }
    const QSignalBlocker block(this);
    insertItem(i, strRoot);
    return i;
}

bool DriveList::SetDrive(const QString& strDrive) {
    if (strDrive.isEmpty()) return false;
    QString strRoot = strDrive;
    if (findText(strDrive, Qt::MatchExactly | Qt::MatchCaseSensitive) < 0) {
        strRoot = source_.volumeOf ? source_.volumeOf(strDrive) : QString();
        if (strRoot.isEmpty()) return false;
    }
    const int i = IndexOf(strRoot);
    if (i != currentIndex()) setCurrentIndex(i);
    return true;
}

void DriveList::ShowVolumeOf(const QString& strFolder) {
    const QString strRoot = source_.volumeOf ? source_.volumeOf(strFolder) : QString();
    if (strRoot.isEmpty() || strRoot == currentText()) return;
    const int i = IndexOf(strRoot);
    const QSignalBlocker block(this);
    setCurrentIndex(i);
}

QString DriveList::CurrentFolderOf(const QString& strRoot) {
    const QString strFolder = FoldersByVolume().value(strRoot);
    return !strFolder.isEmpty() && QFileInfo(strFolder).isDir() ? strFolder : strRoot;
}

void DriveList::RememberFolder(const QString& strRoot, const QString& strFolder) {
    if (!strRoot.isEmpty()) FoldersByVolume().insert(strRoot, strFolder);
}

}  // namespace kel::ui
