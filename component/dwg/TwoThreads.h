// Pieces of work (the pages of a section, runs of objects) shared by two
// threads: each piece is taken by exactly one of them, the next one nobody
// has taken yet.
#pragma once

#include <atomic>
#include <cstddef>
#include <thread>

namespace kel::dwg {

// Runs work(k) for every k in [0, count). When `help` is set and the machine
// has a second core, a second thread takes pieces too. work(k) must touch
// nothing another piece's work touches. False when some work(k) gave false or
// threw (memory running out); the other pieces are still worked on.
template <class Work>
bool ForEachOnTwoThreads(std::size_t count, bool help, Work&& work) {
    std::atomic<std::size_t> next{0};
    std::atomic<bool> ok{true};
    auto take = [&]() noexcept {
        for (std::size_t k = next++; k < count; k = next++) {
            try {
                if (!work(k)) ok = false;
            } catch (...) {
                ok = false;
            }
        }
    };
    std::thread helper;
    if (help && count > 1 && std::thread::hardware_concurrency() > 1) {
        try {
            helper = std::thread(take);
        } catch (...) {
            // Without a second thread this one takes every piece.
        }
    }
    take();
    if (helper.joinable()) helper.join();
    return ok;
}

}  // namespace kel::dwg
