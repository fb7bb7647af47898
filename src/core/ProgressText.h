#pragma once

#include "core/BatchJob.h"

#include <string>

// The lines a progress display shows of a running batch, in plain English like the rest of the
// program.
namespace ProgressText {

// "3 of 50 files", with thousands separated: "1,204 of 50,000 files".
std::string Files(std::size_t done, std::size_t count);

// A size in decimal units, as desktop file managers show it: "512 bytes", "4.2 kB", "1.3 GB".
std::string Size(std::uint64_t bytes);

// The speed and the time left after seconds of work: "85.2 MB/s, about 40 seconds left", or for
// a batch without bytes "850 files a second, about 2 minutes left". Empty until there is enough
// to judge by.
std::string RateAndTimeLeft(const BatchJob::Progress& progress, double seconds);

} // namespace ProgressText
