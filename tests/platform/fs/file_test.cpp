// CreateFileW / ReadFile / WriteFile / SetFilePointer on real files.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <future>

#include "platform/fs/fileapi.h"
#include "tests/platform/fs/temp_root.h"

namespace {

using wq::test::TempRoot;

HANDLE OpenRead(const char16_t* path) {
    return CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
}

std::string ReadAll(HANDLE h) {
    std::string out;
    char buf[7];
    DWORD n = 0;
    while (ReadFile(h, buf, sizeof buf, &n, nullptr) && n > 0) out.append(buf, n);
    return out;
}

TEST(File, ShortReadsAtTheEndAndSeeksBeforeTheStartFail) {
    TempRoot root;
    root.MakeFile("t.bin", "0123456789");
    HANDLE h = OpenRead(u"T.BIN");
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetFileSize(h, nullptr), 10u);

    char buf[128];
    DWORD n = 99;
    ASSERT_TRUE(ReadFile(h, buf, 4, &n, nullptr));
    EXPECT_EQ(std::string(buf, n), "0123");
    // Three bytes back from the current position, as the frame search does.
    EXPECT_EQ(SetFilePointer(h, -3, nullptr, FILE_CURRENT), 1u);
    ASSERT_TRUE(ReadFile(h, buf, sizeof buf, &n, nullptr));
    EXPECT_EQ(std::string(buf, n), "123456789");  // short read is a success
    ASSERT_TRUE(ReadFile(h, buf, sizeof buf, &n, nullptr));
    EXPECT_EQ(n, 0u);  // at the end: success, nothing read

    // 128 bytes before the end of a 10-byte file: fails, position unchanged.
    EXPECT_EQ(SetFilePointer(h, 4, nullptr, FILE_BEGIN), 4u);
    EXPECT_EQ(SetFilePointer(h, -128, nullptr, FILE_END), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), ERROR_NEGATIVE_SEEK);
    EXPECT_EQ(SetFilePointer(h, -1, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(SetFilePointer(h, -5, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
    ASSERT_TRUE(ReadFile(h, buf, 2, &n, nullptr));
    EXPECT_EQ(std::string(buf, n), "45");

    // Exactly to the start and past the end are allowed.
    EXPECT_EQ(SetFilePointer(h, -10, nullptr, FILE_END), 0u);
    EXPECT_EQ(SetFilePointer(h, 100, nullptr, FILE_END), 110u);
    ASSERT_TRUE(ReadFile(h, buf, 1, &n, nullptr));
    EXPECT_EQ(n, 0u);
    // The 64-bit form: high word 1 means 4 GiB further.
    LONG high = 1;
    EXPECT_EQ(SetFilePointer(h, 5, &high, FILE_BEGIN), 5u);
    EXPECT_EQ(high, 1);
    high = -1;  // -4 GiB + 5 from the start: before it
    EXPECT_EQ(SetFilePointer(h, 5, &high, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_TRUE(CloseHandle(h));
}

TEST(File, WritesCreateTruncateAndRespectDispositions) {
    TempRoot root;
    root.MakeDir("NAND Flash");
    const char16_t* path = u"\\nand flash\\new.txt";  // lands in the existing "NAND Flash"
    HANDLE h = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD n = 0;
    EXPECT_TRUE(WriteFile(h, "hello world", 11, &n, nullptr));
    EXPECT_EQ(n, 11u);
    CloseHandle(h);
    EXPECT_TRUE(std::filesystem::exists(root.Host("NAND Flash/new.txt")));

    EXPECT_EQ(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);

    h = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(GetFileSize(h, nullptr), 0u);  // truncated
    EXPECT_TRUE(WriteFile(h, "abc", 3, &n, nullptr));
    EXPECT_EQ(SetFilePointer(h, 0, nullptr, FILE_BEGIN), 0u);
    EXPECT_EQ(ReadAll(h), "abc");
    CloseHandle(h);

    // Reading handles refuse writes; read-only dispositions need write access.
    h = OpenRead(path);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(WriteFile(h, "x", 1, &n, nullptr));
    EXPECT_EQ(n, 0u);
    CloseHandle(h);
    EXPECT_EQ(CreateFileW(path, GENERIC_READ, 0, nullptr, CREATE_ALWAYS, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(CreateFileW(path, GENERIC_READ, 0, nullptr, 77, 0, nullptr), INVALID_HANDLE_VALUE);

    EXPECT_EQ(OpenRead(u"\\NAND Flash\\missing.txt"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(OpenRead(u"\\Missing\\missing.txt"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);

    EXPECT_TRUE(DeleteFileW(path));
    EXPECT_FALSE(std::filesystem::exists(root.Host("NAND Flash/new.txt")));
    EXPECT_FALSE(DeleteFileW(path));
    EXPECT_TRUE(CreateDirectoryW(u"NAND FLASH\\sub", nullptr));
    EXPECT_EQ(GetFileAttributesW(u"nand flash\\SUB") & FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_FALSE(CreateDirectoryW(u"NAND FLASH\\sub", nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(GetFileAttributesW(u"nowhere"), INVALID_FILE_ATTRIBUTES);
}

TEST(File, OnlyRegularFilesOpenAndAFifoNeverBlocks) {
    TempRoot root;
    const std::string fifo = root.Host("x.mp3");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    std::filesystem::create_symlink("/dev/zero", root.Host("zero.mp3"));
    root.MakeDir("folder.mp3");

    for (DWORD access : {GENERIC_READ, GENERIC_WRITE}) {
        auto opened = std::async(std::launch::async, [access] {
            return CreateFileW(u"x.mp3", access, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        });
        if (opened.wait_for(std::chrono::seconds(3)) != std::future_status::ready) {
            // Release the blocked open by providing the other end, then fail.
            const int fd = open(fifo.c_str(), O_RDWR | O_NONBLOCK);
            ADD_FAILURE() << "opening a FIFO blocked";
            opened.wait();
            close(fd);
        }
        EXPECT_EQ(opened.get(), INVALID_HANDLE_VALUE);
    }
    EXPECT_EQ(OpenRead(u"zero.mp3"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(OpenRead(u"folder.mp3"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(CreateFileW(u"zero.mp3", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr), INVALID_HANDLE_VALUE);
}

TEST(File, StaleAndForeignHandlesFailCleanly) {
    TempRoot root;
    root.MakeFile("a.txt", "a");
    HANDLE h = OpenRead(u"a.txt");
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_FALSE(CloseHandle(h));
    char c;
    DWORD n = 5;
    EXPECT_FALSE(ReadFile(h, &c, 1, &n, nullptr));
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(SetFilePointer(h, 0, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetFileSize(h, nullptr), INVALID_FILE_SIZE);
    EXPECT_FALSE(ReadFile(INVALID_HANDLE_VALUE, &c, 1, &n, nullptr));
    EXPECT_FALSE(ReadFile(nullptr, &c, 1, &n, nullptr));

    // A find handle is not a file, and a file handle is not a search.
    WIN32_FIND_DATAW fd;
    HANDLE find = FindFirstFileW(u"*.*", &fd);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(ReadFile(find, &c, 1, &n, nullptr));
    HANDLE file = OpenRead(u"a.txt");
    EXPECT_FALSE(FindClose(file));
    EXPECT_FALSE(FindNextFileW(file, &fd));
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_TRUE(CloseHandle(find));  // CloseHandle also ends a search
}

}  // namespace
