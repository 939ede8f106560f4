// Which thread is the GUI thread, and the check that window and drawing calls
// run on it.
//
// The program has one GUI thread: the thread that runs the message loop. The
// window system binds it when the application starts (and a test session when
// it begins); before that, the first thread that makes a window or drawing
// call becomes the GUI thread.
//
// WQ_ASSERT_GUI_THREAD() stops the program with one line naming the call and
// its source position when it runs on any other thread. It is active in debug
// builds (no NDEBUG) and in sanitizer builds (the build defines
// WQ_CHECK_GUI_THREAD), and costs nothing in a plain release build. platform/win
// checks at the one place every window call passes (its state accessor), and
// platform/gdi where every device context is looked up; the calls documented for
// any thread (PostMessage, PostTask, SendTask, SendMessage from another thread,
// RegisterWindowMessage, creating and deleting GDI objects) never reach either.
#pragma once

#if !defined(NDEBUG) && !defined(WQ_CHECK_GUI_THREAD)
#define WQ_CHECK_GUI_THREAD 1
#endif

namespace wq {

// Where a call was made, from a default argument: the caller's file, line and
// function. The compilers' builtins, because clang 14 (the fuzzing build) has
// no SourcePlace with the standard library of this system.
struct SourcePlace {
    static constexpr SourcePlace Current(const char* file = __builtin_FILE(),
                                         unsigned line = __builtin_LINE(),
                                         const char* function = __builtin_FUNCTION()) {
        return {file, line, function};
    }
    const char* file;
    unsigned line;
    const char* function;
};

// True on the GUI thread; false on every other thread and while none is bound.
// Any thread.
bool IsGuiThread();
// Makes the calling thread the GUI thread when none is bound yet.
void BindGuiThread();
// Makes the calling thread the GUI thread (a new application run or test session).
void RebindGuiThread();
// Binds the calling thread when none is bound; otherwise stops the program with
// a message naming `where` unless the caller is the GUI thread.
void CheckGuiThread(const SourcePlace& where);

}  // namespace wq

#ifdef WQ_CHECK_GUI_THREAD
#define WQ_ASSERT_GUI_THREAD() ::wq::CheckGuiThread(SourcePlace::Current())
#else
#define WQ_ASSERT_GUI_THREAD() static_cast<void>(0)
#endif
