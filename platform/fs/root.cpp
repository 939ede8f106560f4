#include "platform/fs/root.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/base/casefold.h"
#include "platform/base/utf.h"

namespace wq::fs {

namespace {

struct RootState {
    std::mutex mutex;
    std::string root;  // canonical, no trailing slash except for "/"
    bool defaultTried = false;
    PathMode mode = PathMode::Device;
};

RootState& State() {
    static RootState state;
    return state;
}

std::string Join(const std::string& dir, const std::string& name) {
    if (!dir.empty() && dir.back() == '/') return dir + name;
    return dir + "/" + name;
}

std::optional<std::string> RealPath(const std::string& path) {
    char buf[PATH_MAX];
    if (!realpath(path.c_str(), buf)) return std::nullopt;
    return std::string(buf);
}

bool IsInside(const std::string& root, const std::string& path) {
    if (root == "/") return true;
    return path == root || (path.size() > root.size() && path.compare(0, root.size(), root) == 0 &&
                            path[root.size()] == '/');
}

std::vector<std::u16string_view> SplitComponents(std::u16string_view path) {
    std::vector<std::u16string_view> parts;
    size_t start = 0;
    for (size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == u'\\' || path[i] == u'/') {
            if (i > start) parts.push_back(path.substr(start, i - start));
            start = i + 1;
        }
    }
    return parts;
}

// The entry of dir whose name equals wanted case-insensitively; when several
// do, the byte-wise smallest, so the choice is the same on every call.
std::optional<std::string> FindNoCase(const std::string& dir, std::u16string_view wanted) {
    DIR* d = opendir(dir.c_str());
    if (!d) return std::nullopt;
    std::optional<std::string> best;
    while (dirent* e = readdir(d)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        if (EqualsNoCase(Utf8ToUtf16(name), wanted) && (!best || name < *best)) best = name;
    }
    closedir(d);
    return best;
}

std::string EnvOrEmpty(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

bool MakeDirs(const std::string& path) {
    std::string cur;
    size_t pos = 0;
    while (pos != std::string::npos) {
        pos = path.find('/', pos + 1);
        cur = path.substr(0, pos);
        if (cur.empty()) continue;
        if (mkdir(cur.c_str(), 0755) != 0 && errno != EEXIST) return false;
    }
    return true;
}

}  // namespace

bool SetRoot(const std::string& hostPath, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) *error = "device root \"" + hostPath + "\": " + why;
        return false;
    };
    if (hostPath.empty()) return fail("no folder given");
    const auto real = RealPath(hostPath);
    if (!real) return fail(std::strerror(errno));
    struct stat st {};
    if (stat(real->c_str(), &st) != 0) return fail(std::strerror(errno));
    if (!S_ISDIR(st.st_mode)) return fail("not a folder");
    DIR* d = opendir(real->c_str());
    if (!d) return fail(std::string("cannot be listed: ") + std::strerror(errno));
    closedir(d);
    RootState& s = State();
    std::lock_guard lock(s.mutex);
    s.root = *real;
    s.defaultTried = true;
    return true;
}

std::string GetRoot() {
    RootState& s = State();
    {
        std::lock_guard lock(s.mutex);
        if (!s.root.empty() || s.defaultTried) return s.root;
        s.defaultTried = true;
    }
    // Nobody chose a root: fall back to the one the program would choose,
    // without creating anything.
    std::string env = EnvOrEmpty("WQ_ROOT");
    if (!SetRoot(env.empty() ? DefaultRoot() : env)) return {};
    std::lock_guard lock(s.mutex);
    return s.root;
}

std::string DefaultRoot() {
    std::string base = EnvOrEmpty("XDG_DATA_HOME");
    if (base.empty()) {
        const std::string home = EnvOrEmpty("HOME");
        if (home.empty()) return {};
        base = home + "/.local/share";
    }
    return base + "/wqaudio/device";
}

bool InitRoot(const std::string& option, std::string* error) {
    std::string chosen = option;
    if (chosen.empty()) chosen = EnvOrEmpty("WQ_ROOT");
    if (chosen.empty()) {
        chosen = DefaultRoot();
        if (chosen.empty()) {
            if (error) *error = "device root: neither --root, WQ_ROOT nor HOME is set";
            return false;
        }
        if (!MakeDirs(chosen)) {
            if (error)
                *error = "device root \"" + chosen + "\": cannot create: " + std::strerror(errno);
            return false;
        }
    }
    return SetRoot(chosen, error);
}

