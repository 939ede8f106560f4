// Ending the program from outside. SIGTERM, SIGINT and SIGHUP, and the
// desktop's own quit (a window manager closing the program), run the same
// orderly close as the close key: the player window gets WM_CLOSE, its
// destruction saves the settings and tells the launcher, and the process ends.
// A second signal while that close is running ends the process at once.
#pragma once

namespace wq::app {

// Blocks the termination signals in the calling thread, and so in every thread
// started after it, and starts the thread that waits for them. Call first thing
// in main, before any library starts a thread of its own.
void StartSignalWatch();

// For runs without the player window (--probe, --help): a termination signal
// ends the process at once, as it would without the watch.
void EndAtOnceOnSignal();

// GUI thread: a close request posts WM_CLOSE to the player window; before the
// window exists it is remembered (CloseRequested), so start-up ends instead.
void InstallCloseHook();

// True once a close was asked for. Any thread.
bool CloseRequested();

}  // namespace wq::app
