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
#include "tests/support/temp_root.h"

namespace {

using namespace wq::test;

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

class DamagedSettings : public ::testing::Test {
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
    std::vector<std::string> MovedAside() const {
        std::vector<std::string> out;
        for (const auto& e : std::filesystem::directory_iterator(root.Path()))
            if (e.path().filename().string().rfind("settings.db.moved-", 0) == 0) out.push_back(e.path().string());
        return out;
    }
    // Opens the store on the damaged file, expects defaults and the file
    // moved aside byte for byte, then a working fresh store.
    void ExpectMovedAsideAndFresh() {
        const std::string original = Slurp(db);
        wq::device::SetSettingsPath(db);
        DWORD v = 77;
        EXPECT_EQ(CCommon::ReadINIFile(u"WQAUDIO", u"VOLUME", REG_DWORD, &v), 0);
        EXPECT_EQ(CCommon::ReadINIFile(u"WQAUDIO", u"VOLUME", REG_DWORD, &v), 0);
        EXPECT_EQ(v, 77u);
        const auto moved = MovedAside();
        ASSERT_EQ(moved.size(), 1u);
        ASSERT_EQ(lines.size(), 1u) << "the move is reported exactly once";
        EXPECT_NE(lines[0].find(moved[0]), std::string::npos) << lines[0];
        v = 5;
        ASSERT_EQ(CCommon::WriteINIFile(u"WQAUDIO", u"VOLUME", REG_DWORD, &v), 1);
        EXPECT_EQ(ReadBack(db, "VOLUME"), "number 5\n");
        EXPECT_EQ(Slurp(moved[0]), original);
    }

    TempRoot root;
    const std::string db = root.Host("settings.db");
    std::vector<std::string> lines;
};

TEST_F(DamagedSettings, GarbageFileIsMovedAsideAndDefaultsApply) {
    std::string garbage = "this is not a database\n";
    for (int i = 0; i < 200; ++i) garbage += static_cast<char>(i * 37);
    std::ofstream(db, std::ios::binary) << garbage;
    ExpectMovedAsideAndFresh();
}

TEST_F(DamagedSettings, DatabaseOfAnotherSchemaIsMovedAside) {
    sqlite3* h = nullptr;
    ASSERT_EQ(sqlite3_open(db.c_str(), &h), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(h, "CREATE TABLE settings(name TEXT, data BLOB); INSERT INTO settings VALUES('x', 'y')",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(h);
    ExpectMovedAsideAndFresh();
}

// As root, permissions only bind a helper that has given up root.
TEST_F(DamagedSettings, ReadOnlyDatabaseReadsAndRefusesWrites) {
    ASSERT_EQ(RunHelper({db, "write", "WQAUDIO", "VOLUME", "4"}), 0);
    ASSERT_EQ(chmod(db.c_str(), 0444), 0);
    ASSERT_EQ(chmod(root.Path().c_str(), 0555), 0);  // no journal can be made beside it either
    const std::string before = Slurp(db);
    EXPECT_EQ(ReadBack(db, "VOLUME", true), "number 4\n");
    EXPECT_EQ(RunHelper({db, "write", "WQAUDIO", "VOLUME", "8"}, nullptr, true), 1);
    EXPECT_EQ(ReadBack(db, "VOLUME", true), "number 4\n");
    EXPECT_EQ(Slurp(db), before);
    EXPECT_TRUE(MovedAside().empty());
}

TEST_F(DamagedSettings, UnreadableDatabaseIsMovedAsideNotDeleted) {
    ASSERT_EQ(RunHelper({db, "write", "WQAUDIO", "VOLUME", "4"}), 0);
    const std::string before = Slurp(db);
    ASSERT_EQ(chmod(db.c_str(), 0000), 0);
    // The folder belongs to the (unprivileged) program; the file does not let it read.
    if (geteuid() == 0) {
        ASSERT_EQ(chown(root.Path().c_str(), kNobody, kNobody), 0);
    }
    EXPECT_EQ(ReadBack(db, "VOLUME", true), "absent\n");
    EXPECT_EQ(RunHelper({db, "write", "WQAUDIO", "VOLUME", "6"}, nullptr, true), 0);
    EXPECT_EQ(ReadBack(db, "VOLUME", true), "number 6\n");
    const auto moved = MovedAside();
    ASSERT_EQ(moved.size(), 1u);
    chmod(moved[0].c_str(), 0644);
    EXPECT_EQ(Slurp(moved[0]), before);
}

}  // namespace
