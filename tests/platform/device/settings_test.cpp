// The settings calls of CCommon within one process (types, limits, absence);
// ParsePath and Dbg. (The recorded device calls are read by the player's tests.)
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/device/common.h"
#include "platform/device/hooks.h"
#include "tests/support/temp_root.h"

namespace {

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
    static std::u16string ReadString(const char16_t* key) {
        // Exactly 2048 bytes: ASan sees any write past them.
        auto buf = std::make_unique<char16_t[]>(1024);
        EXPECT_NE(CCommon::ReadINIFile(u"S", key, REG_SZ, buf.get()), 0);
        return buf.get();
    }
    wq::test::TempRoot root;
};

TEST_F(Settings, NumbersAndStringsRoundTripAndTypesDoNotMix) {
    const DWORD big = 0xFFFFFFFEu;  // the whole 32-bit range survives
    ASSERT_EQ(CCommon::WriteINIFile(u"S", u"VOLUME", REG_DWORD, &big), 1);
    const char16_t path[] = u"SDMMC Card\\AUDIO\\노래.mp3";
    ASSERT_EQ(CCommon::WriteINIFile(u"S", u"PATH", REG_SZ, path), 1);
    DWORD n = 0;
    EXPECT_NE(CCommon::ReadINIFile(u"s", u"Volume", REG_DWORD, &n), 0) << "ASCII case is ignored";
    EXPECT_EQ(n, big);
    EXPECT_EQ(ReadString(u"PATH"), path);

    // The other type, an absent key or an unknown type code: zero, and the
    // buffer is left as the caller cleared it.
    std::vector<unsigned char> cleared(2048, 0);
    EXPECT_EQ(CCommon::ReadINIFile(u"S", u"VOLUME", REG_SZ, cleared.data()), 0);
    EXPECT_EQ(CCommon::ReadINIFile(u"S", u"PATH", REG_DWORD, cleared.data()), 0);
    EXPECT_EQ(CCommon::ReadINIFile(u"S", u"NOPE", REG_DWORD, cleared.data()), 0);
    EXPECT_EQ(CCommon::ReadINIFile(u"S", u"VOLUME", 3, cleared.data()), 0);
    EXPECT_EQ(cleared, std::vector<unsigned char>(2048, 0));
    // A key written again changes type with its value.
    ASSERT_EQ(CCommon::WriteINIFile(u"S", u"VOLUME", REG_SZ, u"loud"), 1);
    EXPECT_EQ(CCommon::ReadINIFile(u"S", u"VOLUME", REG_DWORD, &n), 0);
}

TEST_F(Settings, StringsStayWithinTheReadersTwoKilobyteBuffer) {
    // 1023 characters and the terminator fill 2048 bytes exactly.
    const std::u16string longest(1023, u'가');
    ASSERT_EQ(CCommon::WriteINIFile(u"S", u"K", REG_SZ, longest.c_str()), 1);
    EXPECT_EQ(ReadString(u"K"), longest);
    // One character more, or no terminator within the limit: refused, old value kept.
    // (A longer value another program stored is cut on reading: the fuzz target's.)
    EXPECT_EQ(CCommon::WriteINIFile(u"S", u"K", REG_SZ, std::u16string(1024, u'x').c_str()), 0);
    std::vector<char16_t> unterminated(1024, u'y');
    EXPECT_EQ(CCommon::WriteINIFile(u"S", u"K", REG_SZ, unterminated.data()), 0);
    EXPECT_EQ(ReadString(u"K"), longest);
}

// The live values (the earphone state) are a store of their own.
TEST_F(Settings, InMemorySettingsAreASeparateStore) {
    DWORD v = 0;
    EXPECT_EQ(CCommon::ReadINIMem(u"WQSETUP", u"earphone", REG_DWORD, &v), 0);
    EXPECT_FALSE(std::filesystem::exists(root.Host("run/mem.db"))) << "reading creates no file";
    ASSERT_EQ(wq::device::WriteMemSetting(u"WQSETUP", u"earphone", DWORD{1}), 1);
    EXPECT_NE(CCommon::ReadINIMem(u"WQSETUP", u"earphone", REG_DWORD, &v), 0);
    EXPECT_EQ(v, 1u);
    EXPECT_EQ(CCommon::ReadINIFile(u"WQSETUP", u"earphone", REG_DWORD, &v), 0);
}

TEST_F(Settings, DefaultLocationsFollowTheDeviceRoot) {
    wq::device::SetSettingsPath("");
    wq::device::SetMemSettingsPath("");
    setenv("XDG_RUNTIME_DIR", root.Host("xdg").c_str(), 1);
    EXPECT_EQ(wq::device::GetMemSettingsPath(), root.Host("xdg") + "/wqaudio/memsettings.db");
    // Else beside the settings in the flash folder, whatever its spelling.
    unsetenv("XDG_RUNTIME_DIR");
    const std::string nand = root.MakeDir("nand flash");
    EXPECT_EQ(wq::device::GetMemSettingsPath(), nand + "/.wqaudio/run/memsettings.db");
    const DWORD v = 3;
    ASSERT_EQ(CCommon::WriteINIFile(u"WQAUDIO", u"REPEAT", REG_DWORD, &v), 1);
    ASSERT_TRUE(wq::device::FlushSettings(5000));
    EXPECT_TRUE(std::filesystem::exists(nand + "/.wqaudio/settings.db"));
}

TEST(ParsePath, SplitsFolderNameAndExtension) {
    const char16_t* cases[][4] = {
        // path, folder, name, extension
        {u"SDMMC Card\\AUDIO\\노래 01.mp3", u"SDMMC Card\\AUDIO", u"노래 01.mp3", u"mp3"},
        {u"\\SDMMC Card\\song.final.wma", u"\\SDMMC Card", u"song.final.wma", u"wma"},
        {u"x.mp3", u"", u"x.mp3", u"mp3"},
        {u"dir.v2\\noext", u"dir.v2", u"noext", u""},  // a dot in the folder is not an extension
        {u"", u"", u"", u""},
    };
    for (const auto& c : cases) {
        CString folder(u"stale"), name(u"stale"), ext(u"stale");
        CCommon::ParsePath(c[0], folder, name, ext);
        EXPECT_EQ((std::vector<CString>{folder, name, ext}),
                  (std::vector<CString>{c[1], c[2], c[3]}))
            << CString(c[0]).ToUtf8();
    }
}

TEST(DebugOutput, FormatsWhenEnabledAndIsSilentOtherwise) {
    std::vector<std::string> lines;
    wq::device::SetDebugSink([&](const std::string& l) { lines.push_back(l); });
    wq::device::EnableDebug(false);
    Dbg(u"OnBtnPlay -------- %d", 1);
    EXPECT_TRUE(lines.empty());
    wq::device::EnableDebug(true);
    Dbg(u"OnBtnPlay -------- %d", 1);
    Dbg(u"%s [%x] %S", u"이름", 0x10u, "utf8");
    Dbg(nullptr);
    EXPECT_EQ(lines, (std::vector<std::string>{"OnBtnPlay -------- 1", "이름 [10] utf8"}));
    wq::device::EnableDebug(false);
    wq::device::SetDebugSink(nullptr);
}

}  // namespace
