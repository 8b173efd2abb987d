#include "swf/media/video_decoder.h"

#include "swf/format/video.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstring>
#include <deque>
#include <optional>

namespace swf::media {
namespace {

AVCodecID codecIdOf(int codec) {
    switch (static_cast<format::VideoCodec>(codec)) {
    case format::VideoCodec::SorensonH263:
        return AV_CODEC_ID_FLV1;
    case format::VideoCodec::ScreenVideo:
        return AV_CODEC_ID_FLASHSV;
    case format::VideoCodec::Vp6:
        return AV_CODEC_ID_VP6F;
    case format::VideoCodec::Vp6Alpha:
        return AV_CODEC_ID_VP6A;
    case format::VideoCodec::ScreenVideo2:
        return AV_CODEC_ID_FLASHSV2;
    case format::VideoCodec::Avc:
        return AV_CODEC_ID_H264;
    }
    return AV_CODEC_ID_NONE;
}

// How hard block edges are smoothed for a quantizer of 1 to 31, as H.263's deblocking
// filter (its Annex J) grades it: coarser quantizers leave larger steps to even out.
constexpr quint8 kStrengthOfQuantizer[32] = {0, 1, 1, 2, 2, 3, 3, 4,  4,  4,  5,  5,  6,  6,  7,  7,
                                             7, 8, 8, 8, 9, 9, 9, 10, 10, 10, 11, 11, 11, 12, 12, 12};

struct SorensonHeader {
    bool deblocking = false;
    int quantizer = 0;
};

// The start of a Sorenson H.263 picture: its deblocking flag and quantizer.
std::optional<SorensonHeader> readSorensonHeader(QByteArrayView packet) {
    qsizetype bit = 0;
    auto bits = [&](int count) -> std::optional<quint32> {
        if (bit + count > packet.size() * 8) return std::nullopt;
        quint32 value = 0;
        for (int i = 0; i < count; ++i, ++bit)
            value = (value << 1) | ((quint8(packet[bit / 8]) >> (7 - bit % 8)) & 1);
        return value;
    };
    const auto start = bits(17);
    bits(5 + 8); // version, temporal reference
    const auto size = bits(3);
    if (!start || *start != 1 || !size) return std::nullopt;
    if (*size <= 1) bits(*size == 0 ? 16 : 32); // a size of its own
    bits(2);                                    // picture type
    const auto flag = bits(1), quantizer = bits(5);
    if (!flag || !quantizer) return std::nullopt;
    return SorensonHeader{*flag != 0, int(*quantizer)};
}

// Evens out the step across one block edge: a, b | c, d, step apart, the edge between b and c.
void filterEdge(uint8_t* p, ptrdiff_t step, int strength) {
    const int a = p[0], b = p[step], c = p[2 * step], d = p[3 * step];
    const int across = (a - 4 * b + 4 * c - d) / 8;
    const int size = std::abs(across);
    const int ramp = std::max(0, size - std::max(0, 2 * (size - strength)));
    const int d1 = across < 0 ? -ramp : ramp;
    const int d2 = std::clamp((a - d) / 4, -std::abs(d1) / 2, std::abs(d1) / 2);
    p[0] = uint8_t(std::clamp(a - d2, 0, 255));
    p[step] = uint8_t(std::clamp(b + d1, 0, 255));
    p[2 * step] = uint8_t(std::clamp(c - d1, 0, 255));
    p[3 * step] = uint8_t(std::clamp(d + d2, 0, 255));
}

// The edges of the 8x8 blocks of one plane, the horizontal ones first.
void deblockPlane(uint8_t* data, int stride, int width, int height, int strength) {
    for (int y = 8; y + 2 <= height; y += 8)
        for (int x = 0; x < width; ++x)
            filterEdge(data + ptrdiff_t(y - 2) * stride + x, stride, strength);
    for (int y = 0; y < height; ++y)
        for (int x = 8; x + 2 <= width; x += 8)
            filterEdge(data + ptrdiff_t(y) * stride + x - 2, 1, strength);
}

QString errorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

} // namespace

struct VideoDecoder::Impl {
    int codec = 0;
    const AVCodec* decoder = nullptr;
    AVCodecContext* context = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    SwsContext* scaler = nullptr;
    bool hasFrame = false;
    bool finished = false;
    int deblocking = 0;
    std::optional<SorensonHeader> sorenson; // of the last Sorenson picture sent
    QImage converted;                       // of the frame held, once asked for
    // Decoded pictures not yet due, in the order they come out, which is their order on
    // screen.
    std::deque<AVFrame*> waiting;
    QByteArray extradata; // the codec's configuration, for H.264

    ~Impl() {
        dropWaiting();
        closeContext();
        av_packet_free(&packet);
        av_frame_free(&frame);
        sws_freeContext(scaler);
    }

    void closeContext() { avcodec_free_context(&context); }

    void dropWaiting() {
        for (AVFrame* each : waiting)
            av_frame_free(&each);
        waiting.clear();
    }

    void show(AVFrame* received) {
        av_frame_unref(frame);
        av_frame_move_ref(frame, received);
        av_frame_free(&received);
        hasFrame = true;
        converted = QImage();
    }

