// Handle-based file access over POSIX descriptors.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <string>

#include "platform/fs/fileapi.h"
#include "platform/fs/handles.h"
#include "platform/fs/root.h"

namespace {

using wq::fs::detail::HandleObject;

struct FileObject : HandleObject {
    explicit FileObject(int f) : fd(f) {}
    ~FileObject() override { close(fd); }
    int fd;
};

DWORD ErrnoToError(int e) {
    struct Map {
        int err;
        DWORD code;
    };
    static constexpr Map kMap[] = {
        {ENOENT, ERROR_FILE_NOT_FOUND},     {ENOTDIR, ERROR_PATH_NOT_FOUND},
        {EACCES, ERROR_ACCESS_DENIED},      {EPERM, ERROR_ACCESS_DENIED},
        {EROFS, ERROR_ACCESS_DENIED},       {EEXIST, ERROR_FILE_EXISTS},
        {EISDIR, ERROR_ACCESS_DENIED},      {ELOOP, ERROR_BAD_PATHNAME},
        {ENAMETOOLONG, ERROR_BAD_PATHNAME}, {ENOMEM, ERROR_NOT_ENOUGH_MEMORY},
        {ENXIO, ERROR_NOT_SUPPORTED},       {EINVAL, ERROR_INVALID_PARAMETER},
    };
    for (const auto& m : kMap) {
        if (m.err == e) return m.code;
    }
    return ERROR_ACCESS_DENIED;
}

template <typename R>
R Fail(DWORD code, R result) {
    SetLastError(code);
    return result;
}

// True when the descriptor's real location lies inside the device root. Checked
// after opening for writing, so a symlink swapped in between the path check
// and the open still cannot redirect a write outside the root.
bool DescriptorInsideRoot(int fd) {
    if (wq::fs::GetPathMode() == wq::fs::PathMode::Host) return true;
    const std::string root = wq::fs::GetRoot();
    char buf[PATH_MAX];
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t n = readlink(link.c_str(), buf, sizeof buf - 1);
    if (n <= 0) return false;
    const std::string real(buf, static_cast<size_t>(n));
    if (root == "/") return true;
    return real.size() > root.size() && real.compare(0, root.size(), root) == 0 &&
           real[root.size()] == '/';
}

std::shared_ptr<FileObject> LookupFile(HANDLE h) {
    return wq::fs::detail::Lookup<FileObject>(h);
}

}  // namespace

