#include "cli/Arguments.h"

#include <charconv>

#include "cli/ExitCodes.h"
#include "platform/AppFolder.h"

namespace kel::cli {

namespace {

const char* ModeOption(CliMode mode) {
    switch (mode) {
        case CliMode::Help:
            return "--help";
        case CliMode::Version:
            return "--version";
        case CliMode::Xml:
            return "--xml";
        case CliMode::Show:
            return "--show";
        case CliMode::Modify:
            return "-t";
        case CliMode::List:
            return "a drawing list file";
        case CliMode::Runs:
            return "--runs";
        case CliMode::Undo:
            return "--undo";
        case CliMode::Export:
            return "--export";
        case CliMode::Import:
            return "--import";
    }
    return "";
}

bool ParseCount(const std::string& strText, int& value) {
    const char* end = strText.data() + strText.size();
    const auto [ptr, ec] = std::from_chars(strText.data(), end, value);
    return ec == std::errc() && ptr == end;
}

// "K/N" with 1 <= K <= N.
bool ParseShard(const std::string& strText, Shard& shard) {
    const auto slash = strText.find('/');
    if (slash == std::string::npos) return false;
    return ParseCount(strText.substr(0, slash), shard.index) && ParseCount(strText.substr(slash + 1), shard.count) &&
           shard.count >= 1 && shard.index >= 1 && shard.index <= shard.count;
}

}  // namespace

bool ParseArguments(const std::vector<std::string>& args, CliArguments& parsed, std::string& strError) {
    parsed = CliArguments{};
    parsed.run.intJobs = DefaultJobs();
    if (args.empty()) {
        strError = "No command given.";
        return false;
    }
    bool blnMode = false;
    std::vector<std::string> positional;
    std::vector<std::string> runOptions;  // given options that only runs take
    bool blnListOption = false;
    const auto setMode = [&](CliMode mode) {
        if (blnMode && parsed.mode != mode) {
            strError = std::string("Give one command: ") + ModeOption(parsed.mode) + " and " + ModeOption(mode) +
                       " cannot be combined.";
            return false;
        }
        blnMode = true;
        parsed.mode = mode;
        return true;
    };
    bool blnHelp = false;
    bool blnFormat = false;
    bool blnForceGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const auto value = [&](std::string& target) {
            if (i + 1 >= args.size()) {
                strError = "Option " + a + " needs a value.";
                return false;
            }
            target = args[++i];
            return true;
        };
        std::string v;
        if (a == "--help" || a == "-h") {
            blnHelp = true;
        } else if (a == "--version") {
            if (!setMode(CliMode::Version)) return false;
        } else if (a == "--xml" || a == "--show") {
            if (!setMode(a == "--xml" ? CliMode::Xml : CliMode::Show) || !value(parsed.strDrawing)) return false;
        } else if (a == "--export" || a == "--import") {
            if (!setMode(a == "--export" ? CliMode::Export : CliMode::Import) || !value(parsed.strSheet)) return false;
        } else if (a == "--html") {
            if (!value(parsed.strHtmlFile)) return false;
        } else if (a == "-t") {
            if (!setMode(CliMode::Modify) || !value(parsed.run.strTemplate)) return false;
        } else if (a == "-d") {
            if (!value(parsed.run.strDelimiter)) return false;
            if (parsed.run.strDelimiter.size() != 1) {
                strError = "The delimiter must be one character.";
                return false;
            }
            runOptions.push_back(a);
        } else if (a == "--no-audit") {
            parsed.run.blnAudit = false;
            runOptions.push_back(a);
        } else if (a == "--log-scans") {
            parsed.run.blnLogScans = true;
            blnListOption = true;
            runOptions.push_back(a);
        } else if (a == "-j" || a == "--jobs") {
            if (!value(v)) return false;
            if (!ParseCount(v, parsed.run.intJobs) || parsed.run.intJobs < 1 || parsed.run.intJobs > 256) {
                strError = "Option " + a + " needs a number of drawings from 1 to 256, not '" + v + "'.";
                return false;
            }
            runOptions.push_back(a);
        } else if (a == "--shard") {
            if (!value(v)) return false;
            if (!ParseShard(v, parsed.run.shard)) {
                strError = "Option --shard needs K/N, the K-th of N slices (1 <= K <= N), not '" + v + "'.";
                return false;
            }
            runOptions.push_back(a);
        } else if (a == "--quiet" || a == "-q") {
            parsed.blnQuiet = true;
        } else if (a == "--dry-run") {
            parsed.run.blnDryRun = true;
            runOptions.push_back(a);
        } else if (a == "--format") {
            if (!value(v)) return false;
            if (v != "csv" && v != "table") {
                strError = "Option --format needs csv or table, not '" + v + "'.";
                return false;
            }
            parsed.blnCsv = v == "csv";
            blnFormat = true;
        } else if (a == "--no-journal") {
            parsed.run.blnJournal = false;
            runOptions.push_back(a);
        } else if (a == "--journal-runs" || a == "--journal-mb") {
            int n = 0;
            if (!value(v)) return false;
            if (!ParseCount(v, n) || n < 1) {
                strError = "Option " + a + " needs a number of at least 1, not '" + v + "'.";
                return false;
            }
            if (a == "--journal-runs") {
                parsed.run.intJournalRuns = n;
            } else {
                parsed.run.lngJournalMegabytes = static_cast<std::uint64_t>(n);
            }
            runOptions.push_back(a);
        } else if (a == "--runs") {
            if (!setMode(CliMode::Runs)) return false;
        } else if (a == "--undo") {
            if (!setMode(CliMode::Undo)) return false;
            // The run's id may follow.
            if (i + 1 < args.size() && !args[i + 1].empty() && args[i + 1][0] != '-') parsed.strRunId = args[++i];
        } else if (a == "--force") {
            blnForceGiven = true;
        } else if (a == "--") {
            positional.insert(positional.end(), args.begin() + static_cast<long>(i) + 1, args.end());
            break;
        } else if (a.size() > 1 && a[0] == '-') {
            strError = "Unknown option " + a + ".";
            return false;
        } else {
            positional.push_back(a);
        }
    }
    if (blnHelp) {
        parsed.mode = CliMode::Help;
        return true;
    }
    if (!blnMode) {
        if (positional.size() != 1) {
            strError = positional.empty() ? "No drawing list file given."
                                          : "Give one drawing list file, or -t TEMPLATE before drawings.";
            return false;
        }
        parsed.mode = CliMode::List;
        parsed.run.strListFile = positional.front();
        return true;
    }
    switch (parsed.mode) {
        case CliMode::Modify:
            if (blnListOption) {
                strError = "Option --log-scans is for drawing list files.";
                return false;
            }
            if (positional.empty()) {
                strError = "No drawing given.";
                return false;
            }
            parsed.run.drawings = std::move(positional);
            break;
        case CliMode::Import:
            if (blnListOption) {
                strError = "Option --log-scans is for drawing list files.";
                return false;
            }
            if (!positional.empty()) {
                strError = "Unexpected argument " + positional.front() + ": --import takes its drawings from the sheet.";
                return false;
            }
            break;
        case CliMode::Export:
            if (positional.empty()) {
                strError = "No drawing given: --export needs drawings, list files or wildcard specifications.";
                return false;
            }
            if (!runOptions.empty()) {
                strError = "Option " + runOptions.front() + " does not apply to --export.";
                return false;
            }
            parsed.sources = std::move(positional);
            break;
        case CliMode::Xml:
        case CliMode::Show:
        case CliMode::Version:
        case CliMode::Runs:
        case CliMode::Undo:
            if (!positional.empty()) {
                strError = "Unexpected argument " + positional.front() + ".";
                return false;
            }
            if (!runOptions.empty()) {
                strError = "Option " + runOptions.front() + " does not apply to " + ModeOption(parsed.mode) + ".";
                return false;
            }
            break;
        case CliMode::Help:
        case CliMode::List:
            break;
    }
    if (!parsed.strHtmlFile.empty() && parsed.mode != CliMode::Show) {
        strError = "Option --html is for --show.";
        return false;
    }
    if (blnFormat && !parsed.run.blnDryRun) {
        strError = "Option --format is for --dry-run.";
        return false;
    }
    parsed.blnForce = blnForceGiven;
    if (blnForceGiven && parsed.mode != CliMode::Undo) {
        strError = "Option --force is for --undo.";
        return false;
    }
    return true;
}

