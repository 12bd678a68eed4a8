// The least a change of a DWG drawing of the R2004 organisation (R2004, R2010,
// R2013, R2018) can cost with this component's page codec on this machine:
// only the container's work of a save, no object decoded, listed, matched or
// encoded. Each copy of the original drawing is read, its pages are
// decompressed (on two threads where a save does so), the sections that
// differ in CHANGED.dwg (a drawing as kel-batch saved it from the original)
// are put in their place and compressed into pages as a save does, the file
// is written back through the same flushed, atomic replacement, and its
// container is read back as the save's check reads it (pages stored as they
// were taken as read). Prints the seconds of each step per drawing, all in
// one process as a batch would run them.
//
//     kel-dwg-floor CHANGED.dwg COPY.dwg...
#include <chrono>
#include <cstdio>
#include <map>
#include <string>

#include "component/dwg/DwgR2004File.h"
#include "component/dwg/DwgR2004Writer.h"
#include "platform/FileSystem.h"
#include "platform/FolderSync.h"
#include "platform/HeapReuse.h"

namespace {

using Clock = std::chrono::steady_clock;
using kel::dwg::R2004File;

double Seconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

// Says why a step failed for `path`; the exit status of a failed run.
int Fail(const std::string& path, const std::string& why) {
    std::fprintf(stderr, "%s: %s\n", path.c_str(), why.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: kel-dwg-floor CHANGED.dwg COPY.dwg...\n");
        return 2;
    }
    kel::KeepLargeBuffersForReuse();
    std::string changedBytes, err;
    R2004File changed;
    if (!kel::ReadWholeFile(argv[1], changedBytes, err) || !changed.Parse(changedBytes, err)) return Fail(argv[1], err);

    double read = 0, open = 0, pages = 0, write = 0, check = 0;
    std::size_t bytesIn = 0, bytesOut = 0, replacedBytes = 0;
    const int count = argc - 2;
    {
        kel::FolderSyncBatch folders;
        for (int i = 2; i < argc; ++i) {
            const std::string path = argv[i];
            std::string bytes, out;
            R2004File file;
            const auto t0 = Clock::now();
            if (!kel::ReadWholeFile(path, bytes, err)) return Fail(path, err);
            const auto t1 = Clock::now();
            if (!file.Parse(bytes, err)) return Fail(path, err);
            const auto t2 = Clock::now();
            // The sections whose data the change gave other bytes, as a save
            // hands them to the writer; the old data lets unchanged pages keep
            // their stored bytes.
            std::map<std::string, std::string> replaced;
            kel::dwg::R2004WriteOptions options;
            for (const kel::dwg::R2004Section& s : file.sections) {
                const kel::dwg::R2004Section* now = changed.Find(s.name);
                if (!now || now->data == s.data) continue;
                replaced[s.name] = now->data;
                options.previous[s.name] = s.data;
            }
            if (replaced.empty()) return Fail(path, std::string("no section differs from ") + argv[1]);
            if (!kel::dwg::WriteR2004(bytes, file, {replaced.begin(), replaced.end()}, options, out, err)) {
                return Fail(path, err);
            }
            const auto t3 = Clock::now();
            if (!kel::WriteFileAtomic(path, out, err)) return Fail(path, err);
            const auto t4 = Clock::now();
            kel::dwg::R2004KnownPages known;
            known.bytes = bytes;
            known.file = &file;
            for (const auto& s : file.sections) known.data[s.name] = s.data;
            R2004File back;
            if (!back.Parse(out, err, &known)) return Fail(path, "written file does not read back: " + err);
            const auto t5 = Clock::now();
            read += Seconds(t0, t1);
            open += Seconds(t1, t2);
            pages += Seconds(t2, t3);
            write += Seconds(t3, t4);
            check += Seconds(t4, t5);
            bytesIn += bytes.size();
            bytesOut += out.size();
            for (const auto& [name, data] : replaced) replacedBytes += data.size();
        }
    }
    const double total = read + open + pages + write + check;
    std::printf("drawings %d  MB %.2f  written MB %.2f  sections replaced MB %.2f\n", count, bytesIn / 1e6 / count,
                bytesOut / 1e6 / count, replacedBytes / 1e6 / count);
    std::printf("seconds per drawing: read %.4f  decompress %.4f  compress+assemble %.4f  write+flush+rename %.4f  "
                "read back %.4f  total %.4f  (%.1f MB/s)\n",
                read / count, open / count, pages / count, write / count, check / count, total / count,
                bytesIn / 1e6 / total);
    return 0;
}
