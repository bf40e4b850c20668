#include "media/MovieWriter.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <cstdint>
#include <cstring>
#include <vector>

namespace {
std::string avText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {0};
    av_strerror(code, text, sizeof text);
    return text;
}

const AVCodec *h264Encoder() {
    // x264 first: the hardware encoders need devices a batch node rarely has.
    if (const AVCodec *x264 = avcodec_find_encoder_by_name("libx264")) return x264;
    return avcodec_find_encoder(AV_CODEC_ID_H264);
}

// Turns RGBA pixels into packed BGR four at a time, in whole words (a byte at
// a time, this copy cost the writing thread a third of what x264 does);
// returns how many pixels it did.
int packBgrRow(const uint8_t *rgba, uint8_t *bgr, int width) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    int x = 0;
    for (; x + 4 <= width; x += 4, rgba += 16, bgr += 12) {
        uint32_t p[4], w[3];
        std::memcpy(p, rgba, sizeof p);
        // Byte-reversed, a pixel's blue, green and red are its top three bytes.
        for (uint32_t &q : p) q = __builtin_bswap32(q) >> 8;
        w[0] = p[0] | p[1] << 24;
        w[1] = p[1] >> 8 | p[2] << 16;
        w[2] = p[2] >> 16 | p[3] << 8;
        std::memcpy(bgr, w, sizeof w);
    }
    return x;
#else
    (void)rgba, (void)bgr, (void)width;
    return 0;
#endif
}

const char *kNoEncoder =
    "the installed FFmpeg libraries have no H.264 encoder (Debian's libavcodec59 includes libx264)";
}  // namespace

struct MovieWriter::Codec {
    AVFormatContext *format = nullptr;
    AVCodecContext *encoder = nullptr;
    AVStream *stream = nullptr;
    AVFrame *frame = nullptr;
    AVPacket *packet = nullptr;
    SwsContext *scale = nullptr;
    int64_t pts = 0;
    std::vector<uint8_t> bgr;  // a picture of the movie's size, as libswscale converts it fastest

    ~Codec() {
        sws_freeContext(scale);
        av_packet_free(&packet);
        av_frame_free(&frame);
        avcodec_free_context(&encoder);
        if (format) {
            if (format->pb) avio_closep(&format->pb);
            avformat_free_context(format);
        }
    }

    // Takes every packet the encoder has ready and writes it.
    bool drain(std::string &why) {
        for (;;) {
            int rc = avcodec_receive_packet(encoder, packet);
            if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return true;
            if (rc < 0) {
                why = "the encoder failed: " + avText(rc);
                return false;
            }
            av_packet_rescale_ts(packet, encoder->time_base, stream->time_base);
            packet->stream_index = stream->index;
            rc = av_interleaved_write_frame(format, packet);
            if (rc < 0 || format->pb->error < 0) {
                why = avText(rc < 0 ? rc : format->pb->error);
                return false;
            }
        }
    }
};

MovieWriter::MovieWriter() = default;

MovieWriter::~MovieWriter() { abandon(); }

bool MovieWriter::isOpen() const { return codec != nullptr; }

bool MovieWriter::checkSize(int width, int height, std::string &why) {
    auto even = [](int side) {
        int lower = side - side % 2, higher = lower + 2;
        if (lower < 2) return std::to_string(higher);
        return std::to_string(lower) + " or " + std::to_string(higher);
    };
    std::string size = std::to_string(width) + "x" + std::to_string(height);
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide) {
        why = "the size " + size + " is outside 2x2 .. " + std::to_string(kMaxSide) + "x" + std::to_string(kMaxSide);
        return false;
    }
    if (width % 2 || height % 2) {
        why = "an H.264 movie (yuv420p) needs an even width and height, not " + size + ": use " +
              (width % 2 ? even(width) : std::to_string(width)) + " x " +
              (height % 2 ? even(height) : std::to_string(height));
        return false;
    }
    return true;
}

bool MovieWriter::haveEncoder(std::string &why) {
    if (h264Encoder()) return true;
    why = kNoEncoder;
    return false;
}

