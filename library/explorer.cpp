#include "library/explorer.h"

#include <iterator>

#include "graphics/scrolltext.h"
#include "library/filefinder.h"
#include "platform/device/common.h"
#include "platform/skin/skinlistbox.h"
#include "platform/skin/skinslider.h"
#include "platform/win/app.h"

namespace {

// Folder names never shown, compared with the upper-cased found name.
constexpr const char16_t* kHiddenFolders[] = {
    u"네트워크",      u"NAND FLASH", u"RECYCLED", u"응용 프로그램 데이터",   u"MY DOCUMENTS",
    u"PROGRAM FILES", u"TEMP",       u"WINDOWS",  u"DOCUMENTS AND SETTINGS",
};

// File names never shown: the control-panel link and the sibling programs' lists.
constexpr const char16_t* kHiddenFiles[] = {
    u"제어판.LNK", u"WQAUDIO.LST", u"WQAUDIO_MP3.LST", u"RAZURID.LST", u"VODAZAR.LST",
};

constexpr const char16_t* kParentName = u"[..]";
// The path line of a folder that cannot be read, before its path.
constexpr const char16_t* kUnreadableFolder = u"폴더를 읽을 수 없습니다: ";

std::unordered_set<std::u16string> ToSet(const CStringArray& names) {
    std::unordered_set<std::u16string> set;
    for (int i = 0; i < names.GetSize(); ++i) set.insert(names[i].str());
    return set;
}

bool InSet(const std::unordered_set<std::u16string>& set, const std::vector<bool>& lengths,
           const CString& name) {
    const auto length = static_cast<size_t>(name.GetLength());
    if (length >= lengths.size() || !lengths[length]) return false;
    CString upper = name;
    upper.MakeUpper();
    return set.count(upper.str()) != 0;
}

}  // namespace

CExplorer::CExplorer() {
    InitExplorer();
}

CExplorer::~CExplorer() = default;

void CExplorer::SetPathStatic(CScrollTextWnd* pStatic) {
    m_pPathStatic = pStatic;
    if (m_pPathStatic) m_pPathStatic->SetTextColor(kPathColorOnSet);
}

void CExplorer::InitExplorer() {
    m_arrItems.clear();
    m_arrPathStack.RemoveAll();
    m_arrHideFolders.RemoveAll();
    m_arrHideFiles.RemoveAll();
    for (const char16_t* name : kHiddenFolders) m_arrHideFolders.Add(name);
    for (const char16_t* name : kHiddenFiles) m_arrHideFiles.Add(name);
    m_setHideFolders = ToSet(m_arrHideFolders);
    m_setHideFiles = ToSet(m_arrHideFiles);
    m_hideLengths.clear();
    for (const auto* set : {&m_setHideFolders, &m_setHideFiles}) {
        for (const std::u16string& name : *set) {
            if (name.size() >= m_hideLengths.size()) m_hideLengths.resize(name.size() + 1);
            m_hideLengths[name.size()] = true;
        }
    }
    m_nLastSel = -1;
}

void CExplorer::ResetExplorer() {
    if (m_pListBox) m_pListBox->ResetContent();
    if (m_pScrollSlider) m_pScrollSlider->SetPos(0);
    m_arrItems.clear();
    m_nLastSel = -1;
}

bool CExplorer::IsHiddenFolder(const CString& name) const {
    return InSet(m_setHideFolders, m_hideLengths, name);
}
bool CExplorer::IsHiddenFile(const CString& name) const {
    return InSet(m_setHideFiles, m_hideLengths, name);
}

