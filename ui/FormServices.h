// What the main window asks of the desktop: message boxes, the beep, the text
// editor, URLs, the file-open dialog, ending the program, the drawing component
// and the list of drives. Tests replace any of them.
#pragma once

#include <QString>
#include <QUrl>
#include <functional>

#include "engine/IUserMessages.h"
#include "engine/cAutoCAD.h"
#include "ui/DriveSource.h"

class QDialog;
class QWidget;

namespace kel::ui {

struct FormServices {
    // Message boxes; nullptr shows real ones.
    IUserMessages* messages = nullptr;
    std::function<void()> beep;
    // Opens a file in the text editor without waiting; false when nothing started.
    std::function<bool(const QString& strPath)> openInEditor;
    std::function<bool(const QUrl& url)> openUrl;
    // Asks for an existing file; "" when cancelled. The filter is in Qt's form.
    std::function<QString(QWidget* owner, const QString& strFilter, const QString& strTitle, const QString& strFolder)>
        openFileDialog;
    // Asks for a file to write; "" when cancelled. The filter is in Qt's form.
    std::function<QString(QWidget* owner, const QString& strFilter, const QString& strTitle, const QString& strFile)>
        saveFileDialog;
    // Ends the process at once, without the window's shutdown.
    std::function<void(int code)> endProgram;
    ComponentFactory factory;
    DriveSource drives;
    // A yes/no question; nullptr asks with a real message box.
    std::function<bool(QWidget* owner, const QString& strTitle, const QString& strText)> confirm;
    // Shows a modal dialog and returns its result; nullptr runs it with exec().
    std::function<int(QDialog& dialog)> execDialog;
};

// The real desktop: $KEL_EDITOR or the default application for files, the
// desktop's URL handler, QFileDialog, QApplication::beep, an immediate exit, the real
// component and the mounted volumes.
FormServices DesktopServices();

// Starts $KEL_EDITOR with the path as its one argument when the variable is set,
// otherwise opens the file with the desktop's default application.
bool OpenInTextEditor(const QString& strPath);

// "desc|pattern|desc|pattern" as the runs write it, in Qt's "desc (patterns);;..."
// form; "*.*" becomes "*" so that names without a dot are offered too.
QString QtFileFilter(const QString& strFilter);

}  // namespace kel::ui
