// The device root and the mapping of device paths onto it.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/base/utf.h"
#include "platform/fs/fileapi.h"
#include "platform/fs/root.h"
#include "tests/support/temp_root.h"

namespace {

using wq::fs::ToHostPath;
using wq::test::TempRoot;

TEST(DeviceRoot, RefusesUnusableFoldersAndPrefersTheOptionOverTheEnvironment) {
    TempRoot a, b;
    const std::string canonicalA = std::filesystem::canonical(a.Path()).string();
    std::string error;
    EXPECT_FALSE(wq::fs::SetRoot(b.Host("missing"), &error));
    EXPECT_NE(error.find("missing"), std::string::npos) << error;
    EXPECT_FALSE(wq::fs::SetRoot(b.MakeFile("plain.txt", "x"), &error));
    EXPECT_NE(error.find("not a folder"), std::string::npos) << error;
    EXPECT_FALSE(wq::fs::SetRoot("", &error));
    EXPECT_EQ(wq::fs::GetRoot(), std::filesystem::canonical(b.Path()))
        << "the previous root is kept";

    setenv("WQ_ROOT", b.Host("nowhere").c_str(), 1);
    ASSERT_TRUE(wq::fs::InitRoot(a.Path(), &error)) << error;
    EXPECT_EQ(wq::fs::GetRoot(), canonicalA);
    EXPECT_FALSE(wq::fs::InitRoot("", &error));
    EXPECT_NE(error.find("nowhere"), std::string::npos) << error;
    unsetenv("WQ_ROOT");
}

TEST(DevicePaths, ResolveComponentsCaseInsensitivelyWithOptionalLeadingBackslash) {
    TempRoot root;
    const std::string tpl = root.MakeFile("NAND Flash/skin/Common/taskbar.TPL", "tpl");
    const std::string common = root.Host("NAND Flash/skin/Common");
    for (const char16_t* p : {u"\\NAND Flash\\SKIN\\Common", u"nand flash\\Skin\\COMMON\\"})
        EXPECT_EQ(ToHostPath(p, false), common) << wq::Utf16ToUtf8(p);
    EXPECT_EQ(ToHostPath(u"\\NAND Flash\\SKIN\\Common\\TASKBAR.tpl", false), tpl);
    for (const char16_t* p : {u"", u"\\"}) EXPECT_EQ(ToHostPath(p, false), wq::fs::GetRoot());
    EXPECT_EQ(ToHostPath(u"\\NAND Flash\\skin\\Missing", false), std::nullopt);
    // A file in the middle of a path is not a folder.
    EXPECT_EQ(ToHostPath(u"\\NAND Flash\\skin\\Common\\taskbar.TPL\\x", true), std::nullopt);

    // The exact spelling wins over a case variant.
    root.MakeFile("img/a.bmp", "lower");
    root.MakeFile("IMG/a.bmp", "upper");
    EXPECT_EQ(ToHostPath(u"IMG\\a.bmp", false), root.Host("IMG/a.bmp"));
    EXPECT_EQ(ToHostPath(u"img\\a.bmp", false), root.Host("img/a.bmp"));
}

TEST(DevicePaths, RefuseDotComponentsAndWritesThatLeaveTheRoot) {
    TempRoot root;
    TempRoot outside;  // made current last: switch back to root
    ASSERT_TRUE(wq::fs::SetRoot(root.Path()));
    root.MakeFile("SDMMC Card/a.mp3", "a");
    const std::string secret = outside.MakeFile("secret.txt", "keep");
    std::filesystem::create_directory_symlink(outside.Path(), root.Host("SDMMC Card/link"));
    std::filesystem::create_symlink(secret, root.Host("SDMMC Card/secret.mp3"));

    for (const char16_t* p :
         {u"..\\x", u"SDMMC Card\\..\\..\\x", u".", u"SDMMC Card\\.\\a.mp3", u"\\..\\"}) {
        EXPECT_EQ(ToHostPath(p, false), std::nullopt);
        EXPECT_EQ(ToHostPath(p, true), std::nullopt);
    }
    // Inside the root a write works; a linked folder may be read (a music
    // folder linked in) but not written.
    HANDLE h =
        CreateFileW(u"SDMMC Card\\new.txt", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    DWORD n = 0;
    EXPECT_TRUE(WriteFile(h, "new", 3, &n, nullptr));
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_EQ(wq::test::ReadFile(root.Host("SDMMC Card/new.txt")), "new");
    EXPECT_TRUE(ToHostPath(u"SDMMC Card\\link\\secret.txt", false));
    for (const char16_t* p : {u"SDMMC Card\\link\\secret.txt", u"SDMMC Card\\secret.mp3",
                              u"SDMMC Card\\link\\new.txt"}) {
        EXPECT_EQ(ToHostPath(p, true), std::nullopt);
        EXPECT_EQ(CreateFileW(p, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr),
                  INVALID_HANDLE_VALUE);
    }
    EXPECT_FALSE(std::filesystem::exists(outside.Host("new.txt")));
    EXPECT_EQ(wq::test::ReadFile(secret), "keep");
}

TEST(DevicePaths, ConvertBackToDevicePaths) {
    TempRoot music;  // made current first: root replaces it
    TempRoot root;
    root.MakeFile("SDMMC Card/AUDIO/x.mp3");
    EXPECT_EQ(wq::fs::ToDevicePath(root.Host("SDMMC Card/AUDIO/x.mp3")),
              u"\\SDMMC Card\\AUDIO\\x.mp3");
    EXPECT_EQ(wq::fs::ToDevicePath(root.Path()), u"\\");
    EXPECT_EQ(wq::fs::ToDevicePath("/etc/passwd"), std::nullopt);
    // A sibling folder whose name merely starts with the root's is outside.
    EXPECT_EQ(wq::fs::ToDevicePath(root.Path() + "x/y"), std::nullopt);

    // A music folder linked in as the card's AUDIO (as the first start does)
    // is reached through the link; a link deeper down is not looked for.
    const std::string y = music.MakeFile("Album/y.mp3");
    std::filesystem::create_directory_symlink(music.Path(), root.Host("SDMMC Card/Music"));
    std::filesystem::create_directory_symlink(music.Path(), root.MakeDir("a/b") + "/deep");
    EXPECT_EQ(wq::fs::ToDevicePath(y), u"\\SDMMC Card\\Music\\Album\\y.mp3");
    std::filesystem::remove(root.Host("SDMMC Card/Music"));
    EXPECT_EQ(wq::fs::ToDevicePath(y), std::nullopt);
}

}  // namespace
