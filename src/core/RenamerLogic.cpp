#include "core/RenamerLogic.h"

#include "core/BatchJob.h"

#include "core/Module1.h"

#include <limits>

namespace RenamerLogic {

namespace {

constexpr const char* kOtherFolder = "The new name would put the file into another folder";
constexpr const char* kNulInName = "The new name holds a NUL character";

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

std::string NumberText(Counter counter) {
    const std::string digits = std::to_string(counter);
    return counter < 10 ? "0" + digits : digits;
}

std::optional<Counter> ReadStartNumber(std::string_view text) {
    size_t i = 0;
    size_t end = text.size();
    while (i < end && IsBlank(text[i]))
        ++i;
    while (end > i && IsBlank(text[end - 1]))
        --end;
    bool negative = false;
    if (i < end && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Whole part, held back from overflowing: anything this large is out of range anyway.
    constexpr long kTooLarge = 1'000'000;
    long whole = 0;
    bool anyDigit = false;
    while (i < end && IsDigit(text[i])) {
        whole = std::min(kTooLarge, whole * 10 + (text[i] - '0'));
        anyDigit = true;
        ++i;
    }
    // The fraction only decides the rounding: above, below or exactly one half.
    int firstFraction = 0;
    bool restOfFraction = false;
    if (i < end && text[i] == '.') {
        ++i;
        const size_t start = i;
        while (i < end && IsDigit(text[i])) {
            if (i == start)
                firstFraction = text[i] - '0';
            else if (text[i] != '0')
                restOfFraction = true;
            anyDigit = true;
            ++i;
        }
    }
    if (!anyDigit || i != end)
        return std::nullopt;
    if (firstFraction > 5 || (firstFraction == 5 && (restOfFraction || whole % 2 == 1)))
        ++whole;
    const long value = negative ? -whole : whole;
    if (value < std::numeric_limits<Counter>::min() || value > std::numeric_limits<Counter>::max())
        return std::nullopt;
    return static_cast<Counter>(value);
}

Counter StartCounter(std::string_view text) {
    return ReadStartNumber(text).value_or(0);
}

Counter NextCounter(Counter counter) {
    if (counter == std::numeric_limits<Counter>::max())
        return counter;
    return static_cast<Counter>(counter + 1);
}

std::string NewNameKeepingExtension(const std::string& entry, const std::string& baseText,
                                    Counter counter) {
    return NewNameWithExtension(entry, baseText, counter, Module1::GetExtension(entry));
}

std::string NewNameWithExtension(const std::string& entry, const std::string& baseText,
                                 Counter counter, const std::string& extension) {
    return Module1::GetFolderPath(entry) + baseText + NumberText(counter) + "." + extension;
}

std::optional<std::string> RefuseNewName(const std::string& entry, const std::string& newName) {
    if (newName.find('\0') != std::string::npos)
        return kNulInName;
    // A "/" in the typed text, or an extension taken from a dotted folder name, would otherwise
    // move the file into whatever folder of that name happens to exist.
    const std::string folder = Module1::GetFolderPath(entry);
    if (newName.compare(0, folder.size(), folder) != 0 ||
        newName.find('/', folder.size()) != std::string::npos)
        return kOtherFolder;
    return std::nullopt;
}

std::vector<PlannedRename> PlanRenames(const std::vector<std::string>& entries,
                                       const RenameSettings& settings) {
    std::vector<PlannedRename> plan;
    plan.reserve(entries.size());
    Counter counter = StartCounter(settings.startText);
    for (const std::string& entry : entries) {
        PlannedRename step;
        step.from = entry;
        step.number = counter;
        step.to =
            settings.keepExtension
                ? NewNameKeepingExtension(entry, settings.baseText, counter)
                : NewNameWithExtension(entry, settings.baseText, counter, settings.newExtension);
        step.refusal = RefuseNewName(entry, step.to).value_or(std::string());
        plan.push_back(std::move(step));
        counter = NextCounter(counter);
    }
    return plan;
}

std::unique_ptr<BatchJob> RenameJob(std::vector<PlannedRename> plan, RenameFunction rename) {
    std::vector<std::string> from, to;
    from.reserve(plan.size());
    to.reserve(plan.size());
    for (const PlannedRename& step : plan) {
        from.push_back(step.from);
        to.push_back(step.to);
    }
    auto job = std::make_unique<BatchJob>(
        std::move(from),
        [plan = std::move(plan), rename = std::move(rename)](const BatchJob::Step& step) {
            const PlannedRename& planned = plan[step.index];
            return planned.refusal.empty() ? rename(planned.from, planned.to)
                                           : Result::failure(planned.refusal);
        });
    job->setTargets(std::move(to));
    return job;
}

} // namespace RenamerLogic
