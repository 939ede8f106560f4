#include "platform/media/gstsetup.h"

#include <gst/gst.h>

#include <mutex>
#include <string>

namespace wq::media {

namespace {

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

}  // namespace wq::media
