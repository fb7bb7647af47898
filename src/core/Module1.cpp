#include "core/Module1.h"

#include "core/Attributes.h"

std::string Module1::GetExtension(const std::string& path) {
    const size_t dot = path.rfind('.');
    return dot == std::string::npos ? std::string() : path.substr(dot + 1);
}

std::string Module1::GetFileName(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Module1::GetFolderPath(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string Module1::WithClosingSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

std::string Module1::JoinPath(const std::string& folder, const std::string& name) {
    return WithClosingSlash(folder) + name;
}

std::string Module1::GetAttributeText(const std::string& path) {
    const uint32_t a = GetFileAttributesA(path);
    // A file gone since it was listed has no attributes to tell, not every one of them.
    if (a == FileAttr::Invalid)
        return {};
    std::string text;
    for (const auto& [bit, word] :
         {std::pair{FileAttr::ReadOnly, "Read Only"}, std::pair{FileAttr::Compressed, "Compress"},
          std::pair{FileAttr::Archive, "Archive"}, std::pair{FileAttr::Hidden, "Hidden"},
          std::pair{FileAttr::System, "System"}}) {
        if (a & bit) {
            text += word;
            text += "  ";
        }
    }
    return text;
}
