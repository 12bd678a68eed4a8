// Times the DWG page compressors and decompressors on the sections of real
// drawings: every compressed section of each drawing given is cut into
// pages of its own page size, as a save writes them, and each page is
// compressed and decompressed again (checked to give back its bytes).
//
//     kel-page-codec DRAWING.dwg...
//
// Prints, per drawing, the decompressed bytes, the compressed size against
// them (and, for the R2004 codec, the size the drawing's own writer stored
// them in, "file's"), and the speed of each direction in MB (10^6 bytes) of
// decompressed data a second, the best of three rounds.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "component/dwg/Dwg2007Compress.h"
#include "component/dwg/Dwg2007Decompress.h"
#include "component/dwg/DwgCompress.h"
#include "component/dwg/DwgDecompress.h"
#include "component/dwg/DwgR2004File.h"
#include "component/dwg/DwgR2007File.h"

using namespace kel::dwg;

namespace {

struct Pages {
    std::vector<std::string> plain;
    bool r2007 = false;
    std::size_t storedBytes = 0;  // the same pages as the drawing's writer compressed them (R2004 codec)
};

void Cut(std::string_view data, std::size_t pageSize, Pages& pages) {
    for (std::size_t at = 0; at < data.size(); at += pageSize) {
        std::string page(data.substr(at, pageSize));
        page.resize(pageSize, '\0');  // the last page is padded as a save pads it
        pages.plain.push_back(std::move(page));
    }
}

bool Load(const std::string& path, Pages& pages, std::string& why) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const std::string version = bytes.substr(0, 6);
    if (version == "AC1021") {
        R2007File file;
        if (!file.Parse(bytes, why)) return false;
        pages.r2007 = true;
        for (const R2007Section& s : file.sections) {
            if (s.readable && s.maxSize > 0) Cut(s.data, s.maxSize, pages);
        }
        return true;
    }
    if (version >= "AC1018") {
        R2004File file;
        if (!file.Parse(bytes, why)) return false;
        for (const R2004Section& s : file.sections) {
            if (s.readable && s.compressed == 2 && s.maxPageSize > 0) {
                Cut(s.data, s.maxPageSize, pages);
                for (const R2004SectionPage& page : s.pages) pages.storedBytes += page.dataSize;
            }
        }
        return true;
    }
    why = "not a drawing of R2004 or later (" + version + ")";
    return false;
}

double BestSeconds(const std::function<void()>& round) {
    double best = 1e9;
    for (int i = 0; i < 3; ++i) {
        const auto start = std::chrono::steady_clock::now();
        round();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    std::printf("%-44s %7s %10s %6s %6s %12s %12s\n", "drawing", "codec", "MB", "ratio", "file's", "compress",
                "decompress");
    int failed = 0;
    for (int a = 1; a < argc; ++a) {
        Pages pages;
        std::string why;
        if (!Load(argv[a], pages, why)) {
            std::fprintf(stderr, "%s: %s\n", argv[a], why.c_str());
            ++failed;
            continue;
        }
        std::vector<std::string> packed(pages.plain.size());
        std::size_t plainBytes = 0;
        for (const std::string& p : pages.plain) plainBytes += p.size();
        const double compress = BestSeconds([&] {
            for (std::size_t i = 0; i < pages.plain.size(); ++i) {
                if (pages.r2007) {
                    packed[i] = Compress2007(pages.plain[i]);
                } else {
                    Compress2004(pages.plain[i], packed[i]);
                }
            }
        });
        std::size_t packedBytes = 0;
        for (const std::string& p : packed) packedBytes += p.size();
        bool same = true;
        const double decompress = BestSeconds([&] {
            std::string back, error;
            for (std::size_t i = 0; i < packed.size(); ++i) {
                const bool ok = pages.r2007 ? Decompress2007(packed[i], pages.plain[i].size(), back, error)
                                            : Decompress2004(packed[i], pages.plain[i].size(), back);
                same = same && ok && back == pages.plain[i];
            }
        });
        if (!same) {
            std::fprintf(stderr, "%s: a page did not come back as it was\n", argv[a]);
            ++failed;
        }
        std::string name = argv[a];
        name = name.substr(name.find_last_of('/') + 1);
        // Corpus file names start with where they came from, up to "__".
        if (const std::size_t cut = name.find("__"); cut != std::string::npos) name = name.substr(cut + 2);
        char fileRatio[16] = "     -";
        if (pages.storedBytes > 0 && plainBytes > 0) {
            std::snprintf(fileRatio, sizeof fileRatio, "%6.3f", double(pages.storedBytes) / plainBytes);
        }
        std::printf("%-44s %7s %10.2f %6.3f %s %7.1f MB/s %7.1f MB/s\n", name.c_str(), pages.r2007 ? "R2007" : "R2004",
                    plainBytes / 1e6, plainBytes ? double(packedBytes) / plainBytes : 0.0, fileRatio,
                    plainBytes / compress / 1e6, plainBytes / decompress / 1e6);
    }
    return failed == 0 ? 0 : 1;
}
