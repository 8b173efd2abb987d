#include "video_clips.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/frame.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <QLinearGradient>
#include <QPainter>

#include <cmath>
#include <cstring>
#include <map>

namespace swftest {
namespace {

// codec as a DefineVideoStream names it.
AVCodecID encoderId(int codec) {
    static const std::map<int, AVCodecID> ids{
        {2, AV_CODEC_ID_FLV1}, {3, AV_CODEC_ID_FLASHSV}, {6, AV_CODEC_ID_FLASHSV2}, {7, AV_CODEC_ID_H264}};
    const auto found = ids.find(codec);
    return found == ids.end() ? AV_CODEC_ID_NONE : found->second;
}

struct Encoder {
    explicit Encoder(const AVCodec* encoder)
        : context(avcodec_alloc_context3(encoder)), frame(av_frame_alloc()), packet(av_packet_alloc()) {}
    AVCodecContext* context;
    AVFrame* frame;
    AVPacket* packet;
    SwsContext* scaler = nullptr;
    ~Encoder() {
        avcodec_free_context(&context);
        av_frame_free(&frame);
        av_packet_free(&packet);
        sws_freeContext(scaler);
    }
};

bool drain(Encoder& e, EncodedClip& clip) {
    for (;;) {
        const int result = avcodec_receive_packet(e.context, e.packet);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return true;
        if (result < 0) return false;
        clip.packets.emplace_back(reinterpret_cast<const char*>(e.packet->data), e.packet->size);
        clip.keyFrames.push_back((e.packet->flags & AV_PKT_FLAG_KEY) != 0);
        clip.shownAt.push_back(e.packet->pts);
        clip.decodedAt.push_back(e.packet->dts);
        av_packet_unref(e.packet);
    }
}

// The units of an Annex B stream (each after a 00 00 01 start code).
std::vector<QByteArray> annexBUnits(QByteArrayView bytes) {
    std::vector<QByteArray> units;
    qsizetype start = -1;
    for (qsizetype i = 0; i + 2 < bytes.size(); ++i) {
        if (bytes[i] != 0 || bytes[i + 1] != 0 || bytes[i + 2] != 1) continue;
        if (start >= 0) {
            qsizetype end = i;
            while (end > start && bytes[end - 1] == 0)
                --end;
            units.push_back(bytes.sliced(start, end - start).toByteArray());
        }
        start = i + 3;
        i += 2;
    }
    if (start >= 0 && start < bytes.size()) units.push_back(bytes.sliced(start).toByteArray());
    return units;
}

QByteArray lengthPrefixed(QByteArrayView annexB) {
    QByteArray out;
    for (const QByteArray& unit : annexBUnits(annexB))
        out += bigEndian(quint32(unit.size()), 4) + unit;
    return out;
}

// The decoder configuration record of the first sequence and picture parameter sets.
QByteArray avcConfiguration(QByteArrayView annexB) {
    QByteArray sps, pps;
    for (const QByteArray& unit : annexBUnits(annexB)) {
        const int type = unit.isEmpty() ? 0 : unit[0] & 0x1f;
        if (type == 7 && sps.isEmpty()) sps = unit;
        if (type == 8 && pps.isEmpty()) pps = unit;
    }
    if (sps.size() < 4 || pps.isEmpty()) return {};
    QByteArray out;
    out += char(1);
    out += sps.mid(1, 3); // profile, its compatibility flags, level
    out += char(0xff);    // four-byte lengths
    out += char(0xe1) + bigEndian(quint32(sps.size()), 2) + sps;
    out += char(1) + bigEndian(quint32(pps.size()), 2) + pps;
    return out;
}

} // namespace

bool canEncodeAac() {
    return avcodec_find_encoder(AV_CODEC_ID_AAC) != nullptr;
}

EncodedClip encodeAac(const std::vector<qint16>& samples, int rate) {
    EncodedClip clip;
    const AVCodec* encoder = avcodec_find_encoder(AV_CODEC_ID_AAC);
    if (!encoder) {
        clip.error = QStringLiteral("no AAC encoder");
        return clip;
    }
    Encoder e(encoder);
    e.context->sample_rate = rate;
    e.context->sample_fmt = AV_SAMPLE_FMT_FLTP;
    e.context->bit_rate = 128000;
    e.context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    av_channel_layout_default(&e.context->ch_layout, 1);
    if (avcodec_open2(e.context, encoder, nullptr) < 0) {
        clip.error = QStringLiteral("AAC encoder did not open");
        return clip;
    }
    clip.configuration =
        QByteArray(reinterpret_cast<const char*>(e.context->extradata), e.context->extradata_size);
    const int frameSize = e.context->frame_size;
    for (size_t at = 0; at < samples.size(); at += size_t(frameSize)) {
        av_frame_unref(e.frame);
        e.frame->format = AV_SAMPLE_FMT_FLTP;
        e.frame->sample_rate = rate;
        e.frame->nb_samples = frameSize;
        av_channel_layout_default(&e.frame->ch_layout, 1);
        if (av_frame_get_buffer(e.frame, 0) < 0) break;
        auto* plane = reinterpret_cast<float*>(e.frame->data[0]);
        for (int i = 0; i < frameSize; ++i)
            plane[i] = at + size_t(i) < samples.size() ? samples[at + size_t(i)] / 32768.0f : 0.0f;
        e.frame->pts = qint64(at);
        if (avcodec_send_frame(e.context, e.frame) < 0 || !drain(e, clip)) {
            clip.error = QStringLiteral("sound was not coded");
            return clip;
        }
    }
    avcodec_send_frame(e.context, nullptr);
    drain(e, clip);
    return clip;
}

bool canEncode(int codec) {
    const AVCodecID id = encoderId(codec);
    return id != AV_CODEC_ID_NONE && avcodec_find_encoder(id) != nullptr;
}

EncodedClip encodeClip(int codec, const std::vector<QImage>& pictures, int keyInterval, int bFrames,
                       int quantizer) {
    EncodedClip clip;
    const AVCodec* encoder = avcodec_find_encoder(encoderId(codec));
    if (!encoder || pictures.empty()) {
        clip.error = QStringLiteral("no encoder for codec %1").arg(codec);
        return clip;
    }
    const QSize size = pictures.front().size();
    const bool yuv = codec == 2 || codec == 7;
    Encoder e(encoder);
    e.context->width = size.width();
    e.context->height = size.height();
    e.context->time_base = AVRational{1, 25};
    e.context->framerate = AVRational{25, 1};
    e.context->gop_size = keyInterval;
    e.context->max_b_frames = codec == 7 ? bFrames : 0;
    e.context->thread_count = 1;
    e.context->pix_fmt = yuv ? AV_PIX_FMT_YUV420P : AV_PIX_FMT_BGR24;
    if (codec == 2) e.context->flags |= AV_CODEC_FLAG_QSCALE; // a fixed, fine quantizer
    if (codec == 7) {
        // Parameter sets apart (for the configuration record), no pictures held back, fine.
        e.context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        av_opt_set(e.context->priv_data, "preset", bFrames ? "veryfast" : "ultrafast", 0);
        if (!bFrames) av_opt_set(e.context->priv_data, "tune", "zerolatency", 0);
        av_opt_set(e.context->priv_data, "crf", "12", 0);
    }
    if (avcodec_open2(e.context, encoder, nullptr) < 0) {
        clip.error = QStringLiteral("encoder did not open");
        return clip;
    }
    e.frame->format = e.context->pix_fmt;
    e.frame->width = size.width();
    e.frame->height = size.height();
    if (av_frame_get_buffer(e.frame, 0) < 0) {
        clip.error = QStringLiteral("no picture buffer");
        return clip;
    }
    e.scaler = sws_getContext(size.width(), size.height(), AV_PIX_FMT_RGB32, size.width(), size.height(),
                              e.context->pix_fmt, SWS_BILINEAR | SWS_ACCURATE_RND, nullptr, nullptr, nullptr);
    for (size_t i = 0; i < pictures.size(); ++i) {
        const QImage source = pictures[i].convertToFormat(QImage::Format_RGB32);
        if (av_frame_make_writable(e.frame) < 0) break;
        const uint8_t* planes[4] = {source.constBits(), nullptr, nullptr, nullptr};
        const int strides[4] = {int(source.bytesPerLine()), 0, 0, 0};
        sws_scale(e.scaler, planes, strides, 0, size.height(), e.frame->data, e.frame->linesize);
        e.frame->pts = qint64(i);
        e.frame->quality = FF_QP2LAMBDA * quantizer;
        // Key frames where asked; the encoder's own interval agrees, this makes it certain.
        e.frame->pict_type =
            i % size_t(std::max(1, keyInterval)) == 0 ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
        if (avcodec_send_frame(e.context, e.frame) < 0 || !drain(e, clip)) {
            clip.error = QStringLiteral("picture %1 was not coded").arg(i);
            return clip;
        }
    }
    avcodec_send_frame(e.context, nullptr);
    drain(e, clip);
    if (codec == 7) {
        clip.configuration = avcConfiguration(
            QByteArrayView(reinterpret_cast<const char*>(e.context->extradata), e.context->extradata_size));
        for (QByteArray& packet : clip.packets)
            packet = lengthPrefixed(packet);
        if (clip.configuration.isEmpty()) clip.error = QStringLiteral("no parameter sets");
    }
    if (clip.packets.size() != pictures.size())
        clip.error =
            QStringLiteral("%1 packets for %2 pictures").arg(clip.packets.size()).arg(pictures.size());
    return clip;
}

std::vector<QImage> movingPictures(QSize size, int count) {
    std::vector<QImage> pictures;
    for (int i = 0; i < count; ++i) {
        QImage image(size, QImage::Format_RGB32);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        QLinearGradient gradient(0, 0, size.width(), size.height());
        gradient.setColorAt(0, QColor::fromHsv((i * 29) % 360, 160, 230));
        gradient.setColorAt(1, QColor::fromHsv((i * 29 + 150) % 360, 200, 90));
        painter.fillRect(image.rect(), gradient);
        const double t = double(i) / std::max(1, count - 1);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor::fromHsv((i * 53) % 360, 220, 250));
        painter.drawEllipse(QPointF(size.width() * (0.2 + 0.6 * t), size.height() * 0.35),
                            size.height() * 0.2, size.height() * 0.2);
        painter.setBrush(QColor(20, 20, 30));
        painter.drawRect(QRectF(size.width() * 0.1, size.height() * (0.85 - 0.5 * t), size.width() * 0.3,
                                size.height() * 0.12));
        pictures.push_back(image);
    }
    return pictures;
}

