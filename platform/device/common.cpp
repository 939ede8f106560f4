#include "platform/device/common.h"

#include <cstring>

#include "platform/device/messagedlg.h"
#include "platform/device/state.h"

namespace {

using wq::device::SettingsDb;
using wq::device::SettingValue;

// The longest string a reader's 2048-byte buffer holds with its terminator.
constexpr size_t kMaxStringUnits = 2048 / sizeof(char16_t) - 1;

int ReadFrom(SettingsDb& db, LPCTSTR section, LPCTSTR key, DWORD type, LPVOID buffer) {
    if (!section || !key || !buffer || (type != REG_DWORD && type != REG_SZ)) return 0;
    const auto value = db.Read(section, key);
    if (!value || value->type != type) return 0;
    if (type == REG_DWORD) {
        std::memcpy(buffer, &value->number, sizeof(DWORD));
        return 1;
    }
    const size_t units = std::min(value->text.size(), kMaxStringUnits);
    auto* out = static_cast<char16_t*>(buffer);
    std::memcpy(out, value->text.data(), units * sizeof(char16_t));
    out[units] = u'\0';
    return 1;
}

}  // namespace

int CCommon::ReadINIFile(LPCTSTR section, LPCTSTR key, DWORD type, LPVOID buffer) {
    return ReadFrom(*wq::device::detail::FileSettings(), section, key, type, buffer);
}

int CCommon::ReadINIMem(LPCTSTR section, LPCTSTR key, DWORD type, LPVOID buffer) {
    return ReadFrom(*wq::device::detail::MemSettings(), section, key, type, buffer);
}

int CCommon::WriteINIFile(LPCTSTR section, LPCTSTR key, DWORD type, LPCVOID buffer) {
    if (!section || !key || !buffer) return 0;
    SettingValue value;
    value.type = type;
    if (type == REG_DWORD) {
        std::memcpy(&value.number, buffer, sizeof(DWORD));
    } else if (type == REG_SZ) {
        // A string a reader could not get back whole is refused, and the
        // scan stops at the reader's limit even if the terminator is missing.
        const auto* in = static_cast<const char16_t*>(buffer);
        size_t n = 0;
        while (n <= kMaxStringUnits && in[n] != u'\0') ++n;
        if (n > kMaxStringUnits) return 0;
        value.text.assign(in, n);
    } else {
        return 0;
    }
    if (!wq::device::detail::FileSettings()->Write(section, key, value)) return 0;
    wq::device::detail::NotifySettingsWrite({section, key, value.type, value.number, value.text});
    return 1;
}

namespace {

// Records the call, then hands it to the installed output backend.
template <typename F>
BOOL Output(const char* name, std::vector<std::int64_t> args, F apply) {
    wq::device::detail::Record(name, std::move(args));
    if (auto backend = wq::device::detail::Outputs()) apply(*backend);
    return TRUE;
}

}  // namespace

BOOL CCommon::SetOutVolume(DWORD level) {
    return Output("SetOutVolume", {level}, [&](auto& b) { b.SetOutVolume(level); });
}

BOOL CCommon::SetEarOutVolume(DWORD level) {
    return Output("SetEarOutVolume", {level}, [&](auto& b) { b.SetEarOutVolume(level); });
}

BOOL CCommon::SetOutMute(int mute) {
    return Output("SetOutMute", {mute}, [&](auto& b) { b.SetOutMute(mute); });
}

BOOL CCommon::SetAuxOutMute(bool mute) {
    return Output("SetAuxOutMute", {mute ? 1 : 0}, [&](auto& b) { b.SetAuxOutMute(mute); });
}

BOOL CCommon::SetSpkOnOff(int on) {
    return Output("SetSpkOnOff", {on}, [&](auto& b) { b.SetSpkOnOff(on); });
}

BOOL CCommon::PlayBtnSound() {
    return Output("PlayBtnSound", {}, [](auto& b) { b.PlayBtnSound(); });
}

BOOL CCommon::SetInterfaceEnable(int enable) {
    return Output("SetInterfaceEnable", {enable}, [&](auto& b) { b.SetInterfaceEnable(enable); });
}

BOOL CCommon::Set3DControl(int control, int preset) {
    wq::device::detail::Record("Set3DControl", {control, preset});
    const auto codec = wq::device::detail::Codec();
    return codec && codec->Apply3DControl(control, preset) ? TRUE : FALSE;
}

void CCommon::ParsePath(const CString& fullPath, CString& folder, CString& fileName,
                        CString& extension) {
    const int slash = fullPath.ReverseFind(u'\\');
    folder = slash < 0 ? CString() : fullPath.Left(slash);
    fileName = fullPath.Mid(slash + 1);
    const int dot = fileName.ReverseFind(u'.');
    extension = dot < 0 ? CString() : fileName.Mid(dot + 1);
}

void Dbg(const char16_t* format, ...) {
    if (!format || !wq::device::DebugEnabled()) return;
    CString line;
    va_list ap;
    va_start(ap, format);
    line.FormatV(format, ap);
    va_end(ap);
    wq::device::detail::WriteDebugLine(line.ToUtf8());
}

int CMessageDlg::WQMessageBox(const CString& text, UINT style, HWND parent) {
    wq::device::detail::Record(
        "WQMessageBox", {static_cast<std::int64_t>(style), reinterpret_cast<std::intptr_t>(parent)},
        text);
    const auto impl = wq::device::detail::MessageBox();
    return impl ? impl(text, style, parent) : IDOK;
}
