// The help file faq.fil of the application folder.
#pragma once

#include <QString>

namespace kel::ui {

// Path of faq.fil in the folder.
QString HelpFilePath(const QString& strAppFolder);
// Writes the bundled faq.fil into the folder unless a file of that name is
// there already (a user's edited copy is kept). False when it could not be written.
bool InstallHelpFile(const QString& strAppFolder);
// The bundled help text.
QByteArray BundledHelpText();

}  // namespace kel::ui
