#pragma once

#include <string>

enum class Viewer { None, Text, Picture };

// Which viewer opens a work-list entry, by the upper-cased text after the last "." of the whole
// path. Programs are never shown.
Viewer ViewerFor(const std::string& entry);