std::string UsageText() {
    return std::string(
               "Usage: kel-batch COMMAND\n"
               "Changes and shows block attribute values (title blocks) of DWG and DXF drawings.\n\n"
               "Commands:\n"
               "  --xml DRAWING       print the block attributes of DRAWING as XML\n"
               "  --show DRAWING [--html FILE]\n"
               "                      print the attribute table of DRAWING as CSV, or write it\n"
               "                      to FILE as HTML\n"
               "  -t TEMPLATE [OPTIONS] DRAWING...\n"
               "                      apply TEMPLATE to the drawings, saving each in place\n"
               "  [OPTIONS] LIST.dlf  run the drawing list file LIST.dlf\n"
#if KEL_HAVE_SHEETS
               "  --export OUT.xlsx|OUT.csv DRAWING|LIST.dlf|WILDCARD...\n"
               "                      write the attributes of the drawings as a sheet, one row\n"
               "                      per block insert, one column per tag\n"
               "  --import IN.xlsx|IN.csv [OPTIONS]\n"
               "                      bring the sheet's changed cells back into its drawings\n"
               "                      (options of -t apply)\n"
#endif
               "  --help              show this text\n"
               "  --version           show the version\n\n"
               "Options of -t, --import and list files:\n"
               "  -d DELIM            the delimiter of the template's tag lines (default ,)\n"
               "  --no-audit          write no audit log\n"
               "  --log-scans         wildcard entries of a list file write the logs too\n"
               "  -j, --jobs N        change N drawings at once (default: the number of cores);\n"
               "                      logs and messages are those of one after another\n"
               "  --shard K/N         run only the K-th of N slices of the drawings (logs\n"
               "                      audit-K-of-N.log and err-K-of-N.log)\n"
               "  -q, --quiet         no progress and no summary on standard error\n"
               "  --dry-run [--format csv|table]\n"
               "                      change nothing; print each attribute that would change\n"
               "  --no-journal        keep no originals for an undo of this run\n"
               "  --journal-runs N, --journal-mb N\n"
               "                      the journal keeps N runs, N megabytes (default 20, 2048)\n\n"
               "The journal:\n"
               "  --runs              list the runs that can be undone\n"
               "  --undo [ID] [--force]\n"
               "                      put back the drawings of run ID (default: the last run);\n"
               "                      drawings changed since are left unless --force\n\n"
               "Failures of drawings and warnings are printed on standard error, with their\n"
               "reasons; the audit log and error log are kept in the application folder:\n") +
           ApplicationFolderRule() + ".\n\n" +
           kExitCodesHelp;
}

}  // namespace kel::cli
