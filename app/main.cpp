// wqaudio: sets up the platform (device root, settings, display, sound output,
// desktop bus) from the command line and runs the application object.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "app/closing.h"
#include "app/controlstate.h"
#include "app/desktop_audio.h"
#include "app/firstrun.h"
#include "app/keys.h"
#include "app/messagebox.h"
#include "app/mpris.h"
#include "app/options.h"
#include "app/resources.h"
#include "app/wqaudioapp.h"
#include "platform/device/hooks.h"
#include "platform/display/display.h"
#include "platform/fs/root.h"
#include "platform/ipc/desktop.h"
#include "platform/media/codecpreset.h"
#include "platform/media/gstsetup.h"
#include "platform/media/sink.h"
#include "platform/win/presenter.h"
#include "trackinfo/probe.h"

#ifndef WQ_VERSION
#define WQ_VERSION "0.1.0"
#endif

namespace {

int Fail(const std::string& line) {
    std::fprintf(stderr, "wqaudio: %s\n", line.c_str());
    return 2;
}

int Run(int argc, char** argv);

}  // namespace

int main(int argc, char** argv) {
    // Memory that runs out in our own code ends the program with a word;
    // libraries that abort instead are kept from it by the limits checked at
    // start.
    try {
        return Run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fputs("wqaudio: out of memory\n", stderr);
        return 1;
    }
}

namespace {

int Run(int argc, char** argv) {
    // First of all, before anything starts a thread: the termination signals
    // are handled by one thread of ours, and every other thread keeps them
    // blocked, so a signal during start-up ends start-up in order too.
    wq::app::StartSignalWatch();
    const wq::app::Options opt = wq::app::ParseOptions(argc, argv);
    if (!opt.error.empty()) return Fail(opt.error);
    if (opt.help) {
        std::fputs(wq::app::HelpText().c_str(), stdout);
        return 0;
    }
    if (opt.version) {
        std::printf("wqaudio %s\n", WQ_VERSION);
        return 0;
    }
    if (opt.probe) {
        // The probe reads plain host paths and never waits like the player does.
        static char probeFlag[] = "--probe";
        std::vector<char*> probeArgv{argv[0], probeFlag};
        for (const std::string& a : opt.probeArgs)
            probeArgv.push_back(const_cast<char*>(a.c_str()));
        probeArgv.push_back(nullptr);
        wq::app::EndAtOnceOnSignal();
        return wq::trackinfo::RunProbe(static_cast<int>(probeArgv.size()) - 1, probeArgv.data());
    }

    std::string error;
    if (!wq::app::CheckProcessLimits(&error)) return Fail(error);
    if (!wq::media::StartGstreamer(&error)) return Fail(error);

    if (opt.debug) wq::device::EnableDebug(true);
    if (!opt.settings.empty()) wq::device::SetSettingsPath(opt.settings);
    const char* rootEnv = std::getenv("WQ_ROOT");
    if (opt.root.empty() && !(rootEnv && *rootEnv) && !wq::fs::DefaultRoot().empty()) {
        std::string line;
        if (!wq::app::CreateDeviceRoot(wq::fs::DefaultRoot(), wq::app::InstalledSkin(),
                                       wq::app::UserMusicFolder(), &line, &error))
            return Fail(error);
        if (!line.empty()) std::fprintf(stderr, "wqaudio: %s\n", line.c_str());
    }
    if (!wq::fs::InitRoot(opt.root, &error)) return Fail(error);

    std::string sink = opt.audioSink;
    if (sink.empty()) {
        const char* env = std::getenv("WQ_AUDIO_SINK");
        sink = env && *env ? env : "auto";
    }
    if (!wq::media::IsAudioSinkChoice(sink))
        return Fail("unknown audio sink '" + sink + "': use auto, null, fast or wav:FILE");

    CString commandLine;
    if (!opt.file.empty()) {
        auto device = wq::app::ResolveTrackArgument(opt.file, &error);
        if (!device) return Fail(error);
        commandLine = CString(*device);
    }
    if (!wq::media::SetAudioSink(sink)) return Fail("cannot create the WAV file of '" + sink + "'");
    // GStreamer and the first graph's plugins load while the window comes up.
    wq::media::PrepareGstreamer();

    wq::display::Options displayOptions;
    displayOptions.headless = opt.headless;
    displayOptions.scale = opt.scale;
    auto presenter = wq::display::CreatePresenter(displayOptions, &error);
    if (!presenter) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }

    auto desktop = wq::ipc::DesktopBus::Start();
    if (desktop && opt.automation) {
        wq::win::SetPicturesWanted(true);  // a screenshot shows the current spectrum
        wq::app::InstallControlLister();
        desktop->EnableAutomation();
    }

    // The desktop's media-player interface, on the same connection.
    std::unique_ptr<wq::app::Mpris> mpris;
    if (desktop) mpris = wq::app::Mpris::Start(desktop->bus());

    wq::media::InstallCodecBackend();
    wq::app::InstallMessageBox();
    wq::app::InstallKeyboard();
    wq::app::InstallCloseHook();
    auto audio = wq::app::DesktopAudio::Start();

    const int code = wq::win::RunApplication(commandLine);
    // What the close saved goes to the file before anything else ends.
    wq::device::FlushSettings(1500);

    audio.reset();
    mpris.reset();
    desktop.reset();
    wq::media::FinishAudioSink();
    return code;
}

}  // namespace
