#include "runs/RunState.h"

namespace kel {

std::string strDWGname;
std::string strDWGpath;
std::string strTemplatePath;
std::int32_t lngModified = 0;
bool blnSubfolders = false;

}  // namespace kel
