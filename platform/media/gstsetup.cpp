#include "platform/media/gstsetup.h"

#include <gst/gst.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <string>
#include <thread>

#include "platform/device/common.h"
#include "platform/device/hooks.h"
#include "platform/media/sink.h"

namespace wq::media {
namespace {

// What every graph of the process loads, in the order it needs it; the
// system's sound output only when it is the chosen sink. Only these: loading
// more would cost memory for the whole run.
constexpr const char* kFirstGraph[] = {
    "filesrc",          "decodebin",  "typefind",      "mpegaudioparse",
    "mpg123audiodec",   "capsfilter", "audioconvert",  "audioresample",
    "equalizer-nbands", "volume",     "audiopanorama", "fakesink",
};

// Joined at exit, so that plugin loading never races the process's teardown.
struct Worker {
    std::thread thread;
    ~Worker() {
        if (thread.joinable()) thread.join();
    }
};

void LoadFirstGraphPlugins() {
    EnsureGstreamer();
    for (const char* name : kFirstGraph) {
        if (GstElementFactory* f = gst_element_factory_find(name)) {
            if (GstPluginFeature* loaded = gst_plugin_feature_load(GST_PLUGIN_FEATURE(f)))
                gst_object_unref(loaded);
            gst_object_unref(f);
        }
    }
    if (GetAudioSinkKind() == SinkKind::Auto) {
        if (GstElementFactory* f = gst_element_factory_find("autoaudiosink")) {
            if (GstPluginFeature* loaded = gst_plugin_feature_load(GST_PLUGIN_FEATURE(f)))
                gst_object_unref(loaded);
            gst_object_unref(f);
        }
    }
    // The common type finders (MPEG audio among them) live in one plugin; the
    // type finders of other plugins load only when a file needs them.
    if (GstPlugin* plugin = gst_plugin_load_by_name("typefindfunctions")) gst_object_unref(plugin);
}

// Milliseconds since this process was started, from its start time in
// /proc/self/stat (clock ticks since boot, usually 10 ms each); -1 when unknown.
double MsSinceProcessStart() {
    std::FILE* f = std::fopen("/proc/self/stat", "r");
    if (!f) return -1;
    char buf[1024];
    const size_t n = std::fread(buf, 1, sizeof buf - 1, f);
    std::fclose(f);
    buf[n] = 0;
    // Fields after the command name, which ends at the last ')'.
    const char* p = nullptr;
    for (size_t i = n; i > 0; --i)
        if (buf[i - 1] == ')') {
            p = buf + i;
            break;
        }
    unsigned long long start = 0;
    if (!p || std::sscanf(p,
                          " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %*u %*u %*d %*d %*d %*d "
                          "%*d %*d %llu",
                          &start) != 1)
        return -1;
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    const double ticks = static_cast<double>(sysconf(_SC_CLK_TCK));
    return (static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9 - start / ticks) * 1000.0;
}

std::once_flag g_once;
bool g_started = false;
std::string g_error;

void Start() {
    GError* err = nullptr;
    if (!gst_init_check(nullptr, nullptr, &err)) {
        g_error =
            std::string("cannot start GStreamer: ") + (err ? err->message : "no reason given");
        if (err) g_error_free(err);
        return;
    }
    g_started = true;
    if (GstElementFactory* f = gst_element_factory_find("mpg123audiodec")) {
        gst_plugin_feature_set_rank(GST_PLUGIN_FEATURE(f), GST_RANK_PRIMARY + 1);
        gst_object_unref(f);
    }
}

}  // namespace

bool StartGstreamer(std::string* error) {
    std::call_once(g_once, Start);
    if (!g_started && error) *error = g_error;
    return g_started;
}

void EnsureGstreamer() {
    std::call_once(g_once, Start);
}

void PrepareGstreamer() {
    static Worker worker;
    static std::once_flag once;
    std::call_once(once, [] { worker.thread = std::thread(LoadFirstGraphPlugins); });
}

void NoteFirstBlock() {
    static std::atomic<bool> noted{false};
    if (noted.exchange(true) || !wq::device::DebugEnabled()) return;
    Dbg(u"start-up: %d ms from process start to the first audio block",
        static_cast<int>(MsSinceProcessStart()));
}

}  // namespace wq::media
