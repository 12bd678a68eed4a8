// The per-user settings of KEL: text values by section and key, kept by
// QSettings in INI form under the organisation and application "KEL".
#pragma once

#include <QString>

namespace kel::ui {

// The stored text; strDefault when the key is missing.
QString GetSetting(const QString& strSection, const QString& strKey, const QString& strDefault = {});
// True when the key exists in the section.
bool HasSetting(const QString& strSection, const QString& strKey);
void SaveSetting(const QString& strSection, const QString& strKey, const QString& strValue);
// Removes the section and all its keys; a missing section is no error.
void DeleteSection(const QString& strSection);

}  // namespace kel::ui
