// The device's file calls with their framework signatures: find-first/next
// enumeration and handle-based file access. Every path is a device path
// ("\NAND Flash\skin\Common", "SDMMC Card\AUDIO\x.mp3") resolved below the
// device root (platform/fs/root.h); components match case-insensitively.
//
// Guarantees the player relies on:
// - Find enumeration never delivers "." or "..", delivers entries in natural
//   name order (A2 before A10, case-insensitive), marks names starting with
//   "." hidden, and round-trips names that are not valid UTF-8.
// - CreateFileW opens regular files only; a FIFO or device node fails at once
//   without blocking. A write never lands outside the device root.
// - ReadFile reports short reads at the end of the file with success and the
//   byte count; SetFilePointer before the start fails with
//   INVALID_SET_FILE_POINTER and leaves the position unchanged.
// - Handles are table entries: a closed or made-up handle is simply not found
//   (calls fail with ERROR_INVALID_HANDLE), it never dangles.
// Thread: any thread; the handle table is locked. One handle is not meant to
// be used from two threads at once.
#pragma once

#include "platform/base/wintypes.h"

struct FILETIME {
    DWORD dwLowDateTime = 0;
    DWORD dwHighDateTime = 0;
};

constexpr int MAX_PATH = 260;

struct WIN32_FIND_DATAW {
    DWORD dwFileAttributes = 0;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh = 0;
    DWORD nFileSizeLow = 0;
    DWORD dwReserved0 = 0;
    DWORD dwReserved1 = 0;
    WCHAR cFileName[MAX_PATH] = {};
    WCHAR cAlternateFileName[14] = {};
};
using WIN32_FIND_DATA = WIN32_FIND_DATAW;
using LPWIN32_FIND_DATAW = WIN32_FIND_DATAW*;
using LPWIN32_FIND_DATA = WIN32_FIND_DATAW*;

struct SECURITY_ATTRIBUTES;
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;
struct OVERLAPPED;
using LPOVERLAPPED = OVERLAPPED*;
using LPDWORD = DWORD*;
using PLONG = LONG*;

// Attribute bits of a find record.
constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x01;
constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x02;
constexpr DWORD FILE_ATTRIBUTE_SYSTEM = 0x04;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;

// Access rights, sharing and creation dispositions of CreateFileW.
constexpr DWORD GENERIC_READ = 0x80000000;
constexpr DWORD GENERIC_WRITE = 0x40000000;
constexpr DWORD FILE_SHARE_READ = 0x1;
constexpr DWORD FILE_SHARE_WRITE = 0x2;
constexpr DWORD FILE_SHARE_DELETE = 0x4;
constexpr DWORD CREATE_NEW = 1;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD OPEN_ALWAYS = 4;
constexpr DWORD TRUNCATE_EXISTING = 5;

// SetFilePointer origins and its failure value.
constexpr DWORD FILE_BEGIN = 0;
constexpr DWORD FILE_CURRENT = 1;
constexpr DWORD FILE_END = 2;
constexpr DWORD INVALID_SET_FILE_POINTER = 0xFFFFFFFF;
constexpr DWORD INVALID_FILE_SIZE = 0xFFFFFFFF;

// GetLastError codes set by these calls.
constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr DWORD ERROR_NO_MORE_FILES = 18;
constexpr DWORD ERROR_WRITE_FAULT = 29;
constexpr DWORD ERROR_READ_FAULT = 30;
constexpr DWORD ERROR_HANDLE_EOF = 38;
constexpr DWORD ERROR_NOT_SUPPORTED = 50;
constexpr DWORD ERROR_FILE_EXISTS = 80;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_INVALID_NAME = 123;
constexpr DWORD ERROR_NEGATIVE_SEEK = 131;
constexpr DWORD ERROR_BAD_PATHNAME = 161;
constexpr DWORD ERROR_ALREADY_EXISTS = 183;

// Enumeration. The pattern is "<folder>\<mask>" where the mask may hold "*"
// and "?" (matched case-insensitively; "*.*" matches every name, also names
// without a dot); a mask without wildcards probes one entry. The folder part
// may be empty ("*.*" or "\*.*" list the root). Returns INVALID_HANDLE_VALUE
// when the folder is missing or nothing matches.
HANDLE FindFirstFileW(LPCWSTR lpFileName, LPWIN32_FIND_DATAW lpFindFileData);
// As FindFirstFileW, for callers that need names and the folder bit only: the
// records of this search carry the name and the folder and hidden attributes;
// size, times and the read-only bit stay 0. Entries the folder listing already
// types as a folder or regular file are not examined one by one, so a large
// folder lists at the cost of reading it; links and entries of unknown type
// are still examined (a link to a FIFO is never delivered).
HANDLE FindFirstFileNamesW(LPCWSTR lpFileName, LPWIN32_FIND_DATAW lpFindFileData);
BOOL FindNextFileW(HANDLE hFindFile, LPWIN32_FIND_DATAW lpFindFileData);
BOOL FindClose(HANDLE hFindFile);

// Opening. Only regular files are opened. Symlinks are followed for reading
// wherever they point (a music folder linked into the root plays), but a file
// opened for writing must really lie inside the root. Sharing modes, flags and
// template are accepted and ignored (the host has no mandatory sharing).
HANDLE CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                   LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                   DWORD dwFlagsAndAttributes, HANDLE hTemplateFile);
// Reads up to nNumberOfBytesToRead bytes; TRUE with *lpNumberOfBytesRead == 0
// at the end of the file. lpOverlapped must be null.
BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
              LPDWORD lpNumberOfBytesRead, LPOVERLAPPED lpOverlapped);
BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
               LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED lpOverlapped);
// Returns the new position's low 32 bits (high bits into *lpDistanceToMoveHigh
// when given; the distance is then the 64-bit value high:low).
DWORD SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh,
                     DWORD dwMoveMethod);
DWORD GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh);
// Closes a file or find handle (FindClose is the same for find handles).
BOOL CloseHandle(HANDLE hObject);

// Attributes of one entry, INVALID_FILE_ATTRIBUTES when it does not exist.
DWORD GetFileAttributesW(LPCWSTR lpFileName);
BOOL CreateDirectoryW(LPCWSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurityAttributes);
BOOL DeleteFileW(LPCWSTR lpFileName);

// Last error of the calling thread.
DWORD GetLastError();
void SetLastError(DWORD dwErrCode);
