#pragma once

#include <QDateTime>
#include <optional>
#include <string>

struct FileTimes {
    QDateTime created; // birth time where the file system records one, else the change time
    QDateTime modified;
    QDateTime accessed;
};

// The three times of the file at path in local time; empty when the file cannot be examined.
std::optional<FileTimes> GetFileTimes(const std::string& path);
