#include "swf/media/codec_audio.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/frame.h>
}

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

namespace swf::media {
namespace {

constexpr int kSpeexRate = 16000; // Flash only ever wrote wideband Speex
constexpr int kNellymoser8kRate = 8000;
constexpr int kNellymoser16kRate = 16000;

AVCodecID codecIdOf(Codec codec) {
    switch (codec) {
    case Codec::Nellymoser:
    case Codec::Nellymoser8k:
    case Codec::Nellymoser16k:
        return AV_CODEC_ID_NELLYMOSER;
    case Codec::Speex:
        return AV_CODEC_ID_SPEEX;
    default:
        return AV_CODEC_ID_NONE;
    }
}

std::int16_t toSample(float value) {
    const float scaled = std::clamp(value, -1.0f, 1.0f) * 32767.0f;
    return std::int16_t(std::lrint(scaled));
}

} // namespace

bool isCodecAudio(Codec codec) {
    return codecIdOf(codec) != AV_CODEC_ID_NONE;
}

int codecAudioRate(const SoundFormat& format) {
    switch (format.codec) {
    case Codec::Nellymoser8k:
        return kNellymoser8kRate;
    case Codec::Nellymoser16k:
        return kNellymoser16kRate;
    case Codec::Speex:
        return kSpeexRate;
    default:
        return format.rate;
    }
}

struct CodecAudioDecoder::Impl {
    AVCodecContext* context = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    int rate = 0;
    int channels = 1;
    // AAC frames overlap their neighbours: the decoder keeps its state from packet to packet.
    bool continuous = false;

    ~Impl() {
        avcodec_free_context(&context);
        av_packet_free(&packet);
        av_frame_free(&frame);
    }

