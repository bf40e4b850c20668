#pragma once
#include <memory>
#include <string>
#include <vector>

#include "render/WorldPicture.h"

// Pictures of a run: numbered PNG frames in a folder, an H.264 movie, or
// both, drawn offscreen by the window's own frame code every K steps.
struct PicturePlan {
    std::string frames;  // folder of frame-000010.png ...
    std::string movie;   // the movie's file
    long every = 1;      // a picture every K steps (and one of the start)
    int width = 800, height = 800;
    PictureView view;
    int fps = 30;
    bool force = false;  // replace an existing movie
    bool any() const { return !frames.empty() || !movie.empty(); }
};

// Parses --frames DIR, --movie OUT, --frame-every K, --size WxH,
// --view CX,CY,ZOOM, --fps F or --force at args[i]: 0 when args[i] is none of
// them, -1 (with a message) when its value is missing or bad, else 1 (i then
// points at the value). With folderFlags, --frames and --movie take no value
// (a sweep names each run's pictures itself).
int parsePictureOption(const std::vector<std::string> &args, size_t &i, PicturePlan &plan, const char *command,
                       bool folderFlags = false, bool *frames = nullptr, bool *movie = nullptr);
// What can be checked before any step runs: the size for a movie, an H.264
// encoder, a frames folder that can be written (made when missing), a movie
// that exists (refused without force) or cannot be written. Prints a message
// naming the command and returns false on the first fault.
bool checkPicturePlan(const PicturePlan &plan, const char *command);

// Draws and writes the pictures of one run.
class PictureRecorder {
public:
    PictureRecorder();
    ~PictureRecorder();
    // Opens the offscreen context and the movie; false with why.
    bool open(const PicturePlan &plan, std::string &why);
    // The picture of the world as it stands at step; false with why when a
    // frame or the movie cannot be written.
    bool record(long step, std::string &why);
    // Ends the movie; false with why.
    bool finish(std::string &why);

private:
    // The picture drawn last, read back and handed to the writer.
    bool handOver(std::string &why);
    struct Parts;
    std::unique_ptr<Parts> parts;
};
