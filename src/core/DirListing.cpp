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
#include <thread>
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

void SortNames(std::vector<std::string>& names) {
    // Each key sorts beside its row number, so a comparison reads one place in memory rather than
    // two far apart: for a million names that is most of the time a sort takes.
    struct Keyed {
        std::string key;
        std::uint32_t row;
    };
    const auto before = [&](const Keyed& a, const Keyed& b) {
        if (const int c = a.key.compare(b.key))
            return c < 0;
        return names[a.row] < names[b.row];
    };
    std::vector<Keyed> order(names.size());
    const auto sortRows = [&](std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i)
            order[i] = {SortKey(names[i]), static_cast<std::uint32_t>(i)};
        std::sort(order.begin() + static_cast<std::ptrdiff_t>(from),
                  order.begin() + static_cast<std::ptrdiff_t>(to), before);
    };
    // A big folder sorts in two halves at once, then merges them.
    constexpr std::size_t kHalves = 1 << 16;
    if (names.size() >= kHalves && std::thread::hardware_concurrency() > 1) {
        const std::size_t half = names.size() / 2;
        std::thread first([&] { sortRows(0, half); });
        sortRows(half, names.size());
        first.join();
        std::inplace_merge(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(half),
                           order.end(), before);
    } else {
        sortRows(0, names.size());
    }
    std::vector<std::string> sorted;
    sorted.reserve(names.size());
    for (const Keyed& keyed : order)
        sorted.push_back(std::move(names[keyed.row]));
    names = std::move(sorted);
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
