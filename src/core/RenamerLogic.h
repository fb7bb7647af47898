#pragma once

#include "core/BatchJob.h"
#include "core/FileOps.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The batch renamer without its window: numbering and naming of a renaming run, and the run
// itself. Every text here is bytes: the window turns what is typed into bytes (TypedBytes) once.
namespace RenamerLogic {

// The renamer numbers with a 16-bit signed counter, like every other count of the program.
using Counter = std::int16_t;

// "0" in front of every value below 10, negative ones and 0 included: 9 gives "09", 10 gives
// "10", 0 gives "00", -3 gives "0-3".
std::string NumberText(Counter counter);

// The start number text as a 16-bit number: blanks around it allowed, a fraction rounded to the
// nearest whole number (halves to the even one). Nothing when the text is no number or the
// number does not fit in 16 bits.
std::optional<Counter> ReadStartNumber(std::string_view text);

// The first number of a run: the start number, 0 when it cannot be read.
Counter StartCounter(std::string_view text);

// The number of the next entry. Past 32767 the counter cannot go: it stays there.
Counter NextCounter(Counter counter);

// The entry's folder, the base text, the number text, ".", the extension. With the extension
// kept, that is everything after the entry's last "." (folder part included when only a folder
// name holds a dot).
std::string NewNameKeepingExtension(const std::string& entry, const std::string& baseText,
                                    Counter counter);
std::string NewNameWithExtension(const std::string& entry, const std::string& baseText,
                                 Counter counter, const std::string& extension);

// Why a new name must not be used, or nothing when it may: a rename never moves a file into
// another folder, and a name cannot hold a NUL byte.
std::optional<std::string> RefuseNewName(const std::string& entry, const std::string& newName);

// What the user set in the window for one run.
struct RenameSettings {
    std::string baseText;       // may be empty
    std::string startText;      // read by StartCounter
    bool keepExtension = false; // each file keeps its own extension
    std::string newExtension;   // without the dot; used when the extension is not kept
};

// One entry of a run, numbered and named before any file is touched.
struct PlannedRename {
    std::string from;
    std::string to;
    Counter number = 0;
    std::string refusal; // not empty: the rename is not tried and fails with this description
};

// Numbers and names every entry in order. Every entry uses up a number, refused or not.
std::vector<PlannedRename> PlanRenames(const std::vector<std::string>& entries,
                                       const RenameSettings& settings);

using RenameFunction = std::function<Result(const std::string& from, const std::string& to)>;

inline Result MoveWithoutReplacing(const std::string& from, const std::string& to) {
    return FileOps::MoveFile(from, to);
}

// The job that renames every planned entry in order; a failing one is left under its old name
// and the run goes on, its failure named in the run's message.
std::unique_ptr<BatchJob> RenameJob(std::vector<PlannedRename> plan,
                                    RenameFunction rename = MoveWithoutReplacing);

} // namespace RenamerLogic
