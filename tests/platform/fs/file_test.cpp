// CreateFileW / ReadFile / WriteFile / SetFilePointer on real files.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>

#include "platform/fs/fileapi.h"
#include "tests/support/temp_root.h"

namespace {

using wq::test::TempRoot;

HANDLE Open(const char16_t* path, DWORD access = GENERIC_READ, DWORD disposition = OPEN_EXISTING) {
    return CreateFileW(path, access, FILE_SHARE_READ, nullptr, disposition, 0, nullptr);
}

std::string Read(HANDLE h, DWORD max) {
    char buf[128];
    DWORD n = 99;
    EXPECT_TRUE(ReadFile(h, buf, max, &n, nullptr));
    return std::string(buf, n);
}

TEST(File, ShortReadsAtTheEndAndSeeksBeforeTheStartFail) {
    TempRoot root;
    root.MakeFile("t.bin", "0123456789");
    HANDLE h = Open(u"T.BIN");
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetFileSize(h, nullptr), 10u);
    EXPECT_EQ(Read(h, 4), "0123");
    // Three bytes back in the 64-bit form, as the frame search does.
    LONG high = -1;
    EXPECT_EQ(SetFilePointer(h, -3, &high, FILE_CURRENT), 1u);
    EXPECT_EQ(high, 0);
    EXPECT_EQ(Read(h, 128), "123456789");  // a short read is a success
    EXPECT_EQ(Read(h, 128), "");           // so is nothing at the end

    // Before the start fails and leaves the position alone.
    EXPECT_EQ(SetFilePointer(h, 4, nullptr, FILE_BEGIN), 4u);
    EXPECT_EQ(SetFilePointer(h, -128, nullptr, FILE_END), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), ERROR_NEGATIVE_SEEK);
    EXPECT_EQ(SetFilePointer(h, -1, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(SetFilePointer(h, -5, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
    high = -1;
    EXPECT_EQ(SetFilePointer(h, 5, &high, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(Read(h, 2), "45");
    // Exactly to the start and past the end are allowed; the high word counts 4 GiB steps.
    EXPECT_EQ(SetFilePointer(h, -10, nullptr, FILE_END), 0u);
    EXPECT_EQ(SetFilePointer(h, 100, nullptr, FILE_END), 110u);
    EXPECT_EQ(Read(h, 1), "");
    high = 1;
    EXPECT_EQ(SetFilePointer(h, 5, &high, FILE_BEGIN), 5u);
    EXPECT_EQ(high, 1);
    EXPECT_TRUE(CloseHandle(h));
}

TEST(File, OnlyExistingRegularFilesOpenAndAFifoNeverBlocks) {
    TempRoot root;
    const std::string fifo = root.Host("x.mp3");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    ASSERT_EQ(symlink("/dev/zero", root.Host("zero.mp3").c_str()), 0);
    root.MakeDir("folder.mp3");
    for (DWORD access : {GENERIC_READ, GENERIC_WRITE}) {
        auto opened = std::async(std::launch::async, [access] { return Open(u"x.mp3", access); });
        if (opened.wait_for(std::chrono::seconds(3)) != std::future_status::ready) {
            // Release the blocked open by providing the other end, then fail.
            const int fd = open(fifo.c_str(), O_RDWR | O_NONBLOCK);
            ADD_FAILURE() << "opening a FIFO blocked";
            opened.wait();
            close(fd);
        }
        EXPECT_EQ(opened.get(), INVALID_HANDLE_VALUE);
    }
    EXPECT_EQ(Open(u"zero.mp3"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(Open(u"folder.mp3"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(Open(u"zero.mp3", GENERIC_WRITE, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
    EXPECT_EQ(Open(u"missing.mp3"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(Open(u"\\Missing\\missing.mp3"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

}  // namespace
