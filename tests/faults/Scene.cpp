#include "Scene.h"

#include "TestSupport.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <set>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

// The user's extended attributes (the DOS record among them) are the user's data too.
std::string UserAttributes(const std::string& path) {
    std::string names(65536, '\0'), text;
    names.resize(static_cast<size_t>(
        std::max<ssize_t>(::listxattr(path.c_str(), names.data(), names.size()), 0)));
    std::set<std::string> sorted;
    for (size_t at = 0; at < names.size(); at = names.find('\0', at) + 1)
        if (std::string name = names.c_str() + at; name.starts_with("user."))
            sorted.insert(name);
    for (const std::string& name : sorted) {
        std::string value(65536, '\0');
        value.resize(static_cast<size_t>(std::max<ssize_t>(
            ::getxattr(path.c_str(), name.c_str(), value.data(), value.size()), 0)));
        text += " " + name + "=" + std::to_string(std::hash<std::string>{}(value));
    }
    return text;
}

std::string Describe(const std::string& path, bool followLinks) {
    struct stat st;
    if ((followLinks ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st)) != 0)
        return "missing";
    if (S_ISREG(st.st_mode)) {
        const std::string bytes = ReadFile(path);
        return "file " + std::to_string(bytes.size()) + " " +
               std::to_string(std::hash<std::string>{}(bytes)) + UserAttributes(path);
    }
    if (S_ISDIR(st.st_mode))
        return "folder";
    std::error_code error;
    if (S_ISLNK(st.st_mode))
        return "link " + std::filesystem::read_symlink(path, error).string();
    if (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode))
        return S_ISFIFO(st.st_mode) ? "fifo" : "socket";
    return "device " + std::to_string(major(st.st_rdev)) + ":" + std::to_string(minor(st.st_rdev));
}

void Walk(const std::string& folder, const std::string& keyPrefix, Tree& tree) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if ((tree[keyPrefix + name] = Describe(folder + name, false)) == "folder")
            Walk(folder + name + "/", keyPrefix + name + "/", tree);
    }
}

bool MakeSocket(const std::string& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const bool fits = path.size() < sizeof address.sun_path;
    std::memcpy(address.sun_path, path.c_str(), std::min(path.size(), sizeof address.sun_path - 1));
    const bool bound =
        fits && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return bound;
}

} // namespace

std::string Pattern(size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    uint64_t state = seed * 0x9E3779B97F4A7C15u + 1;
    for (size_t at = 0; at < size; at += 8) {
        state = state * 6364136223846793005u + 1442695040888963407u;
        const uint64_t word = state ^ (state >> 29);
        std::memcpy(bytes.data() + at, &word, std::min<size_t>(8, size - at));
    }
    return bytes;
}

std::string Diff(const Tree& expected, const Tree& found) {
    std::string text;
    for (const auto& [key, description] : expected)
        if (auto it = found.find(key); it == found.end() || it->second != description)
            text += "-" + key + " " + description + "\n";
    for (const auto& [key, description] : found)
        if (auto it = expected.find(key); it == expected.end() || it->second != description)
            text += "+" + key + " " + description + "\n";
    return text;
}

void MoveInTree(Tree& tree, const std::string& from, const std::string& to) {
    Tree moved;
    if (auto node = tree.extract(from))
        moved[to] = node.mapped();
    // What is inside a folder sorts together, right after its name and a "/".
    for (auto it = tree.lower_bound(from + "/");
         it != tree.end() && it->first.starts_with(from + "/");) {
        moved[to + it->first.substr(from.size())] = it->second;
        it = tree.erase(it);
    }
    tree.merge(moved);
}

Scene::Scene(const FileSystem& fileSystem) : fs(fileSystem) {
    static std::atomic<int> cases = 0;
    m_name = "c" + std::to_string(++cases) + "/";
    m_places = {"h/", "p/"};
    if (!fs.subvolume.empty())
        m_places.push_back("s/");
    for (const std::string& place : m_places)
        MakeFolder((*this)[place]);
}

Scene::~Scene() {
    for (auto it = m_flagged.rbegin(); it != m_flagged.rend(); ++it)
        SetInodeFlag(it->first, it->second, false);
    for (const std::string& place : m_places)
        RemoveTree((*this)[place]);
}

std::string Scene::operator[](const std::string& ref) const {
    const std::string& base = ref[0] == 'h'   ? fs.root
                              : ref[0] == 'r' ? fs.readOnly
                              : ref[0] == 's' ? fs.subvolume
                                              : fs.partner->root;
    return base + m_name + ref.substr(2);
}

void Scene::make(const std::string& steps) {
    for (size_t at = 0, end; at < steps.size(); at = end + 1) {
        end = std::min(steps.find(' ', at), steps.size());
        const std::string step = steps.substr(at, end - at);
        const size_t equals = step.find('=');
        const std::string ref = step.substr(2, equals - 2), path = (*this)[ref];
        const std::string arg = equals == std::string::npos ? "" : step.substr(equals + 1);
        const size_t size =
            std::isdigit(arg[0]) ? std::stoul(arg) << (arg.back() == 'M' ? 20 : 0) : 70000;
        const char* p = path.c_str();
        const char kind = step[0];
        const int flag = kind == 'i' ? FS_IMMUTABLE_FL : FS_APPEND_FL;
        bool done = true;
        if (kind == 'f') {
            WriteFile(path, Pattern(size, static_cast<unsigned>(std::hash<std::string>{}(ref))));
            done = ::setxattr(p, "user.DOSATTRIB", "0x20", 4, 0) == 0;
        } else if (kind == 'z') { // text compresses; the random tail does not, and is stored as is
            std::string text;
            while (text.size() < size)
                text += "a line of text that compresses well, " + std::to_string(text.size());
            WriteFile(path, "");
            done = SetInodeFlag(path, FS_COMPR_FL, true);
            WriteFile(path, text + Pattern(256 << 10, 5));
        } else if (kind == 's') { // data at the start, at 12 MiB and at the end
            std::ofstream out(path, std::ios::binary);
            out << Pattern(4096, 1) << std::flush;
            out.seekp(12 << 20) << Pattern(65536, 2) << std::flush;
            done = bool(out.seekp((32 << 20) - 4096) << Pattern(4096, 3) << std::flush);
        } else {
            done = kind == 'd'   ? ::mkdir(p, 0755) == 0
                   : kind == 'l' ? ::symlink(arg.c_str(), p) == 0
                   : kind == 'n' ? ::link((*this)[arg].c_str(), p) == 0
                   : kind == 'p' ? ::mkfifo(p, 0644) == 0
                   : kind == 'u' ? MakeSocket(path)
                   : kind == 'c' ? ::mknod(p, S_IFCHR | 0644, makedev(1, 3)) == 0 // as /dev/null
                   : kind == 'm' ? ::chmod(p, static_cast<mode_t>(std::stoul(arg, nullptr, 8))) == 0
                   : kind == 'x'
                       ? ::setxattr(p, "user.big", std::string(6000, 'x').data(), 6000, 0) == 0
                       : (kind == 'i' || kind == 'a') && SetInodeFlag(path, flag, true) &&
                             (m_flagged.emplace_back(path, flag), true);
        }
        if (!done)
            ADD_FAILURE() << "cannot make " << step << ": " << std::strerror(errno);
    }
}

Tree Scene::snapshot() const {
    Tree tree;
    for (const std::string& place : m_places)
        Walk((*this)[place], place, tree);
    return tree;
}

std::string Scene::describe(const std::string& ref, bool followLinks) const {
    return Describe((*this)[ref], followLinks);
}
