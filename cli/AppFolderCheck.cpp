#include "cli/AppFolderCheck.h"

#include <ostream>
#include <string>

#include "platform/AppFolder.h"

namespace kel::cli {

bool CheckApplicationFolder(std::ostream& err, bool blnRequired) {
    std::string strProblem;
    const std::string strFolder = ApplicationFolder(&strProblem);
    if (strProblem.empty()) return true;
    err << "kel-batch: the application folder " << strFolder << " cannot be used (" << strProblem << ").\n"
        << (blnRequired ? "Nothing was done. " : "Going on without logs and journal. ")
        << "Set KEL_HOME to a folder you may write.\n";
    return !blnRequired;
}

}  // namespace kel::cli
