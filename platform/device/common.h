// CCommon: the device services the player calls as static operations:
// typed settings by section and key, audio outputs, the codec's equalizer
// preset, the key click, interface enable, path splitting; and Dbg.
//
// Settings live in SQLite (platform/device/settings.h): ReadINIFile and
// WriteINIFile use the device's settings database, ReadINIMem the in-memory
// settings database of the runtime folder. Type code 4 (REG_DWORD) moves a
// 4-byte value; type code 1 (REG_SZ) a zero-terminated UTF-16 string of at
// most 1023 characters plus the terminator (readers pass a cleared 2048-byte
// buffer, and a read never writes past 2048 bytes).
//
// The output, codec, click and interface calls are recorded in order in the
// call log once a test starts it (platform/device/hooks.h); Set3DControl also drives the installed
// codec backend.
// Thread: the GUI thread for everything but the settings calls, which are
// safe from any thread and from several processes at once.
#pragma once

#include "platform/base/cstring.h"
#include "platform/base/wintypes.h"

class CCommon {
public:
    // Non-zero when a value of that type was found and copied into buffer;
    // zero (buffer untouched) when absent, of the other type, or unreadable.
    static int ReadINIFile(LPCTSTR section, LPCTSTR key, DWORD type, LPVOID buffer);
    // Non-zero when the value was stored (its own transaction, durable).
    static int WriteINIFile(LPCTSTR section, LPCTSTR key, DWORD type, LPCVOID buffer);
    // Same contract as ReadINIFile over the live in-memory settings.
    static int ReadINIMem(LPCTSTR section, LPCTSTR key, DWORD type, LPVOID buffer);

    static BOOL SetOutVolume(DWORD level);
    static BOOL SetEarOutVolume(DWORD level);
    static BOOL SetOutMute(int mute);
    static BOOL SetAuxOutMute(bool mute);
    static BOOL SetSpkOnOff(int on);
    // Makes preset (0..10) the active sound of the codec through the installed
    // backend; FALSE when no backend is installed or it refuses.
    static BOOL Set3DControl(int control, int preset);
    static BOOL PlayBtnSound();
    static BOOL SetInterfaceEnable(int enable);

    // Splits "SDMMC Card\AUDIO\x.mp3" into folder "SDMMC Card\AUDIO" (no
    // trailing backslash; empty without one), file name "x.mp3" and
    // extension "mp3" (after the last dot of the name, as spelled; empty
    // without a dot).
    static void ParsePath(const CString& fullPath, CString& folder, CString& fileName,
                          CString& extension);
};

// Debug output, printf-style with a UTF-16 format (CString::Format rules: %s
// takes const char16_t*). Written as one line to standard error when enabled
// (wq::device::EnableDebug, "--debug" or WQ_DEBUG=1), silent otherwise.
void Dbg(const char16_t* format, ...);
