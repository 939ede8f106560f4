// Every write to the settings store, in order, recorded by the database itself
// (a trigger on its table), so a test sees each write, also one that stores
// the value that was already there; and a codec that notes, at each
// Set3DControl, how many writes had happened and what was stored then.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <map>
#include <memory>
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

    // The settings database in use must be a file; it is made (one throw-away
    // value in section "JOURNAL") when it does not exist yet.
    SettingsJournal() {
        DWORD one = 1;
        CCommon::WriteINIFile(u"JOURNAL", u"made", REG_DWORD, &one);
        const std::string path = wq::device::GetSettingsPath();
        if (sqlite3_open(path.c_str(), &m_db) != SQLITE_OK) ADD_FAILURE() << "cannot open " << path;
        sqlite3_busy_timeout(m_db, 2000);
        Exec(
            "CREATE TABLE IF NOT EXISTS journal (n INTEGER PRIMARY KEY, section, key, value);"
            "CREATE TRIGGER IF NOT EXISTS journal_insert AFTER INSERT ON settings BEGIN"
            " INSERT INTO journal (section, key, value) VALUES (new.section, new.key, new.value);"
            " END;"
            "CREATE TRIGGER IF NOT EXISTS journal_update AFTER UPDATE ON settings BEGIN"
            " INSERT INTO journal (section, key, value) VALUES (new.section, new.key, new.value);"
            " END;"
            "DELETE FROM journal;");
    }
    ~SettingsJournal() { sqlite3_close(m_db); }
    SettingsJournal(const SettingsJournal&) = delete;
    SettingsJournal& operator=(const SettingsJournal&) = delete;

    // The writes to `section` (every section when empty) since the journal
    // was made or cleared.
    std::vector<Write> Writes(const std::string& section = "") const {
        std::vector<Write> out;
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(m_db,
                           "SELECT section, key, value FROM journal WHERE ?1 = '' OR section = ?1 "
                           "COLLATE NOCASE ORDER BY n",
                           -1, &st, nullptr);
        sqlite3_bind_text(st, 1, section.c_str(), -1, SQLITE_TRANSIENT);
        while (sqlite3_step(st) == SQLITE_ROW) {
            out.push_back({Text(st, 0), Text(st, 1), sqlite3_column_int64(st, 2)});
        }
        sqlite3_finalize(st);
        return out;
    }
    size_t Count(const std::string& section = "") const { return Writes(section).size(); }
    void Clear() { Exec("DELETE FROM journal;"); }

    // What is stored in `section` now: key -> number.
    std::map<std::string, long long> Stored(const std::string& section) const {
        std::map<std::string, long long> out;
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(m_db, "SELECT key, value FROM settings WHERE section = ?1", -1, &st,
                           nullptr);
        sqlite3_bind_text(st, 1, section.c_str(), -1, SQLITE_TRANSIENT);
        while (sqlite3_step(st) == SQLITE_ROW) out[Text(st, 0)] = sqlite3_column_int64(st, 1);
        sqlite3_finalize(st);
        return out;
    }

private:
    static std::string Text(sqlite3_stmt* st, int column) {
        const auto* t = sqlite3_column_text(st, column);
        return t ? reinterpret_cast<const char*>(t) : "";
    }
    void Exec(const char* sql) {
        char* error = nullptr;
        if (sqlite3_exec(m_db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
            ADD_FAILURE() << (error ? error : "sqlite error");
            sqlite3_free(error);
        }
    }
    sqlite3* m_db = nullptr;
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
