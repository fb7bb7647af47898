#include "transfer/BatchTransfer.h"

#include "platform/Attributes.h"

#include "shell/Module1.h"
#include <cerrno>

std::string BatchTransfer::Destination(const std::string& entry, const std::string& folder) {
    return folder + Module1::GetFileName(entry);
}

FailureLines BatchTransfer::Run(Operation operation, const std::vector<std::string>& entries,
                                const std::string& folder, Lines lines) {
    FailureLines failures;
    for (const std::string& entry : entries) {
        const std::string destination = Destination(entry, folder);
        const FileOps::Result result = operation == Operation::Copy
                                           ? FileOps::CopyFile(entry, destination)
                                           : FileOps::MoveFile(entry, destination);
        if (result)
            continue;
        if (lines == Lines::Named)
            failures.addNamed(Module1::GetFileName(entry), result.error);
        else
            failures.addBare(result.error);
    }
    return failures;
}

FileOps::Result BatchTransfer::DeleteFile(const std::string& path) {
    FileOps::Result result = FileOps::DeleteFile(path);
    // Only a refusal is worth a second try; the attributes of a file that stays for any other
    // reason are left as they were.
    if (!result && (result.code == EACCES || result.code == EPERM)) {
        if (SetFileAttributesA(path, FileAttr::Normal))
            result = FileOps::DeleteFile(path);
    }
    return result;
}
