#include "sheets/SheetLibraries.h"

#include "platform/SharedLibrary.h"

namespace kel::sheets {
namespace {

template <class Functions>
struct Loaded {
    explicit Loaded(const char* soname) : name(soname), library(soname) {
        if (!library.IsOpen()) error = "Unable to load " + name + " (" + library.Error() + ")";
    }
    std::string name;
    SharedLibrary library;
    Functions functions;
    std::string error;  // empty once every function was found
};

// Looks a function up unless an earlier one was missing.
template <class Functions, class Pointer>
void Find(Loaded<Functions>& loaded, Pointer& slot, const char* function) {
    if (!loaded.error.empty()) return;
    slot = reinterpret_cast<Pointer>(loaded.library.Symbol(function));
    if (!slot) loaded.error = loaded.name + " has no function " + function;
}
#define KEL_SHEET_FIND_FUNCTION(name) Find(*loaded, loaded->functions.name, #name);

void FindAll(Loaded<XlsxWriterFunctions>* loaded) { KEL_XLSXWRITER_FUNCTIONS(KEL_SHEET_FIND_FUNCTION) }
void FindAll(Loaded<ZipFunctions>* loaded) { KEL_LIBZIP_FUNCTIONS(KEL_SHEET_FIND_FUNCTION) }

// Each library is loaded once, on first use, and kept until the program ends.
template <class Functions>
const Functions* LoadOnce(const char* soname, std::string& strErr) {
    static const auto* const loaded = [soname] {
        auto* loaded = new Loaded<Functions>(soname);
        FindAll(loaded);
        return loaded;
    }();
    if (loaded->error.empty()) return &loaded->functions;
    strErr = loaded->error;
    return nullptr;
}

}  // namespace

const XlsxWriterFunctions* LoadXlsxWriter(std::string& strErr) {
    return LoadOnce<XlsxWriterFunctions>(KEL_XLSXWRITER_LIBRARY, strErr);
}

const ZipFunctions* LoadZip(std::string& strErr) { return LoadOnce<ZipFunctions>(KEL_LIBZIP_LIBRARY, strErr); }

}  // namespace kel::sheets