    // Appends the samples of the frame held, whatever sample layout the decoder chose.
    void append(PcmBuffer& out) const {
        const int count = frame->nb_samples;
        const int frameChannels = std::max(1, frame->ch_layout.nb_channels);
        if (count <= 0 || out.frames() + count > kMaxDecodedFrames) return;
        const auto format = static_cast<AVSampleFormat>(frame->format);
        const bool planar = av_sample_fmt_is_planar(format) != 0;
        for (int i = 0; i < count; ++i)
            for (int c = 0; c < channels; ++c) {
                const int source = std::min(c, frameChannels - 1);
                const int index = planar ? i : i * frameChannels + source;
                const uint8_t* plane = frame->extended_data[planar ? source : 0];
                std::int16_t value = 0;
                switch (av_get_packed_sample_fmt(format)) {
                case AV_SAMPLE_FMT_FLT:
                    value = toSample(reinterpret_cast<const float*>(plane)[index]);
                    break;
                case AV_SAMPLE_FMT_S16:
                    value = reinterpret_cast<const std::int16_t*>(plane)[index];
                    break;
                case AV_SAMPLE_FMT_S32:
                    value = std::int16_t(reinterpret_cast<const std::int32_t*>(plane)[index] >> 16);
                    break;
                default:
                    break;
                }
                out.samples.push_back(value);
            }
    }
};

CodecAudioDecoder::CodecAudioDecoder(const SoundFormat& format) : d(std::make_unique<Impl>()) {
    d->rate = codecAudioRate(format);
    // Both codings are mono in every movie the format allows.
    d->channels = 1;
    const AVCodecID id = codecIdOf(format.codec);
    const AVCodec* decoder = id == AV_CODEC_ID_NONE ? nullptr : avcodec_find_decoder(id);
    d->packet = av_packet_alloc();
    d->frame = av_frame_alloc();
    if (!decoder || !d->packet || !d->frame) return;
    d->context = avcodec_alloc_context3(decoder);
    if (!d->context) return;
    d->context->sample_rate = d->rate;
    av_channel_layout_default(&d->context->ch_layout, d->channels);
    d->context->thread_count = 1;
    d->context->log_level_offset = AV_LOG_DEBUG - AV_LOG_ERROR;
    if (avcodec_open2(d->context, decoder, nullptr) < 0) avcodec_free_context(&d->context);
}

CodecAudioDecoder::CodecAudioDecoder() : d(std::make_unique<Impl>()) {}

std::unique_ptr<CodecAudioDecoder> CodecAudioDecoder::aac(QByteArrayView audioSpecificConfig) {
    std::unique_ptr<CodecAudioDecoder> out(new CodecAudioDecoder());
    Impl& d = *out->d;
    d.continuous = true;
    const AVCodec* decoder = avcodec_find_decoder(AV_CODEC_ID_AAC);
    d.packet = av_packet_alloc();
    d.frame = av_frame_alloc();
    constexpr qsizetype kMaxConfig = 64; // a few bytes in practice
    if (!decoder || !d.packet || !d.frame || audioSpecificConfig.isEmpty() ||
        audioSpecificConfig.size() > kMaxConfig)
        return out;
    d.context = avcodec_alloc_context3(decoder);
    if (!d.context) return out;
    d.context->extradata =
        static_cast<uint8_t*>(av_mallocz(size_t(audioSpecificConfig.size()) + AV_INPUT_BUFFER_PADDING_SIZE));
    if (!d.context->extradata) {
        avcodec_free_context(&d.context);
        return out;
    }
    std::memcpy(d.context->extradata, audioSpecificConfig.data(), size_t(audioSpecificConfig.size()));
    d.context->extradata_size = int(audioSpecificConfig.size());
    d.context->thread_count = 1;
    d.context->log_level_offset = AV_LOG_DEBUG - AV_LOG_ERROR;
    if (avcodec_open2(d.context, decoder, nullptr) < 0) {
        avcodec_free_context(&d.context);
        return out;
    }
    // Known for certain once the first frame is decoded.
    d.rate = d.context->sample_rate;
    d.channels = std::clamp(d.context->ch_layout.nb_channels, 1, 2);
    return out;
}

CodecAudioDecoder::~CodecAudioDecoder() = default;

bool CodecAudioDecoder::isSupported() const {
    return d->context != nullptr;
}

bool CodecAudioDecoder::feed(QByteArrayView packet, PcmBuffer& out) {
    out.rate = d->rate;
    out.channels = d->channels;
    if (!d->context || packet.isEmpty() || packet.size() > INT_MAX - AV_INPUT_BUFFER_PADDING_SIZE)
        return false;
    if (av_new_packet(d->packet, int(packet.size())) < 0) return false;
    std::memcpy(d->packet->data, packet.data(), size_t(packet.size()));
    int result = avcodec_send_packet(d->context, d->packet);
    av_packet_unref(d->packet);
    if (result < 0) return false;
    bool any = false;
    if (d->continuous) {
        while (avcodec_receive_frame(d->context, d->frame) >= 0) {
            if (d->frame->sample_rate > 0) d->rate = out.rate = d->frame->sample_rate;
            d->channels = out.channels = std::clamp(d->frame->ch_layout.nb_channels, 1, 2);
            d->append(out);
            av_frame_unref(d->frame);
            any = true;
        }
        return any;
    }
    // A packet may hold several coded frames that a decoder hands out only while draining,
    // so each packet is drained whole and the decoder made ready for the next.
    avcodec_send_packet(d->context, nullptr);
    while ((result = avcodec_receive_frame(d->context, d->frame)) >= 0) {
        d->append(out);
        av_frame_unref(d->frame);
        any = true;
    }
    avcodec_flush_buffers(d->context);
    return any;
}

PcmBuffer decodeCodecAudio(const SoundFormat& format, QByteArrayView data) {
    CodecAudioDecoder decoder(format);
    PcmBuffer out;
    out.rate = codecAudioRate(format);
    out.channels = 1;
    if (!decoder.isSupported()) {
        out.diagnostic = QStringLiteral("sound coding %1 is not decoded by this build; it plays as silence")
                             .arg(int(format.codec));
        return out;
    }
    if (!decoder.feed(data, out)) out.diagnostic = QStringLiteral("broken sound data; it plays as silence");
    return out;
}

} // namespace swf::media
