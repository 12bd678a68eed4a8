#include "cli/ModifyCommand.h"

#include <algorithm>

#include "cli/AppFolderCheck.h"
#include "cli/CliCommand.h"
#include "cli/ConsoleStatus.h"
#include "cli/ExitCodes.h"
#include "engine/IUserMessages.h"
#include "runs/ModifyRun.h"
#include "runs/PathText.h"

namespace kel::cli {

namespace {

struct ModifyArguments {
    std::string strTemplate;
    std::string strDelimiter = ",";
    bool blnAudit = true;
    std::vector<std::string> drawings;
};

bool ParseModifyArguments(const std::vector<std::string>& args, ModifyArguments& parsed, std::string& strErr) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "-t" || a == "-d") {
            if (i + 1 >= args.size()) {
                strErr = "Option " + a + " needs a value.";
                return false;
            }
            (a == "-t" ? parsed.strTemplate : parsed.strDelimiter) = args[++i];
        } else if (a == "--no-audit") {
            parsed.blnAudit = false;
        } else if (a.size() > 1 && a[0] == '-' && a != "--") {
            strErr = "Unknown option " + a + ".";
            return false;
        } else if (a == "--") {
            parsed.drawings.insert(parsed.drawings.end(), args.begin() + static_cast<long>(i) + 1, args.end());
            break;
        } else {
            parsed.drawings.push_back(a);
        }
    }
    if (parsed.strTemplate.empty()) {
        strErr = "No template given (-t TEMPLATE).";
    } else if (parsed.strDelimiter.size() != 1) {
        strErr = "The delimiter must be one character.";
    } else if (parsed.drawings.empty()) {
        strErr = "No drawing given.";
    } else {
        return true;
    }
    return false;
}

// The window of a command line run: every drawing selected, each in its own folder.
class ConsoleModifyWindow : public ConsoleStatus<IModifyWindow> {
public:
    ConsoleModifyWindow(const ModifyArguments& args, std::ostream& out, std::ostream& err)
        : ConsoleStatus(out, err), args_(args) {}

    std::string TemplateFolder() override { return FolderPart(args_.strTemplate); }
    std::string TemplateName() override { return GetFileName(args_.strTemplate); }
    std::string DrawingFolder() override { return {}; }
    std::vector<DrawingItem> Drawings() override {
        std::vector<DrawingItem> items;
        for (const std::string& path : args_.drawings) {
            items.push_back(DrawingItem{GetFileName(path), true, FolderPart(path)});
        }
        return items;
    }
    std::string Delimiter() override { return args_.strDelimiter; }
    bool AuditOn() override { return args_.blnAudit; }
    void UnselectDrawings() override {}
    void DisableModify() override {}

private:
    const ModifyArguments& args_;
};

}  // namespace

int RunModifyCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    ModifyArguments parsed;
    std::string strErr;
    if (!ParseModifyArguments(args, parsed, strErr)) {
        err << strErr << '\n' << "Usage: kel-batch -t TEMPLATE [-d DELIM] [--no-audit] DRAWING...\n";
        return kExitNotRun;
    }
    if (!CheckApplicationFolder(err, parsed.blnAudit)) return kExitNoLogs;
    ConsoleModifyWindow window(parsed, out, err);
    StderrMessages messages;
    const ModifyRunResult result = RunModify(window, DefaultComponentFactory(), &messages);
    switch (result.outcome) {
        case ModifyRunResult::Outcome::TemplateRejected:
            err << "kel-batch: " << parsed.strTemplate << ": " << result.strTemplateError << '\n';
            return kExitNotRun;
        case ModifyRunResult::Outcome::ComponentFailed:
            return kExitNotRun;
        case ModifyRunResult::Outcome::LogsUnwritable:
            return kExitNoLogs;
        case ModifyRunResult::Outcome::Finished:
            break;
    }
    return result.errorLines == 0 ? kExitOk : kExitDrawingsFailed;
}

namespace {

const Registration reg{CliCommand{
    "-t TEMPLATE [-d DELIM] [--no-audit] DRAWING...",
    "apply TEMPLATE to the drawings, saving each in place",
    20,
    [](const Args& args) { return std::find(args.begin(), args.end(), "-t") != args.end(); },
    RunModifyCommand,
}};

}  // namespace

}  // namespace kel::cli
