#pragma once

#include "core/BatchTransfer.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The two sort windows without their windows: which entries match, whether the input is complete,
// and the sort run. Every text here is bytes: the window turns what is typed into bytes
// (TypedBytes) once.
namespace SortLogic {

enum class Action { None, Move, Copy };

// Upper case for comparing: each character mapped on its own, the way typed letters are
// upper-cased as they are typed. Bytes that are not UTF-8 have only their ASCII letters mapped.
std::string UpperText(std::string_view bytes);

// The entry's extension, upper-cased, equals the extension text exactly. The text is taken as
// it is: untrimmed, and not upper-cased (what was typed was upper-cased on the way in).
bool ExtensionMatches(const std::string& entry, const std::string& extensionText);

// The search text occurs anywhere in the whole path, folders included, ignoring case. The text
// is not trimmed.
bool NameTextMatches(const std::string& entry, const std::string& searchText);

// The message for incomplete input of the sort by extension, checked in this order: no
// extension, no action, no target folder; empty when the sort may run. Blanks alone count as
// nothing.
std::string ExtensionSortRefusal(const std::string& extensionText, Action action,
                                 const std::string& targetFolder);

// The sort by name text refuses the same incomplete input, silently.
bool NameTextSortReady(const std::string& searchText, Action action,
                       const std::string& targetFolder);

// The job that moves or copies every matching entry, in order, into the target folder under its
// own file name; a failing file is listed and the run goes on. None for Action::None.
std::unique_ptr<BatchJob> SortJob(const std::vector<std::string>& entries,
                                  const std::string& targetFolder, Action action,
                                  const std::function<bool(const std::string&)>& matches);

// Move or Copy (never asked for Action::None).
BatchTransfer::Operation OperationFor(Action action);

} // namespace SortLogic