    // Takes every picture the decoder has ready; false on an error other than wanting more.
    bool receive(bool queue, bool& any, QString& problem) {
        for (;;) {
            AVFrame* received = av_frame_alloc();
            if (!received) {
                problem = QStringLiteral("no memory for a video frame");
                return false;
            }
            const int result = avcodec_receive_frame(context, received);
            if (result < 0) {
                av_frame_free(&received);
                if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return true;
                problem = QStringLiteral("broken video frame: %1").arg(errorText(result));
                return false;
            }
            if (received->width > kMaxVideoDimension || received->height > kMaxVideoDimension) {
                av_frame_free(&received);
                problem = QStringLiteral("video picture too large");
                return false;
            }
            any = true;
            if (!queue) {
                show(received);
                continue;
            }
            // A decoder reorders a few pictures at most; a stream that never asks for its
            // pictures keeps only the newest.
            constexpr size_t kMaxWaiting = 32;
            if (waiting.size() >= kMaxWaiting) {
                av_frame_free(&waiting.front());
                waiting.pop_front();
            }
            waiting.push_back(received);
        }
    }

    bool openContext() {
        closeContext();
        context = avcodec_alloc_context3(decoder);
        if (!context) return false;
        // Threads would hold pictures back and cost a thread per video on the stage.
        context->thread_count = 1;
        context->max_pixels = kMaxVideoPixels;
        // Broken pictures are reported as the engine's diagnostics; libavcodec's own log
        // (shared by the whole process) is left alone and this context's messages demoted.
        context->log_level_offset = AV_LOG_DEBUG - AV_LOG_ERROR;
        if (!extradata.isEmpty()) {
            context->extradata =
                static_cast<uint8_t*>(av_mallocz(size_t(extradata.size()) + AV_INPUT_BUFFER_PADDING_SIZE));
            if (!context->extradata) {
                closeContext();
                return false;
            }
            std::memcpy(context->extradata, extradata.constData(), size_t(extradata.size()));
            context->extradata_size = int(extradata.size());
        }
        if (avcodec_open2(context, decoder, nullptr) < 0) {
            closeContext();
            return false;
        }
        return true;
    }

    // The strength deblocking asks of the picture held; 0 to leave it be.
    int deblockingStrength() const {
        const auto coding = static_cast<format::VideoCodec>(codec);
        if (deblocking == 1) return 0;
        if (coding == format::VideoCodec::SorensonH263) {
            if (!sorenson || (deblocking == 0 && !sorenson->deblocking)) return 0;
            return kStrengthOfQuantizer[std::clamp(sorenson->quantizer, 1, 31)];
        }
        // VP6 filters inside its decoder already; the levels asked beyond that grade the rest.
        if (coding == format::VideoCodec::Vp6 || coding == format::VideoCodec::Vp6Alpha)
            return deblocking >= 2 ? std::min(deblocking, 5) * 2 : 0;
        return 0;
    }

    // A deblocked copy of the frame, or nothing to show the frame as it is.
    AVFrame* deblocked() {
        const int strength = deblockingStrength();
        const auto format = static_cast<AVPixelFormat>(frame->format);
        if (!strength || (format != AV_PIX_FMT_YUV420P && format != AV_PIX_FMT_YUVA420P)) return nullptr;
        AVFrame* copy = av_frame_alloc();
        if (!copy) return nullptr;
        copy->format = frame->format;
        copy->width = frame->width;
        copy->height = frame->height;
        if (av_frame_get_buffer(copy, 0) < 0 || av_frame_copy(copy, frame) < 0) {
            av_frame_free(&copy);
            return nullptr;
        }
        const int chromaWidth = (frame->width + 1) / 2, chromaHeight = (frame->height + 1) / 2;
        deblockPlane(copy->data[0], copy->linesize[0], frame->width, frame->height, strength);
        deblockPlane(copy->data[1], copy->linesize[1], chromaWidth, chromaHeight, strength);
        deblockPlane(copy->data[2], copy->linesize[2], chromaWidth, chromaHeight, strength);
        return copy;
    }

    QImage convert() {
        AVFrame* filtered = deblocked();
        QImage image = convertFrame(filtered ? filtered : frame);
        av_frame_free(&filtered);
        return image;
    }

