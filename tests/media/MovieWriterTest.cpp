// The movie writer on its own: sizes it refuses and what it says, a picture
// of another size scaled to the movie's, and calls out of order.
#include "media/MovieWriter.h"

#include <gtest/gtest.h>

#include <vector>

#include "batch/BatchRunner.h"

namespace {

std::string refusal(int width, int height) {
    std::string why;
    return MovieWriter::checkSize(width, height, why) ? "taken" : why;
}

}  // namespace

TEST(MovieWriterTest, SizesRefusedSayWhatToUse) {
    EXPECT_EQ(refusal(2, 8192), "taken");
    EXPECT_EQ(refusal(0, 10), "the size 0x10 is outside 2x2 .. 8192x8192");
    EXPECT_EQ(refusal(10, 8193), "the size 10x8193 is outside 2x2 .. 8192x8192");
    EXPECT_EQ(refusal(1, 10), "an H.264 movie (yuv420p) needs an even width and height, not 1x10: use 2 x 10");
    EXPECT_EQ(refusal(10, 8191), "an H.264 movie (yuv420p) needs an even width and height, not 10x8191: use 10 x 8190 or 8192");
    EXPECT_EQ(refusal(11, 13), "an H.264 movie (yuv420p) needs an even width and height, not 11x13: use 10 or 12 x 12 or 14");
}

TEST(MovieWriterTest, PicturesOfAnySizeAndCallsOutOfOrder) {
    ScratchFolder scratch;
    MovieWriter movie;
    std::string why, path = scratch.path("m.mp4");
    const std::vector<unsigned char> red(8 * 6 * 3, 0), small(4 * 2 * 4, 255);
    EXPECT_FALSE(movie.addFrame(red.data(), 8, 6, why) || movie.finish(why));
    EXPECT_EQ(why, "no movie is open");
    EXPECT_FALSE(movie.open(scratch.path("none/m.mp4"), 8, 6, 30, why));
    EXPECT_NE(why.find("cannot write '" + scratch.path("none/m.mp4") + "'"), std::string::npos) << why;
    EXPECT_FALSE(movie.isOpen());

    ASSERT_TRUE(movie.open(path, 8, 6, 25, why)) << why;
    EXPECT_TRUE(movie.addFrame(red.data(), 8, 6, why)) << why;
    EXPECT_TRUE(movie.addFrameRgba(small.data(), 4, 2, why, true)) << why;  // scaled to 8 x 6
    EXPECT_EQ(movie.frames(), 2);
    ASSERT_TRUE(movie.finish(why)) << why;
    EXPECT_EQ(runShell("ffprobe -v error -count_frames -show_entries stream=width,height,nb_read_frames,r_frame_rate "
                       "-of csv=p=0 " + quote(path))
                  .out,
              "8,6,25/1,2\n");
}
