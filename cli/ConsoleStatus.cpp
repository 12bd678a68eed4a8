#include "cli/ConsoleStatus.h"

#include <cmath>
#include <cstdio>
#include <ostream>

namespace kel::cli {

std::string ProgressText(std::size_t done, std::size_t total, double seconds, const std::string& strDrawing,
                         std::size_t width) {
    char head[96];
    const double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0.0;
    if (rate > 0 && done < total) {
        const long left = std::lround(static_cast<double>(total - done) / rate);
        std::snprintf(head, sizeof head, "%zu/%zu drawings  %.1f/s  %ld:%02ld left  ", done, total, rate, left / 60,
                      left % 60);
    } else {
        std::snprintf(head, sizeof head, "%zu/%zu drawings  %.1f/s  ", done, total, rate);
    }
    std::string text = head;
    // The end of the path tells most; it is cut from the front to fit.
    const std::size_t room = text.size() < width ? width - text.size() : 0;
    if (strDrawing.size() <= room) {
        text += strDrawing;
    } else if (room > 3) {
        std::size_t from = strDrawing.size() - room + 3;
        // Never start inside a UTF-8 sequence.
        while (from < strDrawing.size() && (static_cast<unsigned char>(strDrawing[from]) & 0xC0) == 0x80) ++from;
        text += "..." + strDrawing.substr(from);
    }
    return text;
}

std::string RunSummaryText(int changed, int unchanged, int failed, double seconds) {
    char text[128];
    std::snprintf(text, sizeof text, "%d changed, %d unchanged, %d failed in %.2f s", changed, unchanged, failed,
                  seconds);
    return text;
}

void PrintRunEnd(bool blnDryRun, bool blnCsv, bool blnQuiet, const std::vector<ChangeRow>& changes, int changed,
                 int unchanged, int failed, double seconds, std::ostream& out, std::ostream& err) {
    if (blnDryRun) out << (blnCsv ? ChangesAsCsv(changes) : ChangesAsTable(changes));
    if (!blnQuiet) err << "kel-batch: " << RunSummaryText(changed, unchanged, failed, seconds) << ".\n";
}

}  // namespace kel::cli