    QImage convertFrame(const AVFrame* source) {
        const int width = source->width, height = source->height;
        if (width <= 0 || height <= 0 || width > kMaxVideoDimension || height > kMaxVideoDimension) return {};
        const auto format = static_cast<AVPixelFormat>(source->format);
        const AVPixFmtDescriptor* descriptor = av_pix_fmt_desc_get(format);
        if (!descriptor) return {};
        const bool alpha = (descriptor->flags & AV_PIX_FMT_FLAG_ALPHA) != 0;
        // Each colour sample covers its block of pixels whole, unblended with its neighbours:
        // coloured edges stay as sharp as the reference player draws them.
        scaler = sws_getCachedContext(scaler, width, height, format, width, height, AV_PIX_FMT_RGB32,
                                      SWS_POINT | SWS_ACCURATE_RND, nullptr, nullptr, nullptr);
        if (!scaler) return {};
        QImage image(width, height, QImage::Format_ARGB32);
        if (image.isNull()) return {};
        uint8_t* planes[4] = {image.bits(), nullptr, nullptr, nullptr};
        int strides[4] = {int(image.bytesPerLine()), 0, 0, 0};
        if (sws_scale(scaler, source->data, source->linesize, 0, height, planes, strides) != height)
            return {};
        if (!alpha) {
            // Not every conversion path writes the alpha byte, and an opaque image needs it set.
            for (int y = 0; y < height; ++y) {
                auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
                for (int x = 0; x < width; ++x)
                    line[x] |= 0xff000000u;
            }
            image.reinterpretAsFormat(QImage::Format_RGB32);
            return image;
        }
        return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }
};

VideoDecoder::VideoDecoder(int codec) : d(std::make_unique<Impl>()) {
    d->codec = codec;
    const AVCodecID id = codecIdOf(codec);
    if (id != AV_CODEC_ID_NONE) d->decoder = avcodec_find_decoder(id);
    d->packet = av_packet_alloc();
    d->frame = av_frame_alloc();
    if (d->decoder && d->packet && d->frame) d->openContext();
}

VideoDecoder::~VideoDecoder() = default;

bool VideoDecoder::isSupported() const {
    return d->context != nullptr;
}

bool VideoDecoder::decode(QByteArrayView packet, bool keyFrame, QString& problem, qint64 presentationMs) {
    if (!d->context) {
        problem = QStringLiteral("video codec %1 is not decoded").arg(d->codec);
        return false;
    }
    if (packet.isEmpty() || packet.size() > INT_MAX - AV_INPUT_BUFFER_PADDING_SIZE) {
        problem = QStringLiteral("empty video frame");
        return false;
    }
    // libavcodec reads a little past the end of a packet: a padded copy is handed over.
    if (av_new_packet(d->packet, int(packet.size())) < 0) {
        problem = QStringLiteral("no memory for a video frame");
        return false;
    }
    std::memcpy(d->packet->data, packet.data(), size_t(packet.size()));
    // Screen video 2 keeps key frames apart as the base later pictures build on; the flag
    // is what a container would have said.
    if (keyFrame) d->packet->flags |= AV_PKT_FLAG_KEY;
    if (presentationMs >= 0) d->packet->pts = presentationMs;
    if (d->codec == int(format::VideoCodec::SorensonH263)) d->sorenson = readSorensonHeader(packet);
    const int result = avcodec_send_packet(d->context, d->packet);
    av_packet_unref(d->packet);
    if (result < 0) {
        problem = QStringLiteral("broken video frame: %1").arg(errorText(result));
        // A decoder that failed may keep half a picture as its reference; the caller starts
        // again from a key frame where it needs to.
        return false;
    }
    const bool queue = presentationMs >= 0;
    bool any = false;
    if (!d->receive(queue, any, problem)) return false;
    if (!any && !queue) {
        problem = QStringLiteral("video frame gave no picture");
        return false;
    }
    return true;
}

bool VideoDecoder::present(qint64 timeMs) {
    AVFrame* due = nullptr;
    while (!d->waiting.empty()) {
        AVFrame* next = d->waiting.front();
        const qint64 at = next->pts == AV_NOPTS_VALUE ? next->best_effort_timestamp : next->pts;
        if (d->hasFrame || due) {
            if (at != AV_NOPTS_VALUE && at > timeMs) break;
        }
        if (due) av_frame_free(&due);
        due = next;
        d->waiting.pop_front();
    }
    if (!due) return false;
    d->show(due);
    return true;
}

void VideoDecoder::finish() {
    if (!d->context || d->finished) return;
    d->finished = true;
    if (avcodec_send_packet(d->context, nullptr) < 0) return;
    bool any = false;
    QString problem;
    d->receive(true, any, problem);
}

void VideoDecoder::configure(QByteArrayView extradata) {
    constexpr qsizetype kMaxConfiguration = 1 << 16;
    if (extradata.size() > kMaxConfiguration || QByteArrayView(d->extradata) == extradata) return;
    d->extradata = extradata.toByteArray();
    d->dropWaiting();
    d->finished = false;
    av_frame_unref(d->frame);
    d->hasFrame = false;
    d->converted = QImage();
    if (d->decoder) d->openContext();
}

void VideoDecoder::reset() {
    d->dropWaiting();
    d->finished = false;
    av_frame_unref(d->frame);
    d->hasFrame = false;
    d->converted = QImage();
    // A fresh context rather than a flush: screen video keeps its last picture through one.
    if (d->decoder) d->openContext();
}

void VideoDecoder::setDeblocking(int level) {
    if (level == d->deblocking) return;
    d->deblocking = level;
    d->converted = QImage();
}

QImage VideoDecoder::picture() {
    if (!d->hasFrame) return {};
    if (d->converted.isNull()) d->converted = d->convert();
    return d->converted;
}

} // namespace swf::media
