// Test world for the skin library: a temporary device root with pictures
// written by the tests, a real owner window that forwards the pen to its
// skin manager and records the commands it gets, and a virtual clock.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/skin/skinmanager.h"
#include "platform/win/testing.h"
#include "platform/win/wnd.h"

namespace skintest {

// A temporary folder installed as the device root for the test's lifetime.
class TempRoot {
public:
    TempRoot();
    ~TempRoot();
    const std::string& path() const { return m_path; }
    // Writes bytes at a device-relative path ("skin/img/a.bmp"), creating folders.
    void Write(const std::string& rel, const std::string& bytes) const;
    void MakeDir(const std::string& rel) const;

private:
    std::string m_path;
};

// A 24-bit bottom-up BMP of w x h pixels (0x00RRGGBB); one that only claims
// its size in the header; a real JPEG made by ffmpeg (empty when it fails).
std::string Bmp(int w, int h, const std::function<std::uint32_t(int x, int y)>& pixel);
std::string SolidBmp(int w, int h, std::uint32_t rgb);
std::string BmpHeaderOnly(int w, int h);
std::string FfmpegJpeg(const TempRoot& root, int w, int h, const char* colour);

struct Command {
    UINT id;
    UINT code;
    bool operator==(const Command&) const = default;
};

// A top-level window with a skin: paints it, forwards the pen, records commands
// (and calls onCommand after recording each).
class OwnerWnd : public CWnd {
public:
    BOOL CreateOwner(int w, int h);
    std::unique_ptr<CSkinManager> skin;
    std::vector<Command> commands;
    std::function<void(const Command&)> onCommand;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
};

// The owner's pixel at (x, y) as 0x00RRGGBB; pen input through the queue.
std::uint32_t Pixel(const OwnerWnd& owner, int x, int y);
void Pen(const OwnerWnd& owner, UINT msg, int x, int y);
void Tap(const OwnerWnd& owner, int x, int y);

}  // namespace skintest
