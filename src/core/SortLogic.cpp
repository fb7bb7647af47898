#include "core/SortLogic.h"

#include "core/BatchTransfer.h"
#include "core/DisplayText.h"
#include "core/Module1.h"

#include <QChar>
#include <QList>
#include <QString>

namespace SortLogic {

namespace {

bool IsOnlyBlanks(const std::string& text) {
    return text.find_first_not_of(' ') == std::string::npos;
}

} // namespace

std::string UpperText(std::string_view bytes) {
    if (!IsValidUtf8(bytes)) {
        std::string upper(bytes);
        for (char& c : upper) {
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
        }
        return upper;
    }
    // One character at a time: QString::toUpper would turn one "ß" into "SS", which a typed
    // letter never becomes.
    QList<uint> characters = QString::fromUtf8(bytes.data(), qsizetype(bytes.size())).toUcs4();
    for (uint& c : characters)
        c = QChar::toUpper(c);
    return QString::fromUcs4(reinterpret_cast<const char32_t*>(characters.constData()),
                             characters.size())
        .toStdString();
}

bool ExtensionMatches(const std::string& entry, const std::string& extensionText) {
    return UpperText(Module1::GetExtension(entry)) == extensionText;
}

bool NameTextMatches(const std::string& entry, const std::string& searchText) {
    return UpperText(entry).find(UpperText(searchText)) != std::string::npos;
}

std::string ExtensionSortRefusal(const std::string& extensionText, Action action,
                                 const std::string& targetFolder) {
    if (IsOnlyBlanks(extensionText))
        return "Please enter an extension";
    if (action == Action::None)
        return "Please Select an Action";
    if (IsOnlyBlanks(targetFolder))
        return "Please select a directory";
    return {};
}

bool NameTextSortReady(const std::string& searchText, Action action,
                       const std::string& targetFolder) {
    return !IsOnlyBlanks(searchText) && action != Action::None && !IsOnlyBlanks(targetFolder);
}

std::unique_ptr<BatchJob> SortJob(const std::vector<std::string>& entries,
                                  const std::string& targetFolder, Action action,
                                  const std::function<bool(const std::string&)>& matches) {
    if (action == Action::None)
        return nullptr;
    std::vector<std::string> matching;
    for (const std::string& entry : entries) {
        if (matches(entry))
            matching.push_back(entry);
    }
    return BatchTransfer::Transfer(OperationFor(action), std::move(matching), targetFolder);
}

BatchTransfer::Operation OperationFor(Action action) {
    return action == Action::Move ? BatchTransfer::Operation::Move : BatchTransfer::Operation::Copy;
}

} // namespace SortLogic
