#include "ui/FileSpecStore.h"

#include "ui/SettingsStore.h"

namespace kel::ui {

QString FileSpecKey(int i) { return QString::number(i) + "Dir"; }

QStringList ReadFileSpecs() {
    QStringList strSpecs;
    for (int i = 0;; ++i) {
        const QString strSpec = GetSetting(kFileSpecSection, FileSpecKey(i));
        if (strSpec.isEmpty()) break;
        strSpecs << strSpec;
    }
    return strSpecs;
}

void WriteFileSpecs(const QStringList& strSpecs) {
    DeleteSection(kFileSpecSection);
    for (int i = 0; i < strSpecs.size(); ++i) SaveSetting(kFileSpecSection, FileSpecKey(i), strSpecs[i]);
}

}  // namespace kel::ui
