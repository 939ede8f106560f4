// CFileFinder: one folder's entries through FindFirstFileW/FindNextFileW,
// read one entry ahead so the caller knows, while handling the current entry,
// whether another follows.
//
// Calling order: FindFile; then FindNextFile, inspecting the entry with the
// accessors after each call, until FindNextFile returns false (the entry in
// hand after that last call is still valid and is handled too); then Close.
// Nothing is filtered: callers decide what to skip.
// It derives from CWnd as the player's classes do but never creates a window.
// Thread: the GUI thread (any single thread).
#pragma once

#include "platform/base/cstring.h"
#include "platform/fs/fileapi.h"
#include "platform/win/wnd.h"

class CFileFinder : public CWnd {
public:
    CFileFinder();
    ~CFileFinder() override;

    // Makes the read-ahead entry current and reads the following one; the
    // result says whether a following entry was read, not whether the
    // current one is valid. False without an open search.
    virtual BOOL FindNextFile();
    // Starts a search with pattern ("dir\*.*", or null for "\*.*"). The root
    // becomes the pattern's folder part ("\" for a pattern whose only
    // backslash is its first character, empty without any). False when the
    // platform finds nothing; no search stays open then. The found entry
    // stays as it was until FindNextFile.
    virtual BOOL FindFile(LPCTSTR pstrName = nullptr);
    // As FindFile, for a walk that needs names and the folder bit only
    // (FindFirstFileNamesW): GetLength then gives 0 and the entries are not
    // examined one by one.
    BOOL FindFileNames(LPCTSTR pstrName);
    // True when a found entry exists and shares a bit with dwMask.
    virtual BOOL MatchesMask(DWORD dwMask) const;
    // True for a found folder named exactly "." or "..".
    virtual BOOL IsDots() const;

    void Close();
    // True when a found entry exists and is a folder (also writes two debug
    // lines: the name and the attribute word).
    BOOL IsDirectory() const;
    CString GetFileName() const;
    // root + "\" (unless root already ends in one) + name.
    CString GetFilePath() const;
    // The characters after the name's last ".", upper case; empty without a dot.
    CString GetFileExt() const;
    // The same for any name: the explorer filters a listing with it without
    // copying each found name twice.
    static CString ExtensionOf(const CString& name);
    CString GetRoot() const { return m_strRoot; }
    // Low 32 bits of the size; 0 without a found entry.
    DWORD GetLength() const;

private:
    BOOL Start(LPCTSTR pstrName, bool namesOnly);

    CString m_strRoot;
    HANDLE m_hContext = nullptr;
    WIN32_FIND_DATA* m_pFoundInfo = nullptr;
    WIN32_FIND_DATA* m_pNextInfo = nullptr;
};
