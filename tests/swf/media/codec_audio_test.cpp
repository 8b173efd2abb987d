// Nellymoser and Speex sound: signals coded by libavcodec's own encoders come back through
// the engine's decoders as whole sounds and as stream blocks, at each rate the format names.
#include "swf/media/codec_audio.h"
#include "swf/media/sound_format.h"
#include "swf/media/stream_decoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/frame.h>
}

#include <QTest>

#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

using namespace swf::media;

namespace {

// Packets coded from a sine of hz; empty when this libavcodec has no such encoder.
std::vector<QByteArray> encodeSine(AVCodecID id, int rate, double hz, double seconds) {
    std::vector<QByteArray> packets;
    const AVCodec* encoder = avcodec_find_encoder(id);
    if (!encoder) return packets;
    AVCodecContext* context = avcodec_alloc_context3(encoder);
    context->sample_rate = rate;
    av_channel_layout_default(&context->ch_layout, 1);
    context->sample_fmt = encoder->sample_fmts ? encoder->sample_fmts[0] : AV_SAMPLE_FMT_S16;
    context->bit_rate = 32000;
    if (avcodec_open2(context, encoder, nullptr) < 0) {
        avcodec_free_context(&context);
        return packets;
    }
    AVFrame* frame = av_frame_alloc();
    AVPacket* packet = av_packet_alloc();
    const int total = int(rate * seconds);
    const int step = context->frame_size > 0 ? context->frame_size : 256;
    auto drain = [&] {
        while (avcodec_receive_packet(context, packet) >= 0) {
            packets.emplace_back(reinterpret_cast<const char*>(packet->data), packet->size);
            av_packet_unref(packet);
        }
    };
    for (int start = 0; start < total; start += step) {
        frame->nb_samples = step;
        frame->format = context->sample_fmt;
        av_channel_layout_copy(&frame->ch_layout, &context->ch_layout);
        frame->sample_rate = rate;
        av_frame_get_buffer(frame, 0);
        for (int i = 0; i < step; ++i) {
            const double value = 0.5 * std::sin(2 * std::numbers::pi * hz * (start + i) / rate);
            if (context->sample_fmt == AV_SAMPLE_FMT_FLT)
                reinterpret_cast<float*>(frame->data[0])[i] = float(value);
            else
                reinterpret_cast<qint16*>(frame->data[0])[i] = qint16(std::lround(value * 32767));
        }
        avcodec_send_frame(context, frame);
        av_frame_unref(frame);
        drain();
    }
    avcodec_send_frame(context, nullptr);
    drain();
    av_packet_free(&packet);
    av_frame_free(&frame);
    avcodec_free_context(&context);
    return packets;
}

// The tone's frequency from its upward zero crossings, over the middle of the signal (each
// coder fades in and out at the ends).
double toneOf(const PcmBuffer& pcm) {
    const auto& s = pcm.samples;
    const size_t from = s.size() / 4, to = s.size() * 3 / 4;
    int crossings = 0;
    for (size_t i = from + 1; i < to; ++i)
        if (s[i - 1] < 0 && s[i] >= 0) ++crossings;
    return to > from ? crossings * double(pcm.rate) / double(to - from) : 0;
}

double rms(const PcmBuffer& pcm) {
    double sum = 0;
    for (const qint16 v : pcm.samples)
        sum += double(v) * v;
    return pcm.samples.empty() ? 0 : std::sqrt(sum / double(pcm.samples.size()));
}

} // namespace

