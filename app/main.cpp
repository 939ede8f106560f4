// wqaudio: sets up the platform (device root, settings, display, sound output,
// desktop bus) from the command line and runs the application object.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/closing.h"
#include "app/controlstate.h"
#include "app/desktop_audio.h"
#include "app/keys.h"
#include "app/messagebox.h"
#include "app/options.h"
#include "app/wqaudioapp.h"
#include "platform/device/hooks.h"
#include "platform/display/display.h"
#include "platform/fs/root.h"
#include "platform/ipc/desktop.h"
#include "platform/media/codecpreset.h"
#include "platform/media/sink.h"
#include "trackinfo/probe.h"

#ifndef WQ_VERSION
#define WQ_VERSION "0.1.0"
#endif

namespace {

int Fail(const std::string& line) {
    std::fprintf(stderr, "wqaudio: %s\n", line.c_str());
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    // First of all, before anything starts a thread: the termination signals
    // are handled by one thread of ours, and every other thread keeps them
    // blocked, so a signal during start-up ends start-up in order too.
    wq::app::StartSignalWatch();
    const wq::app::Options opt = wq::app::ParseOptions(argc, argv);
    if (opt.help) {
        std::fputs(wq::app::HelpText(), stdout);
        return 0;
    }
    if (opt.version) {
        std::printf("wqaudio %s\n", WQ_VERSION);
        return 0;
    }
    if (opt.probe) {
        // The probe reads plain host paths and never waits like the player does.
        int n = 0;
        for (int i = 0; i < argc; ++i) {
            if (std::string(argv[i]) == "--probe") {
                n = i;
                break;
            }
        }
        wq::app::EndAtOnceOnSignal();
        return wq::trackinfo::RunProbe(argc - n, argv + n);
    }
    if (!opt.error.empty()) return Fail(opt.error);

    wq::device::InitFromArgs(argc, argv);
    std::string error;
    if (!wq::fs::InitRoot(argc, argv, &error)) return Fail(error);

    std::string sink = opt.audioSink;
    if (sink.empty()) {
        const char* env = std::getenv("WQ_AUDIO_SINK");
        sink = env && *env ? env : "auto";
    }
    if (!wq::media::SetAudioSink(sink))
        return Fail("unknown audio sink '" + sink + "': use auto, null, fast or wav:FILE");

    CString commandLine;
    if (!opt.file.empty()) {
        auto device = wq::app::ResolveTrackArgument(opt.file, &error);
        if (!device) return Fail(error);
        commandLine = CString(*device);
    }

    int displayArgc = argc;
    const wq::display::Options displayOptions = wq::display::ParseOptions(displayArgc, argv);
    auto presenter = wq::display::CreatePresenter(displayOptions, &error);
    if (!presenter) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }

    auto desktop = wq::ipc::DesktopBus::Start();
    if (desktop && opt.automation) {
        wq::app::InstallControlLister();
        desktop->EnableAutomation();
    }

    wq::media::InstallCodecBackend();
    wq::app::InstallMessageBox();
    wq::app::InstallKeyboard();
    wq::app::InstallCloseHook();
    auto audio = wq::app::DesktopAudio::Start();

    const int code = wq::win::RunApplication(commandLine);

    audio.reset();
    desktop.reset();
    wq::media::FinishAudioSink();
    return code;
}
