// Saved path restore and the storage checks of CExplorer.
#include "library/explorer.h"
#include "library/filefinder.h"
#include "platform/device/common.h"

namespace {

constexpr const char16_t* kCardMarker = u"SDMMC Card";
constexpr const char16_t* kUsbDiskMarker = u"이동식디스크";

bool Exists(const CString& probe) {
    CFileFinder finder;
    const BOOL found = finder.FindFile(probe);
    finder.Close();
    return found != FALSE;
}

}  // namespace

bool CExplorer::OpenPathName(const CString& strPathName) {
    Dbg(u"OpenPathName %s", strPathName.GetString());
    if (strPathName.IsEmpty()) {
        LoadRoot();
        return true;
    }
    CString name = strPathName[0] == u'\\' ? strPathName.Mid(1) : strPathName;
    CString dir;
    if (name.Find(u'\\') < 0) {
        // A bare name is taken as a folder path as it stands, added to the trail.
        dir = strPathName;
        m_arrPathStack.Add(dir);
        return LoadExplorer(dir, CString());
    }

    m_arrPathStack.RemoveAll();
    m_arrPathStack.Add(CString());
    // Descend one folder at a time while each prefix (ending in "\") exists.
    for (int p = name.Find(u'\\'); p >= 0; p = name.Find(u'\\')) {
        const CString part = name.Left(p + 1);
        Dbg(u"OpenPathName probe %s + %s", dir.GetString(), part.GetString());
        if (!Exists(dir + part)) break;
        dir += part;
        name = name.Mid(p + 1);
        m_arrPathStack.Add(dir);
    }

    // What is left is a file to select, or a last folder to open.
    CString tail = name.Right(4);
    tail.MakeUpper();
    if (tail != u".MP3" && tail != u".WMA") {
        if (Exists(dir + name)) {
            dir += name;
            m_arrPathStack.Add(dir);
        }
        name.Empty();
    }
    return LoadExplorer(dir, name);
}

bool CExplorer::IsStoragePath(const char16_t* marker) const {
    const int n = m_arrPathStack.GetSize();
    if (n == 0) return false;
    if (n > 1)
        Dbg(u"storage check %s, %s", m_arrPathStack[0].GetString(), m_arrPathStack[1].GetString());
    if (n == 1) return true;
    return m_arrPathStack[1].Find(marker) >= 0;
}

bool CExplorer::IsCardPath() const {
    return IsStoragePath(kCardMarker);
}

bool CExplorer::IsRemovableDiskPath() const {
    return IsStoragePath(kUsbDiskMarker);
}