class CodecAudioTest : public QObject {
    Q_OBJECT
  private slots:
    void roundTrip_data() {
        QTest::addColumn<int>("formatByte");
        QTest::addColumn<int>("codecId");
        QTest::addColumn<int>("rate");
        // The format byte's rate bits are what a movie writes; the coding decides the real rate.
        QTest::newRow("nellymoser 8 kHz") << 0x52 << int(AV_CODEC_ID_NELLYMOSER) << 8000;
        QTest::newRow("nellymoser 16 kHz") << 0x42 << int(AV_CODEC_ID_NELLYMOSER) << 16000;
        QTest::newRow("nellymoser 11 kHz") << 0x66 << int(AV_CODEC_ID_NELLYMOSER) << 11025;
        QTest::newRow("nellymoser 22 kHz") << 0x6a << int(AV_CODEC_ID_NELLYMOSER) << 22050;
        QTest::newRow("nellymoser 44 kHz") << 0x6e << int(AV_CODEC_ID_NELLYMOSER) << 44100;
        QTest::newRow("speex") << 0xb2 << int(AV_CODEC_ID_SPEEX) << 16000;
    }

    void roundTrip() {
        QFETCH(int, formatByte);
        QFETCH(int, codecId);
        QFETCH(int, rate);
        constexpr double kTone = 440, kSeconds = 1.0;
        const auto packets = encodeSine(AVCodecID(codecId), rate, kTone, kSeconds);
        if (packets.empty()) QSKIP("this libavcodec has no encoder for the coding");
        const SoundFormat format = parseFormatByte(quint8(formatByte));

        // As a stream (or FLV audio), one packet a block.
        StreamDecoder stream(format);
        PcmBuffer blocks;
        for (const QByteArray& packet : packets) {
            const PcmBuffer part = stream.decodeBlock(packet).samples;
            QCOMPARE(part.rate, rate);
            QCOMPARE(part.channels, 1);
            blocks.rate = part.rate;
            blocks.samples.insert(blocks.samples.end(), part.samples.begin(), part.samples.end());
        }
        // Every coded frame comes back: the length within two coder frames of what went in.
        QVERIFY2(std::abs(double(blocks.frames()) - rate * kSeconds) <= 640,
                 qPrintable(QString::number(blocks.frames())));
        QVERIFY2(std::abs(toneOf(blocks) - kTone) < kTone * 0.03,
                 qPrintable(QString::number(toneOf(blocks))));
        QVERIFY(rms(blocks) > 4000);

        // Nellymoser frames have a fixed size, so a whole sound is its packets end to end.
        if (AVCodecID(codecId) != AV_CODEC_ID_NELLYMOSER) return;
        QByteArray whole;
        for (const QByteArray& packet : packets)
            whole += packet;
        const PcmBuffer sound = decodeSound(format, whole, 0);
        QVERIFY2(sound.diagnostic.isEmpty(), qPrintable(sound.diagnostic));
        QCOMPARE(sound.rate, rate);
        QCOMPARE(sound.frames(), blocks.frames());
        QVERIFY(std::abs(toneOf(sound) - kTone) < kTone * 0.03);
    }

    void brokenDataIsSilence_data() {
        QTest::addColumn<int>("formatByte");
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("nellymoser, short") << 0x62 << QByteArray(10, char(0x5a));
        QTest::newRow("nellymoser, noise") << 0x62 << QByteArray(640, char(0xff));
        QTest::newRow("speex, short") << 0xb2 << QByteArray(3, char(0x11));
        QTest::newRow("speex, noise") << 0xb2 << QByteArray(4000, char(0xa5));
        QTest::newRow("empty") << 0x62 << QByteArray();
    }

    void brokenDataIsSilence() {
        QFETCH(int, formatByte);
        QFETCH(QByteArray, data);
        const SoundFormat format = parseFormatByte(quint8(formatByte));
        const PcmBuffer sound = decodeSound(format, data, 0);
        // Whatever comes back is bounded by what the data could hold: no runaway output.
        QVERIFY(sound.frames() <= qint64(data.size()) * 64 + 1024);
        StreamDecoder stream(format);
        const PcmBuffer block = stream.decodeBlock(data).samples;
        QVERIFY(block.frames() <= qint64(data.size()) * 64 + 1024);
    }
};

QTEST_APPLESS_MAIN(CodecAudioTest)
#include "codec_audio_test.moc"
