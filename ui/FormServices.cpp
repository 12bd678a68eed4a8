#include "ui/FormServices.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QProcess>
#include <QStringList>
#include <cstdio>
#include <cstdlib>

#include "ui/QtUserMessages.h"

namespace kel::ui {

bool OpenInTextEditor(const QString& strPath) {
    const QString strEditor = qEnvironmentVariable("KEL_EDITOR");
    if (!strEditor.isEmpty()) return QProcess::startDetached(strEditor, {strPath});
    return QDesktopServices::openUrl(QUrl::fromLocalFile(strPath));
}

QString QtFileFilter(const QString& strFilter) {
    const QStringList parts = strFilter.split('|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString strDescription = parts[i].trimmed();
        const qsizetype paren = strDescription.indexOf('(');
        if (paren > 0) strDescription = strDescription.left(paren).trimmed();
        QStringList patterns = parts[i + 1].split(';', Qt::SkipEmptyParts);
        for (QString& p : patterns) {
            p = p.trimmed();
            if (p == "*.*") p = "*";
        }
        filters << strDescription + " (" + patterns.join(' ') + ")";
    }
    return filters.join(";;");
}

FormServices DesktopServices() {
    static QtUserMessages messages;
    FormServices s;
    s.messages = &messages;
    s.beep = [] { QApplication::beep(); };
    s.openInEditor = OpenInTextEditor;
    s.openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    s.openFileDialog = [](QWidget* owner, const QString& strFilter, const QString& strTitle, const QString& strFolder) {
        return QFileDialog::getOpenFileName(owner, strTitle, strFolder, strFilter);
    };
    s.saveFileDialog = [](QWidget* owner, const QString& strFilter, const QString& strTitle, const QString& strFile) {
        return QFileDialog::getSaveFileName(owner, strTitle, strFile, strFilter);
    };
    // At once: no window closes, so nothing is saved; the runs have closed their logs.
    s.endProgram = [](int code) {
        std::fflush(nullptr);
        std::_Exit(code);
    };
    s.factory = DefaultComponentFactory();
    s.drives = MountedVolumes();
    return s;
}

}  // namespace kel::ui
