#pragma once

#include <string>

// The path and attribute text helpers every window uses. Paths are the file system's bytes,
// folders separated by "/".
namespace Module1 {

// The text after the last ".", empty when there is none ("/a.b/readme" gives "b/readme").
std::string GetExtension(const std::string& path);
// The text after the last "/", the whole text when there is none.
std::string GetFileName(const std::string& path);
// The text up to and including the last "/", empty when there is none.
std::string GetFolderPath(const std::string& path);
// folder with a closing "/" ("/" when folder is empty); one it already has stays the only one.
std::string WithClosingSlash(std::string folder);
// name inside folder, whether or not folder ends in "/".
std::string JoinPath(const std::string& folder, const std::string& name);
// "Read Only", "Compress", "Archive", "Hidden", "System", in that order, each followed by two
// blanks, for the bits the file has; empty when the file cannot be examined.
std::string GetAttributeText(const std::string& path);

} // namespace Module1
