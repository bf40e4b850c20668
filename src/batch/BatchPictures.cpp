#include "batch/BatchPictures.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

#include "batch/BatchCommands.h"
#include "media/MovieWriter.h"
#include "media/PngImage.h"
#include "render/OffscreenContext.h"
#include "runtime/Clock.h"
#include "runtime/SafeSave.h"

namespace {

bool say(const char *command, const std::string &message) {
    std::fprintf(stderr, "drovan-batch %s: %s\n", command, message.c_str());
    return false;
}

bool parseSize(const std::string &text, int &width, int &height) {
    char *end = nullptr;
    long w = std::strtol(text.c_str(), &end, 10);
    if (end == text.c_str() || (*end != 'x' && *end != 'X')) return false;
    const char *rest = end + 1;
    long h = std::strtol(rest, &end, 10);
    if (end == rest || *end != '\0' || !std::isdigit(static_cast<unsigned char>(text[0])) ||
        !std::isdigit(static_cast<unsigned char>(*rest)))
        return false;
    if (w < 1 || h < 1 || w > MovieWriter::kMaxSide || h > MovieWriter::kMaxSide) return false;
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return true;
}

bool parseView(const std::string &text, PictureView &view) {
    size_t a = text.find(','), b = a == std::string::npos ? a : text.find(',', a + 1);
    if (b == std::string::npos || text.find(',', b + 1) != std::string::npos) return false;
    PictureView v;
    if (!parseFinite(text.substr(0, a), v.centreX) || !parseFinite(text.substr(a + 1, b - a - 1), v.centreY) ||
        !parseFinite(text.substr(b + 1), v.zoom))
        return false;
    // Far beyond the world the picture is blank; past these the floats lose the world altogether.
    if (!(v.zoom >= 0.01f && v.zoom <= 1000.0f) || std::fabs(v.centreX) > 1e6f || std::fabs(v.centreY) > 1e6f)
        return false;
    view = v;
    return true;
}

// A folder, made with its parents when missing.
bool makeFolder(const std::string &dir, std::string &why) {
    for (size_t at = 1; at <= dir.size(); at++) {
        if (at < dir.size() && dir[at] != '/') continue;
        std::string part = dir.substr(0, at);
        if (mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) {
            why = "cannot make the folder '" + part + "': " + std::strerror(errno);
            return false;
        }
    }
    struct stat st;
    if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        why = "'" + dir + "' is a file, not a folder";
        return false;
    }
    return true;
}

// Whether a file can be made in the folder (asked by making one: permission
// bits say nothing to root, or on a read-only disk).
bool folderWritable(const std::string &dir, std::string &why) {
    std::string probe = (dir.empty() ? std::string(".") : dir) + "/.drovan-probe-XXXXXX";
    std::vector<char> name(probe.begin(), probe.end());
    name.push_back('\0');
    int fd = mkstemp(name.data());
    if (fd < 0) {
        why = "cannot write in the folder '" + (dir.empty() ? std::string(".") : dir) + "': " + std::strerror(errno);
        return false;
    }
    close(fd);
    unlink(name.data());
    return true;
}

