// The filter inside a real GStreamer pipeline (the frei0r element of
// gst-plugins-bad, linked in-process): a Path set while the pipeline plays,
// which the element hands over as the bare char*, is taken from the next
// frame on exactly as if it had been set from the start.
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tool_harness.h"

namespace {

using Frame = std::vector<uint8_t>;

constexpr int FRAMES = 6;
constexpr int CHANGED_AFTER = 2;  // frames rendered with the first path
constexpr GstClockTime TIMEOUT = 60 * GST_SECOND;

struct Playback {
    GstElement* filter = nullptr;
    const char* later_path = nullptr;
    std::vector<Frame> frames;
};

GstPadProbeReturn OnFrame(GstPad*, GstPadProbeInfo* info, gpointer data) {
    Playback* play = static_cast<Playback*>(data);
    GstMapInfo map;
    GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
    if (gst_buffer_map(buffer, &map, GST_MAP_READ)) {
        play->frames.emplace_back(map.data, map.data + map.size);
        gst_buffer_unmap(buffer, &map);
    }
    // The filter has rendered this frame and waits for the next one.
    if (play->later_path != nullptr && play->frames.size() == CHANGED_AFTER) {
        g_object_set(play->filter, "path", play->later_path, nullptr);
    }
    return GST_PAD_PROBE_OK;
}

// FRAMES frames of 64x48 through the filter with `path`, then `later_path`
// (when given) from frame CHANGED_AFTER + 1 on; "" when the pipeline ended
// with an error or not in time.
std::string Play(const char* path, const char* later_path, std::vector<Frame>* frames) {
    const std::string launch = "videotestsrc num-buffers=" + std::to_string(FRAMES) +
                               " ! video/x-raw,format=RGBA,width=64,height=48,framerate=25/1"
                               " ! frei0r-filter-ringstride name=f ! fakesink name=sink sync=false";
    GError* error = nullptr;
    GstElement* pipeline = gst_parse_launch(launch.c_str(), &error);
    if (pipeline == nullptr) {
        const std::string why = error != nullptr ? error->message : "gst_parse_launch failed";
        g_clear_error(&error);
        return why;
    }
    Playback play;
    play.filter = gst_bin_get_by_name(GST_BIN(pipeline), "f");
    play.later_path = later_path;
    g_object_set(play.filter, "path", path, nullptr);
    GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "sink");
    GstPad* pad = gst_element_get_static_pad(sink, "sink");
    gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, OnFrame, &play, nullptr);
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* end =
        gst_bus_timed_pop_filtered(bus, TIMEOUT, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    std::string result = end == nullptr ? "no end of stream within a minute"
                         : GST_MESSAGE_TYPE(end) == GST_MESSAGE_ERROR ? "the pipeline failed"
                                                                      : "";
    if (end != nullptr) gst_message_unref(end);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(bus);
    gst_object_unref(pad);
    gst_object_unref(sink);
    gst_object_unref(play.filter);
    gst_object_unref(pipeline);
    *frames = std::move(play.frames);
    return result;
}

class GStreamerLive : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // Our folder only, and a registry of this run's own.
        setenv("FREI0R_PATH", FREI0R_DIR, 1);
        setenv("GST_REGISTRY", (*dir_ / "registry.bin").c_str(), 1);
        gst_init(nullptr, nullptr);
    }
    static std::string Unavailable() {
#ifdef RINGSTRIDE_SANITIZED
        return "GStreamer's plug-in scanner cannot load a plug-in built with sanitizers";
#endif
        GstElementFactory* factory = gst_element_factory_find("frei0r-filter-ringstride");
        if (factory == nullptr) return "GStreamer's frei0r element (gstreamer1.0-plugins-bad) is not installed";
        gst_object_unref(factory);
        return "";
    }
    static inline std::unique_ptr<cli_test::ScratchDir> dir_ = std::make_unique<cli_test::ScratchDir>();
};

TEST_F(GStreamerLive, PathChangedWhilePlayingTakesEffectOnTheNextFrame) {
    if (const std::string why = Unavailable(); !why.empty()) GTEST_SKIP() << "skipped: " << why;
    const char* first = "M 4 24 L 60 24";
    const char* later = "M 4 4 C 20 44 44 4 60 44";
    std::vector<Frame> changed, from_start;
    ASSERT_EQ(Play(first, later, &changed), "");
    ASSERT_EQ(Play(later, nullptr, &from_start), "");
    ASSERT_EQ(changed.size(), static_cast<size_t>(FRAMES));
    ASSERT_EQ(from_start.size(), static_cast<size_t>(FRAMES));
    for (int k = 0; k < FRAMES; ++k) {
        if (k < CHANGED_AFTER) EXPECT_NE(changed[k], from_start[k]) << "frame " << k << " already had the later path";
        else EXPECT_EQ(changed[k], from_start[k]) << "frame " << k << " does not show the later path";
    }
}

}  // namespace
