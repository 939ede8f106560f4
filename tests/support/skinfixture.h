// Test world for the skin library: a temporary device root with pictures
// written by the tests, a real owner window that forwards the pen to its
// skin manager and records the commands it gets.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/skin/skinmanager.h"
#include "platform/win/testing.h"
#include "platform/win/wnd.h"
#include "tests/support/temp_root.h"

namespace skintest {

struct TempRoot : wq::test::TempRoot {
    void Write(const std::string& rel, const std::string& bytes) const { MakeFile(rel, bytes); }
};

inline std::string SolidBmp(int w, int h, std::uint32_t rgb) {
    return wq::test::Bmp(w, h, [rgb](int, int) { return rgb; });
}

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

}  // namespace skintest
