// A drive list: the volumes of the machine by their root paths, one current.
#pragma once

#include <QComboBox>

#include "ui/DriveSource.h"

namespace kel::ui {

class DriveList : public QComboBox {
    Q_OBJECT
public:
    DriveList(DriveSource source, QWidget* parent = nullptr);

    // Root path of the current volume.
    QString Drive() const { return currentText(); }
    // Makes the volume named by strDrive (its root, or a path on it) current and
    // signals changed() when that differs from before. False when no such
    // volume exists.
    bool SetDrive(const QString& strDrive);
    // Shows the volume holding strFolder without signalling a change.
    void ShowVolumeOf(const QString& strFolder);
    const DriveSource& Source() const { return source_; }

    // The folder last used on a volume in this run, shared by every drive
    // list; the volume's root when none was used or it is gone.
    static QString CurrentFolderOf(const QString& strRoot);
    static void RememberFolder(const QString& strRoot, const QString& strFolder);

signals:
    void changed();

private:
    // Index of the volume, added in sorted place when missing.
    int IndexOf(const QString& strRoot);

    DriveSource source_;
};

}  // namespace kel::ui
