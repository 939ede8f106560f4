// Damaged, foreign and protected settings databases: the program keeps
// running on defaults, and the damaged file is kept under another name.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/device/common.h"
#include "platform/device/hooks.h"
#include "tests/platform/device/helper_process.h"
#include "tests/platform/fs/temp_root.h"

namespace {

using wq::test::RunHelper;
using wq::test::TempRoot;

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Files in dir whose names start with prefix.
std::vector<std::string> FilesStartingWith(const std::string& dir, const std::string& prefix) {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
        const std::string name = e.path().filename().string();
        if (name.rfind(prefix, 0) == 0) out.push_back(e.path().string());
    }
    return out;
}

class DamagedSettings : public ::testing::Test {
protected:
    void SetUp() override {
        db = root.Host("settings.db");
        wq::device::EnableDebug(true);
        wq::device::SetDebugSink([this](const std::string& line) { lines.push_back(line); });
    }
    void TearDown() override {
        wq::device::SetSettingsPath("");
        wq::device::SetDebugSink(nullptr);
        wq::device::EnableDebug(false);
    }
    // Opens the store on the damaged file, expects defaults and the file
    // moved aside byte for byte, then a working fresh store.
    void ExpectMovedAsideAndFresh(const std::string& originalBytes) {
        wq::device::SetSettingsPath(db);
        DWORD v = 77;
        EXPECT_EQ(CCommon::ReadINIFile(u"WQAUDIO", u"VOLUME", REG_DWORD, &v), 0);
        EXPECT_EQ(v, 77u);
        EXPECT_EQ(CCommon::ReadINIFile(u"WQAUDIO", u"VOLUME", REG_DWORD, &v), 0);
        const auto moved = FilesStartingWith(root.Path(), "settings.db.moved-");
        ASSERT_EQ(moved.size(), 1u);
        EXPECT_EQ(Slurp(moved[0]), originalBytes);
        ASSERT_EQ(lines.size(), 1u) << "the move is reported exactly once";
        EXPECT_NE(lines[0].find(moved[0]), std::string::npos) << lines[0];

        v = 5;
        ASSERT_EQ(CCommon::WriteINIFile(u"WQAUDIO", u"VOLUME", REG_DWORD, &v), 1);
        std::string out;
        ASSERT_EQ(RunHelper({db, "read", "WQAUDIO", "VOLUME"}, &out), 0);
        EXPECT_EQ(out, "number 5\n");
        EXPECT_EQ(Slurp(moved[0]), originalBytes);
    }

    TempRoot root;
    std::string db;
    std::vector<std::string> lines;
};

TEST_F(DamagedSettings, GarbageFileIsMovedAsideAndDefaultsApply) {
    std::string garbage = "this is not a database\n";
    for (int i = 0; i < 200; ++i) garbage += static_cast<char>(i * 37);
    std::ofstream(db, std::ios::binary) << garbage;
    ExpectMovedAsideAndFresh(garbage);
}

TEST_F(DamagedSettings, DatabaseOfAnotherSchemaIsMovedAside) {
    sqlite3* h = nullptr;
    ASSERT_EQ(sqlite3_open(db.c_str(), &h), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(h, "CREATE TABLE settings(name TEXT, data BLOB); INSERT INTO settings VALUES('x', 'y')",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(h);
    ExpectMovedAsideAndFresh(Slurp(db));
}

TEST_F(DamagedSettings, TruncatedDatabaseIsMovedAside) {
    ASSERT_EQ(RunHelper({db, "burst", "WQAUDIO", "K", "400"}), 0);
    const auto size = std::filesystem::file_size(db);
    ASSERT_GT(size, 8192u);
    std::filesystem::resize_file(db, size / 2);  // pages the header still promises are gone
    ExpectMovedAsideAndFresh(Slurp(db));
}

TEST_F(DamagedSettings, ReadOnlyDatabaseReadsAndRefusesWrites) {
    ASSERT_EQ(RunHelper({db, "write", "WQAUDIO", "VOLUME", "4"}), 0);
    ASSERT_EQ(chmod(db.c_str(), 0444), 0);
    ASSERT_EQ(chmod(root.Path().c_str(), 0555), 0);  // no journal can be made beside it either
    const std::string before = Slurp(db);
    // As root, permissions only bind a process that has given up root.
    std::string out;
    EXPECT_EQ(RunHelper({db, "read", "WQAUDIO", "VOLUME"}, &out, true), 0);
    EXPECT_EQ(out, "number 4\n");
    EXPECT_EQ(RunHelper({db, "write", "WQAUDIO", "VOLUME", "8"}, nullptr, true), 1);
    EXPECT_EQ(RunHelper({db, "read", "WQAUDIO", "VOLUME"}, &out, true), 0);
    EXPECT_EQ(out, "number 4\n");
    EXPECT_EQ(Slurp(db), before);
    EXPECT_TRUE(FilesStartingWith(root.Path(), "settings.db.moved-").empty());
}

TEST_F(DamagedSettings, UnreadableDatabaseIsMovedAsideNotDeleted) {
    ASSERT_EQ(RunHelper({db, "write", "WQAUDIO", "VOLUME", "4"}), 0);
    const std::string before = Slurp(db);
    ASSERT_EQ(chmod(db.c_str(), 0000), 0);
    // The folder belongs to the (unprivileged) program; the file does not let it read.
    if (geteuid() == 0) {
        ASSERT_EQ(chown(root.Path().c_str(), wq::test::kNobody, wq::test::kNobody), 0);
    }
    std::string out;
    EXPECT_EQ(RunHelper({db, "read", "WQAUDIO", "VOLUME"}, &out, true), 0);
    EXPECT_EQ(out, "absent\n");
    EXPECT_EQ(RunHelper({db, "write", "WQAUDIO", "VOLUME", "6"}, nullptr, true), 0);
    EXPECT_EQ(RunHelper({db, "read", "WQAUDIO", "VOLUME"}, &out, true), 0);
    EXPECT_EQ(out, "number 6\n");
    const auto moved = FilesStartingWith(root.Path(), "settings.db.moved-");
    ASSERT_EQ(moved.size(), 1u);
    chmod(moved[0].c_str(), 0644);
    EXPECT_EQ(Slurp(moved[0]), before);
}

}  // namespace
