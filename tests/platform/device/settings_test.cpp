// The settings calls of CCommon within one process: types, limits, absence.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstring>
#include <filesystem>
#include <vector>

#include "platform/device/common.h"
#include "platform/device/hooks.h"
#include "platform/device/settings_db.h"
#include "tests/platform/fs/temp_root.h"

namespace {

using wq::test::TempRoot;

class Settings : public ::testing::Test {
protected:
    void SetUp() override {
        wq::device::SetSettingsPath(root.Host("store/settings.db"));
        wq::device::SetMemSettingsPath(root.Host("run/mem.db"));
    }
    void TearDown() override {
        wq::device::SetSettingsPath("");
        wq::device::SetMemSettingsPath("");
    }
    TempRoot root;
};

TEST_F(Settings, NumbersAndStringsRoundTripAndTypesDoNotMix) {
    const DWORD volume = 9;
    ASSERT_EQ(CCommon::WriteINIFile(u"WQAUDIO", u"VOLUME", REG_DWORD, &volume), 1);
    const DWORD big = 0xFFFFFFFEu;  // the whole 32-bit range survives
    ASSERT_EQ(CCommon::WriteINIFile(u"WQEQUALIZER", u"HZ BAND110", REG_DWORD, &big), 1);
    const char16_t path[] = u"SDMMC Card\\AUDIO\\노래.mp3";
    ASSERT_EQ(CCommon::WriteINIFile(u"WQAUDIO", u"PATH", REG_SZ, path), 1);

    DWORD n = 0;
    EXPECT_NE(CCommon::ReadINIFile(u"WQAUDIO", u"VOLUME", REG_DWORD, &n), 0);
    EXPECT_EQ(n, 9u);
    EXPECT_NE(CCommon::ReadINIFile(u"WQEQUALIZER", u"HZ BAND110", REG_DWORD, &n), 0);
    EXPECT_EQ(n, 0xFFFFFFFEu);
    char16_t buf[1024] = {};
    EXPECT_NE(CCommon::ReadINIFile(u"WQAUDIO", u"PATH", REG_SZ, buf), 0);
    EXPECT_EQ(std::u16string(buf), path);
    // Sections and keys ignore ASCII case, as the device's store does.
    n = 0;
    EXPECT_NE(CCommon::ReadINIFile(u"wqaudio", u"Volume", REG_DWORD, &n), 0);
    EXPECT_EQ(n, 9u);

    // The other type, an absent key or an unknown type code: zero and the
    // buffer is left as the caller cleared it.
    std::vector<unsigned char> cleared(2048, 0);
    EXPECT_EQ(CCommon::ReadINIFile(u"WQAUDIO", u"VOLUME", REG_SZ, cleared.data()), 0);
    EXPECT_EQ(CCommon::ReadINIFile(u"WQAUDIO", u"PATH", REG_DWORD, cleared.data()), 0);
    EXPECT_EQ(CCommon::ReadINIFile(u"WQAUDIO", u"NOPE", REG_DWORD, cleared.data()), 0);
    EXPECT_EQ(CCommon::ReadINIFile(u"WQAUDIO", u"VOLUME", 3, cleared.data()), 0);
    EXPECT_EQ(cleared, std::vector<unsigned char>(2048, 0));

    // A key written again changes type with its value.
    ASSERT_EQ(CCommon::WriteINIFile(u"WQAUDIO", u"VOLUME", REG_SZ, u"loud"), 1);
    EXPECT_EQ(CCommon::ReadINIFile(u"WQAUDIO", u"VOLUME", REG_DWORD, &n), 0);

    // Bad arguments are refused, not dereferenced.
    EXPECT_EQ(CCommon::WriteINIFile(nullptr, u"K", REG_DWORD, &volume), 0);
    EXPECT_EQ(CCommon::WriteINIFile(u"S", nullptr, REG_DWORD, &volume), 0);
    EXPECT_EQ(CCommon::WriteINIFile(u"S", u"K", REG_DWORD, nullptr), 0);
    EXPECT_EQ(CCommon::WriteINIFile(u"S", u"K", 7, &volume), 0);
    EXPECT_EQ(CCommon::ReadINIFile(u"S", u"K", REG_DWORD, nullptr), 0);
}

TEST_F(Settings, StringsStayWithinTheReadersTwoKilobyteBuffer) {
    // 1023 characters and the terminator fill 2048 bytes exactly.
    const std::u16string longest(1023, u'가');
    ASSERT_EQ(CCommon::WriteINIFile(u"S", u"K", REG_SZ, longest.c_str()), 1);
    // A heap buffer of exactly 2048 bytes: a write past it is an ASan error.
    auto* buf = new char16_t[1024]();
    EXPECT_NE(CCommon::ReadINIFile(u"S", u"K", REG_SZ, buf), 0);
    EXPECT_EQ(std::u16string(buf), longest);
    delete[] buf;

    // One character more would not fit a reader: refused, old value kept.
    const std::u16string tooLong(1024, u'x');
    EXPECT_EQ(CCommon::WriteINIFile(u"S", u"K", REG_SZ, tooLong.c_str()), 0);
    // An unterminated buffer is scanned no further than the limit.
    std::vector<char16_t> unterminated(1024, u'y');
    EXPECT_EQ(CCommon::WriteINIFile(u"S", u"K", REG_SZ, unterminated.data()), 0);
    char16_t again[1024] = {};
    EXPECT_NE(CCommon::ReadINIFile(u"S", u"K", REG_SZ, again), 0);
    EXPECT_EQ(std::u16string(again), longest);

    // A longer value put there by another tool is cut to fit, terminated.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(root.Host("store/settings.db").c_str(), &db), SQLITE_OK);
    const std::string huge(5000, 'z');
    const std::string sql = "UPDATE settings SET value = '" + huge + "' WHERE key = 'K'";
    ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    buf = new char16_t[1024]();
    EXPECT_NE(CCommon::ReadINIFile(u"S", u"K", REG_SZ, buf), 0);
    EXPECT_EQ(std::u16string(buf), std::u16string(1023, u'z'));
    delete[] buf;
}

TEST_F(Settings, InMemorySettingsAreASeparateStore) {
    DWORD v = 0;
    // Nothing written yet: absent, and reading creates no file.
    EXPECT_EQ(CCommon::ReadINIMem(u"WQSETUP", u"earphone", REG_DWORD, &v), 0);
    EXPECT_FALSE(std::filesystem::exists(root.Host("run/mem.db")));

    ASSERT_EQ(wq::device::WriteMemSetting(u"WQSETUP", u"earphone", DWORD{1}), 1);
    EXPECT_NE(CCommon::ReadINIMem(u"WQSETUP", u"earphone", REG_DWORD, &v), 0);
    EXPECT_EQ(v, 1u);
    EXPECT_EQ(CCommon::ReadINIFile(u"WQSETUP", u"earphone", REG_DWORD, &v), 0);
    ASSERT_EQ(wq::device::WriteMemSetting(u"WQSETUP", u"name", CString(u"이동식디스크")), 1);
    char16_t buf[1024] = {};
    EXPECT_NE(CCommon::ReadINIMem(u"WQSETUP", u"name", REG_SZ, buf), 0);
    EXPECT_EQ(std::u16string(buf), u"이동식디스크");
}

TEST_F(Settings, WithoutAPathNothingIsStoredAnywhere) {
    // An empty path would make SQLite write to a temporary database that
    // vanishes: the write must fail instead of pretending to succeed.
    wq::device::SettingsDb db("");
    EXPECT_FALSE(db.Write(u"WQAUDIO", u"VOLUME", wq::device::SettingValue{REG_DWORD, 3, {}}));
    EXPECT_FALSE(db.Read(u"WQAUDIO", u"VOLUME"));
}

TEST_F(Settings, DefaultLocationsFollowTheDeviceRoot) {
    wq::device::SetSettingsPath("");
    wq::device::SetMemSettingsPath("");
    const char* run = std::getenv("XDG_RUNTIME_DIR");
    const std::string savedRun = run ? run : "";
    unsetenv("XDG_RUNTIME_DIR");
    const std::string nand = root.MakeDir("nand flash");  // any spelling of the flash folder
    EXPECT_EQ(wq::device::GetSettingsPath(), nand + "/.wqaudio/settings.db");
    EXPECT_EQ(wq::device::GetMemSettingsPath(), nand + "/.wqaudio/run/memsettings.db");
    setenv("XDG_RUNTIME_DIR", root.Host("xdg").c_str(), 1);
    EXPECT_EQ(wq::device::GetMemSettingsPath(), root.Host("xdg") + "/wqaudio/memsettings.db");
    if (savedRun.empty()) unsetenv("XDG_RUNTIME_DIR");
    else setenv("XDG_RUNTIME_DIR", savedRun.c_str(), 1);
    const DWORD v = 3;
    ASSERT_EQ(CCommon::WriteINIFile(u"WQAUDIO", u"REPEAT", REG_DWORD, &v), 1);
    EXPECT_TRUE(std::filesystem::exists(nand + "/.wqaudio/settings.db"));
}

}  // namespace
