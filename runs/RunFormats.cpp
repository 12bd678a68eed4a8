#include "runs/RunFormats.h"

#include <cmath>
#include <cstdio>
#include <mutex>

#include "platform/LocalTime.h"

namespace kel {

namespace {

std::string TwoDigits(int n) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d", n);
    return buf;
}

std::mutex separatorsMutex;
NumberSeparators separatorsInForce;

}  // namespace

std::string FormatTimestamp(const std::tm& when) {
    int hour = when.tm_hour % 12;
    if (hour == 0) hour = 12;
    char year[16];
    std::snprintf(year, sizeof year, "%04d", when.tm_year + 1900);
    return TwoDigits(when.tm_mon + 1) + "/" + TwoDigits(when.tm_mday) + "/" + year + " " + TwoDigits(hour) +
           ":" + TwoDigits(when.tm_min) + ":" + TwoDigits(when.tm_sec) + (when.tm_hour < 12 ? " am" : " pm");
}

std::string Timestamp() {
    const std::time_t now = std::time(nullptr);
    const std::tm local = LocalTime(now);
    return FormatTimestamp(local);
}

NumberSeparators GetNumberSeparators() {
    std::lock_guard lock(separatorsMutex);
    return separatorsInForce;
}

void SetNumberSeparators(const NumberSeparators& separators) {
    std::lock_guard lock(separatorsMutex);
    separatorsInForce = separators;
}

std::string FormatSeconds(double seconds, const NumberSeparators& separators) {
    const bool negative = seconds < 0;
    // Work in hundredths so that rounding carries into the integer part.
    const long long hundredths = std::llround(std::fabs(seconds) * 100.0);
    const std::string digits = std::to_string(hundredths / 100);
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) grouped += separators.group;
        grouped += digits[i];
    }
    const std::string decimals = TwoDigits(static_cast<int>(hundredths % 100));
    return (negative && hundredths != 0 ? "-" : "") + grouped + separators.decimal + decimals;
}

std::string FormatSeconds(double seconds) { return FormatSeconds(seconds, GetNumberSeparators()); }

std::string ModifiedSummary(long long count, double seconds) {
    return "Attributes for " + std::to_string(count) + " file(s) modified in " + FormatSeconds(seconds) +
           " second(s).";
}

std::string DryRunSummary(long long count, double seconds) {
    return "Dry run, nothing saved: attributes for " + std::to_string(count) + " file(s) would be modified (" +
           FormatSeconds(seconds) + " second(s)).";
}

std::string RunSummary(bool blnDryRun, long long count, double seconds) {
    return blnDryRun ? DryRunSummary(count, seconds) : ModifiedSummary(count, seconds);
}

}  // namespace kel
