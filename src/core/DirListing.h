#pragma once

#include <string>
#include <vector>

// Case-insensitive order (ASCII letters folded, other text by Unicode case folding), ties broken
// by the exact bytes so the order is total and stable between runs.
void SortNames(std::vector<std::string>& names);
// What a name is ordered by, before its bytes.
std::string SortKey(const std::string& name);
// Whether a comes before b in that order.
bool NameBefore(const std::string& a, const std::string& b);

// The process's current folder; "/" when it cannot be told (it was removed, say).
std::string CurrentFolderPath();

// True when path names an existing folder (links followed).
bool IsFolder(const std::string& path);