void SetPathMode(PathMode mode) {
    std::lock_guard lock(State().mutex);
    State().mode = mode;
}

PathMode GetPathMode() {
    std::lock_guard lock(State().mutex);
    return State().mode;
}

std::optional<std::string> ToHostPath(std::u16string_view devicePath, bool forWrite) {
    if (devicePath.find(u'\0') != std::u16string_view::npos) return std::nullopt;
    if (GetPathMode() == PathMode::Host) {
        if (devicePath.empty()) return std::nullopt;
        return Utf16ToUtf8(devicePath);
    }
    const std::string root = GetRoot();
    if (root.empty()) return std::nullopt;
    const auto parts = SplitComponents(devicePath);
    std::string cur = root;
    for (size_t i = 0; i < parts.size(); ++i) {
        const std::u16string_view part = parts[i];
        if (part == u"." || part == u"..") return std::nullopt;
        const std::string exact = Join(cur, Utf16ToUtf8(part));
        struct stat st {};
        if (lstat(exact.c_str(), &st) == 0) {
            cur = exact;
            continue;
        }
        if (errno != ENOENT) return std::nullopt;  // a file on the way, or no permission
        if (auto match = FindNoCase(cur, part)) {
            cur = Join(cur, *match);
            continue;
        }
        if (forWrite && i + 1 == parts.size()) {
            cur = exact;  // a new entry, created under the name given
            break;
        }
        return std::nullopt;
    }
    if (forWrite) {
        // The place a write lands is where the resolved path really points:
        // the entry itself when it exists (following any symlink), else its folder.
        auto real = RealPath(cur);
        if (!real) {
            const size_t slash = cur.rfind('/');
            struct stat st {};
            if (lstat(cur.c_str(), &st) == 0) return std::nullopt;  // a dangling symlink
            real = RealPath(slash == 0 ? std::string("/") : cur.substr(0, slash));
        }
        if (!real || !IsInside(root, *real)) return std::nullopt;
    }
    return cur;
}

namespace {

std::u16string DeviceFormOf(const std::string& relative) {
    std::u16string out = Utf8ToUtf16(relative);
    for (auto& c : out) {
        if (c == u'/') c = u'\\';
    }
    return out.empty() ? std::u16string(u"\\") : out;
}

// `path` (real) seen through a folder linked into the root one or two levels
// down, such as "SDMMC Card/AUDIO" leading to the user's music folder.
std::optional<std::u16string> ThroughLinkedFolder(const std::string& root, const std::string& path,
                                                  const std::string& below, int depth) {
    DIR* d = opendir(Join(root, below).c_str());
    if (!d) return std::nullopt;
    std::vector<std::string> names;
    while (dirent* e = readdir(d)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    closedir(d);
    for (const std::string& name : names) {
        const std::string relative = below.empty() ? name : below + "/" + name;
        const std::string entry = Join(root, relative);
        struct stat st {};
        if (lstat(entry.c_str(), &st) != 0) continue;
        if (S_ISLNK(st.st_mode)) {
            const auto target = RealPath(entry);
            struct stat ts {};
            if (target && stat(target->c_str(), &ts) == 0 && S_ISDIR(ts.st_mode) &&
                IsInside(*target, path))
                return DeviceFormOf("/" + relative + path.substr(target->size()));
        } else if (S_ISDIR(st.st_mode) && depth > 1) {
            if (auto found = ThroughLinkedFolder(root, path, relative, depth - 1)) return found;
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::u16string> ToDevicePath(const std::string& hostPath) {
    const std::string root = GetRoot();
    if (root.empty()) return std::nullopt;
    const auto real = RealPath(hostPath);
    const std::string path = real ? *real : hostPath;
    if (IsInside(root, path)) return DeviceFormOf(path.substr(root == "/" ? 0 : root.size()));
    if (!real) return std::nullopt;
    return ThroughLinkedFolder(root, path, std::string(), 2);
}

}  // namespace wq::fs
