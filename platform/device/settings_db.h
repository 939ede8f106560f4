// One settings database: typed values by (section, key) in an SQLite file.
//
// Guarantees:
// - Write never waits for the file: the value is kept in memory at once (a
//   later Read returns it) and a writer thread of this object stores it, each
//   value in its own transaction. While another program holds the database's
//   lock the writer waits and tries again, never holding up a reader for more
//   than a few milliseconds; only the latest value of each key is written. A
//   process killed mid-write leaves the old or the new value (SQLite's
//   write-ahead log).
// - A failure that persists (a read-only file or folder, a full disk, an I/O
//   error, a folder or FIFO at the path) is said once through Dbg; the values
//   stay in memory and are tried again at the next Write.
// - Read waits at most a few milliseconds for a lock; a file it cannot read
//   in time answers "absent" (callers use their defaults) without harm.
// - A file that is not a database, has another schema (the table "settings"
//   with its four columns and its (section, key) primary key), fails the
//   integrity check or cannot be read is renamed to "<name>.moved-<UTC time>"
//   (never deleted or overwritten), a fresh database takes its place, and
//   reads answer "absent". The move is reported once through Dbg.
// - A database the process may read but not write (also one in a folder it
//   may not write) reads normally; this is said once, and changes are kept in
//   memory only.
// - Section and key compare case-insensitively for ASCII letters, as the
//   store's own NOCASE rule does.
// Thread: any. Safe across fork: a child process opens its own connection
// and starts its own writer.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

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
    // Waits up to kFinalFlush for the values not yet stored, then stops the
    // writer.
    ~SettingsDb();
    SettingsDb(const SettingsDb&) = delete;
    SettingsDb& operator=(const SettingsDb&) = delete;

    static constexpr std::chrono::milliseconds kFinalFlush{1500};

    // The value last written by this object, else the stored one; nullopt
    // when there is none or the row is not one Write could have stored
    // (another type code, a number outside 0..2^32-1, a value of the wrong
    // SQLite type).
    std::optional<SettingValue> Read(std::u16string_view section, std::u16string_view key);
    // Keeps the value and returns at once; false only for a type code other
    // than 1 and 4, or an object without a path (nothing could ever be stored).
    bool Write(std::u16string_view section, std::u16string_view key, const SettingValue& value);
    // Waits until every value written so far is stored; false when `timeout`
    // passed first or the store cannot take them (see LastWriteError).
    bool Flush(std::chrono::milliseconds timeout);

    const std::string& Path() const { return m_path; }
    // The name the last moved-aside file got; empty when none was moved.
    std::string LastMovedAside() const;
    // Why the last attempt to store a value failed; empty after a success.
    std::string LastWriteError() const;

private:
    enum class Need { Read, Write };
    struct Pending {
        std::u16string section, key;
        SettingValue value;
        std::uint64_t serial;  // of the Write that left it here
    };
    bool EnsureOpen(Need need);
    bool OpenAndCheck(bool createIfMissing);
    bool OpenImmutable();
    void MoveAside(const std::string& why);
    void CloseConnection();
    void StartWriterLocked();
    void WriterLoop();
    // Stores one value; the SQLite result (SQLITE_BUSY when the lock is held).
    int Store(const Pending& p, std::string* why);
    void Report(const std::string& text);

    std::string m_path;
    mutable std::mutex m_mutex;  // the connection and the flags below
    sqlite3* m_db = nullptr;
    int m_pid = 0;  // process that opened m_db
    bool m_readOnly = false;
    bool m_gaveUp = false;  // a damaged file could not be moved aside: run on defaults
    std::string m_movedAside;
    std::string m_openProblem;  // why the file could not be opened, for the save's report

    // Values not yet stored, by folded (section, key); guarded by m_pendingMutex.
    mutable std::mutex m_pendingMutex;
    std::condition_variable m_changed;  // a Write came, or the writer made progress
    std::map<std::u16string, Pending> m_pending;
    std::uint64_t m_serial = 0;
    bool m_stop = false;
    bool m_blocked = false;  // the last attempt failed for a reason waiting won't fix
    std::string m_lastError;
    std::string m_reported;           // the failure said last (each is said once)
    std::thread* m_writer = nullptr;  // owned; a forked child never touches its parent's
    int m_writerPid = 0;
};

}  // namespace wq::device