QByteArray videoMovie(int codec, const std::vector<QByteArray>& packets, const VideoMovie& layout) {
    SwfBuilder movie(8, layout.stage, 25);
    movie.setBackground(layout.background);
    const int stream =
        movie.defineVideoStream(int(packets.size()), layout.box, codec, layout.smoothing, layout.deblocking);
    for (size_t i = 0; i < packets.size(); ++i) {
        movie.videoFrame(stream, int(i), packets[i]);
        Place place;
        if (i == 0) {
            place.characterId = stream;
            place.matrix = QTransform::fromTranslate(layout.origin.x(), layout.origin.y());
            place.colorTransform = layout.colorTransform;
        } else {
            place.move = true;
        }
        place.ratio = int(i);
        movie.place(place);
        movie.showFrame();
    }
    return movie.finish();
}

namespace {

QByteArray box(const char* type, const QByteArray& body) {
    return bigEndian(quint32(body.size() + 8), 4) + QByteArray(type, 4) + body;
}

QByteArray fullBox(const char* type, const QByteArray& body) {
    return box(type, QByteArray(4, '\0') + body);
}

// A table of count entries, each of the given values.
QByteArray table(const char* type, const std::vector<std::vector<quint32>>& entries) {
    QByteArray body = bigEndian(quint32(entries.size()), 4);
    for (const auto& entry : entries)
        for (quint32 value : entry)
            body += bigEndian(value, 4);
    return fullBox(type, body);
}

QByteArray track(const Mp4Track& t, const std::vector<quint32>& offsets) {
    const bool video = !t.size.isEmpty();
    QByteArray entry = QByteArray(6, '\0') + bigEndian(1, 2);
    if (video) {
        entry += QByteArray(16, '\0') + bigEndian(quint32(t.size.width()), 2) +
                 bigEndian(quint32(t.size.height()), 2);
        entry += bigEndian(0x480000, 4) + bigEndian(0x480000, 4) + QByteArray(4, '\0') + bigEndian(1, 2);
        entry +=
            QByteArray(32, '\0') + bigEndian(0x18, 2) + bigEndian(0xffff, 2) + box("avcC", t.configuration);
    } else {
        const QByteArray config = char(0x05) + QByteArray(1, char(t.configuration.size())) + t.configuration;
        const QByteArray decoder = char(0x04) + QByteArray(1, char(13 + config.size())) + char(0x40) +
                                   char(0x15) + QByteArray(11, '\0') + config;
        const QByteArray es =
            char(0x03) + QByteArray(1, char(3 + decoder.size())) + bigEndian(1, 2) + char(0) + decoder;
        entry += QByteArray(8, '\0') + bigEndian(1, 2) + bigEndian(16, 2) + QByteArray(4, '\0');
        entry += bigEndian(quint32(t.timeScale) << 16, 4) + fullBox("esds", es);
    }
    std::vector<std::vector<quint32>> times, compositions, keys, chunks;
    for (size_t i = 0; i < t.samples.size(); ++i) {
        const qint64 next = i + 1 < t.samples.size() ? t.decodedAt[i + 1]
                            : i > 0                  ? 2 * t.decodedAt[i] - t.decodedAt[i - 1]
                                                     : t.decodedAt[i] + 1;
        times.push_back({1, quint32(next - t.decodedAt[i])});
        compositions.push_back({1, quint32(t.shownAt[i] - t.decodedAt[i])});
        if (t.keys[i]) keys.push_back({quint32(i + 1)});
        chunks.push_back({offsets[i]});
    }
    QByteArray stbl =
        fullBox("stsd", bigEndian(1, 4) + box(video ? "avc1" : "mp4a", entry)) + table("stts", times);
    if (video) stbl += table("ctts", compositions) + table("stss", keys);
    QByteArray sizes = bigEndian(0, 4) + bigEndian(quint32(t.samples.size()), 4); // no one size for all
    for (const QByteArray& sample : t.samples)
        sizes += bigEndian(quint32(sample.size()), 4);
    stbl += table("stsc", {{1, 1, 1}}) + fullBox("stsz", sizes);
    stbl += table("stco", chunks);
    const QByteArray handler =
        fullBox("hdlr", QByteArray(4, '\0') + (video ? "vide" : "soun") + QByteArray(13, '\0'));
    const QByteArray mdhd =
        fullBox("mdhd", QByteArray(8, '\0') + bigEndian(quint32(t.timeScale), 4) + QByteArray(8, '\0'));
    return box("trak", box("mdia", mdhd + handler + box("minf", box("stbl", stbl))));
}

} // namespace