bool CExplorer::LoadExplorer(const CString& strPath, const CString& strSelect) {
    CCommon::SetInterfaceEnable(0);
    int nSelect = -1;
    m_nFolderCount = 0;
    ResetExplorer();

    if (!strPath.IsEmpty()) {
        if (m_pListBox) {
            m_pListBox->AddString(kParentName);
            m_pListBox->SetItemColor(m_pListBox->GetCount() - 1, kFolderColor);
        }
        CExplorerItem parent;
        parent.strPath = strPath;
        parent.strName = kParentName;
        parent.bFile = FALSE;
        m_arrItems.push_back(parent);
        m_nFolderCount = 1;
    }
    if (m_pPathStatic) {
        m_pPathStatic->SetText(strPath.IsEmpty() ? CString(u"\\") : strPath);
        m_pPathStatic->SetTextColor(kPathColorOnLoad);
        m_pPathStatic->SetFormat(0);
    }

    const CString pattern = strPath + u"\\*.*";
    CFileFinder finder;
    if (!finder.FindFileNames(pattern)) {
        // An empty folder lists as nothing; one that cannot be read says so on
        // the path line instead of looking empty.
        if (GetLastError() == ERROR_ACCESS_DENIED && m_pPathStatic)
            m_pPathStatic->SetText(kUnreadableFolder +
                                   (strPath.IsEmpty() ? CString(u"\\") : strPath));
        if (m_pListBox) m_pListBox->SetCurSel(0);
        Dbg(u"LoadExplorer: cannot list %s", pattern.GetString());
        CCommon::SetInterfaceEnable(1);
        return false;
    }

    // Folders first, then files, each in the order found. Files go straight to
    // the rows (whose memory is kept from one listing to the next), folders
    // aside, to be moved in ahead of the files once: every row costs the same
    // however many there are.
    const size_t firstRow = m_arrItems.size();  // after the parent row
    std::vector<CExplorerItem> folders;
    int fileSelect = -1;  // among the files
    // Every path is the folder's path, a backslash and the name.
    const CString prefix = finder.GetRoot().IsEmpty() || finder.GetRoot().Right(1) != u"\\"
                               ? finder.GetRoot() + u"\\"
                               : finder.GetRoot();
    BOOL bMore = TRUE;
    while (bMore) {
        bMore = finder.FindNextFile();
        CString name = finder.GetFileName();
        if (finder.IsDirectory()) {
            if (IsHiddenFolder(name)) continue;
            CExplorerItem& folder = folders.emplace_back();
            folder.strPath = prefix + name;
            folder.strName = std::move(name);
            folder.bFile = FALSE;
            continue;
        }
        CString ext = CFileFinder::ExtensionOf(name);
        if ((ext != u"MP3" && ext != u"WMA") || IsHiddenFile(name)) continue;
        if (name == strSelect) fileSelect = static_cast<int>(m_arrItems.size() - firstRow);
        CExplorerItem& file = m_arrItems.emplace_back();
        file.strExt = std::move(ext);
        file.strPath = prefix + name;
        file.strName = std::move(name);
        file.bFile = TRUE;
    }
    finder.Close();

    m_arrItems.insert(m_arrItems.begin() + static_cast<std::ptrdiff_t>(firstRow),
                      std::make_move_iterator(folders.begin()),
                      std::make_move_iterator(folders.end()));
    m_nFolderCount = static_cast<int>(firstRow + folders.size());
    if (fileSelect >= 0) nSelect = m_nFolderCount + fileSelect;
    if (m_pListBox) {
        for (size_t i = firstRow; i < m_arrItems.size(); ++i) {
            const CExplorerItem& item = m_arrItems[i];
            m_pListBox->AddString(item.bFile ? item.strName.GetString()
                                             : (u"[" + item.strName + u"]").GetString());
            m_pListBox->SetItemColor(static_cast<int>(i), item.bFile ? kFileColor : kFolderColor);
        }
    }

    if (nSelect < 0) nSelect = 0;
    if (m_pListBox) {
        m_pListBox->SetCurSel(nSelect);
        m_pListBox->SetCurSel(nSelect, TRUE);
    }
    OnSelChangeLstExplorer(true);

    if (CWnd* pMain = AfxGetMainWnd()) {
        pMain->Invalidate(FALSE);
        pMain->UpdateWindow();
    }
    CCommon::SetInterfaceEnable(1);
    return true;
}