HANDLE CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD /*dwShareMode*/,
                   LPSECURITY_ATTRIBUTES /*lpSecurityAttributes*/, DWORD dwCreationDisposition,
                   DWORD /*dwFlagsAndAttributes*/, HANDLE /*hTemplateFile*/) {
    if (!lpFileName) return Fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
    const bool wantRead = (dwDesiredAccess & GENERIC_READ) != 0;
    const bool wantWrite = (dwDesiredAccess & GENERIC_WRITE) != 0;
    int flags = O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
    flags |= wantWrite ? (wantRead ? O_RDWR : O_WRONLY) : O_RDONLY;
    struct Disposition {
        DWORD value;
        int flags;
        bool needsWrite;
    };
    static constexpr Disposition kDispositions[] = {
        {CREATE_NEW, O_CREAT | O_EXCL, true},
        {CREATE_ALWAYS, O_CREAT | O_TRUNC, true},
        {OPEN_EXISTING, 0, false},
        {OPEN_ALWAYS, O_CREAT, true},
        {TRUNCATE_EXISTING, O_TRUNC, true},
    };
    const Disposition* disp = nullptr;
    for (const auto& d : kDispositions) {
        if (d.value == dwCreationDisposition) disp = &d;
    }
    if (!disp || (disp->needsWrite && !wantWrite))
        return Fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);

    const auto host = wq::fs::ToHostPath(lpFileName, wantWrite);
    if (!host) {
        // Only the last component missing means the file is missing; a
        // missing or refused folder on the way means the path is.
        const bool folderExists = !wantWrite && wq::fs::ToHostPath(lpFileName, true).has_value();
        return Fail(folderExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND,
                    INVALID_HANDLE_VALUE);
    }

    // Refuse anything but a regular file before opening: truncating or
    // opening a device node can have effects of its own.
    struct stat st {};
    const bool existed = stat(host->c_str(), &st) == 0;
    if (existed && !S_ISREG(st.st_mode)) return Fail(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);

    // O_NONBLOCK keeps a FIFO swapped in after the check from blocking the
    // open; fstat then rejects it.
    const int fd = open(host->c_str(), flags | disp->flags, 0644);
    if (fd < 0) return Fail(ErrnoToError(errno), INVALID_HANDLE_VALUE);
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || (wantWrite && !DescriptorInsideRoot(fd))) {
        close(fd);
        return Fail(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    // As in the framework, the "always" dispositions tell through the last
    // error whether the file was already there.
    const bool always =
        dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == OPEN_ALWAYS;
    SetLastError(always && existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return wq::fs::detail::AddHandle(std::make_shared<FileObject>(fd));
}

BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
              LPDWORD lpNumberOfBytesRead, LPOVERLAPPED lpOverlapped) {
    if (lpNumberOfBytesRead) *lpNumberOfBytesRead = 0;
    const auto file = LookupFile(hFile);
    if (!file) return Fail(ERROR_INVALID_HANDLE, FALSE);
    if (lpOverlapped || (!lpBuffer && nNumberOfBytesToRead > 0))
        return Fail(ERROR_INVALID_PARAMETER, FALSE);
    auto* out = static_cast<unsigned char*>(lpBuffer);
    DWORD total = 0;
    while (total < nNumberOfBytesToRead) {
        const ssize_t n = read(file->fd, out + total, nNumberOfBytesToRead - total);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            if (lpNumberOfBytesRead) *lpNumberOfBytesRead = total;
            return Fail(ERROR_READ_FAULT, FALSE);
        }
        if (n == 0) break;  // end of file: a short read is a success
        total += static_cast<DWORD>(n);
    }
    if (lpNumberOfBytesRead) *lpNumberOfBytesRead = total;
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
               LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED lpOverlapped) {
    if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = 0;
    const auto file = LookupFile(hFile);
    if (!file) return Fail(ERROR_INVALID_HANDLE, FALSE);
    if (lpOverlapped || (!lpBuffer && nNumberOfBytesToWrite > 0))
        return Fail(ERROR_INVALID_PARAMETER, FALSE);
    const auto* in = static_cast<const unsigned char*>(lpBuffer);
    DWORD total = 0;
    while (total < nNumberOfBytesToWrite) {
        const ssize_t n = write(file->fd, in + total, nNumberOfBytesToWrite - total);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = total;
            return Fail(n < 0 && errno == EBADF ? ERROR_ACCESS_DENIED : ERROR_WRITE_FAULT, FALSE);
        }
        total += static_cast<DWORD>(n);
    }
    if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = total;
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

