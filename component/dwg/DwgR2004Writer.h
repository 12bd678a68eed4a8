// Writes a file of the R2004 page organisation (AC1018 and the versions that
// share it) again with new contents for some of its data sections: the pages
// of every other section are copied as stored (their headers re-masked for
// their new address), the new sections are cut into pages of their page size
// and compressed (a full page with the same data as before keeps its stored
// bytes), and the section map, page map and both copies of the file
// header are written anew with every checksum and CRC.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>

#include "component/dwg/DwgR2004File.h"

namespace kel::dwg {

struct R2004WriteOptions {
    // False stores the new sections' pages uncompressed (the section map
    // then says so); the system pages are compressed either way.
    bool compress = true;
    // The replaced sections' data as the file holds them now, where the
    // file's own R2004Section does not hold it. A compressed page whose data
    // is the same in full keeps its stored bytes instead of being compressed
    // again.
    std::map<std::string, std::string_view> previous;
    // Pages to compress that hold this many bytes or more in all are shared
    // with a second thread (the same bytes come out either way).
    std::size_t helpFrom = 1024 * 1024;
};

// `file` is `bytes` parsed; `replaced` maps section names to their new
// decompressed data. False with a reason (and `out` unusable) when a named
// section is missing or encrypted, or a page lies outside the file.
bool WriteR2004(std::string_view bytes, const R2004File& file,
                const std::map<std::string, std::string_view>& replaced, const R2004WriteOptions& options,
                std::string& out, std::string& why);

}  // namespace kel::dwg
