#include "ui/HelpFile.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

// The resources of a static library are registered by name from outside any namespace.
static void RegisterUiResources() { Q_INIT_RESOURCE(kel_ui); }

namespace kel::ui {

QString HelpFilePath(const QString& strAppFolder) {
    return QDir::toNativeSeparators(QDir(strAppFolder).filePath("faq.fil"));
}

QByteArray BundledHelpText() {
    RegisterUiResources();
    QFile f(":/kel/faq.fil");
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool InstallHelpFile(const QString& strAppFolder) {
    const QString strPath = HelpFilePath(strAppFolder);
    if (QFile::exists(strPath)) return true;
    const QByteArray text = BundledHelpText();
    if (text.isEmpty()) return false;
    QSaveFile out(strPath);
    if (!out.open(QIODevice::WriteOnly)) return false;
    out.write(text);
    return out.commit();
}

}  // namespace kel::ui