DWORD SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh,
                     DWORD dwMoveMethod) {
    const auto file = LookupFile(hFile);
    if (!file) return Fail(ERROR_INVALID_HANDLE, INVALID_SET_FILE_POINTER);
    std::int64_t distance = lDistanceToMove;
    if (lpDistanceToMoveHigh) {
        distance = static_cast<std::int64_t>(
            (static_cast<std::uint64_t>(static_cast<std::uint32_t>(*lpDistanceToMoveHigh)) << 32) |
            static_cast<std::uint32_t>(lDistanceToMove));
    }
    std::int64_t base = 0;
    if (dwMoveMethod == FILE_CURRENT) {
        base = lseek(file->fd, 0, SEEK_CUR);
    } else if (dwMoveMethod == FILE_END) {
        struct stat st {};
        base = fstat(file->fd, &st) == 0 ? st.st_size : -1;
    } else if (dwMoveMethod != FILE_BEGIN) {
        return Fail(ERROR_INVALID_PARAMETER, INVALID_SET_FILE_POINTER);
    }
    if (base < 0) return Fail(ERROR_INVALID_HANDLE, INVALID_SET_FILE_POINTER);
    // Overflow-safe: the sum of a non-negative base and any distance.
    if (distance < 0 && base < -distance)
        return Fail(ERROR_NEGATIVE_SEEK, INVALID_SET_FILE_POINTER);
    if (distance > 0 && base > INT64_MAX - distance)
        return Fail(ERROR_INVALID_PARAMETER, INVALID_SET_FILE_POINTER);
    const off_t pos = lseek(file->fd, static_cast<off_t>(base + distance), SEEK_SET);
    if (pos < 0) return Fail(ERROR_INVALID_PARAMETER, INVALID_SET_FILE_POINTER);
    if (lpDistanceToMoveHigh)
        *lpDistanceToMoveHigh = static_cast<LONG>(static_cast<std::uint64_t>(pos) >> 32);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(static_cast<std::uint64_t>(pos) & 0xFFFFFFFFu);
}

DWORD GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh) {
    const auto file = LookupFile(hFile);
    struct stat st {};
    if (!file || fstat(file->fd, &st) != 0) return Fail(ERROR_INVALID_HANDLE, INVALID_FILE_SIZE);
    const auto size = static_cast<std::uint64_t>(st.st_size);
    if (lpFileSizeHigh) *lpFileSizeHigh = static_cast<DWORD>(size >> 32);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(size & 0xFFFFFFFFu);
}

BOOL CloseHandle(HANDLE hObject) {
    if (!wq::fs::detail::RemoveHandle(hObject)) return Fail(ERROR_INVALID_HANDLE, FALSE);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

DWORD GetFileAttributesW(LPCWSTR lpFileName) {
    const auto host = lpFileName ? wq::fs::ToHostPath(lpFileName, false) : std::nullopt;
    struct stat st {};
    if (!host || stat(host->c_str(), &st) != 0)
        return Fail(ERROR_FILE_NOT_FOUND, INVALID_FILE_ATTRIBUTES);
    DWORD attrs = S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : 0;
    const size_t slash = host->rfind('/');
    if (host->compare(slash == std::string::npos ? 0 : slash + 1, 1, ".") == 0)
        attrs |= FILE_ATTRIBUTE_HIDDEN;
    if ((st.st_mode & 0222) == 0) attrs |= FILE_ATTRIBUTE_READONLY;
    if (!S_ISDIR(st.st_mode) && !S_ISREG(st.st_mode)) attrs |= FILE_ATTRIBUTE_SYSTEM;
    SetLastError(ERROR_SUCCESS);
    return attrs == 0 ? FILE_ATTRIBUTE_NORMAL : attrs;
}

BOOL CreateDirectoryW(LPCWSTR lpPathName, LPSECURITY_ATTRIBUTES /*lpSecurityAttributes*/) {
    const auto host = lpPathName ? wq::fs::ToHostPath(lpPathName, true) : std::nullopt;
    if (!host) return Fail(ERROR_PATH_NOT_FOUND, FALSE);
    if (mkdir(host->c_str(), 0755) != 0)
        return Fail(errno == EEXIST ? ERROR_ALREADY_EXISTS : ErrnoToError(errno), FALSE);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL DeleteFileW(LPCWSTR lpFileName) {
    const auto host = lpFileName ? wq::fs::ToHostPath(lpFileName, true) : std::nullopt;
    if (!host) return Fail(ERROR_FILE_NOT_FOUND, FALSE);
    struct stat st {};
    if (lstat(host->c_str(), &st) != 0) return Fail(ErrnoToError(errno), FALSE);
    if (S_ISDIR(st.st_mode)) return Fail(ERROR_ACCESS_DENIED, FALSE);
    if (unlink(host->c_str()) != 0) return Fail(ErrnoToError(errno), FALSE);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}
