#include "core/ProgressText.h"

#include <cmath>
#include <cstdio>

namespace ProgressText {

namespace {

std::string Grouped(std::uint64_t value) {
    std::string digits = std::to_string(value);
    for (auto at = static_cast<std::ptrdiff_t>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), ",");
    return digits;
}

std::string Duration(double seconds) {
    if (seconds < 1.5)
        return "about a second";
    if (seconds < 90)
        return "about " + std::to_string(std::lround(seconds)) + " seconds";
    if (seconds < 90 * 60)
        return "about " + std::to_string(std::lround(seconds / 60)) + " minutes";
    return "about " + std::to_string(std::lround(seconds / 3600)) + " hours";
}

} // namespace

std::string Files(std::size_t done, std::size_t count) {
    return Grouped(done) + " of " + Grouped(count) + (count == 1 ? " file" : " files");
}

std::string Size(std::uint64_t bytes) {
    if (bytes < 1000)
        return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
    static constexpr const char* kUnits[] = {"kB", "MB", "GB", "TB", "PB", "EB"};
    double value = static_cast<double>(bytes) / 1000;
    std::size_t unit = 0;
    // Rounded first: 999,999 bytes is "1.0 MB", not "1000.0 kB".
    while (std::round(value * 10) >= 10000 && unit + 1 < std::size(kUnits)) {
        value /= 1000;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %s", value, kUnits[unit]);
    return text;
}

std::string RateAndTimeLeft(const BatchJob::Progress& progress, double seconds) {
    // A second in, the pace says something; earlier it mostly says how long the start took.
    if (seconds < 1)
        return {};
    const bool byBytes = progress.bytesTotal > 0;
    const double done =
        byBytes ? static_cast<double>(progress.bytesDone) : static_cast<double>(progress.done);
    const double total =
        byBytes ? static_cast<double>(progress.bytesTotal) : static_cast<double>(progress.count);
    if (done <= 0)
        return {};
    const double rate = done / seconds;
    const std::string pace =
        byBytes ? Size(static_cast<std::uint64_t>(rate)) + "/s"
                : Grouped(static_cast<std::uint64_t>(std::lround(rate))) + " files a second";
    return pace + ", " + Duration(std::max(0.0, total - done) / rate) + " left";
}

} // namespace ProgressText
