// The settings reader over a database someone else wrote: the input is a whole
// SQLite file, or a recipe (a table layout, rows of any section, key, type and
// value) written with sqlite3. No read leaves its buffer; with the player's
// layout the answers are exact (docs/reliability.md).
#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/utf.h"
#include "platform/device/common.h"
#include "platform/device/hooks.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/scratch.h"

namespace {

constexpr std::string_view kSqliteHeader{"SQLite format 3\0", 16};

// Table layouts a foreign or damaged store may have; the first is the player's.
constexpr const char* kLayouts[] = {
    "CREATE TABLE settings (section TEXT NOT NULL COLLATE NOCASE, key TEXT NOT NULL COLLATE "
    "NOCASE, type INTEGER NOT NULL, value, PRIMARY KEY (section, key))",
    "CREATE TABLE settings (section TEXT, key TEXT, type INTEGER, value)",
    "CREATE TABLE settings (key TEXT, section TEXT, type INTEGER, value)",
    "CREATE TABLE t (section, key, type, value); CREATE VIEW settings AS SELECT * FROM t",
    "CREATE TABLE settings (section TEXT, key TEXT, type INTEGER, value, PRIMARY KEY (section, "
    "key)); CREATE TABLE other (x)",
};
constexpr const char* kInsertInto[] = {"settings", "settings", "settings", "t", "settings"};

// Reads the recipe; every read past the end yields zeros.
struct Recipe {
    std::string_view rest;
    std::string Bytes(std::size_t n) {
        const std::string s(rest.substr(0, n));
        rest.remove_prefix(s.size());
        return s;
    }
    std::uint8_t Byte() { return rest.empty() ? 0 : static_cast<std::uint8_t>(Bytes(1)[0]); }
    std::uint64_t Bits(int bytes) {
        std::uint64_t v = 0;
        for (int i = 0; i < bytes; ++i) v = v << 8 | Byte();
        return v;
    }
};

enum class Kind { Null, Integer, Real, Text, Blob };

struct Row {
    std::string section, key;
    std::int64_t type = 0;
    Kind kind = Kind::Null;
    std::int64_t integer = 0;
    double real = 0;
    std::string bytes;  // text or blob
};

// Names as the player passes them: no zero byte (a C string ends there).
std::string Name(Recipe& r) {
    std::string s = r.Bytes(r.Byte() % 12);
    std::replace(s.begin(), s.end(), '\0', '0');
    return s;
}

Row ReadRow(Recipe& r) {
    Row row;
    row.section = Name(r);
    row.key = Name(r);
    const int type = r.Byte() % 4;
    row.type = type == 0 ? REG_SZ : type == 1 ? REG_DWORD : static_cast<std::int64_t>(r.Bits(8));
    row.kind = static_cast<Kind>(r.Byte() % 5);
    if (row.kind == Kind::Integer) {
        row.integer = static_cast<std::int64_t>(r.Bits(8));
    } else if (row.kind == Kind::Real) {
        const std::uint64_t bits = r.Bits(8);
        std::memcpy(&row.real, &bits, sizeof row.real);
    } else if (row.kind != Kind::Null) {
        row.bytes = r.Bytes(row.kind == Kind::Text ? r.Bits(2) % 4096 : r.Byte());
    }
    return row;
}

bool Exec(sqlite3* db, const std::string& sql) {
    return sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

void Insert(sqlite3* db, const char* table, const Row& row) {
    const std::string sql = std::string("INSERT OR REPLACE INTO ") + table +
                            " (section, key, type, value) VALUES (?1, ?2, ?3, ?4)";
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) return;
    sqlite3_bind_text(st, 1, row.section.data(), static_cast<int>(row.section.size()),
                      SQLITE_STATIC);
    sqlite3_bind_text(st, 2, row.key.data(), static_cast<int>(row.key.size()), SQLITE_STATIC);
    sqlite3_bind_int64(st, 3, row.type);
    const int n = static_cast<int>(row.bytes.size());
    if (row.kind == Kind::Integer) sqlite3_bind_int64(st, 4, row.integer);
    if (row.kind == Kind::Real) sqlite3_bind_double(st, 4, row.real);
    if (row.kind == Kind::Text) sqlite3_bind_text(st, 4, row.bytes.data(), n, SQLITE_STATIC);
    if (row.kind == Kind::Blob) sqlite3_bind_blob(st, 4, row.bytes.data(), n, SQLITE_STATIC);
    sqlite3_step(st);  // an unbound value is NULL
    sqlite3_finalize(st);
}

// Section and key compare like the player's table: ASCII letters without case.
std::string Folded(const Row& row) {
    std::string s = row.section + '\n' + row.key;
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

struct Read {
    int number = 0, text = 0;
    DWORD value = 0;
    std::u16string string;  // up to the terminator
};

// Both reads of (section, key); the string buffer is exactly 2048 bytes of
// heap, so a write past it is caught.
Read ReadBack(const std::string& section, const std::string& key) {
    const CString s(wq::Utf8ToUtf16(section)), k(wq::Utf8ToUtf16(key));
    Read got;
    got.number = CCommon::ReadINIFile(s, k, REG_DWORD, &got.value);
    auto buffer = std::make_unique<char16_t[]>(1024);
    got.text = CCommon::ReadINIFile(s, k, REG_SZ, buffer.get());
    WQ_FUZZ_CHECK(got.number == 0 || got.number == 1);
    WQ_FUZZ_CHECK(got.text == 0 || got.text == 1);
    if (got.text) {
        char16_t* end = std::find(buffer.get(), buffer.get() + 1024, u'\0');
        WQ_FUZZ_CHECK(end != buffer.get() + 1024);  // terminated inside the buffer
        got.string.assign(buffer.get(), end);
    }
    return got;
}

// The answer the player's layout must give for the last row stored under a name.
void CheckExact(const Row& row, const Read& got) {
    const bool number = row.type == REG_DWORD && row.kind == Kind::Integer && row.integer >= 0 &&
                        row.integer <= 0xFFFFFFFFll;
    WQ_FUZZ_CHECK(got.number == (number ? 1 : 0));
    if (number) WQ_FUZZ_CHECK(got.value == static_cast<DWORD>(row.integer));
    const bool text = row.type == REG_SZ && row.kind == Kind::Text;
    WQ_FUZZ_CHECK(got.text == (text ? 1 : 0));
    if (text) {
        std::u16string want = wq::Utf8ToUtf16(row.bytes).substr(0, 1023);
        want = want.substr(0, want.find(u'\0'));
        WQ_FUZZ_CHECK(got.string == want);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Two names taken in turn: a new path makes the reader open the new file.
    static int turn = 0;
    turn ^= 1;
    const std::string folder = wq::fuzz::ScratchFolder();
    const std::string path = folder + (turn ? "/a.db" : "/b.db");
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
        std::filesystem::remove(entry.path(), ec);

    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (bytes.starts_with(kSqliteHeader)) {
        wq::fuzz::WriteScratch(turn ? "a.db" : "b.db", data, size);
        wq::device::SetSettingsPath(path);
        // Names the player reads, and what a damaged file may still hold.
        for (const char* key : {"Mode", "Path", "Volume", "Repeat", "", "x"}) {
            ReadBack("WQAudio", key);
            ReadBack("", key);
        }
        return 0;
    }

    Recipe recipe{bytes};
    const std::size_t layout = recipe.Byte() % std::size(kLayouts);
    std::vector<Row> rows;
    while (!recipe.rest.empty() && rows.size() < 64) rows.push_back(ReadRow(recipe));
    sqlite3* db = nullptr;
    if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) std::abort();
    Exec(db, "PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF");
    if (!Exec(db, kLayouts[layout])) std::abort();
    Exec(db, "BEGIN");
    for (const Row& row : rows) Insert(db, kInsertInto[layout], row);
    Exec(db, "COMMIT");
    sqlite3_close(db);

    wq::device::SetSettingsPath(path);
    std::map<std::string, const Row*> last;  // what the player's layout keeps
    for (const Row& row : rows) last[Folded(row)] = &row;
    for (const Row& row : rows) {
        const Read got = ReadBack(row.section, row.key);
        if (layout == 0) CheckExact(*last[Folded(row)], got);
        // A different column order is not the player's store: it is moved aside.
        if (layout == 2) WQ_FUZZ_CHECK(got.number == 0 && got.text == 0);
    }
    return 0;
}
