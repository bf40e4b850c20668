// Pictures of batch runs, drawn offscreen: frames and movies as ffprobe and
// ffmpeg read them, results the drawing leaves alone, and bad options that
// stop a run before its first step.

#include "batch/BatchRunner.h"

namespace {

std::string output(const std::string &cmd) { return runShell(cmd + " 2>&1").out; }

// drovan-batch where it draws. The GL driver is unloaded before a sanitizer
// build's leak check, so its own allocations would show as leaks without a
// module to suppress them by (as in the window tests).
BatchResult draw(const std::string &args) {
    return runShell("ASAN_OPTIONS=detect_leaks=0 " + quote(DROVAN_BATCH) + " " + args + " 2>&1");
}

// codec,width,height,pixel format,frames decoded
std::string probe(const std::string &movie) {
    return output("ffprobe -v error -select_streams v:0 -count_frames -show_entries "
                  "stream=codec_name,width,height,pix_fmt,nb_read_frames -of csv=p=0 " +
                  quote(movie));
}

// The PSNR in dB between the movie's frame n and a PNG (0 when unreadable).
double psnr(const std::string &movie, int n, const std::string &png) {
    std::string log =
        output("ffmpeg -nostdin -i " + quote(movie) + " -i " + quote(png) + " -lavfi '[0:v]select=eq(n\\," +
               std::to_string(n) + "),setpts=PTS-STARTPTS[a];[a][1:v]psnr' -f null -");
    size_t at = log.find("average:");
    return at == std::string::npos ? 0.0 : std::stod(log.substr(at + 8));
}

class PicturesTest : public ScratchTest {
protected:
    std::string rules = scratch.write(
        "small.txt", "Red is 1 0 0\nBlue is 0 0 1\nRed eats Blue\nBlue atom probability is 0.5\nnode_creation_rate 0\n"
                     "Red node at 1500.0 1600.0\nBlue node at 1700.0 1600.0\n");
    std::string run(const std::string &args) { return quote(rules) + " --steps 20 --every 1 --digest " + args; }
};

}  // namespace

// The movie's frame of step 10 is the PNG of step 10 (a width not a multiple of four
// too); drawing leaves the CSV and digests alone.
TEST_F(PicturesTest, FramesAndMoviesOfRunsAndSweeps) {
    std::string movie = scratch.path("m.mp4"), frames = scratch.path("frames");
    ASSERT_TRUE(ranOk("run " + run("--csv " + quote(scratch.path("plain.csv")))));
    ASSERT_EQ(draw("run " + run("--csv " + quote(scratch.path("drawn.csv")) + " --movie " + quote(movie) +
                                " --frames " + quote(frames) + " --frame-every 5 --size 322x240 --fps 10"))
                  .status,
              0);
    EXPECT_EQ(readFile(scratch.path("drawn.csv")), readFile(scratch.path("plain.csv")));
    EXPECT_EQ(probe(movie), "h264,322,240,yuv420p,5\n");
    for (const char *step : {"000000", "000005", "000010", "000015", "000020"})
        EXPECT_TRUE(std::filesystem::exists(frames + "/frame-" + step + ".png")) << step;
    // About 48 dB; channels mixed up on the coloured pixels alone give about 41.
    EXPECT_GT(psnr(movie, 2, frames + "/frame-000010.png"), 45.0);

    std::string out = scratch.path("sweep");
    ASSERT_EQ(draw("sweep " + quote(rules) + " --out " + quote(out) +
                   " --seeds 1..2 --steps 6 --jobs 1 --movie --frame-every 3 --size 64x64")
                  .status,
              0);
    for (const char *name : {"/run-0000.mp4", "/run-0001.mp4"}) EXPECT_EQ(probe(out + name), "h264,64,64,yuv420p,3\n");
    // The folder's runs hold pictures: a sweep into it must ask for the same ones.
    std::string again = "sweep " + quote(rules) + " --out " + quote(out) + " --seeds 1..2 --steps 6 --jobs 1 ";
    EXPECT_TRUE(exitsSaying(runBatch(again + "--movie --frame-every 3 --size 96x64 --fps 20", true), 2,
                            "--size was 64x64 and is now 96x64; --fps was 30 and is now 20"));
    EXPECT_TRUE(exitsSaying(runBatch(again + "--frames --frame-every 2 --size 64x64 --view 1600,1600,2", true), 2,
                            "--movie was yes and is now none; --frame-every was 3 and is now 2; --view was "
                            "1600,1600,0.8 and is now 1600,1600,2; --fps was 30 and is now none; --frames was none "
                            "and is now yes"));
}

// Each bad choice exits 2 with its message, and no step has run: no CSV.
TEST_F(PicturesTest, BadPictureOptionsStopBeforeAnyStep) {
    std::string movie = scratch.write("old.mp4", "kept");
    const auto cases = caseTable("bad-picture-options.txt", dir, rules);
    ASSERT_EQ(cases.size(), 19u);
    std::string csv = scratch.path("run.csv"),
                snap = std::string(DROVAN_SOURCE_DIR) + "/tests/io/data/edited-pattern-world.snap";
    for (const auto &c : cases) {
        // run and resume take the same options: every other case goes to resume.
        std::string tail = "--csv " + quote(csv) + " " + c.first;
        EXPECT_TRUE(exitsSaying(
            runBatch((&c - &cases[0]) % 2 ? "resume " + quote(snap) + " --steps 20 " + tail : "run " + run(tail), true),
            2, c.second));
        EXPECT_FALSE(std::filesystem::exists(csv)) << c.first;
    }
    EXPECT_EQ(readFile(movie), "kept");
    EXPECT_EQ(draw("run " + run("--movie " + quote(movie) + " --force --fps 240 --view 1600,1600,1000")).status, 0);
    EXPECT_EQ(probe(movie).substr(0, 5), "h264,");
}

// A disk that fills (here a limit on a file's size) stops the run at the
// picture it could not write, with status 1; the movie's fragments and the
// frames written before stay readable.
TEST_F(PicturesTest, AFullDiskStopsTheRunAndKeepsWhatWasWritten) {
    std::string movie = scratch.path("m.mp4"), frames = scratch.path("frames");
    BatchResult r = runShell("ulimit -f 24; trap '' XFSZ; ASAN_OPTIONS=detect_leaks=0 " + quote(DROVAN_BATCH) + " run " +
                             run("--steps 3000 --csv " + quote(scratch.path("c.csv")) + " --movie " + quote(movie) +
                                 " --frames " + quote(frames) + " --frame-every 1 --size 320x240") +
                             " 2>&1");
    EXPECT_EQ(r.status, 1) << r.out;
    size_t at = r.out.find("drovan-batch: stopped at step ");
    ASSERT_NE(at, std::string::npos) << r.out;
    long step = std::stol(r.out.substr(at + 30));
    EXPECT_NE(r.out.find(": cannot write the movie '" + movie +
                         "': File too large; the frames and movie written before stay readable"),
              std::string::npos)
        << r.out;
    EXPECT_TRUE(step > 30 && step < 3000) << step;
    std::string seen = probe(movie);
    long decoded = std::stol(seen.substr(seen.rfind(',') + 1));
    EXPECT_TRUE(decoded >= 30 && decoded <= step) << seen;
    EXPECT_TRUE(std::filesystem::exists(frames + "/frame-000030.png"));
    std::vector<std::vector<std::string>> rows = csvRows(readFile(scratch.path("c.csv")));
    EXPECT_LE(std::stol(rows.back().at(0)), step) << "no step after the stop";
}
