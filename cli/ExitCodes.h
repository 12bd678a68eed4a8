// The exit status of kel-batch, the same for the same failure in every command.
#pragma once

namespace kel::cli {

// Everything asked for was done (or there was nothing to do).
constexpr int kExitOk = 0;
// One or more drawings failed or could not be read; the others were done.
constexpr int kExitDrawingsFailed = 1;
// Nothing was run: wrong arguments, a template refused, a list file missing or
// unreadable, the drawing component unavailable.
constexpr int kExitNotRun = 2;
// Nothing was run: the application folder or the audit log cannot be written.
constexpr int kExitNoLogs = 3;

// The lines --help prints about them.
inline const char* kExitCodesHelp =
    "Exit status:\n"
    "  0  every drawing was done (or there was nothing to do)\n"
    "  1  one or more drawings failed or could not be read; the others were done\n"
    "  2  nothing was run: wrong arguments, a template refused, a list file missing\n"
    "     or unreadable\n"
    "  3  nothing was run: the application folder or the audit log cannot be written\n";

}  // namespace kel::cli
