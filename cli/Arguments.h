// The command line of kel-batch turned into one value, or a usage error.
#pragma once

#include <string>
#include <vector>

#include "runs/RunOptions.h"

namespace kel::cli {

enum class CliMode { Help, Version, Xml, Show, Modify, List, Runs, Undo, Export, Import };

struct CliArguments {
    CliMode mode = CliMode::Help;
    // Modify (-t TEMPLATE DRAWING...) and List (LIST.dlf).
    RunOptions run;
    // Xml and Show: the drawing; Show with --html: the page to write.
    std::string strDrawing;
    std::string strHtmlFile;
    // Export: the sheet to write, and the drawings, list files and wildcard
    // specifications to read. Import: the sheet to read.
    std::string strSheet;
    std::vector<std::string> sources;
    // No progress and no end summary on standard error.
    bool blnQuiet = false;
    // A dry run's changes as CSV instead of a table.
    bool blnCsv = false;
    // Undo: the run (the last when empty), and whether drawings changed since go back too.
    std::string strRunId;
    bool blnForce = false;
};

// The arguments after the program name. False, with a message for the user in
// strError, for an unknown option, an option without its value, a bad value,
// two commands at once, an option the command does not take, or no drawing.
bool ParseArguments(const std::vector<std::string>& args, CliArguments& parsed, std::string& strError);

// The usage text of --help, exit codes included.
std::string UsageText();

}  // namespace kel::cli
