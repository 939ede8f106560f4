#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "platform/device/state.h"
#include "platform/fs/root.h"

namespace wq::device {

namespace {

struct State {
    std::mutex mutex;
    bool debug = [] {
        const char* v = std::getenv("WQ_DEBUG");
        return v && std::string(v) == "1";
    }();
    std::function<void(const std::string&)> debugSink;
    std::string settingsPath;
    std::string memPath;
    std::shared_ptr<SettingsDb> file;
    std::shared_ptr<SettingsDb> mem;
    bool recording = false;
    std::vector<Call> calls;
    std::shared_ptr<CodecBackend> codec;
    std::shared_ptr<OutputBackend> outputs;
    MessageBoxImpl messageBox;
    std::function<void(const SettingsWrite&)> settingsObserver;
};

State& S() {
    static State state;
    return state;
}

// "<root>/NAND Flash/.wqaudio": the device's internal flash holds its
// settings; the explorer never lists "NAND Flash", so the store stays out of
// the title list.
std::string DeviceStateDir() {
    const std::string root = wq::fs::GetRoot();
    if (root.empty()) return {};
    const auto nand = wq::fs::ToHostPath(u"\\NAND Flash", false);
    return (nand ? *nand : root + (root == "/" ? "" : "/") + "NAND Flash") + "/.wqaudio";
}

std::string DefaultSettingsPath() {
    const std::string dir = DeviceStateDir();
    return dir.empty() ? std::string() : dir + "/settings.db";
}

std::string DefaultMemPath() {
    const char* run = std::getenv("XDG_RUNTIME_DIR");
    if (run && *run) return std::string(run) + "/wqaudio/memsettings.db";
    const std::string dir = DeviceStateDir();
    return dir.empty() ? std::string() : dir + "/run/memsettings.db";
}

}  // namespace

void EnableDebug(bool on) {
    std::lock_guard lock(S().mutex);
    S().debug = on;
}

bool DebugEnabled() {
    std::lock_guard lock(S().mutex);
    return S().debug;
}

void SetDebugSink(std::function<void(const std::string&)> sink) {
    std::lock_guard lock(S().mutex);
    S().debugSink = std::move(sink);
}

void SetSettingsPath(const std::string& path) {
    std::shared_ptr<SettingsDb> old;
    {
        std::lock_guard lock(S().mutex);
        S().settingsPath = path;
        old.swap(S().file);
    }
    // Released outside the lock: it stores what is left first, which may say
    // something through Dbg.
    old.reset();
}

std::string GetSettingsPath() {
    std::lock_guard lock(S().mutex);
    return S().settingsPath.empty() ? DefaultSettingsPath() : S().settingsPath;
}

void SetMemSettingsPath(const std::string& path) {
    std::shared_ptr<SettingsDb> old;
    {
        std::lock_guard lock(S().mutex);
        S().memPath = path;
        old.swap(S().mem);
    }
    old.reset();
}

bool FlushSettings(DWORD timeoutMs) {
    std::shared_ptr<SettingsDb> file, mem;
    {
        std::lock_guard lock(S().mutex);
        file = S().file;
        mem = S().mem;
    }
    const auto timeout = std::chrono::milliseconds(timeoutMs);
    const bool fileStored = !file || file->Flush(timeout);
    const bool memStored = !mem || mem->Flush(timeout);
    return fileStored && memStored;
}

void SetSettingsWriteObserver(std::function<void(const SettingsWrite&)> observer) {
    std::lock_guard lock(S().mutex);
    S().settingsObserver = std::move(observer);
}

std::string GetMemSettingsPath() {
    std::lock_guard lock(S().mutex);
    return S().memPath.empty() ? DefaultMemPath() : S().memPath;
}

int WriteMemSetting(const CString& section, const CString& key, DWORD value) {
    return detail::MemSettings()->Write(section.str(), key.str(),
                                        SettingValue{REG_DWORD, value, {}})
               ? 1
               : 0;
}

int WriteMemSetting(const CString& section, const CString& key, const CString& value) {
    return detail::MemSettings()->Write(section.str(), key.str(),
                                        SettingValue{REG_SZ, 0, value.str()})
               ? 1
               : 0;
}

std::vector<Call> CallLog() {
    std::lock_guard lock(S().mutex);
    return S().calls;
}

void StartCallLog() {
    std::lock_guard lock(S().mutex);
    S().recording = true;
    S().calls.clear();
}

std::shared_ptr<CodecBackend> SetCodecBackend(std::shared_ptr<CodecBackend> backend) {
    std::lock_guard lock(S().mutex);
    std::swap(S().codec, backend);
    return backend;
}

std::shared_ptr<OutputBackend> SetOutputBackend(std::shared_ptr<OutputBackend> backend) {
    std::lock_guard lock(S().mutex);
    std::swap(S().outputs, backend);
    return backend;
}

void SetMessageBoxImpl(MessageBoxImpl impl) {
    std::lock_guard lock(S().mutex);
    S().messageBox = std::move(impl);
}

namespace detail {

// A store replaced because its path changed is released after the lock (it is
// declared before it): it stores what is left first, and its writer thread may
// say something through Dbg, which takes the same lock.
std::shared_ptr<SettingsDb> FileSettings() {
    const std::string path = GetSettingsPath();
    std::shared_ptr<SettingsDb> replaced;
    std::lock_guard lock(S().mutex);
    if (!S().file || S().file->Path() != path) {
        replaced = std::move(S().file);
        S().file = std::make_shared<SettingsDb>(path);
    }
    return S().file;
}

std::shared_ptr<SettingsDb> MemSettings() {
    const std::string path = GetMemSettingsPath();
    std::shared_ptr<SettingsDb> replaced;
    std::lock_guard lock(S().mutex);
    if (!S().mem || S().mem->Path() != path) {
        replaced = std::move(S().mem);
        S().mem = std::make_shared<SettingsDb>(path);
    }
    return S().mem;
}

void NotifySettingsWrite(const SettingsWrite& write) {
    std::function<void(const SettingsWrite&)> observer;
    {
        std::lock_guard lock(S().mutex);
        observer = S().settingsObserver;
    }
    if (observer) observer(write);
}

void Record(std::string name, std::vector<std::int64_t> args, CString text) {
    std::lock_guard lock(S().mutex);
    if (S().recording) S().calls.push_back(Call{std::move(name), std::move(args), std::move(text)});
}

std::shared_ptr<CodecBackend> Codec() {
    std::lock_guard lock(S().mutex);
    return S().codec;
}

std::shared_ptr<OutputBackend> Outputs() {
    std::lock_guard lock(S().mutex);
    return S().outputs;
}

MessageBoxImpl MessageBox() {
    std::lock_guard lock(S().mutex);
    return S().messageBox;
}

void WriteDebugLine(const std::string& line) {
    std::function<void(const std::string&)> sink;
    {
        std::lock_guard lock(S().mutex);
        if (!S().debug) return;
        sink = S().debugSink;
    }
    if (sink) {
        sink(line);
        return;
    }
    std::fprintf(stderr, "%s\n", line.c_str());
}

}  // namespace detail

}  // namespace wq::device
