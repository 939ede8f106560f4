#include "platform/device/settings_db.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <vector>

#include "platform/base/utf.h"
#include "platform/device/common.h"

namespace wq::device {

namespace {

// How long one read or one write attempt waits for another program's lock.
// A reader then answers "absent"; the writer lets go of the connection (so a
// reader on the GUI thread is never held up longer) and tries again after
// kRetryPause.
constexpr int kLockWaitMs = 25;
constexpr auto kRetryPause = std::chrono::milliseconds(20);

// Waits 1 ms per retry instead of SQLite's default back-off (which sleeps up
// to 100 ms at a time). Returns 0 to give up once kLockWaitMs have passed.
int RetryWhileBusy(void*, int attempt) {
    if (attempt >= kLockWaitMs) return 0;
    usleep(1000);
    return 1;
}

bool IsBusy(int rc) {
    rc &= 0xFF;
    return rc == SQLITE_BUSY || rc == SQLITE_LOCKED;
}

// The store's own rule for names: ASCII letters without case (COLLATE NOCASE).
std::u16string Folded(std::u16string_view section, std::u16string_view key) {
    std::u16string s;
    s.reserve(section.size() + key.size() + 1);
    auto add = [&s](std::u16string_view part) {
        for (char16_t c : part) s += (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
    };
    add(section);
    s += u'\0';
    add(key);
    return s;
}

constexpr const char* kCreateSchema =
    "CREATE TABLE IF NOT EXISTS settings ("
    " section TEXT NOT NULL COLLATE NOCASE,"
    " key TEXT NOT NULL COLLATE NOCASE,"
    " type INTEGER NOT NULL,"
    " value,"
    " PRIMARY KEY (section, key))";

bool FileExists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

bool MakeParentDirs(const std::string& path) {
    for (size_t pos = path.find('/', 1); pos != std::string::npos; pos = path.find('/', pos + 1)) {
        const std::string dir = path.substr(0, pos);
        if (mkdir(dir.c_str(), 0755) != 0 && errno != EEXIST) return false;
    }
    return true;
}

std::string UtcStamp() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    gmtime_r(&now, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y%m%dT%H%M%SZ", &tm);
    return buf;
}

// "file:<path>?immutable=1" with the path percent-encoded for a URI.
std::string ImmutableUri(const std::string& path) {
    std::string uri = "file:";
    for (const unsigned char c : path) {
        if (std::isalnum(c) || c == '/' || c == '.' || c == '-' || c == '_') {
            uri += static_cast<char>(c);
        } else {
            char buf[4];
            std::snprintf(buf, sizeof buf, "%%%02X", c);
            uri += buf;
        }
    }
    return uri + "?immutable=1";
}

bool IsCorruption(int rc) {
    rc &= 0xFF;
    return rc == SQLITE_CORRUPT || rc == SQLITE_NOTADB;
}

// Runs sql and collects the first column of every row as text.
int QueryColumn(sqlite3* db, const char* sql, std::vector<std::string>* out) {
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
    if (rc != SQLITE_OK) return rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        const auto* text = sqlite3_column_text(st, 0);
        out->push_back(text ? reinterpret_cast<const char*>(text) : "");
    }
    sqlite3_finalize(st);
    return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

class Statement {
public:
    Statement(sqlite3* db, const char* sql) {
        m_rc = sqlite3_prepare_v2(db, sql, -1, &m_st, nullptr);
    }
    ~Statement() { sqlite3_finalize(m_st); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    bool Ok() const { return m_rc == SQLITE_OK; }
    int PrepareResult() const { return m_rc; }
    void BindText(int i, const std::string& s) {
        sqlite3_bind_text(m_st, i, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
    }
    void BindInt(int i, std::int64_t v) { sqlite3_bind_int64(m_st, i, v); }
    int Step() { return sqlite3_step(m_st); }
    sqlite3_stmt* Get() const { return m_st; }

private:
    sqlite3_stmt* m_st = nullptr;
    int m_rc = SQLITE_OK;
};

}  // namespace

SettingsDb::SettingsDb(std::string path) : m_path(std::move(path)) {}

SettingsDb::~SettingsDb() {
    Flush(kFinalFlush);
    std::thread* writer = nullptr;
    size_t left = 0;
    {
        std::lock_guard lock(m_pendingMutex);
        m_stop = true;
        left = m_pending.size();
        if (m_writerPid == getpid()) writer = m_writer;
    }
    m_changed.notify_all();
    if (writer) {
        writer->join();
        delete writer;
    }
    if (left > 0) {
        // Said directly: at process exit the debug output may be gone already.
        std::fprintf(stderr, "settings: %zu change(s) could not be stored in %s\n", left,
                     m_path.c_str());
    }
    std::lock_guard lock(m_mutex);
    CloseConnection();
}

std::string SettingsDb::LastMovedAside() const {
    std::lock_guard lock(m_mutex);
    return m_movedAside;
}

std::string SettingsDb::LastWriteError() const {
    std::lock_guard lock(m_pendingMutex);
    return m_lastError;
}

void SettingsDb::Report(const std::string& text) {
    {
        std::lock_guard lock(m_pendingMutex);
        if (m_reported == text) return;
        m_reported = text;
    }
    Dbg(u"%s", Utf8ToUtf16(text).c_str());
}

void SettingsDb::CloseConnection() {
    // A connection opened by the parent of a forked process belongs to the
    // parent: the child must neither use nor close it (closing would drop
    // the parent's file locks), so it is left alone.
    if (m_db && m_pid == getpid()) sqlite3_close_v2(m_db);
    m_db = nullptr;
}

void SettingsDb::MoveAside(const std::string& why) {
    CloseConnection();
    std::string target = m_path + ".moved-" + UtcStamp();
    for (int n = 2; FileExists(target); ++n)
        target = m_path + ".moved-" + UtcStamp() + "-" + std::to_string(n);
    if (rename(m_path.c_str(), target.c_str()) != 0) {
        const std::string msg = "settings: " + m_path + " " + why +
                                " and could not be moved aside; running on defaults";
        Dbg(u"%s", Utf8ToUtf16(msg).c_str());
        m_movedAside.clear();
        m_gaveUp = true;  // said once; the file stays as it is
        return;
    }
    // The journal belongs to the file it was written for: it moves along.
    for (const char* suffix : {"-journal", "-wal", "-shm"}) {
        const std::string side = m_path + suffix;
        if (FileExists(side)) rename(side.c_str(), (target + suffix).c_str());
    }
    m_movedAside = target;
    const std::string msg =
        "settings: " + m_path + " " + why + "; moved to " + target + ", running on defaults";
    Dbg(u"%s", Utf8ToUtf16(msg).c_str());
}

// Opens m_path and checks it is a settings database. Returns false when no
// usable database is open afterwards.
bool SettingsDb::OpenAndCheck(bool createIfMissing) {
    struct stat st {};
    if (stat(m_path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        // A folder, FIFO or device at the path is not ours to move, and a
        // FIFO would block the first read for good. Reads answer "absent";
        // the first save that fails says why.
        m_openProblem = "it is not a regular file";
        return false;
    }
    if (FileExists(m_path) && access(m_path.c_str(), R_OK) != 0) {
        MoveAside("cannot be read");
        if (!m_movedAside.empty() && createIfMissing) return OpenAndCheck(true);
        return false;
    }
    const int flags =
        SQLITE_OPEN_READWRITE | (createIfMissing ? SQLITE_OPEN_CREATE : 0) | SQLITE_OPEN_NOMUTEX;
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(m_path.c_str(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_close_v2(db);
        return false;
    }
    m_db = db;
    m_pid = getpid();
    sqlite3_busy_handler(db, RetryWhileBusy, nullptr);
    sqlite3_extended_result_codes(db, 1);
    m_readOnly = sqlite3_db_readonly(db, "main") == 1;

    std::string problem;
    std::vector<std::string> check;
    rc = QueryColumn(db, "PRAGMA quick_check", &check);
    if ((rc & 0xFF) == SQLITE_CANTOPEN || (rc & 0xFF) == SQLITE_READONLY) {
        // A write-ahead-log database in a folder we may not write cannot get
        // its shared-memory file (also when the file itself is writable);
        // nobody can change it here, so read it as an immutable file instead.
        CloseConnection();
        if (sqlite3_open_v2(ImmutableUri(m_path).c_str(), &db,
                            SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) != SQLITE_OK) {
            sqlite3_close_v2(db);
            return false;
        }
        m_db = db;
        m_readOnly = true;
        check.clear();
        rc = QueryColumn(db, "PRAGMA quick_check", &check);
    }
    if (IsCorruption(rc) || (rc == SQLITE_OK && (check.size() != 1 || check[0] != "ok"))) {
        problem = "is not an intact database";
    } else if (rc != SQLITE_OK) {
        CloseConnection();  // busy or I/O trouble: not evidence of damage, try again later
        return false;
    } else {
        std::vector<std::string> tables, kinds, columns, key;
        QueryColumn(db, "SELECT name FROM sqlite_master WHERE type = 'table'", &tables);
        QueryColumn(db, "SELECT type FROM sqlite_master WHERE name = 'settings' COLLATE NOCASE",
                    &kinds);
        QueryColumn(db, "SELECT name FROM pragma_table_info('settings') ORDER BY cid", &columns);
        QueryColumn(db, "SELECT name FROM pragma_table_info('settings') WHERE pk > 0 ORDER BY pk",
                    &key);
        const std::vector<std::string> expectedColumns = {"section", "key", "type", "value"};
        const std::vector<std::string> expectedKey = {"section", "key"};
        if (tables.empty() && kinds.empty()) {
            if (!m_readOnly &&
                sqlite3_exec(db, kCreateSchema, nullptr, nullptr, nullptr) != SQLITE_OK) {
                CloseConnection();
                return false;
            }
        } else if (kinds != std::vector<std::string>{"table"} || columns != expectedColumns ||
                   key != expectedKey) {
            // Without the primary key every write would fail (or add rows
            // a read never finds): not a store of ours.
            problem = "has a different schema";
        }
    }
    if (problem.empty() && !m_readOnly) {
        // Write-ahead logging: a commit appends to the log without waiting
        // for the disk, and readers never block the writer. A killed process
        // still leaves every committed value (the log is in the file system);
        // only a power cut may lose the last few commits, never consistency.
        sqlite3_exec(db, "PRAGMA journal_mode = WAL", nullptr, nullptr, nullptr);
        sqlite3_exec(db, "PRAGMA synchronous = NORMAL", nullptr, nullptr, nullptr);
    }
    if (!problem.empty()) {
        MoveAside(problem);
        if (!m_movedAside.empty() && createIfMissing) return OpenAndCheck(true);
        return false;
    }
    m_openProblem.clear();
    return true;
}

bool SettingsDb::EnsureOpen(Need need) {
    if (m_db && m_pid != getpid()) m_db = nullptr;  // inherited across fork: not ours
    if (m_db) return true;
    // No path (no device root) would make SQLite use a throw-away temporary
    // database: values written there would silently vanish.
    if (m_path.empty() || m_gaveUp) return false;
    if (!FileExists(m_path)) {
        if (need == Need::Read) return false;  // nothing stored yet: reads answer absent
        if (!MakeParentDirs(m_path)) return false;
    }
    return OpenAndCheck(need == Need::Write);
}

std::optional<SettingValue> SettingsDb::Read(std::u16string_view section, std::u16string_view key) {
    {
        std::lock_guard lock(m_pendingMutex);
        auto it = m_pending.find(Folded(section, key));
        if (it != m_pending.end()) return it->second.value;
    }
    std::lock_guard lock(m_mutex);
    if (!EnsureOpen(Need::Read)) return std::nullopt;
    Statement st(m_db, "SELECT type, value FROM settings WHERE section = ?1 AND key = ?2");
    if (!st.Ok()) {
        if (IsCorruption(st.PrepareResult())) MoveAside("is not an intact database");
        return std::nullopt;
    }
    st.BindText(1, Utf16ToUtf8(section));
    st.BindText(2, Utf16ToUtf8(key));
    const int rc = st.Step();
    if (rc != SQLITE_ROW) {
        if (IsCorruption(rc)) MoveAside("is not an intact database");
        return std::nullopt;
    }
    // Only a row as Write stores it counts: a type of exactly 1 or 4, and for
    // 4 a whole number a DWORD holds. Anything else (another program's row, a
    // number cut to 32 bits would change) reads as absent, so defaults apply.
    const bool integerType = sqlite3_column_type(st.Get(), 0) == SQLITE_INTEGER;
    const std::int64_t type = integerType ? sqlite3_column_int64(st.Get(), 0) : -1;
    SettingValue v;
    v.type = type == REG_DWORD || type == REG_SZ ? static_cast<std::uint32_t>(type) : 0;
    if (v.type == REG_DWORD && sqlite3_column_type(st.Get(), 1) == SQLITE_INTEGER) {
        const std::int64_t number = sqlite3_column_int64(st.Get(), 1);
        if (number < 0 || number > 0xFFFFFFFFll) return std::nullopt;
        v.number = static_cast<std::uint32_t>(number);
        return v;
    }
    if (v.type == REG_SZ && sqlite3_column_type(st.Get(), 1) == SQLITE_TEXT) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st.Get(), 1));
        const int bytes = sqlite3_column_bytes(st.Get(), 1);
        v.text = Utf8ToUtf16(std::string_view(text ? text : "", static_cast<size_t>(bytes)));
        return v;
    }
    return std::nullopt;  // a row someone else wrote with a type we do not know
}

bool SettingsDb::Write(std::u16string_view section, std::u16string_view key,
                       const SettingValue& value) {
    if (m_path.empty() || (value.type != REG_DWORD && value.type != REG_SZ)) return false;
    {
        std::lock_guard lock(m_pendingMutex);
        m_pending[Folded(section, key)] =
            Pending{std::u16string(section), std::u16string(key), value, ++m_serial};
        m_blocked = false;  // a new change tries again whatever failed before
        StartWriterLocked();
    }
    m_changed.notify_all();
    return true;
}

bool SettingsDb::Flush(std::chrono::milliseconds timeout) {
    std::unique_lock lock(m_pendingMutex);
    m_changed.wait_for(lock, timeout, [&] { return m_pending.empty() || m_blocked; });
    return m_pending.empty();
}

void SettingsDb::StartWriterLocked() {
    // A forked child leaves its parent's thread object alone: the thread is
    // not in the child.
    if (m_writer && m_writerPid == getpid()) return;
    m_writerPid = getpid();
    m_writer = new std::thread([this] { WriterLoop(); });
}

void SettingsDb::WriterLoop() {
    std::unique_lock lock(m_pendingMutex);
    for (;;) {
        m_changed.wait(lock, [&] { return m_stop || (!m_pending.empty() && !m_blocked); });
        if (m_stop) return;
        const auto first = m_pending.begin();
        const std::u16string folded = first->first;
        const Pending p = first->second;
        lock.unlock();
        std::string why;
        const int rc = Store(p, &why);
        lock.lock();
        if (rc == SQLITE_DONE) {
            auto it = m_pending.find(folded);
            if (it != m_pending.end() && it->second.serial == p.serial) m_pending.erase(it);
            m_lastError.clear();
            m_reported.clear();
            m_changed.notify_all();
        } else if (IsBusy(rc)) {
            // Another program holds the lock: try again shortly, without
            // keeping the connection from readers meanwhile.
            m_lastError = "the database is locked by another program";
            m_changed.wait_for(lock, kRetryPause, [&] { return m_stop; });
        } else if (!IsCorruption(rc)) {
            // Waiting will not help (read-only, full disk, I/O error): the
            // values stay in memory and the next change tries again.
            m_blocked = true;
            m_lastError = why.empty() ? sqlite3_errstr(rc) : why;
            const std::string msg = "settings: cannot store changes in " + m_path + ": " +
                                    m_lastError +
                                    "; they are kept in memory and tried again at the next change";
            lock.unlock();
            Report(msg);
            lock.lock();
            m_changed.notify_all();
        }
        // A damaged file was moved aside: the next attempt writes a fresh one.
    }
}

int SettingsDb::Store(const Pending& p, std::string* why) {
    std::lock_guard lock(m_mutex);
    if (!EnsureOpen(Need::Write)) {
        *why = m_openProblem.empty() ? "it cannot be opened" : m_openProblem;
        return SQLITE_CANTOPEN;
    }
    if (m_readOnly) {
        *why = "it cannot be written here";
        return SQLITE_READONLY;
    }
    *why = {};
    // One statement in autocommit mode is one transaction: durable once
    // Step returns SQLITE_DONE, all-or-nothing if the process dies first.
    Statement st(
        m_db,
        "INSERT INTO settings (section, key, type, value) VALUES (?1, ?2, ?3, ?4) "
        "ON CONFLICT (section, key) DO UPDATE SET type = excluded.type, value = excluded.value");
    if (!st.Ok()) {
        if (IsCorruption(st.PrepareResult())) MoveAside("is not an intact database");
        return st.PrepareResult();
    }
    st.BindText(1, Utf16ToUtf8(p.section));
    st.BindText(2, Utf16ToUtf8(p.key));
    st.BindInt(3, p.value.type);
    if (p.value.type == REG_DWORD)
        st.BindInt(4, p.value.number);
    else
        st.BindText(4, Utf16ToUtf8(p.value.text));
    const int rc = st.Step();
    if (IsCorruption(rc)) MoveAside("is not an intact database");
    return rc;
}

}  // namespace wq::device
