// A folder list: the current folder with its ancestors above it and its
// subfolders below, like the folder pane of a file dialog. Activating an entry
// (double-click or Enter) makes it the current folder.
#pragma once

#include <QListWidget>

namespace kel::ui {

class FolderList : public QListWidget {
    Q_OBJECT
public:
    explicit FolderList(QWidget* parent = nullptr);

    // The current folder: absolute, the letter case as given, no trailing
    // separator except for a root.
    QString Path() const { return path_; }
    // Makes strFolder current and signals changed() when it differs from
    // before. False (and nothing changes) when it is not a readable folder.
    bool SetPath(const QString& strFolder);
    // Folder path of entry i.
    QString EntryPath(int i) const;

signals:
    void changed();

private:
    void Fill();

    QString path_;
};

}  // namespace kel::ui
