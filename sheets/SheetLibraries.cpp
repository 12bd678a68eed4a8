#include "sheets/SheetLibraries.h"

#include "platform/SharedLibrary.h"

namespace kel::sheets {
namespace {

template <class Functions>
struct Loaded {
    explicit Loaded(const char* name) : library(name) {}
    SharedLibrary library;
    Functions functions;
    std::string error;  // empty once every function was found
};

template <class Functions>
const Functions* Result(const Loaded<Functions>& loaded, std::string& strErr) {
    if (loaded.error.empty()) return &loaded.functions;
    strErr = loaded.error;
    return nullptr;
}

// Looks up every function of a list; the first missing one is the error.
#define KEL_SHEET_FIND_FUNCTION(name)                                                                           \
    if (loaded->error.empty()) {                                                                                \
        loaded->functions.name = reinterpret_cast<decltype(loaded->functions.name)>(loaded->library.Symbol(#name)); \
        if (!loaded->functions.name) loaded->error = std::string(library) + " has no function " #name;        \
    }

}  // namespace

const XlsxWriterFunctions* LoadXlsxWriter(std::string& strErr) {
    static const auto* const loaded = [] {
        const char* library = KEL_XLSXWRITER_LIBRARY;
        auto* loaded = new Loaded<XlsxWriterFunctions>(library);
        if (!loaded->library.IsOpen()) {
            loaded->error = "Unable to load " + std::string(library) + " (" + loaded->library.Error() + ")";
        }
        KEL_XLSXWRITER_FUNCTIONS(KEL_SHEET_FIND_FUNCTION)
        return loaded;
    }();
    return Result(*loaded, strErr);
}

const ZipFunctions* LoadZip(std::string& strErr) {
    static const auto* const loaded = [] {
        const char* library = KEL_LIBZIP_LIBRARY;
        auto* loaded = new Loaded<ZipFunctions>(library);
        if (!loaded->library.IsOpen()) {
            loaded->error = "Unable to load " + std::string(library) + " (" + loaded->library.Error() + ")";
        }
        KEL_LIBZIP_FUNCTIONS(KEL_SHEET_FIND_FUNCTION)
        return loaded;
    }();
    return Result(*loaded, strErr);
}

}  // namespace kel::sheets
