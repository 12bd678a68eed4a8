#include "runs/WildcardScan.h"

#include <algorithm>
#include <filesystem>
#include <set>

#include "platform/FileSystem.h"
#include "runs/PathText.h"
#include "runs/Wildcard.h"

namespace kel {

namespace fs = std::filesystem;

namespace {

// Listing order: names compared without regard to ASCII case, then as bytes.
bool NameBefore(const std::string& a, const std::string& b) {
    const std::string ua = UpperAscii(a), ub = UpperAscii(b);
    return ua != ub ? ua < ub : a < b;
}

struct FolderListing {
    bool ok = false;
    std::vector<std::string> files;    // every non-folder entry, hidden ones included
    std::vector<std::string> folders;  // subfolders, hidden ones included
};

FolderListing ListFolder(const std::string& strPrefix) {
    FolderListing listing;
    std::error_code ec;
    fs::directory_iterator it(strPrefix.empty() ? fs::path(".") : PathFromUtf8(strPrefix), ec);
    if (ec) return listing;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) return listing;
        const std::string strName = PathToUtf8(it->path().filename());
        std::error_code typeError;
        if (it->is_directory(typeError)) {
            listing.folders.push_back(strName);
        } else if (!typeError) {
            listing.files.push_back(strName);
        }
    }
    if (ec) return listing;
    std::sort(listing.files.begin(), listing.files.end(), NameBefore);
    std::sort(listing.folders.begin(), listing.folders.end(), NameBefore);
    listing.ok = true;
    return listing;
}

bool IsHidden(const std::string& strName) { return !strName.empty() && strName[0] == '.'; }

std::string WithSeparator(const std::string& strFolder) {
    if (strFolder.empty() || IsPathSeparator(strFolder.back())) return strFolder;
    return strFolder + PathSeparator();
}

void ScanInto(const std::string& strPrefix, const std::string& strPattern, IStatusLine& status,
              std::set<fs::path>& entered, std::vector<std::string>& found) {
    std::error_code ec;
    const fs::path real = fs::canonical(strPrefix.empty() ? fs::path(".") : PathFromUtf8(strPrefix), ec);
    if (ec || !entered.insert(real).second) return;
    const FolderListing listing = ListFolder(strPrefix);
    if (!listing.ok) return;
    std::vector<std::string> subfolders;
    for (const std::string& strName : listing.folders) {
        if (IsHidden(strName)) continue;
        subfolders.push_back(strName);
        status.SetMessage("Scanning " + strPrefix + strName + "...");
        status.RepaintMessage();
    }
    for (const std::string& strName : listing.files) {
        if (WildcardMatch(strPattern, strName)) found.push_back(strPrefix + strName);
    }
    for (const std::string& strName : subfolders) {
        ScanInto(strPrefix + strName + PathSeparator(), strPattern, status, entered, found);
    }
}

}  // namespace

std::vector<std::string> ListMatchingFiles(const std::string& strFolder, const std::string& strPattern,
                                           IStatusLine& status) {
    status.SetMessage("Scanning " + strFolder + "...");
    status.RepaintMessage();
    const std::string strPrefix = WithSeparator(strFolder);
    std::vector<std::string> found;
    for (const std::string& strName : ListFolder(strPrefix).files) {
        if (!IsHidden(strName) && WildcardMatch(strPattern, strName)) found.push_back(strPrefix + strName);
    }
    return found;
}

std::vector<std::string> ScanFolder(const std::string& strFolder, const std::string& strPattern,
                                    IStatusLine& status) {
    std::set<fs::path> entered;
    std::vector<std::string> found;
    ScanInto(WithSeparator(strFolder), strPattern, status, entered, found);
    return found;
}

std::vector<std::string> FindEntryDrawings(const std::string& strEntry, IStatusLine& status) {
    const std::string strFolder = FolderPart(strEntry);
    std::string strName = GetFileName(strEntry);
    // A name without an extension means the DWG drawings of the whole tree.
    if (strName.find('.') == std::string::npos) return ScanFolder(strFolder, strName + ".dwg", status);
    return ListMatchingFiles(strFolder, strName, status);
}

}  // namespace kel
