// Platform-side controls of the device services: debug switch, settings
// locations, the call log read by tests, and the backends that give the
// output, codec and message-box calls their real effect.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/base/cstring.h"
#include "platform/base/wintypes.h"

namespace wq::device {

// Debug output on or off. The initial state comes from WQ_DEBUG=1; the
// program's --debug turns it on.
void EnableDebug(bool on);
bool DebugEnabled();
// Where Dbg writes when enabled (standard error by default). Tests may
// redirect it to capture lines; nullptr restores standard error.
void SetDebugSink(std::function<void(const std::string& utf8Line)> sink);

// The settings database file. Default:
// "<device root>/NAND Flash/.wqaudio/settings.db".
// Changing it closes the open database; the next call opens the new one.
void SetSettingsPath(const std::string& path);
std::string GetSettingsPath();

// Waits (at most `timeoutMs` per store) until every value written to the two
// settings stores is in its file; false when one is not. Writes return at
// once and are stored by a writer thread (see settings_db.h); the program
// calls this before it ends, tests before they look at the files.
bool FlushSettings(DWORD timeoutMs);

// Called with every value CCommon::WriteINIFile accepts, on the calling
// thread and in call order, before the writer thread stores it; nullptr
// removes it. The store keeps only the latest value of a key until it is in
// the file, so a test that checks every write and its order (a value written
// twice, the order of a save) looks here. The observer must not write settings.
struct SettingsWrite {
    std::u16string section, key;
    DWORD type = 0;       // 4: number, 1: string
    DWORD number = 0;     // type 4
    std::u16string text;  // type 1
};
void SetSettingsWriteObserver(std::function<void(const SettingsWrite&)> observer);

// The in-memory settings database read by ReadINIMem. Default:
// "$XDG_RUNTIME_DIR/wqaudio/memsettings.db", else
// "<device root>/NAND Flash/.wqaudio/run/memsettings.db".
void SetMemSettingsPath(const std::string& path);
std::string GetMemSettingsPath();
// Writes a live value (for tests and tools: the earphone state). type 4 takes
// a DWORD in value, type 1 a string. Non-zero on success.
int WriteMemSetting(const CString& section, const CString& key, DWORD value);
int WriteMemSetting(const CString& section, const CString& key, const CString& value);

// One recorded call: its name ("SetOutVolume") and arguments in call order.
// Nothing is recorded until StartCallLog is called, so a program that never
// reads the log (the player itself) keeps nothing however long it runs.
struct Call {
    std::string name;
    std::vector<std::int64_t> args;
    CString text;  // the text argument of WQMessageBox, empty otherwise
    bool operator==(const Call&) const = default;
};
std::vector<Call> CallLog();
// Empties the log and records every call from now on.
void StartCallLog();

// The audio codec. Set3DControl(control, preset) calls Apply3DControl and
// returns its result. Installed by the media layer; thread: GUI thread.
class CodecBackend {
public:
    virtual ~CodecBackend() = default;
    virtual bool Apply3DControl(int control, int preset) = 0;
};
// Installs (or with nullptr removes) the codec; the previous one is returned.
std::shared_ptr<CodecBackend> SetCodecBackend(std::shared_ptr<CodecBackend> backend);

// The outputs, key click and interface switch. Every method has a default
// that does nothing, so an installer overrides only what it drives.
class OutputBackend {
public:
    virtual ~OutputBackend() = default;
    virtual void SetOutVolume(DWORD /*level*/) {}
    virtual void SetEarOutVolume(DWORD /*level*/) {}
    virtual void SetOutMute(int /*mute*/) {}
    virtual void SetAuxOutMute(bool /*mute*/) {}
    virtual void SetSpkOnOff(int /*on*/) {}
    virtual void PlayBtnSound() {}
    virtual void SetInterfaceEnable(int /*enable*/) {}
};
std::shared_ptr<OutputBackend> SetOutputBackend(std::shared_ptr<OutputBackend> backend);

// The message box shown by CMessageDlg::WQMessageBox; returns the button.
using MessageBoxImpl = std::function<int(const CString& text, UINT style, HWND parent)>;
void SetMessageBoxImpl(MessageBoxImpl impl);

}  // namespace wq::device
