#pragma once

#include "core/BatchJob.h"
#include "core/FileOps.h"

#include <memory>
#include <string>
#include <vector>

// Copying, moving and deleting work-list files, one file after another; a failing file never
// stops a batch.
namespace BatchTransfer {

enum class Operation { Copy, Move };

// The entry's file name inside folder.
std::string Destination(const std::string& entry, const std::string& folder);

// The heading of the error-collecting message of a copy or a move.
const char* HeadingFor(Operation operation);

// A job that copies or moves every entry into folder (which ends in "/") under its own name.
std::unique_ptr<BatchJob> Transfer(Operation operation, std::vector<std::string> entries,
                                   const std::string& folder);

// A job that deletes every entry with DeleteFile.
std::unique_ptr<BatchJob> Delete(std::vector<std::string> entries);

// Deletes one file. Where the file system refuses and the file is marked read-only (a Windows share
// refuses for that), its attributes are made plain and the delete is tried once more; when that
// fails too, the file gets its attributes back and the first refusal is reported. A link is
// deleted as a link and its attributes are never touched, nor those of the file it points to.
Result DeleteFile(const std::string& path);

} // namespace BatchTransfer
