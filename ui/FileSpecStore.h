// The user's list of drawing file specifications in the settings store:
// section "FSpec", one key per entry named by its position and "Dir" (0Dir,
// 1Dir, ...), no count key.
#pragma once

#include <QString>
#include <QStringList>

namespace kel::ui {

inline const QString kFileSpecSection = "FSpec";

// The key of the entry at position i.
QString FileSpecKey(int i);

// The stored entries in key order, up to the first key that is missing or empty.
QStringList ReadFileSpecs();

// Replaces the whole section by strSpecs, keys 0Dir onwards.
void WriteFileSpecs(const QStringList& strSpecs);

}  // namespace kel::ui