bool MovieWriter::open(const std::string &path, int width, int height, int fps, std::string &why) {
    abandon();
    if (!checkSize(width, height, why)) return false;
    // The encoder's notes on every movie are not for our users; errors still show.
    av_log_set_level(AV_LOG_ERROR);
    const AVCodec *h264 = h264Encoder();
    if (!h264) {
        why = kNoEncoder;
        return false;
    }
    auto fail = [&](const std::string &what, int rc) {
        why = what + (rc < 0 ? ": " + avText(rc) : std::string());
        codec.reset();
        return false;
    };
    codec.reset(new Codec);
    Codec &c = *codec;
    int rc = avformat_alloc_output_context2(&c.format, nullptr, "mp4", path.c_str());
    if (rc < 0 || !c.format) return fail("cannot start an MP4 file", rc);
    c.encoder = avcodec_alloc_context3(h264);
    c.stream = avformat_new_stream(c.format, nullptr);
    c.frame = av_frame_alloc();
    c.packet = av_packet_alloc();
    if (!c.encoder || !c.stream || !c.frame || !c.packet) return fail("out of memory", -1);
    AVCodecContext *e = c.encoder;
    e->width = width;
    e->height = height;
    e->pix_fmt = AV_PIX_FMT_YUV420P;
    e->time_base = AVRational{1, fps};
    e->framerate = AVRational{fps, 1};
    e->gop_size = fps;  // a key frame, and so a fragment, every second
    // One thread: frames come one at a time between steps, and a sweep
    // already runs a process per core.
    e->thread_count = 1;
    if (c.format->oformat->flags & AVFMT_GLOBALHEADER) e->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    // The fastest preset keeps encoding to a few milliseconds a frame at 800 x 800;
    // the pictures (flat ground, small shapes) stay far above 40 dB at this quality.
    av_opt_set(e->priv_data, "preset", "ultrafast", 0);
    av_opt_set(e->priv_data, "crf", "23", 0);
    rc = avcodec_open2(e, h264, nullptr);
    if (rc < 0) return fail(std::string("cannot start the H.264 encoder ") + h264->name, rc);
    rc = avcodec_parameters_from_context(c.stream->codecpar, e);
    if (rc < 0) return fail("cannot describe the movie's stream", rc);
    c.stream->time_base = e->time_base;
    c.frame->format = e->pix_fmt;
    c.frame->width = width;
    c.frame->height = height;
    rc = av_frame_get_buffer(c.frame, 0);
    if (rc < 0) return fail("out of memory", rc);
    rc = avio_open(&c.format->pb, path.c_str(), AVIO_FLAG_WRITE);
    if (rc < 0) return fail("cannot write '" + path + "'", rc);
    // Each packet goes to the file as it is written, so what a killed run
    // leaves ends at a whole fragment or close to one.
    c.format->flags |= AVFMT_FLAG_FLUSH_PACKETS;
    AVDictionary *options = nullptr;
    av_dict_set(&options, "movflags", "frag_keyframe+empty_moov", 0);
    rc = avformat_write_header(c.format, &options);
    av_dict_free(&options);
    if (rc < 0) return fail("cannot write '" + path + "'", rc);
    file = path;
    frameCount = 0;
    rate = fps;
    w = width;
    h = height;
    return true;
}

bool MovieWriter::addFrame(const unsigned char *rgb, int width, int height, std::string &why, bool bottomFirst) {
    return addPixels(rgb, AV_PIX_FMT_RGB24, 3, width, height, why, bottomFirst);
}

bool MovieWriter::addFrameRgba(const unsigned char *rgba, int width, int height, std::string &why, bool bottomFirst) {
    return addPixels(rgba, AV_PIX_FMT_RGBA, 4, width, height, why, bottomFirst);
}

bool MovieWriter::addPixels(const unsigned char *pixels, int format, int bytes, int width, int height, std::string &why,
                            bool bottomFirst) {
    if (!codec) {
        why = "no movie is open";
        return false;
    }
    Codec &c = *codec;
    // Rows bottom first are read from the last one up.
    int row = bytes * width;
    const uint8_t *planes[1] = {bottomFirst ? pixels + static_cast<size_t>(height - 1) * row : pixels};
    int strides[1] = {bottomFirst ? -row : row};
    if (width == w && height == h) {
        // Unscaled, libswscale turns packed blue-green-red into yuv420p three
        // times faster than any other layout: the picture is put in it first.
        c.bgr.resize(static_cast<size_t>(width) * height * 3);
        for (int y = 0; y < height; y++) {
            const uint8_t *in = planes[0] + static_cast<ptrdiff_t>(y) * strides[0];
            uint8_t *out = c.bgr.data() + static_cast<size_t>(y) * width * 3;
            int x = bytes == 4 ? packBgrRow(in, out, width) : 0;
            for (in += x * bytes, out += x * 3; x < width; x++, in += bytes, out += 3) {
                out[0] = in[2];
                out[1] = in[1];
                out[2] = in[0];
            }
        }
        format = AV_PIX_FMT_BGR24;
        row = 3 * width;
        planes[0] = c.bgr.data();
        strides[0] = row;
    }
    c.scale = sws_getCachedContext(c.scale, width, height, static_cast<AVPixelFormat>(format), w, h, AV_PIX_FMT_YUV420P,
                                   SWS_BILINEAR, nullptr, nullptr, nullptr);
    int rc = c.scale ? av_frame_make_writable(c.frame) : AVERROR(ENOMEM);
    if (rc < 0) {
        why = "cannot convert the picture: " + avText(rc);
        return false;
    }
    sws_scale(c.scale, planes, strides, 0, height, c.frame->data, c.frame->linesize);
    c.frame->pts = c.pts++;
    rc = avcodec_send_frame(c.encoder, c.frame);
    if (rc < 0) {
        why = "the encoder failed: " + avText(rc);
        return false;
    }
    if (!c.drain(why)) return false;
    frameCount++;
    return true;
}

bool MovieWriter::finish(std::string &why) {
    if (!codec) {
        why = "no movie is open";
        return false;
    }
    Codec &c = *codec;
    bool ok = true;
    int rc = avcodec_send_frame(c.encoder, nullptr);
    if (rc < 0) {
        why = "the encoder failed: " + avText(rc);
        ok = false;
    }
    if (ok) ok = c.drain(why);
    if (ok && (rc = av_write_trailer(c.format)) < 0) {
        why = avText(rc);
        ok = false;
    }
    if (ok && c.format->pb->error < 0) {
        why = avText(c.format->pb->error);
        ok = false;
    }
    rc = avio_closep(&c.format->pb);
    if (ok && rc < 0) {
        why = avText(rc);
        ok = false;
    }
    codec.reset();
    return ok;
}

void MovieWriter::abandon() { codec.reset(); }
