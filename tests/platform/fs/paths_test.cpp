// The device root and the mapping of device paths onto it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/fs/fileapi.h"
#include "platform/fs/root.h"
#include "tests/platform/fs/temp_root.h"

namespace {

using wq::fs::ToHostPath;
using wq::test::TempRoot;

TEST(DeviceRoot, RefusesMissingOrUnusableFoldersAndKeepsThePreviousRoot) {
    TempRoot root;
    const std::string file = root.MakeFile("plain.txt", "x");
    std::string error;
    EXPECT_FALSE(wq::fs::SetRoot(root.Host("missing"), &error));
    EXPECT_NE(error.find("missing"), std::string::npos) << error;
    EXPECT_FALSE(wq::fs::SetRoot(file, &error));
    EXPECT_NE(error.find("not a folder"), std::string::npos) << error;
    EXPECT_FALSE(wq::fs::SetRoot("", &error));
    EXPECT_EQ(wq::fs::GetRoot(), std::filesystem::canonical(root.Path()).string());
}

TEST(DeviceRoot, InitRootPrefersTheOptionOverTheEnvironment) {
    TempRoot a;
    TempRoot b;
    setenv("WQ_ROOT", b.Path().c_str(), 1);
    const std::string opt = "--root=" + a.Path();
    const char* argvOption[] = {"wqaudio", opt.c_str()};
    std::string error;
    ASSERT_TRUE(wq::fs::InitRoot(2, argvOption, &error)) << error;
    EXPECT_EQ(wq::fs::GetRoot(), std::filesystem::canonical(a.Path()).string());
    const char* argvPlain[] = {"wqaudio"};
    ASSERT_TRUE(wq::fs::InitRoot(1, argvPlain, &error)) << error;
    EXPECT_EQ(wq::fs::GetRoot(), std::filesystem::canonical(b.Path()).string());
    setenv("WQ_ROOT", a.Host("nowhere").c_str(), 1);
    EXPECT_FALSE(wq::fs::InitRoot(1, argvPlain, &error));
    EXPECT_NE(error.find("nowhere"), std::string::npos) << error;
    unsetenv("WQ_ROOT");
}

TEST(DevicePaths, ResolveComponentsCaseInsensitivelyWithOptionalLeadingBackslash) {
    TempRoot root;
    const std::string tpl = root.MakeFile("NAND Flash/skin/Common/taskbar.TPL", "tpl");
    const std::string expected = root.Host("NAND Flash/skin/Common");
    EXPECT_EQ(ToHostPath(u"\\NAND Flash\\SKIN\\Common", false), expected);
    EXPECT_EQ(ToHostPath(u"\\NAND Flash\\skin\\Common", false), expected);
    EXPECT_EQ(ToHostPath(u"nand flash\\Skin\\COMMON\\", false), expected);
    EXPECT_EQ(ToHostPath(u"\\NAND Flash\\SKIN\\Common\\TASKBAR.tpl", false), tpl);
    EXPECT_EQ(ToHostPath(u"", false), wq::fs::GetRoot());
    EXPECT_EQ(ToHostPath(u"\\", false), wq::fs::GetRoot());
    EXPECT_EQ(ToHostPath(u"\\NAND Flash\\skin\\Missing", false), std::nullopt);
    // A file in the middle of a path is not a folder.
    EXPECT_EQ(ToHostPath(u"\\NAND Flash\\skin\\Common\\taskbar.TPL\\x", false), std::nullopt);
    EXPECT_EQ(ToHostPath(u"\\NAND Flash\\skin\\Common\\taskbar.TPL\\x", true), std::nullopt);
}

TEST(DevicePaths, ExactSpellingWinsOverACaseVariant) {
    TempRoot root;
    root.MakeFile("img/a.bmp", "lower");
    root.MakeFile("IMG/a.bmp", "upper");
    EXPECT_EQ(ToHostPath(u"IMG\\a.bmp", false), root.Host("IMG/a.bmp"));
    EXPECT_EQ(ToHostPath(u"img\\a.bmp", false), root.Host("img/a.bmp"));
    // Neither spelling given: the same one is chosen every time.
    const auto first = ToHostPath(u"Img\\a.bmp", false);
    ASSERT_TRUE(first);
    EXPECT_EQ(ToHostPath(u"Img\\a.bmp", false), first);
}

TEST(DevicePaths, RefuseDotComponentsAndWritesThatLeaveTheRoot) {
    TempRoot root;
    TempRoot outside;  // made current last: switch back to root
    ASSERT_TRUE(wq::fs::SetRoot(root.Path()));
    root.MakeFile("SDMMC Card/a.mp3", "a");
    const std::string secret = outside.MakeFile("secret.txt", "keep");
    std::filesystem::create_directory_symlink(outside.Path(), root.Host("SDMMC Card/link"));
    std::filesystem::create_symlink(secret, root.Host("SDMMC Card/secret.mp3"));

    for (const char16_t* p : {u"..\\x", u"SDMMC Card\\..\\..\\x", u".", u"SDMMC Card\\.\\a.mp3", u"\\..\\"}) {
        EXPECT_EQ(ToHostPath(p, false), std::nullopt);
        EXPECT_EQ(ToHostPath(p, true), std::nullopt);
    }
    // A linked folder may be read (a music folder linked in) but not written.
    EXPECT_TRUE(ToHostPath(u"SDMMC Card\\link\\secret.txt", false));
    EXPECT_EQ(ToHostPath(u"SDMMC Card\\link\\secret.txt", true), std::nullopt);
    EXPECT_EQ(ToHostPath(u"SDMMC Card\\link\\new.txt", true), std::nullopt);
    EXPECT_EQ(ToHostPath(u"SDMMC Card\\secret.mp3", true), std::nullopt);

    const char data[] = "overwritten";
    for (const char16_t* p : {u"SDMMC Card\\link\\secret.txt", u"SDMMC Card\\secret.mp3", u"SDMMC Card\\link\\new.txt"}) {
        HANDLE h = CreateFileW(p, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        EXPECT_EQ(h, INVALID_HANDLE_VALUE);
        if (h != INVALID_HANDLE_VALUE) {
            DWORD n = 0;
            WriteFile(h, data, sizeof data, &n, nullptr);
            CloseHandle(h);
        }
    }
    EXPECT_FALSE(std::filesystem::exists(outside.Host("new.txt")));
    std::ifstream in(secret);
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(content, "keep");
    EXPECT_EQ(CreateDirectoryW(u"SDMMC Card\\link\\made", nullptr), FALSE);
    EXPECT_EQ(DeleteFileW(u"SDMMC Card\\link\\secret.txt"), FALSE);
    EXPECT_TRUE(std::filesystem::exists(secret));
}

TEST(DevicePaths, ConvertBackToDevicePaths) {
    TempRoot root;
    root.MakeFile("SDMMC Card/AUDIO/x.mp3");
    EXPECT_EQ(wq::fs::ToDevicePath(root.Host("SDMMC Card/AUDIO/x.mp3")), u"\\SDMMC Card\\AUDIO\\x.mp3");
    EXPECT_EQ(wq::fs::ToDevicePath(root.Path()), u"\\");
    EXPECT_EQ(wq::fs::ToDevicePath("/etc/passwd"), std::nullopt);
    // A sibling folder whose name merely starts with the root's is outside.
    EXPECT_EQ(wq::fs::ToDevicePath(root.Path() + "x/y"), std::nullopt);
}

}  // namespace
