// Find-first/next enumeration. FindFirstFileW takes a snapshot of the
// matching names and sorts it in natural order; each entry is examined (stat)
// only when it is delivered, so an entry removed meanwhile is skipped rather
// than reported with stale data, and a folder removed mid-walk just ends it.
// A names-only search (FindFirstFileNamesW) takes the type readdir reports and
// examines only links and entries of unknown type.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "platform/base/utf.h"
#include "platform/fs/fileapi.h"
#include "platform/fs/handles.h"
#include "platform/fs/names.h"
#include "platform/fs/root.h"

namespace {

using wq::fs::detail::HandleObject;

struct Entry {
    std::u16string name;              // as the program sees it (invalid UTF-8 escaped)
    std::string hostPath;             // relative to the search's folder descriptor when it has one
    unsigned char type = DT_UNKNOWN;  // as readdir reported it
};

struct FindObject : HandleObject {
    ~FindObject() override {
        if (dirFd >= 0) close(dirFd);
    }
    std::vector<Entry> entries;
    size_t next = 0;
    // The listed folder, held open so each entry is examined by name within
    // it rather than by resolving its whole path again (the walk is
    // stat-bound). AT_FDCWD for a probe, whose entry has a full path.
    int dirFd = AT_FDCWD;
    bool namesOnly = false;  // size, times and read-only bit not wanted
};

// The search FindNextFileW used last on this thread: a walk calls it once per
// entry, and this spares the locked table lookup each time. Held weakly, so a
// closed search is not kept alive and is looked up (and not found) again.
struct LastSearch {
    HANDLE handle = nullptr;
    std::weak_ptr<FindObject> object;
};
thread_local LastSearch t_lastSearch;

FILETIME ToFileTime(const timespec& ts) {
    // 100-nanosecond intervals since 1601-01-01.
    constexpr std::uint64_t kEpochDelta = 11644473600ULL;
    const std::uint64_t secs =
        static_cast<std::uint64_t>(ts.tv_sec < 0 ? 0 : ts.tv_sec) + kEpochDelta;
    const std::uint64_t v = secs * 10000000ULL + static_cast<std::uint64_t>(ts.tv_nsec) / 100;
    return FILETIME{static_cast<DWORD>(v & 0xFFFFFFFFu), static_cast<DWORD>(v >> 32)};
}

// Fills the record when the entry still exists and is a folder or a regular
// file (symlinks followed). FIFOs, sockets, device nodes, dangling or looping
// links are not files of the device and are never delivered.
// A names-only search examines only links and entries readdir could not type.
bool FillRecord(const FindObject& find, const Entry& e, WIN32_FIND_DATAW* out) {
    if (e.type != DT_UNKNOWN && e.type != DT_LNK && e.type != DT_DIR && e.type != DT_REG)
        return false;  // FIFO, socket or device node: never a file of the device
    if (e.name.size() >= static_cast<size_t>(MAX_PATH)) return false;
    if (find.namesOnly && (e.type == DT_DIR || e.type == DT_REG)) {
        DWORD attrs = e.type == DT_DIR ? FILE_ATTRIBUTE_DIRECTORY : 0;
        if (!e.name.empty() && e.name[0] == u'.') attrs |= FILE_ATTRIBUTE_HIDDEN;
        out->dwFileAttributes = attrs == 0 ? FILE_ATTRIBUTE_NORMAL : attrs;
        out->ftCreationTime = out->ftLastAccessTime = out->ftLastWriteTime = FILETIME{};
        out->nFileSizeHigh = out->nFileSizeLow = 0;
        std::copy(e.name.begin(), e.name.end(), out->cFileName);
        out->cFileName[e.name.size()] = 0;
        out->cAlternateFileName[0] = 0;
        return true;
    }
    struct stat st {};
    if (fstatat(find.dirFd, e.hostPath.c_str(), &st, 0) != 0) return false;
    if (!S_ISDIR(st.st_mode) && !S_ISREG(st.st_mode)) return false;
    *out = WIN32_FIND_DATAW{};
    DWORD attrs = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : 0;
    if (!e.name.empty() && e.name[0] == u'.') attrs |= FILE_ATTRIBUTE_HIDDEN;
    if (find.namesOnly) {
        out->dwFileAttributes = attrs == 0 ? FILE_ATTRIBUTE_NORMAL : attrs;
        std::copy(e.name.begin(), e.name.end(), out->cFileName);
        return true;
    }
    if ((st.st_mode & 0222) == 0) attrs |= FILE_ATTRIBUTE_READONLY;
    out->dwFileAttributes = attrs == 0 ? FILE_ATTRIBUTE_NORMAL : attrs;
    out->ftCreationTime = ToFileTime(st.st_ctim);
    out->ftLastAccessTime = ToFileTime(st.st_atim);
    out->ftLastWriteTime = ToFileTime(st.st_mtim);
    const auto size = S_ISDIR(st.st_mode) ? 0ULL : static_cast<std::uint64_t>(st.st_size);
    out->nFileSizeHigh = static_cast<DWORD>(size >> 32);
    out->nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
    std::copy(e.name.begin(), e.name.end(), out->cFileName);
    return true;
}

// Snapshot of the entries of hostDir whose names match mask; *dirFd receives
// a descriptor of the folder (the caller owns it), -1 when it cannot be read.
std::vector<Entry> ListMatching(const std::string& hostDir, std::u16string_view mask, int* dirFd) {
    std::vector<Entry> out;
    *dirFd = open(hostDir.empty() ? "." : hostDir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (*dirFd < 0) return out;
    DIR* d = fdopendir(dup(*dirFd));
    if (!d) return out;
    while (dirent* de = readdir(d)) {
        std::string raw = de->d_name;
        if (raw == "." || raw == "..") continue;
        std::u16string name = wq::Utf8ToUtf16(raw);
        if (!wq::fs::MatchesWildcard(mask, name)) continue;
        out.push_back(Entry{std::move(name), std::move(raw), de->d_type});
    }
    closedir(d);
    std::sort(out.begin(), out.end(), [](const Entry& a, const Entry& b) {
        return wq::fs::NaturalCompare(a.name, b.name) < 0;
    });
    return out;
}

// The single entry a pattern without wildcards names: "dir\name" probes name
// in dir; "dir\" (a trailing separator) probes the folder dir itself. The
// delivered name is the entry's real spelling on disk.
std::vector<Entry> Probe(std::u16string_view pattern) {
    std::u16string_view path = pattern;
    while (!path.empty() && (path.back() == u'\\' || path.back() == u'/')) path.remove_suffix(1);
    if (path.empty()) return {};  // the root itself has no entry
    const auto host = wq::fs::ToHostPath(path, false);
    if (!host) return {};
    const size_t slash = host->rfind('/');
    const std::string realName = slash == std::string::npos ? *host : host->substr(slash + 1);
    if (realName.empty() || realName == "." || realName == "..") return {};
    return {Entry{wq::Utf8ToUtf16(realName), *host}};
}

BOOL Fail(DWORD code) {
    SetLastError(code);
    return FALSE;
}

}  // namespace

namespace {

HANDLE StartSearch(LPCWSTR lpFileName, LPWIN32_FIND_DATAW lpFindFileData, bool namesOnly) {
    if (!lpFileName || !lpFindFileData) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    const std::u16string_view pattern(lpFileName);
    const size_t sep = pattern.find_last_of(u"\\/");
    const std::u16string_view mask =
        sep == std::u16string_view::npos ? pattern : pattern.substr(sep + 1);

    auto find = std::make_shared<FindObject>();
    find->namesOnly = namesOnly;
    if (mask.empty() || !wq::fs::HasWildcard(mask)) {
        find->entries = Probe(pattern);
    } else {
        const std::u16string_view folder =
            sep == std::u16string_view::npos ? std::u16string_view() : pattern.substr(0, sep);
        std::optional<std::string> host;
        if (wq::fs::GetPathMode() == wq::fs::PathMode::Host) {
            host = folder.empty() && sep != std::u16string_view::npos ? std::string("/")
                                                                      : wq::Utf16ToUtf8(folder);
        } else {
            host = wq::fs::ToHostPath(folder, false);
        }
        if (!host) {
            SetLastError(ERROR_PATH_NOT_FOUND);
            return INVALID_HANDLE_VALUE;
        }
        find->entries = ListMatching(*host, mask, &find->dirFd);
    }
    const int listError = errno;
    while (find->next < find->entries.size()) {
        if (FillRecord(*find, find->entries[find->next++], lpFindFileData)) {
            SetLastError(ERROR_SUCCESS);
            return wq::fs::detail::AddHandle(std::move(find));
        }
    }
    // A folder that exists but cannot be opened (no permission, an I/O error)
    // says so, unlike one that holds nothing that matches.
    const bool unreadable = find->entries.empty() && find->dirFd < 0 && listError != ENOENT &&
                            listError != ENOTDIR && wq::fs::HasWildcard(mask);
    SetLastError(unreadable ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
}

}  // namespace

HANDLE FindFirstFileW(LPCWSTR lpFileName, LPWIN32_FIND_DATAW lpFindFileData) {
    return StartSearch(lpFileName, lpFindFileData, false);
}

HANDLE FindFirstFileNamesW(LPCWSTR lpFileName, LPWIN32_FIND_DATAW lpFindFileData) {
    return StartSearch(lpFileName, lpFindFileData, true);
}

BOOL FindNextFileW(HANDLE hFindFile, LPWIN32_FIND_DATAW lpFindFileData) {
    std::shared_ptr<FindObject> find;
    if (t_lastSearch.handle == hFindFile) find = t_lastSearch.object.lock();
    if (!find) {
        find = wq::fs::detail::Lookup<FindObject>(hFindFile);
        if (!find) return Fail(ERROR_INVALID_HANDLE);
        t_lastSearch = LastSearch{hFindFile, find};
    }
    if (!lpFindFileData) return Fail(ERROR_INVALID_PARAMETER);
    while (find->next < find->entries.size()) {
        if (FillRecord(*find, find->entries[find->next++], lpFindFileData)) {
            SetLastError(ERROR_SUCCESS);
            return TRUE;
        }
    }
    return Fail(ERROR_NO_MORE_FILES);
}

BOOL FindClose(HANDLE hFindFile) {
    if (!wq::fs::detail::Lookup<FindObject>(hFindFile)) return Fail(ERROR_INVALID_HANDLE);
    wq::fs::detail::RemoveHandle(hFindFile);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}
