// Windows of other processes. platform/win asks this interface when FindWindow
// finds no local window, and routes messages for remote handles through it.
// platform/ipc implements it over the desktop bus and installs it at start-up;
// without it the program simply sees no other processes.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/base/wintypes.h"

namespace wq::win {

class RemoteWindows {
public:
    virtual ~RemoteWindows() = default;

    // A top-level window of another process with this name (compared
    // case-insensitively, whole name), as an id > 0; 0 when there is none.
    virtual std::uint64_t Find(std::u16string_view name) = 0;

    // Sends and waits for the result. Registered messages (0xC000 and up) travel
    // by their registered name, others by number. While waiting, messages sent
    // to this process are still handled (ProcessSentTasks). A peer that does not
    // answer within the transport's timeout gives *delivered = false and 0.
    virtual LRESULT Send(std::uint64_t id, UINT msg, WPARAM wParam, LPARAM lParam,
                         bool* delivered) = 0;

    // Queues the message and returns at once; order per sender is kept.
    virtual bool Post(std::uint64_t id, UINT msg, WPARAM wParam, LPARAM lParam) = 0;

    // SetWindowPos (with these flags) or SetForegroundWindow (flags 0x43) on a remote window.
    virtual bool BringToFront(std::uint64_t id, UINT swpFlags) = 0;

    // This program came to the front (one of its windows was activated while it
    // was in front, raised, or given the desktop's focus). The program that was
    // in front before learns that it went to the background. GUI thread; returns
    // at once.
    virtual void TakeForeground() {}

    // Takes the window name `name` for this program before any window has it,
    // atomically: of several programs claiming one name at the same moment
    // exactly one gets true. A window of this program that later takes the
    // name is found under it. False when another program holds the name.
    virtual bool Claim(std::u16string_view name) = 0;

    // A local top-level window got the name `name` (publish) or lost its name,
    // was renamed or destroyed (withdraw). GUI thread.
    virtual void Publish(HWND hwnd, std::u16string_view name) = 0;
    virtual void Withdraw(HWND hwnd) = 0;
};

// Claims a window name for this program across the desktop (see
// RemoteWindows::Claim); true without a desktop bus, where no other program
// can be found anyway. GUI thread.
bool ClaimWindowName(std::u16string_view name);

// Another program came to the front: the active window receives WA_INACTIVE
// and SetActiveWindow does nothing until this program is brought forward.
// GUI thread.
void BackgroundByOtherProgram();

// Installs the transport (not owned); nullptr removes it.
void SetRemoteWindows(RemoteWindows* remote);
RemoteWindows* GetRemoteWindows();

// The name of a registered message id, empty when `msg` is not registered.
std::u16string_view GetRegisteredMessageName(UINT msg);
// The id of a name this program has registered, 0 when it has not. Never
// registers: a message from another program uses this, so other programs
// cannot fill the table that this program's own names need.
UINT FindRegisteredMessage(std::u16string_view name);

}  // namespace wq::win
