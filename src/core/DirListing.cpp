#include "core/DirListing.h"

#include "core/DisplayText.h"
#include "core/UniqueFd.h"

#include <QString>
#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <numeric>
#include <sys/stat.h>
#include <unistd.h>

std::string SortKey(const std::string& name) {
    bool ascii = true;
    std::string key(name);
    for (char& c : key) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x80)
            ascii = false;
        else if (u >= 'A' && u <= 'Z')
            c = static_cast<char>(u + ('a' - 'A'));
    }
    if (ascii || !IsValidUtf8(name))
        return key;
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()))
        .toCaseFolded()
        .toStdString();
}

bool NameBefore(const std::string& a, const std::string& b) {
    // ASCII letters fold in place, without building keys: lists compare names a great deal.
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const auto x = static_cast<unsigned char>(a[i]);
        const auto y = static_cast<unsigned char>(b[i]);
        if ((x | y) >= 0x80) {
            if (const int c = SortKey(a).compare(SortKey(b)))
                return c < 0;
            return a < b;
        }
        const int fx = x >= 'A' && x <= 'Z' ? x + ('a' - 'A') : x;
        const int fy = y >= 'A' && y <= 'Z' ? y + ('a' - 'A') : y;
        if (fx != fy)
            return fx < fy;
    }
    if (a.size() != b.size())
        return a.size() < b.size();
    return a < b;
}

void SortNames(std::vector<std::string>& names, std::vector<std::string>& keys) {
    keys.clear();
    keys.reserve(names.size());
    for (const auto& n : names)
        keys.push_back(SortKey(n));
    std::vector<size_t> order(names.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        if (int c = keys[a].compare(keys[b]))
            return c < 0;
        return names[a] < names[b];
    });
    std::vector<std::string> sorted;
    std::vector<std::string> sortedKeys;
    sorted.reserve(names.size());
    sortedKeys.reserve(names.size());
    for (size_t i : order) {
        sorted.push_back(std::move(names[i]));
        sortedKeys.push_back(std::move(keys[i]));
    }
    names = std::move(sorted);
    keys = std::move(sortedKeys);
}

void SortNames(std::vector<std::string>& names) {
    std::vector<std::string> keys;
    SortNames(names, keys);
}

bool IsFolder(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string CurrentFolderPath() {
    std::string buffer(4096, '\0');
    while (!::getcwd(buffer.data(), buffer.size())) {
        if (errno != ERANGE)
            return "/";
        buffer.resize(buffer.size() * 2);
    }
    buffer.resize(std::char_traits<char>::length(buffer.c_str()));
    return buffer;
}
