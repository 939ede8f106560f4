// One settings database: typed values by (section, key) in an SQLite file.
//
// Guarantees:
// - Each write is its own transaction (BEGIN IMMEDIATE ... COMMIT) with a
//   busy timeout, so programs writing at the same time wait for each other
//   instead of losing values, and a process killed mid-write leaves the old
//   or the new value (SQLite's rollback journal).
// - A file that is not a database, has another schema, fails the integrity
//   check or cannot be read is renamed to "<name>.moved-<UTC time>" (never
//   deleted or overwritten), a fresh database takes its place, and reads
//   answer "absent" so callers use their defaults. The move is reported once
//   through Dbg.
// - A database the process may read but not write reads normally; writes
//   fail without touching it.
// - Section and key compare case-insensitively for ASCII letters, as the
//   device's settings store does.
// Thread: any; one connection per object guarded by a mutex. Safe across
// fork: a child process opens its own connection.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

struct sqlite3;

namespace wq::device {

struct SettingValue {
    std::uint32_t type = 0;    // 4: number, 1: string
    std::uint32_t number = 0;  // type 4
    std::u16string text;       // type 1
};

class SettingsDb {
public:
    explicit SettingsDb(std::string path);
    ~SettingsDb();
    SettingsDb(const SettingsDb&) = delete;
    SettingsDb& operator=(const SettingsDb&) = delete;

    // The stored value, or nullopt when there is none or the row is not one
    // Write could have stored (another type code, a number outside 0..2^32-1,
    // a value of the wrong SQLite type).
    std::optional<SettingValue> Read(std::u16string_view section, std::u16string_view key);
    bool Write(std::u16string_view section, std::u16string_view key, const SettingValue& value);

    const std::string& Path() const { return m_path; }
    // The name the last moved-aside file got; empty when none was moved.
    std::string LastMovedAside() const;

private:
    enum class Need { Read, Write };
    bool EnsureOpen(Need need);
    bool OpenAndCheck(bool createIfMissing);
    void MoveAside(const std::string& why);
    void CloseConnection();

    std::string m_path;
    mutable std::mutex m_mutex;
    sqlite3* m_db = nullptr;
    int m_pid = 0;  // process that opened m_db
    bool m_readOnly = false;
    bool m_gaveUp = false;  // a damaged file could not be moved aside: run on defaults
    std::string m_movedAside;
};

}  // namespace wq::device
