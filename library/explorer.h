// CExplorer: the browsing model behind the player's title list. It shows one
// folder at a time: "[..]" (except at the top level), then the sub-folders,
// then the MP3 and WMA files, in the order the file system delivers them
// (folders moved ahead of files). It keeps the trail of opened folders,
// hides the device's system folders and the sibling programs' list files,
// and keeps the list-scroll slider (0..100) in step with the selection.
//
// The list, slider and path label belong to the player window; the explorer
// only points at them. It derives from CWnd but creates no window.
// Thread: the GUI thread.
#pragma once

#include <string>
#include <unordered_set>
#include <vector>

#include "platform/base/cstring.h"
#include "platform/win/wnd.h"

class CSkinListBox;
class CSkinSlider;
class CScrollTextWnd;

// One list row.
class CExplorerItem {
public:
    CExplorerItem() { ResetItem(); }
    void ResetItem() {
        strPath.Empty();
        strName.Empty();
        strExt.Empty();
        bFile = TRUE;
    }

    CString strPath;  // full path as the finder builds it; the folder itself for "[..]"
    CString strName;  // the name as found; "[..]" for the parent row
    CString strExt;   // upper-case extension of a file; empty otherwise
    BOOL bFile;       // 1 for a file, 0 for a folder or the parent row
};

class CExplorer : public CWnd {
public:
    // Colours of the rows (COLORREF).
    static constexpr COLORREF kFolderColor = 0x00FFFF;
    static constexpr COLORREF kFileColor = 0x000000;
    static constexpr COLORREF kPathColorOnSet = 0x00FFFF;
    static constexpr COLORREF kPathColorOnLoad = 0xFFFFFF;

    CExplorer();
    ~CExplorer() override;

    void SetListBox(CSkinListBox* pListBox) { m_pListBox = pListBox; }
    void SetScrollSlider(CSkinSlider* pSlider) { m_pScrollSlider = pSlider; }
    // Also turns the label's text yellow (0x00FFFF).
    void SetPathStatic(CScrollTextWnd* pStatic);

    // Empties rows and trail and fills the hidden-name tables.
    void InitExplorer();
    // Empties the list and rows, slider to 0; the trail stays.
    void ResetExplorer();
    // Lists folder strPath and selects the file named strSelect if present
    // (row 0 otherwise). False when the folder cannot be listed; the list
    // then holds at most "[..]".
    bool LoadExplorer(const CString& strPath, const CString& strSelect);
    bool LoadRoot();
    bool LoadParent();
    // Opens the selected folder or "[..]" (false), or reports a playable
    // selected file (true; nothing is loaded).
    bool OpenCurItem();
    // Moves the slider to the selection; true when the same row was selected
    // again (the player then opens or plays it). Does nothing when !bUpdate.
    bool OnSelChangeLstExplorer(bool bUpdate);
    void OnBtnUp();
    void OnBtnDown();

    void SetCurItemIndex(int nIndex);
    int GetCurItemIndex() const;
    int GetCurSelIndex() const { return m_nLastSel; }
    CString GetCurFilePath() const;
    CString GetCurPath() const;
    bool IsCurItemFolder() const;
    // 3 for a selected MP3 or WMA row, -1 otherwise.
    int GetCurItemType() const;
    // The first file row after the selection; 0 when none follows.
    int GetNextFileIndex() const;
    int GetFolderCount() const { return m_nFolderCount; }
    int GetItemCount() const;

    // ---- saved path restore and storage checks ----
    // Reopens the folder of a saved path with its file selected, rebuilding
    // the trail so "[..]" leads back level by level.
    bool OpenPathName(const CString& strPathName);
    // Whether the folder on show lies on the memory card / the USB disk.
    bool IsCardPath() const;
    bool IsRemovableDiskPath() const;

    // ---- read-outs for tests ----
    const std::vector<CExplorerItem>& GetItems() const { return m_arrItems; }
    const CStringArray& GetPathStack() const { return m_arrPathStack; }

private:
    // Whether a name as found is one of the hidden ones (compared upper-cased).
    bool IsHiddenFolder(const CString& name) const;
    bool IsHiddenFile(const CString& name) const;
    bool ValidSelection(int nSel) const {
        return nSel >= 0 && nSel < static_cast<int>(m_arrItems.size());
    }
    bool IsStoragePath(const char16_t* marker) const;

    CSkinListBox* m_pListBox = nullptr;
    CSkinSlider* m_pScrollSlider = nullptr;
    CScrollTextWnd* m_pPathStatic = nullptr;
    std::vector<CExplorerItem> m_arrItems;
    CStringArray m_arrPathStack;
    CStringArray m_arrHideFolders;
    CStringArray m_arrHideFiles;
    // The same names, for a lookup per row that does not grow with the lists,
    // and which lengths they have: a name of another length is not upper-cased.
    std::unordered_set<std::u16string> m_setHideFolders;
    std::unordered_set<std::u16string> m_setHideFiles;
    std::vector<bool> m_hideLengths;
    int m_nLastSel = -1;
    int m_nFolderCount = 0;
};
