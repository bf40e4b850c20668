#pragma once
#include <memory>
#include <string>

// An H.264 movie written a frame at a time (libavcodec, libavformat,
// libswscale; yuv420p) as a fragmented MP4: a fragment goes to the file at
// every key frame, once a second, so a movie that is never finished (a
// killed run, a full disk) still plays up to its last whole fragment.
class MovieWriter {
public:
    MovieWriter();
    // A movie still open is closed as it stands, without its final index.
    ~MovieWriter();
    MovieWriter(const MovieWriter &) = delete;
    MovieWriter &operator=(const MovieWriter &) = delete;

    static constexpr int kMaxSide = 8192;  // even, so an odd side always has an even one above it
    // Whether the encoder takes a width x height picture; if not, why says
    // what to use instead.
    static bool checkSize(int width, int height, std::string &why);
    // Whether the installed libraries hold an H.264 encoder.
    static bool haveEncoder(std::string &why);

    // Starts the movie at path (replacing any file there), width x height at
    // fps frames a second.
    bool open(const std::string &path, int width, int height, int fps, std::string &why);
    // Adds a picture: rgb rows top first (bottom first when asked, as GL
    // reads them), three bytes a pixel. A picture of another size is scaled
    // to the movie's.
    bool addFrame(const unsigned char *rgb, int width, int height, std::string &why, bool bottomFirst = false);
    // The same with four bytes a pixel (red, green, blue, alpha; alpha is
    // ignored), the layout GL draws in: the cheapest to convert.
    bool addFrameRgba(const unsigned char *rgba, int width, int height, std::string &why, bool bottomFirst = false);
    // Writes what the encoder still holds and the movie's end; closes it.
    bool finish(std::string &why);
    // Closes the movie as it stands (the destructor's way).
    void abandon();

    bool isOpen() const;
    long frames() const { return frameCount; }
    int fps() const { return rate; }
    int width() const { return w; }
    int height() const { return h; }
    const std::string &path() const { return file; }

private:
    bool addPixels(const unsigned char *pixels, int format, int bytes, int width, int height, std::string &why,
                   bool bottomFirst);
    struct Codec;
    std::unique_ptr<Codec> codec;
    std::string file;
    long frameCount = 0;
    int rate = 30, w = 0, h = 0;
};
