// How other threads (GStreamer streaming threads, the desktop-bus thread) reach
// the GUI thread. They never touch windows; they hand work to the GUI thread's
// inbox, which wakes the message loop. Contract between platform/win and its
// users below the Parts (media, ipc).
#pragma once

#include <functional>

#include "platform/base/wintypes.h"

namespace wq::win {

// Queues `task` to run on the GUI thread in the order of posted messages.
// Thread-safe; returns at once. Tasks queued after the loop has ended are dropped.
void PostTask(std::function<void()> task);

// Queues `task` as a message sent from another thread: the GUI thread runs it
// ahead of posted messages and input, also while it is itself blocked in a
// cross-process SendMessage (see ProcessSentTasks). Thread-safe; returns at once.
// The caller arranges its own wait for the result.
void SendTask(std::function<void()> task);

// Runs every sent task that is waiting; for a GUI thread that blocks on another
// process and must keep answering messages sent to it meanwhile. Returns the
// number run. GUI thread only.
int ProcessSentTasks();

// Blocks the GUI thread until a sent task arrives or `timeoutMs` passes, then runs
// the waiting sent tasks. For blocking calls that must not deadlock. GUI thread only.
int WaitForSentTasks(DWORD timeoutMs);

// True on the thread that runs the message loop.
bool IsGuiThread();

}  // namespace wq::win
