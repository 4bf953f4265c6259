// The pieces that keep outputs whole: checked writes, temporary names, the
// output lock, the ordered hand-over of frames, ffmpeg's messages, the
// memory estimate.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "cli/animate_parts.h"
#include "cli/frame_order.h"
#include "cli/memory_budget.h"
#include "runner/media/checked_file.h"
#include "runner/media/exr_zip.h"
#include "runner/media/message_tail.h"
#include "runner/media/output_lock.h"
#include "runner/media/path_util.h"

namespace {

namespace fs = std::filesystem;
using namespace runner;

std::string TempFolder() {
    std::string templ = (fs::temp_directory_path() / "ringstride_out_XXXXXX").string();
    return mkdtemp(templ.data());
}

TEST(CheckedFile, BytesLandWhereWrittenAndAFullDeviceIsTheError) {
    const std::string folder = TempFolder();
    CheckedFile file;
    ASSERT_TRUE(file.Open(folder + "/a.bin").has_value());
    const std::string big(300 * 1024, 'b');  // past the buffer: written through
    EXPECT_TRUE(file.Write("head", 4) && file.Write(big.data(), big.size()) && file.Write("tail", 4));
    EXPECT_TRUE(file.WriteAt("HE", 2, 0));
    EXPECT_TRUE(file.Close().has_value());
    std::ifstream in(folder + "/a.bin", std::ios::binary);
    std::stringstream read;
    read << in.rdbuf();
    EXPECT_EQ(read.str(), "HEad" + big + "tail");
    fs::remove_all(folder);

    CheckedFile full;  // every write to /dev/full fails as on a full disk
    ASSERT_TRUE(full.Open("/dev/full").has_value());
    full.Write("x", 1);
    const Status closed = full.Close();
    ASSERT_FALSE(closed.has_value());
    EXPECT_EQ(closed.error().message, "No space left on device");
    const Status exr = WriteExrZip("/dev/full", 4, 4, 2, [](int32_t, float* rgba) { std::fill(rgba, rgba + 16, 0.5f); });
    ASSERT_FALSE(exr.has_value());
    EXPECT_EQ(exr.error().message, "No space left on device");
}

TEST(TempNames, AreRecognisedAndNothingElseIs) {
    const std::string temp = TempNameBeside("out/f_0003.png");
    EXPECT_EQ(fs::path(temp).parent_path(), "out");
    EXPECT_EQ(TempTarget(fs::path(temp).filename().string()), "f_0003.png");
    for (const char* other : {"f_0003.png", ".f_0003.png.ringstride-tmp", ".f.png.12.ringstride-tmp",
                              ".f.png.a-1.ringstride-tmp", ".f.png.1-2-3.ringstride-tmp", ".f.png.12-.ringstride-tmp"}) {
        EXPECT_EQ(TempTarget(other), "") << other;
    }
}

TEST(FrameNumbers, OnlyNamesThePatternGivesBack) {
    EXPECT_EQ(FrameNumberOf("f_%04d.png", "f_0012.png"), 12);
    EXPECT_EQ(FrameNumberOf("f_%d.png", "f_12.png"), 12);
    for (const char* other : {"f_12.png", "f_00012.png", "g_0012.png", "f_0012.tif", "f_00x2.png"}) {
        EXPECT_FALSE(FrameNumberOf("f_%04d.png", other).has_value()) << other;
    }
}

TEST(OutputLock, OverlappingFramesAreRefusedOthersShareAndTheLastRemovesTheFile) {
    const std::string folder = TempFolder();
    const std::string pattern = folder + "/f_%04d.png";
    Result<OutputLock> first = OutputLock::Take(pattern, 0, 9, "ringstride animate first");
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(first->Note(), "");
    const Result<OutputLock> overlapping = OutputLock::Take(pattern, 9, 12, "second");
    ASSERT_FALSE(overlapping.has_value());
    EXPECT_NE(overlapping.error().message.find("frames 9 to 12 are being written by another run (pid " +
                                               std::to_string(getpid())),
              std::string::npos) << overlapping.error().message;
    EXPECT_NE(overlapping.error().message.find(": ringstride animate first)"), std::string::npos);
    Result<OutputLock> beside = OutputLock::Take(pattern, 10, 19, "third");
    ASSERT_TRUE(beside.has_value());
    first->Release();
    EXPECT_TRUE(fs::exists(LockFileOf(pattern)));  // still held by the third
    beside->Release();
    EXPECT_FALSE(fs::exists(LockFileOf(pattern)));
    Result<OutputLock> video = OutputLock::Take(folder + "/v.mp4", 0, 0, "v");
    EXPECT_FALSE(OutputLock::Take(folder + "/v.mp4", 0, 0, "again").has_value());
    fs::remove_all(folder);
}

TEST(FrameOrder, HandsFramesOverInOrderWithinTheWindow) {
    cli::FrameOrder order({3, 4, 5, 6}, 2);
    EXPECT_EQ(order.Claim(), 3);
    EXPECT_EQ(order.Claim(), 4);
    std::optional<int32_t> third;
    std::thread waiting([&] { third = order.Claim(); });  // the window is full until 3 is written
    int32_t frame = -1;
    PipeFrame prepared;
    order.Finish(4, PipeFrame{});
    EXPECT_EQ(order.TakeNext(std::chrono::milliseconds(10), &frame, &prepared), cli::FrameOrder::Next::WAITING);
    order.Finish(3, PipeFrame{});
    ASSERT_EQ(order.TakeNext(std::chrono::milliseconds(10), &frame, &prepared), cli::FrameOrder::Next::FRAME);
    EXPECT_EQ(frame, 3);
    order.Written(World());
    waiting.join();
    EXPECT_EQ(third, 5);
    ASSERT_EQ(order.TakeNext(std::chrono::milliseconds(10), &frame, &prepared), cli::FrameOrder::Next::FRAME);
    EXPECT_EQ(frame, 4);
    order.Fail(Error{"disk full"});
    order.Fail(Error{"later"});
    EXPECT_FALSE(order.Claim().has_value());
    EXPECT_EQ(order.TakeNext(std::chrono::milliseconds(10), &frame, &prepared), cli::FrameOrder::Next::STOPPED);
    EXPECT_EQ(order.Failure()->message, "disk full");
}

TEST(MessageTail, KeepsTheLastLineAndNoticesAFailedWrite) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    MessageTail tail(fds[0]);
    const std::string text =
        "some warning\nav_interleaved_write_frame(): No space left on device\n    Last message repeated 3 times\n"
        "Error closing file x.mp4: No space left on device\n";
    ASSERT_EQ(write(fds[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
    close(fds[1]);
    tail.WaitForEnd();
    EXPECT_EQ(tail.LastLine(), "Error closing file x.mp4: No space left on device");
    EXPECT_EQ(tail.WriteFailure(), "av_interleaved_write_frame(): No space left on device");
    EXPECT_FALSE(MessageTail::ReportsWriteFailure("Past duration 0.99 too large"));
}

TEST(Memory, SizesParseAndTheEstimateLowersThreads) {
    const std::vector<std::pair<std::string, int64_t>> sizes = {
        {"8G", int64_t{8} << 30}, {"512M", int64_t{512} << 20}, {"1.5GiB", int64_t{3} << 29},
        {"300 kb", 300 * 1024}, {"2000000000", 2000000000}};
    for (const auto& [text, bytes] : sizes) EXPECT_EQ(cli::ParseMemorySize(text), bytes) << text;
    for (const char* bad : {"", "G", "8X", "-1G", "1.2.3M", "8GG"}) EXPECT_FALSE(cli::ParseMemorySize(bad)) << bad;
    EXPECT_EQ(cli::DescribeBytes(int64_t{3} << 29), "1.5 GiB");

    cli::FrameShape shape;  // 1000 x 1000 float: 16 MB a frame
    shape.full_width = shape.width = shape.full_height = shape.height = 1000;
    shape.bits = 32;
    shape.still = true;
    EXPECT_EQ(cli::EstimateMemory(shape, 0), 4 * 16000000);            // the picture, input, output, working copy
    EXPECT_EQ(cli::EstimateMemory(shape, 2), (1 + 2 * 3 + 2 * 2) * 16000000);
    EXPECT_EQ(cli::WorkersWithin(shape, 8, false, 200000000, "in.exr"), 2);  // 11 frames of 16 MB
    EXPECT_FALSE(cli::WorkersWithin(shape, 8, true, 200000000, "in.exr"));
    EXPECT_GT(cli::DefaultMemoryLimit(), 0);
}

TEST(DescribeFrames, NamesRunsThenStops) {
    EXPECT_EQ(cli::DescribeFrames({5, 0, 1, 2, 7, 8}), "0-2, 5, 7-8");
    EXPECT_EQ(cli::DescribeFrames({0, 2, 4, 6, 8, 10}), "0, 2, 4, 6, ...");
}

}  // namespace