QByteArray mp4File(const Mp4Track& video, const Mp4Track& sound, bool indexFirst) {
    const QByteArray ftyp = box("ftyp", QByteArray("isom\0\0\0\x01isomavc1", 16));
    QByteArray data;
    std::vector<quint32> videoAt, soundAt;
    // The samples interleaved by time, as a file meant to play while it loads lays them.
    size_t v = 0, s = 0;
    while (v < video.samples.size() || s < sound.samples.size()) {
        const bool takeVideo = s >= sound.samples.size() ||
                               (v < video.samples.size() &&
                                video.decodedAt[v] * sound.timeScale <= sound.decodedAt[s] * video.timeScale);
        (takeVideo ? videoAt : soundAt).push_back(quint32(data.size()));
        data += takeVideo ? video.samples[v++] : sound.samples[s++];
    }
    auto moovWith = [&](qsizetype dataStart) {
        auto shifted = [dataStart](std::vector<quint32> at) {
            for (quint32& each : at)
                each += quint32(dataStart);
            return at;
        };
        return box("moov", fullBox("mvhd", QByteArray(96, '\0')) + track(video, shifted(videoAt)) +
                               track(sound, shifted(soundAt)));
    };
    if (!indexFirst) return ftyp + box("mdat", data) + moovWith(ftyp.size() + 8);
    const qsizetype moovSize = moovWith(0).size();
    return ftyp + moovWith(ftyp.size() + moovSize + 8) + box("mdat", data);
}

QByteArray bigEndian(quint32 value, int bytes) {
    QByteArray out;
    for (int i = bytes - 1; i >= 0; --i)
        out.append(char((value >> (8 * i)) & 0xff));
    return out;
}

FlvWriter::FlvWriter(bool audio, bool video) {
    m_bytes = QByteArray("FLV\x01", 4) + char((audio ? 4 : 0) | (video ? 1 : 0)) + bigEndian(9, 4) +
              bigEndian(0, 4);
}

void FlvWriter::tag(int type, qint64 timeMs, const QByteArray& body) {
    const QByteArray header = char(type) + bigEndian(quint32(body.size()), 3) +
                              bigEndian(quint32(timeMs & 0xffffff), 3) + char((timeMs >> 24) & 0xff) +
                              bigEndian(0, 3);
    m_bytes += header + body + bigEndian(quint32(header.size() + body.size()), 4);
}

} // namespace swftest