bool CExplorer::LoadRoot() {
    m_arrPathStack.RemoveAll();
    m_arrPathStack.Add(CString());
    return LoadExplorer(CString(), CString());
}

bool CExplorer::LoadParent() {
    if (m_arrPathStack.GetSize() > 0) m_arrPathStack.RemoveAt(m_arrPathStack.GetSize() - 1);
    if (m_arrPathStack.GetSize() > 0)
        return LoadExplorer(m_arrPathStack[m_arrPathStack.GetSize() - 1], CString());
    return LoadRoot();
}

bool CExplorer::OpenCurItem() {
    const int nSel = GetCurItemIndex();
    if (!ValidSelection(nSel)) return false;
    const CExplorerItem item = m_arrItems[static_cast<size_t>(nSel)];  // a load replaces the rows
    if (!item.bFile) {
        if (item.strName == kParentName) {
            LoadParent();
        } else {
            m_arrPathStack.Add(item.strPath);
            LoadExplorer(item.strPath, CString());
        }
        return false;
    }
    return GetCurItemType() >= 0;
}

bool CExplorer::OnSelChangeLstExplorer(bool bUpdate) {
    if (!bUpdate || !m_pListBox) return false;
    const int nCount = m_pListBox->GetCount();
    if (nCount <= 0) return false;
    const int nCur = m_pListBox->GetCurSel();
    const int nPos = nCount <= 1 ? 0 : nCur * 100 / (nCount - 1);
    if (m_pScrollSlider) m_pScrollSlider->SetPos(nPos);
    const bool bSame = m_nLastSel == nCur;
    Dbg(u"OnSelChangeLstExplorer last %d cur %d same %d", m_nLastSel, nCur, bSame ? 1 : 0);
    m_nLastSel = nCur;
    return bSame;
}

void CExplorer::OnBtnUp() {
    if (!m_pListBox) return;
    const int nSel = m_pListBox->GetCurSel() - 1;
    if (nSel < 0) return;
    m_pListBox->SetCurSel(nSel);
    OnSelChangeLstExplorer(true);
}

void CExplorer::OnBtnDown() {
    if (!m_pListBox) return;
    const int nSel = m_pListBox->GetCurSel() + 1;
    if (nSel >= m_pListBox->GetCount()) return;
    m_pListBox->SetCurSel(nSel);
    OnSelChangeLstExplorer(true);
}

void CExplorer::SetCurItemIndex(int nIndex) {
    Dbg(u"SetCurItemIndex %d", nIndex);
    if (m_pListBox) m_pListBox->SetCurSel(nIndex);
}

int CExplorer::GetCurItemIndex() const {
    return m_pListBox ? m_pListBox->GetCurSel() : -1;
}

int CExplorer::GetItemCount() const {
    return m_pListBox ? m_pListBox->GetCount() : 0;
}

CString CExplorer::GetCurFilePath() const {
    const int nSel = GetCurItemIndex();
    return ValidSelection(nSel) ? m_arrItems[static_cast<size_t>(nSel)].strPath : CString();
}

CString CExplorer::GetCurPath() const {
    const int n = m_arrPathStack.GetSize();
    return n > 0 ? m_arrPathStack[n - 1] : CString();
}

bool CExplorer::IsCurItemFolder() const {
    const int nSel = GetCurItemIndex();
    return ValidSelection(nSel) && !m_arrItems[static_cast<size_t>(nSel)].bFile;
}

int CExplorer::GetCurItemType() const {
    const int nSel = GetCurItemIndex();
    if (!ValidSelection(nSel)) return -1;
    CString tail = m_arrItems[static_cast<size_t>(nSel)].strName.Right(3);
    tail.MakeUpper();
    return tail == u"MP3" || tail == u"WMA" ? 3 : -1;
}

int CExplorer::GetNextFileIndex() const {
    const int nSel = GetCurItemIndex();
    for (int i = nSel < 0 ? 0 : nSel + 1; i < static_cast<int>(m_arrItems.size()); ++i) {
        if (m_arrItems[static_cast<size_t>(i)].bFile) return i;
    }
    return 0;
}
