#pragma once

#include "core/FailureLines.h"
#include "core/FileOps.h"

#include <string>
#include <vector>

// Copying, moving and deleting work-list files, one file after another; a failing file never
// stops a batch.
namespace BatchTransfer {

enum class Operation { Copy, Move };
enum class Lines { Named, Bare };

// The entry's file name inside folder.
std::string Destination(const std::string& entry, const std::string& folder);

// Copies or moves every entry into folder, in order; one line per failed file.
FailureLines Run(Operation operation, const std::vector<std::string>& entries,
                 const std::string& folder, Lines lines = Lines::Named);

// Deletes one file. Where the file system refuses and the file is marked read-only (a Windows share
// refuses for that), its attributes are made plain and the delete is tried once more; when that
// fails too, the file gets its attributes back and the first refusal is reported. A link is
// deleted as a link and its attributes are never touched, nor those of the file it points to.
Result DeleteFile(const std::string& path);

} // namespace BatchTransfer
