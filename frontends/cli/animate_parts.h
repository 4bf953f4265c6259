// The parts of animate, each in a file of its own: what to render
// (animate_plan.cpp) and the threads that render it (animate_workers.cpp);
// RunAnimate (animate_command.cpp) puts them together.
#ifndef FOLVEK_CLI_ANIMATE_PARTS_H
#define FOLVEK_CLI_ANIMATE_PARTS_H

#include <stdint.h>

#include <string>
#include <thread>
#include <vector>

#include "cli/commands.h"
#include "cli/frame_order.h"
#include "cli/memory_budget.h"
#include "cli/scene.h"
#include "runner/media/frame_sink.h"

namespace runner::cli {

// Frames and rate: a clip's own unless given; a still needs --frames. A
// video is conformed to the rate (said in one line when that changes its
// frames).
Result<Timing> ShotTiming(const AnimateOptions& options, Scene* scene);

// The frames to render: those --in and --out keep, or --range within them.
Result<FrameRange> ShotRange(const AnimateOptions& options, const Timing& timing);

// What memory is counted for frames of this source, depth and output (for
// encode's frames too).
FrameShape ShapeOf(const SourceInfo& info, int32_t bits, int32_t downsample, const std::string& output);

// The frames first..last, without those whose files are already complete
// when resuming (looked at by `threads` threads); `complete` gets those.
std::vector<int32_t> FramesToRender(const FrameSink& sink, const FrameRange& range, bool resume, int32_t threads,
                                    std::vector<int32_t>* complete);

// A warning about files of `pattern` numbered past the animation's last
// frame (an earlier, longer run's), which are left as they are; empty when
// there are none.
std::string LeftoverFramesNote(const std::string& pattern, int32_t frames);

// What an unfinished run leaves: "; 28 of 50 frames of f_%04d.png are
// complete (0-27), 22 are not (28-49): --resume renders them", or empty
// when it wrote nothing and found nothing.
std::string WhatIsLeft(const FrameSink& sink, bool video, const FrameRange& range,
                       const std::vector<int32_t>& complete_before);

// "0-27, 29, 31-40": runs of consecutive frames, the first few of them.
std::string DescribeFrames(std::vector<int32_t> frames);

// The worker threads of a run, each with its own effect instance,
// rendering the frames they claim from `order` and preparing them for
// `sink`. However the run ends, the destructor stops it and waits for
// every thread.
class Workers {
public:
    Workers(const Scene& scene, const Timing& timing, FrameSink* sink, FrameOrder* order)
        : scene_(scene), timing_(timing), sink_(sink), order_(order) {}
    ~Workers();
    Workers(const Workers&) = delete;
    Workers& operator=(const Workers&) = delete;

    void Start(int32_t count);
    // After the order is done or stopped: every thread has returned.
    void Join();

private:
    void Run();

    const Scene& scene_;
    const Timing& timing_;
    FrameSink* sink_;
    FrameOrder* order_;
    std::mutex source_mutex_;  // a video is read by one worker at a time, in frame order
    std::vector<std::thread> threads_;
};

}  // namespace runner::cli

#endif
