// The least a DXF change that reads every line can cost on this machine: each
// drawing is read, split into group code / value pairs by the reader's own
// tokenizer (nothing is indexed, listed or matched), and written back whole
// through the same flushed, atomic replacement a save uses. Prints the seconds
// of each step per drawing, for drawings given on the command line, all in one
// process as a batch would run them. With --touch it then times writing 64 MB
// of memory the process never touched before, and writing it again: what
// first touching a drawing's memory costs on this machine beside the writing
// itself.
//
//     kel-dxf-floor [--touch] DRAWING.dxf...
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "component/dxf/DxfTokenizer.h"
#include "platform/FileSystem.h"
#include "platform/FolderSync.h"
#include "platform/HeapReuse.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

}  // namespace

int main(int argc, char** argv) {
    const bool touch = argc > 1 && std::strcmp(argv[1], "--touch") == 0;
    if (touch) {
        --argc;
        ++argv;
    }
    if (argc < 2) {
        std::fprintf(stderr, "usage: kel-dxf-floor [--touch] DRAWING.dxf...\n");
        return 2;
    }
    kel::KeepLargeBuffersForReuse();
    double read = 0, split = 0, write = 0;
    std::size_t tokens = 0, bytes = 0;
    const int count = argc - 1;
    {
        kel::FolderSyncBatch folders;
        for (int i = 1; i < argc; ++i) {
            const std::string path = argv[i];
            std::string data, err;
            const auto t0 = Clock::now();
            if (!kel::ReadWholeFile(path, data, err)) {
                std::fprintf(stderr, "%s: %s\n", path.c_str(), err.c_str());
                return 1;
            }
            const auto t1 = Clock::now();
            kel::dxf::DxfTokenizer tokenizer(data);
            kel::dxf::DxfToken token;
            std::size_t attribs = 0;
            while (tokenizer.Next(token)) {
                ++tokens;
                if (token.code == 0 && token.value == "ATTRIB") ++attribs;
            }
            if (tokenizer.Failed()) {
                std::fprintf(stderr, "%s: %s\n", path.c_str(), tokenizer.Error().c_str());
                return 1;
            }
            const auto t2 = Clock::now();
            if (!kel::WriteFileAtomic(path, data, err)) {
                std::fprintf(stderr, "%s: %s\n", path.c_str(), err.c_str());
                return 1;
            }
            const auto t3 = Clock::now();
            read += Seconds(t0, t1);
            split += Seconds(t1, t2);
            write += Seconds(t2, t3);
            bytes += data.size();
            if (attribs == 0) std::fprintf(stderr, "%s: no ATTRIB\n", path.c_str());
        }
    }
    std::printf("drawings %d  MB %.2f  tokens %zu\n", count, bytes / 1e6 / count, tokens / count);
    std::printf("seconds per drawing: read %.4f  split %.4f  write+flush+rename %.4f  total %.4f\n",
                read / count, split / count, write / count, (read + split + write) / count);
    if (!touch) return 0;

    // Above the heap's 32 MB threshold, so fresh from the system.
    constexpr std::size_t kTouch = 64u << 20;
    const std::unique_ptr<char[]> fresh(new char[kTouch]);
    const auto t0 = Clock::now();
    std::memset(fresh.get(), 1, kTouch);
    const auto t1 = Clock::now();
    std::memset(fresh.get(), 2, kTouch);
    const auto t2 = Clock::now();
    std::printf("ms per MiB written: fresh memory %.3f  the same again %.3f  (check %d)\n",
                Seconds(t0, t1) * 1e3 / 64, Seconds(t1, t2) * 1e3 / 64, fresh[kTouch / 2]);
    return 0;
}
