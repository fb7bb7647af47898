#include "core/BatchTransfer.h"

#include "core/Attributes.h"

#include "core/Module1.h"

#include <QSet>
#include <QString>
#include <cerrno>

namespace {
// Whether no two entries land on one name: two that do must go in order, the later one replacing
// the earlier. Compared case-folded, as a FAT or Windows folder compares them.
bool NamesDistinct(const std::vector<std::string>& entries) {
    QSet<QString> names;
    names.reserve(static_cast<qsizetype>(entries.size()));
    for (const std::string& entry : entries) {
        const QString name = QString::fromStdString(Module1::GetFileName(entry)).toCaseFolded();
        if (names.contains(name))
            return false;
        names.insert(name);
    }
    return true;
}
} // namespace

std::string BatchTransfer::Destination(const std::string& entry, const std::string& folder) {
    return Module1::JoinPath(folder, Module1::GetFileName(entry));
}

const char* BatchTransfer::HeadingFor(Operation operation) {
    return operation == Operation::Copy ? Heading::Copying : Heading::Moving;
}

std::unique_ptr<BatchJob> BatchTransfer::Transfer(Operation operation,
                                                  std::vector<std::string> entries,
                                                  const std::string& folder) {
    std::vector<std::string> targets;
    if (operation == Operation::Move) {
        targets.reserve(entries.size());
        for (const std::string& entry : entries)
            targets.push_back(Destination(entry, folder));
    }
    auto job = std::make_unique<BatchJob>(
        std::move(entries), [operation, folder](const BatchJob::Step& step) {
            const std::string destination = Destination(step.entry, folder);
            return operation == Operation::Copy
                       ? FileOps::CopyFile(step.entry, destination, &step.watch)
                       : FileOps::MoveFile(step.entry, destination, &step.watch);
        });
    // Bytes tell how far a copy is; a move mostly renames, which takes no time whatever the size.
    if (operation == Operation::Copy) {
        job->measureBytes();
        if (!job->entries().empty() && NamesDistinct(job->entries()))
            job->handleSmallFilesTogether();
    }
    job->setTargets(std::move(targets));
    return job;
}

std::unique_ptr<BatchJob> BatchTransfer::Delete(std::vector<std::string> entries) {
    return std::make_unique<BatchJob>(
        std::move(entries), [](const BatchJob::Step& step) { return DeleteFile(step.entry); });
}

Result BatchTransfer::DeleteFile(const std::string& path) {
    const Result result = FileOps::DeleteFile(path);
    // Only a refusal is worth a second try, and only for a file marked read-only. The entry itself
    // is looked at, never what a link points to: deleting a link removes the link.
    if (result || (result.code != EACCES && result.code != EPERM))
        return result;
    const uint32_t attributes = GetFileAttributesA(path, FollowLinks::No);
    if (attributes == FileAttr::Invalid || !(attributes & FileAttr::ReadOnly))
        return result;
    // On Linux it is mostly the folder that refuses (immutable, not writable, sticky), and then a
    // plain file stays just as undeletable: it gets back exactly the mode and record it had.
    const std::optional<AttrSnapshot> before = SnapshotAttributes(path);
    if (!before)
        return result;
    if (SetFileAttributesA(path, FileAttr::Normal))
        if (Result retried = FileOps::DeleteFile(path))
            return retried;
    (void)RestoreAttributes(path, *before);
    return result;
}
