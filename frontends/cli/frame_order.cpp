#include "cli/frame_order.h"

#include <algorithm>
#include <utility>

namespace runner::cli {

FrameOrder::FrameOrder(std::vector<int32_t> frames, int32_t window)
    : frames_(std::move(frames)), window_(static_cast<size_t>(std::max(window, 1))) {}

std::optional<int32_t> FrameOrder::Claim() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] {
        return Stopped() || next_to_claim_ >= frames_.size() || next_to_claim_ - next_to_take_ < window_;
    });
    if (Stopped() || next_to_claim_ >= frames_.size()) return std::nullopt;
    return frames_[next_to_claim_++];
}

void FrameOrder::Finish(int32_t frame, PipeFrame prepared) {
    std::lock_guard<std::mutex> lock(mutex_);
    ready_.emplace(frame, std::move(prepared));
    changed_.notify_all();
}

World FrameOrder::TakeSpare() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (spare_.empty()) return World();
    World world = std::move(spare_.back());
    spare_.pop_back();
    return world;
}

void FrameOrder::Fail(Error error) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!failure_) failure_ = std::move(error);
    changed_.notify_all();
}

std::optional<Error> FrameOrder::Failure() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return failure_;
}

FrameOrder::Next FrameOrder::TakeNext(std::chrono::milliseconds patience, int32_t* frame, PipeFrame* prepared) {
    std::unique_lock<std::mutex> lock(mutex_);
    const bool woken = changed_.wait_for(lock, patience, [&] {
        return Stopped() || next_to_take_ >= frames_.size() || ready_.count(frames_[next_to_take_]) != 0;
    });
    if (Stopped()) return Next::STOPPED;
    if (next_to_take_ >= frames_.size()) return Next::DONE;
    if (!woken) return Next::WAITING;
    auto it = ready_.find(frames_[next_to_take_]);
    *frame = it->first;
    *prepared = std::move(it->second);
    ready_.erase(it);
    return Next::FRAME;
}

void FrameOrder::Written(World world) {
    std::lock_guard<std::mutex> lock(mutex_);
    ++next_to_take_;
    if (!world.Empty()) spare_.push_back(std::move(world));
    changed_.notify_all();
}

}  // namespace runner::cli
