// Every write to the settings store, in call order, as WriteINIFile accepted
// it (the store itself keeps only the latest value of a key until its writer
// thread stores it, so the database cannot tell two writes of one key apart);
// and a codec that notes, at each Set3DControl, how many writes had happened.
// One journal at a time; it installs the device layer's write observer.
#pragma once

#include <strings.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/base/utf.h"
#include "platform/device/common.h"
#include "platform/device/hooks.h"

namespace wq::test {

class SettingsJournal {
public:
    struct Write {
        std::string section, key;
        long long value;  // numbers; a string reads as 0
        bool operator==(const Write&) const = default;
    };

    SettingsJournal() {
        wq::device::SetSettingsWriteObserver([this](const wq::device::SettingsWrite& w) {
            std::lock_guard lock(m_mutex);
            m_writes.push_back({wq::Utf16ToUtf8(w.section), wq::Utf16ToUtf8(w.key),
                                w.type == REG_DWORD ? static_cast<long long>(w.number) : 0});
        });
    }
    ~SettingsJournal() { wq::device::SetSettingsWriteObserver(nullptr); }
    SettingsJournal(const SettingsJournal&) = delete;
    SettingsJournal& operator=(const SettingsJournal&) = delete;

    // The writes to `section` (ASCII case ignored; every section when empty)
    // since the journal was made or cleared.
    std::vector<Write> Writes(const std::string& section = "") const {
        std::lock_guard lock(m_mutex);
        std::vector<Write> out;
        for (const Write& w : m_writes) {
            if (section.empty() || strcasecmp(section.c_str(), w.section.c_str()) == 0)
                out.push_back(w);
        }
        return out;
    }
    size_t Count(const std::string& section = "") const { return Writes(section).size(); }
    void Clear() {
        std::lock_guard lock(m_mutex);
        m_writes.clear();
    }

private:
    mutable std::mutex m_mutex;
    std::vector<Write> m_writes;
};

// A codec that records every apply with the number of journal writes before
// it, and hands the call on to `next` (the codec installed before it, if any).
class RecordingCodec : public wq::device::CodecBackend {
public:
    struct Apply {
        int control, preset;
        size_t writesBefore;
    };
    explicit RecordingCodec(const SettingsJournal* journal) : m_journal(journal) {}
    bool Apply3DControl(int control, int preset) override {
        applies.push_back({control, preset, m_journal->Count("WQEQUALIZER")});
        return next ? next->Apply3DControl(control, preset) : true;
    }
    std::vector<Apply> applies;
    std::shared_ptr<wq::device::CodecBackend> next;

private:
    const SettingsJournal* m_journal;
};

}  // namespace wq::test
