// The texts the runs build from times and numbers: the log timestamp and the
// elapsed seconds of a summary.
#pragma once

#include <ctime>
#include <string>

namespace kel {

// "mm/dd/yyyy hh:mm:ss am/pm" on the 12-hour clock (noon 12:00:00 pm,
// midnight 12:00:00 am).
std::string FormatTimestamp(const std::tm& when);
// The local date and time now in that form.
std::string Timestamp();

// Digit grouping and decimal separators used for numbers shown to the user.
struct NumberSeparators {
    std::string group = ",";
    std::string decimal = ".";
};

// The separators in force; the window sets them from the user's locale.
NumberSeparators GetNumberSeparators();
void SetNumberSeparators(const NumberSeparators& separators);

// Seconds as "###,##0.00": at least one integer digit, two decimals rounded,
// groups of three digits.
std::string FormatSeconds(double seconds, const NumberSeparators& separators);
std::string FormatSeconds(double seconds);

// "Attributes for N file(s) modified in S second(s)."
std::string ModifiedSummary(long long count, double seconds);
// The same for a dry run: "Dry run, nothing saved: attributes for N file(s)
// would be modified (S second(s))."
std::string DryRunSummary(long long count, double seconds);
// The one of the two a run ends with.
std::string RunSummary(bool blnDryRun, long long count, double seconds);

}  // namespace kel
