#include "platform/media/gstsetup.h"

#include <gst/gst.h>

#include <mutex>

namespace wq::media {

void EnsureGstreamer() {
    static std::once_flag once;
    std::call_once(once, [] {
        gst_init(nullptr, nullptr);
        if (GstElementFactory* f = gst_element_factory_find("mpg123audiodec")) {
            gst_plugin_feature_set_rank(GST_PLUGIN_FEATURE(f), GST_RANK_PRIMARY + 1);
            gst_object_unref(f);
        }
    });
}

}  // namespace wq::media
