#include "ui/SettingsStore.h"

#include <QSettings>

namespace kel::ui {

namespace {

QSettings Store() { return QSettings(QSettings::IniFormat, QSettings::UserScope, "KEL", "KEL"); }

QString KeyPath(const QString& strSection, const QString& strKey) { return strSection + "/" + strKey; }

}  // namespace

QString GetSetting(const QString& strSection, const QString& strKey, const QString& strDefault) {
    const QVariant v = Store().value(KeyPath(strSection, strKey));
    return v.isValid() ? v.toString() : strDefault;
}

bool HasSetting(const QString& strSection, const QString& strKey) {
    return Store().contains(KeyPath(strSection, strKey));
}

void SaveSetting(const QString& strSection, const QString& strKey, const QString& strValue) {
    QSettings s = Store();
    s.setValue(KeyPath(strSection, strKey), strValue);
    s.sync();
}

void DeleteSection(const QString& strSection) {
    QSettings s = Store();
    s.remove(strSection);
    s.sync();
}

}  // namespace kel::ui
