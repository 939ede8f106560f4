// Settings between processes: persistence, concurrent writers, a writer killed
// mid-write; and damaged, foreign or protected databases, on which programs
// keep running on defaults and a damaged file is kept under another name.
// The other processes run the settings helper program.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "platform/device/common.h"
#include "platform/device/hooks.h"
#include "tests/support/temp_root.h"

namespace {

using wq::test::ReadFile;
using wq::test::Shell;

// The command line of the helper program on `db`. With `asNobody`, when we are
// root, it runs as "nobody" so that file permissions bind it.
std::string Helper(const std::string& db, bool asNobody = false) {
    const char* drop =
        asNobody && geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
    return drop + std::string(WQ_SETTINGS_HELPER) + " '" + db + "' ";
}

// The whole output of a command line; its wait status in *status.
std::string Output(const std::string& command, int* status) {
    FILE* p = popen(command.c_str(), "r");
    std::string text;
    for (int c; p && (c = std::fgetc(p)) != EOF;) text += static_cast<char>(c);
    *status = p ? pclose(p) : -1;
    return text;
}

// What a new process reads: "number N", "string S" or "absent".
std::string ReadBack(const std::string& db, const std::string& key, bool asNobody = false) {
    int status = -1;
    const std::string text = Output(Helper(db, asNobody) + "read " + key, &status);
    return status == 0 ? text : "helper failed";
}

// A fresh folder with the store's path in it; what the store reports is kept.
class Store : public ::testing::Test {
protected:
    void SetUp() override {
        wq::device::EnableDebug(true);
        wq::device::SetDebugSink([this](const std::string& line) { lines.push_back(line); });
    }
    void TearDown() override {
        wq::device::SetSettingsPath("");
        wq::device::SetDebugSink(nullptr);
        wq::device::EnableDebug(false);
    }
    std::vector<std::string> MovedAside(const std::string& file) const {
        std::vector<std::string> out;
        for (const auto& e : std::filesystem::directory_iterator(root.Path()))
            if (e.path().string().starts_with(file + ".moved-")) out.push_back(e.path().string());
        return out;
    }
    // Opens the store on the damaged file: defaults, the file moved aside byte
    // for byte and reported once, then a working fresh store.
    void ExpectMovedAsideAndFresh(const std::string& file) {
        const std::string original = ReadFile(file);
        lines.clear();
        wq::device::SetSettingsPath(file);
        DWORD v = 77;
        EXPECT_EQ(CCommon::ReadINIFile(u"WQAUDIO", u"VOLUME", REG_DWORD, &v), 0);
        EXPECT_EQ(CCommon::ReadINIFile(u"WQAUDIO", u"VOLUME", REG_DWORD, &v), 0);
        EXPECT_EQ(v, 77u);
        const auto moved = MovedAside(file);
        ASSERT_EQ(moved.size(), 1u);
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_NE(lines[0].find(moved[0]), std::string::npos) << lines[0];
        v = 5;
        ASSERT_EQ(CCommon::WriteINIFile(u"WQAUDIO", u"VOLUME", REG_DWORD, &v), 1);
        ASSERT_TRUE(wq::device::FlushSettings(5000));
        EXPECT_EQ(ReadBack(file, "VOLUME"), "number 5\n");
        EXPECT_EQ(ReadFile(moved[0]), original);
    }