std::string folderOf(const std::string &path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

int parsePictureOption(const std::vector<std::string> &args, size_t &i, PicturePlan &plan, const char *command,
                       bool folderFlags, bool *frames, bool *movie) {
    const std::string &a = args[i];
    if (a == "--force") {
        plan.force = true;
        return 1;
    }
    if (folderFlags && (a == "--frames" || a == "--movie")) {
        *(a == "--frames" ? frames : movie) = true;
        return 1;
    }
    if (a != "--frames" && a != "--movie" && a != "--frame-every" && a != "--size" && a != "--view" && a != "--fps")
        return 0;
    if (i + 1 >= args.size()) return say(command, a + " needs a value"), -1;
    const std::string &v = args[++i];
    if (a == "--frames" || a == "--movie") {
        if (v.empty()) return say(command, a + " needs a file name"), -1;
        (a == "--frames" ? plan.frames : plan.movie) = v;
    } else if (a == "--frame-every") {
        if (!parseCount(v, plan.every) || plan.every < 1)
            return say(command, "--frame-every takes a count of steps above 0, not '" + v + "'"), -1;
    } else if (a == "--size") {
        if (!parseSize(v, plan.width, plan.height))
            return say(command, "--size takes WIDTHxHEIGHT in pixels, each 1 to " +
                                    std::to_string(MovieWriter::kMaxSide) + " (800x800 unless given), not '" + v + "'"),
                   -1;
    } else if (a == "--view") {
        if (!parseView(v, plan.view))
            return say(command, "--view takes CX,CY,ZOOM: the world point at the picture's centre and a zoom from "
                                "0.01 to 1000 (the window starts at 1600,1600,0.8), not '" +
                                    v + "'"),
                   -1;
    } else {
        long fps = 0;
        if (!parseCount(v, fps) || fps < 1 || fps > 240)
            return say(command, "--fps takes frames a second from 1 to 240, not '" + v + "'"), -1;
        plan.fps = static_cast<int>(fps);
    }
    return 1;
}

bool checkPicturePlan(const PicturePlan &plan, const char *command) {
    std::string why;
    if (!plan.movie.empty()) {
        if (!MovieWriter::checkSize(plan.width, plan.height, why)) return say(command, "--size: " + why);
        if (!MovieWriter::haveEncoder(why)) return say(command, why);
        struct stat st;
        if (stat(plan.movie.c_str(), &st) == 0) {
            if (S_ISDIR(st.st_mode)) return say(command, "--movie '" + plan.movie + "' is a folder");
            if (!plan.force) return say(command, "the movie '" + plan.movie + "' exists; add --force to replace it");
        }
        if (!folderWritable(folderOf(plan.movie), why)) return say(command, "--movie: " + why);
    }
    if (!plan.frames.empty() && (!makeFolder(plan.frames, why) || !folderWritable(plan.frames, why)))
        return say(command, "--frames: " + why);
    return true;
}

// The main thread draws each picture and reads it back at the next one (or at
// the end), so the rasteriser's threads draw it while the steps go on; it
// then hands it over to one worker, which encodes and writes the pictures in
// order. A few buffers circulate: a read-back waits for one only when the
// writer falls that far behind.
struct PictureRecorder::Parts {
    static constexpr size_t kBuffers = 3;
    struct Picture {
        long step = 0;
        std::vector<unsigned char> rgba;  // rows bottom first, as GL reads them
    };

    PicturePlan plan;
    OffscreenContext context;
    MovieWriter movie;

    std::mutex lock;
    std::condition_variable changed;
    std::deque<Picture> waiting;  // drawn, not yet written
    std::vector<Picture> spare;   // written, free for the next drawing
    size_t made = 0;              // buffers in circulation
    long drawn = -1;              // the step of the picture drawn and not yet read back
    bool closing = false;
    std::string fault;  // the writer's first failure; it writes nothing after
    long faultStep = 0;
    std::thread worker;

    // Worker only.
    std::vector<unsigned char> rgb, png;

    ~Parts() { stop(); }

    void stop() {
        if (!worker.joinable()) return;
        {
            std::lock_guard<std::mutex> hold(lock);
            closing = true;
        }
        changed.notify_all();
        worker.join();
    }

    void work() {
        std::unique_lock<std::mutex> hold(lock);
        for (;;) {
            changed.wait(hold, [this] { return closing || !waiting.empty(); });
            if (waiting.empty()) return;
            Picture picture = std::move(waiting.front());
            waiting.pop_front();
            bool writing = fault.empty();
            hold.unlock();
            std::string why;
            bool ok = !writing || write(picture, why);
            hold.lock();
            if (!ok) {
                fault = why;
                faultStep = picture.step;
            }
            spare.push_back(std::move(picture));
            changed.notify_all();
        }
    }

    bool write(const Picture &picture, std::string &why) {
        int width = plan.width, height = plan.height;
        if (!plan.frames.empty()) {
            // PNG rows run top first, three bytes a pixel.
            rgb.resize(static_cast<size_t>(width) * height * 3);
            for (int y = 0; y < height; y++) {
                const unsigned char *from = &picture.rgba[static_cast<size_t>(height - 1 - y) * width * 4];
                unsigned char *to = &rgb[static_cast<size_t>(y) * width * 3];
                for (int x = 0; x < width; x++, from += 4, to += 3) {
                    to[0] = from[0];
                    to[1] = from[1];
                    to[2] = from[2];
                }
            }
            char name[32];
            std::snprintf(name, sizeof name, "/frame-%06ld.png", picture.step);
            if (!encodePng(rgb.data(), width, height, png)) {
                why = "cannot encode the picture of step " + std::to_string(picture.step);
                return false;
            }
            const std::vector<unsigned char> &bytes = png;
            if (!saveReplacing(plan.frames + name, why,
                               [&bytes](FILE *f) { std::fwrite(bytes.data(), 1, bytes.size(), f); }))
                return false;
        }
        if (movie.isOpen() && !movie.addFrameRgba(picture.rgba.data(), width, height, why, true)) {
            why = "cannot write the movie '" + plan.movie + "': " + why;
            return false;
        }
        return true;
    }
};

PictureRecorder::PictureRecorder() = default;
PictureRecorder::~PictureRecorder() = default;

bool PictureRecorder::open(const PicturePlan &plan, std::string &why) {
    parts.reset(new Parts);
    parts->plan = plan;
    if (!plan.frames.empty() && !makeFolder(plan.frames, why)) return false;
    if (!parts->context.open(plan.width, plan.height, why)) return false;
    // Pulses (the selection rings) stand still: the same run gives the same pictures.
    clockOverride(0.0f);
    if (!plan.movie.empty() && !parts->movie.open(plan.movie, plan.width, plan.height, plan.fps, why)) {
        why = "cannot write the movie: " + why;
        return false;
    }
    Parts *p = parts.get();
    p->worker = std::thread([p] { p->work(); });
    return true;
}

bool PictureRecorder::record(long step, std::string &why) {
    if (!handOver(why)) return false;
    drawWorldPicture(parts->plan.width, parts->plan.height, parts->plan.view);
    parts->drawn = step;
    return true;
}

bool PictureRecorder::handOver(std::string &why) {
    Parts &p = *parts;
    if (p.drawn < 0) return true;
    Parts::Picture picture;
    {
        std::unique_lock<std::mutex> hold(p.lock);
        p.changed.wait(hold, [&p] { return !p.fault.empty() || !p.spare.empty() || p.made < Parts::kBuffers; });
        if (!p.fault.empty()) {
            why = p.fault;
            return false;
        }
        if (!p.spare.empty()) {
            picture = std::move(p.spare.back());
            p.spare.pop_back();
        } else {
            p.made++;
        }
    }
    picture.step = p.drawn;
    p.drawn = -1;
    readWorldPicture(p.plan.width, p.plan.height, picture.rgba);
    {
        std::lock_guard<std::mutex> hold(p.lock);
        p.waiting.push_back(std::move(picture));
    }
    p.changed.notify_all();
    return true;
}

bool PictureRecorder::finish(std::string &why) {
    if (!parts) return true;
    std::string last;
    // A failure of the writer is told below, with the step it came at.
    handOver(last);
    parts->stop();
    if (!parts->fault.empty()) {
        // The run had ended before the writer's failure came back.
        why = "the picture of step " + std::to_string(parts->faultStep) + " was not written: " + parts->fault +
              "; the frames and movie written before stay readable";
        return false;
    }
    if (!parts->movie.isOpen()) return true;
    if (parts->movie.finish(why)) return true;
    why = "cannot finish the movie '" + parts->plan.movie + "': " + why;
    return false;
}
