#include "app/Recording.h"

#include <ctime>
#include <filesystem>
#include <memory>
#include <vector>

#include "app/Input.h"
#include "app/Panel.h"
#include "app/Shell.h"
#include "media/MovieWriter.h"
#include "render/GLContext.h"
#include "render/Scene.h"
#include "world/WorldStore.h"

RecordingChoices recordingChoices;

namespace {
std::unique_ptr<MovieWriter> movie;
std::string lastPath;
long lastFrames = 0;
int lastFps = 30;
std::vector<unsigned char> pixels;

std::string freshMovieName() {
    char stamp[32];
    std::time_t now = std::time(nullptr);
    std::strftime(stamp, sizeof stamp, "drovan-%Y%m%d-%H%M%S", std::localtime(&now));
    std::error_code error;
    std::filesystem::path folder = std::filesystem::current_path(error);
    for (int k = 1;; k++) {
        std::string name = std::string(stamp) + (k > 1 ? "-" + std::to_string(k) : std::string()) + ".mp4";
        std::filesystem::path path = folder / name;
        if (!std::filesystem::exists(path, error)) return path.string();
    }
}
}  // namespace

bool recording() { return movie != nullptr; }
const std::string &recordingPath() { return lastPath; }
long recordedFrames() { return movie ? movie->frames() : lastFrames; }
double recordedSeconds() { return static_cast<double>(recordedFrames()) / (movie ? movie->fps() : lastFps); }

bool startRecording(std::string &why) {
    if (movie) return true;
    // The movie takes the window's size; an odd side loses its last pixel to the encoder's even sizes.
    int side = shell.windowSide - shell.windowSide % 2;
    std::unique_ptr<MovieWriter> writer(new MovieWriter);
    std::string path = freshMovieName();
    if (!writer->open(path, side, side, 30, why)) {
        why = "cannot record: " + why;
        return false;
    }
    movie = std::move(writer);
    lastPath = path;
    lastFrames = 0;
    return true;
}

bool stopRecording(std::string &why) {
    if (!movie) return true;
    lastFrames = movie->frames();
    lastFps = movie->fps();
    bool ok = movie->finish(why);
    movie.reset();
    if (!ok) why = "the recording '" + lastPath + "' did not end cleanly: " + why + "; it plays up to its last second";
    return ok;
}

bool recordsSteppedPass(bool runAheadPass) { return movie && !(runAheadPass && recordingChoices.runAheadEveryK); }

void recordDrawnFrame() {
    if (!movie) return;
    int side = shell.windowSide;
    readBackBuffer(side, side, pixels);
    std::string why;
    if (movie->addFrame(pixels.data(), side, side, why, true)) return;
    std::string ended;
    stopRecording(ended);
    setPanelMessage("Recording stopped: cannot write '" + lastPath + "': " + why +
                    "; the movie plays up to its last second");
}

void recordRunAheadStep() {
    if (!movie || !recordingChoices.runAheadEveryK) return;
    int k = recordingChoices.every > 0 ? recordingChoices.every : 1;
    if (world.stepCount % k != 0) return;
    drawLiveFrame(pointerMarks(), false);
    recordDrawnFrame();
}