    wq::test::TempRoot root;
    const std::string db = root.Host("settings.db");
    std::vector<std::string> lines;
};
using SettingsAcrossProcesses = Store;
using DamagedSettings = Store;

// A sibling program holds the database's lock for seconds: a save returns at
// once, reads see it at once, and it is in the file soon after the lock goes.
TEST_F(SettingsAcrossProcesses, ASaveDuringAnotherProgramsLockReturnsAtOnceAndIsStoredAfter) {
    ASSERT_TRUE(Shell(Helper(db) + "write REPEAT 0"));
    wq::device::SetSettingsPath(db);
    FILE* holder = popen(("python3 -c \"import sqlite3, time, sys\n"
                          "c = sqlite3.connect(sys.argv[1], isolation_level=None)\n"
                          "c.execute('BEGIN EXCLUSIVE')\n"
                          "print('locked', flush=True)\n"
                          "time.sleep(5)\n"
                          "c.execute('COMMIT')\" '" +
                          db + "'")
                             .c_str(),
                         "r");
    ASSERT_NE(holder, nullptr);
    char line[16] = {};
    ASSERT_NE(std::fgets(line, sizeof line, holder), nullptr);
    ASSERT_STREQ(line, "locked\n");
    const auto start = std::chrono::steady_clock::now();
    DWORD v = 2;
    ASSERT_EQ(CCommon::WriteINIFile(u"WQAUDIO", u"REPEAT", REG_DWORD, &v), 1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
    v = 0;
    ASSERT_EQ(CCommon::ReadINIFile(u"WQAUDIO", u"REPEAT", REG_DWORD, &v), 1);
    EXPECT_EQ(v, 2u) << "read back at once";
    EXPECT_EQ(ReadBack(db, "REPEAT"), "number 0\n") << "not in the file while the lock is held";
    ASSERT_EQ(pclose(holder), 0);
    const auto released = std::chrono::steady_clock::now();
    ASSERT_TRUE(wq::device::FlushSettings(5000));
    EXPECT_LT(std::chrono::steady_clock::now() - released, std::chrono::milliseconds(1000));
    EXPECT_EQ(ReadBack(db, "REPEAT"), "number 2\n");
}

// Reading the values back opens the file, which checks its integrity first.
TEST_F(SettingsAcrossProcesses, TwoWritersAtOnceLoseNoWrite) {
    constexpr int kWrites = 1000;
    const std::string burst = Helper(db) + "burst ", n = std::to_string(kWrites);
    ASSERT_TRUE(
        Shell(burst + "A " + n + " & a=$!; " + burst + "B " + n + " & b=$!; wait $a && wait $b"))
        << "a writer saw a failed write";
    wq::device::SetSettingsPath(db);
    int missing = 0;
    for (int i = 0; i < kWrites; ++i) {
        for (const char16_t* prefix : {u"A", u"B"}) {
            DWORD v = 0xFFFFFFFF;
            const CString key = prefix + CString::FromUtf8(std::to_string(i));
            missing += !CCommon::ReadINIFile(u"WQAUDIO", key, REG_DWORD, &v) || v != DWORD(i);
        }
    }
    EXPECT_EQ(missing, 0);
}

// The writer prints each value once its write has returned, and is killed
// hard at whatever it is doing after a varying time.
TEST_F(SettingsAcrossProcesses, AWriterKilledMidLoopLeavesTheOldOrTheNewValue) {
    for (const char* seconds : {"0.5", "0.8", "1.1"}) {
        int status = -1;
        const std::string seen = Output(
            "timeout -s KILL " + std::string(seconds) + " " + Helper(db) + "count TIME", &status);
        ASSERT_EQ(WEXITSTATUS(status), 128 + SIGKILL) << "the writer was not killed";
        long last = 0;
        std::istringstream reported(seen);
        for (long n; reported >> n;) last = n;
        ASSERT_GT(last, 0) << "the writer reported nothing";
        const std::string out = ReadBack(db, "TIME");
        ASSERT_EQ(out.rfind("number ", 0), 0u) << out;
        const long stored = std::stol(out.substr(7));
        // The last reported write is durable; at most the one after it also landed.
        EXPECT_TRUE(stored == last || stored == last + 1) << stored << " after " << last;
    }
}

TEST_F(DamagedSettings, GarbageOrAForeignSchemaIsMovedAsideAndDefaultsApply) {
    root.MakeFile("garbage.db", "this is not a database\n" + std::string(200, '\x9B'));
    sqlite3* h = nullptr;
    ASSERT_EQ(sqlite3_open(root.Host("foreign.db").c_str(), &h), SQLITE_OK);
    const char* foreign = "CREATE TABLE settings(name TEXT, data BLOB)";
    ASSERT_EQ(sqlite3_exec(h, foreign, nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(h);
    // The right columns but no primary key (every write would add a row no
    // read finds), and a view where the table should be.
    const std::pair<const char*, const char*> lookalikes[] = {
        {"nokey.db", "CREATE TABLE settings (section TEXT, key TEXT, type INTEGER, value)"},
        {"view.db",
         "CREATE TABLE t (section TEXT, key TEXT, type INTEGER, value, PRIMARY KEY (section, key));"
         "CREATE VIEW settings AS SELECT * FROM t"}};
    for (const auto& [name, sql] : lookalikes) {
        ASSERT_EQ(sqlite3_open(root.Host(name).c_str(), &h), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(h, sql, nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(h);
    }
    for (const char* name : {"garbage.db", "foreign.db", "nokey.db", "view.db"}) {
        SCOPED_TRACE(name);
        ExpectMovedAsideAndFresh(root.Host(name));
    }
}

// A read-only file, or a write-ahead-log store whose folder cannot take its
// log: read as it is, changes kept in memory, the file untouched and in place.
// As root, permissions bind only a helper that has given up root.
TEST_F(DamagedSettings, AReadOnlyStoreIsReadAndKeepsChangesInMemory) {
    for (const bool wal : {false, true}) {
        SCOPED_TRACE(wal ? "WAL store in a read-only folder" : "read-only file and folder");
        ASSERT_EQ(chmod(root.Path().c_str(), 0755), 0);
        std::filesystem::remove(db);
        ASSERT_TRUE(Shell(Helper(db) + "write VOLUME 4"));
        ASSERT_TRUE(!wal || Shell("sqlite3 '" + db + "' 'PRAGMA journal_mode=WAL' >/dev/null"));
        const std::string before = ReadFile(db);
        ASSERT_EQ(chmod(db.c_str(), wal ? 0666 : 0444), 0);
        ASSERT_EQ(chmod(root.Path().c_str(), 0555), 0);
        EXPECT_EQ(ReadBack(db, "VOLUME", true), "number 4\n");
        int status = -1;
        EXPECT_EQ(Output(Helper(db, true) + "keep VOLUME 9", &status), "kept 9\n");
        EXPECT_EQ(ReadBack(db, "VOLUME", true), "number 4\n");
        EXPECT_EQ(ReadFile(db), before);
        EXPECT_TRUE(MovedAside(db).empty());
    }
    chmod(root.Path().c_str(), 0755);
}

TEST_F(DamagedSettings, AFolderOrFifoAtThePathIsSaidOnceAndNothingHangs) {
    for (const char* kind : {"folder", "fifo"}) {
        SCOPED_TRACE(kind);
        const std::string path = root.Host(std::string(kind) + ".db");
        if (std::string(kind) == "folder")
            root.MakeDir(std::string(kind) + ".db");
        else
            ASSERT_EQ(mkfifo(path.c_str(), 0644), 0);
        lines.clear();
        wq::device::SetSettingsPath(path);
        DWORD v = 3;
        EXPECT_EQ(CCommon::ReadINIFile(u"WQAUDIO", u"VOLUME", REG_DWORD, &v), 0);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(CCommon::WriteINIFile(u"WQAUDIO", u"VOLUME", REG_DWORD, &v), 1);
        EXPECT_FALSE(wq::device::FlushSettings(2000));
        int said = 0;
        for (const auto& l : lines) said += l.find(path) != std::string::npos;
        EXPECT_EQ(said, 1) << "said once";
        EXPECT_TRUE(MovedAside(path).empty()) << "not ours to move";
        wq::device::SetSettingsPath("");
    }
}

TEST_F(DamagedSettings, UnreadableDatabaseIsMovedAsideNotDeleted) {
    ASSERT_TRUE(Shell(Helper(db) + "write VOLUME 4"));
    const std::string before = ReadFile(db);
    ASSERT_EQ(chmod(db.c_str(), 0000), 0);
    // The folder belongs to the (unprivileged) program; the file does not let it read.
    if (geteuid() == 0) {
        ASSERT_EQ(chown(root.Path().c_str(), 65534, 65534), 0);
    }
    EXPECT_EQ(ReadBack(db, "VOLUME", true), "absent\n");
    EXPECT_TRUE(Shell(Helper(db, true) + "write VOLUME 6"));
    EXPECT_EQ(ReadBack(db, "VOLUME", true), "number 6\n");
    const auto moved = MovedAside(db);
    ASSERT_EQ(moved.size(), 1u);
    chmod(moved[0].c_str(), 0644);
    EXPECT_EQ(ReadFile(moved[0]), before);
}

}  // namespace
