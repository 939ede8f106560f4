#include "library/filefinder.h"

#include <utility>

#include "platform/device/common.h"

CFileFinder::CFileFinder() = default;

CFileFinder::~CFileFinder() {
    Close();
    delete m_pFoundInfo;
    delete m_pNextInfo;
}

void CFileFinder::Close() {
    if (m_hContext != nullptr && m_hContext != INVALID_HANDLE_VALUE) FindClose(m_hContext);
    m_hContext = nullptr;
}

BOOL CFileFinder::FindFile(LPCTSTR pstrName) {
    return Start(pstrName, false);
}

BOOL CFileFinder::FindFileNames(LPCTSTR pstrName) {
    return Start(pstrName, true);
}

BOOL CFileFinder::Start(LPCTSTR pstrName, bool namesOnly) {
    Close();
    const CString pattern = pstrName ? CString(pstrName) : CString(u"\\*.*");
    if (!pstrName) {
        m_strRoot = u"\\";
    } else {
        const int p = pattern.ReverseFind(u'\\');
        m_strRoot = p == 0 ? CString(u"\\") : pattern.Left(p);  // Left(-1) is empty
    }
    if (!m_pNextInfo) m_pNextInfo = new WIN32_FIND_DATA();
    m_hContext = namesOnly ? FindFirstFileNamesW(pattern, m_pNextInfo)
                           : FindFirstFileW(pattern, m_pNextInfo);
    if (m_hContext == INVALID_HANDLE_VALUE) {
        Close();
        return FALSE;
    }
    return TRUE;
}

BOOL CFileFinder::FindNextFile() {
    if (m_hContext == nullptr) return FALSE;
    if (!m_pFoundInfo) m_pFoundInfo = new WIN32_FIND_DATA();
    std::swap(m_pFoundInfo, m_pNextInfo);
    return FindNextFileW(m_hContext, m_pNextInfo);
}

BOOL CFileFinder::MatchesMask(DWORD dwMask) const {
    return m_pFoundInfo && (m_pFoundInfo->dwFileAttributes & dwMask) != 0;
}

BOOL CFileFinder::IsDirectory() const {
    if (m_pFoundInfo) {
        Dbg(u"IsDirectory %s", m_pFoundInfo->cFileName);
        Dbg(u"IsDirectory attributes 0x%x", m_pFoundInfo->dwFileAttributes);
    }
    return MatchesMask(FILE_ATTRIBUTE_DIRECTORY);
}

BOOL CFileFinder::IsDots() const {
    if (!IsDirectory()) return FALSE;
    const CString name = GetFileName();
    return name == u"." || name == u"..";
}

CString CFileFinder::GetFileName() const {
    return m_pFoundInfo ? CString(m_pFoundInfo->cFileName) : CString();
}

CString CFileFinder::GetFilePath() const {
    CString path = m_strRoot;
    if (m_strRoot.IsEmpty() || m_strRoot[m_strRoot.GetLength() - 1] != u'\\') path += u'\\';
    return path + GetFileName();
}

CString CFileFinder::GetFileExt() const {
    return ExtensionOf(GetFileName());
}

CString CFileFinder::ExtensionOf(const CString& name) {
    const int dot = name.ReverseFind(u'.');
    if (dot < 0) return CString();
    CString ext = name.Mid(dot + 1);
    ext.MakeUpper();
    return ext;
}

DWORD CFileFinder::GetLength() const {
    return m_pFoundInfo ? m_pFoundInfo->nFileSizeLow : 0;
}
