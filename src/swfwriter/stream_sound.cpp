// Stream heads and blocks in the three codings a movie of the era streams in.
#include "stream_sound.h"

#include "bit_writer.h"
#include "swf_builder.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace swftest {
namespace {

constexpr int kRates[4] = {5512, 11025, 22050, 44100};
// Where an MP3 decoder's output starts holding the sound lame was given: lame's own delay
// (576 samples) and a layer III decoder's (529).
constexpr int kLameDelay = 576 + 529;

double exactRate(int rate) {
    return rate == kRates[0] ? 44100.0 / 8 : double(rate);
}

int rateIndex(int rate) {
    for (int i = 0; i < 4; ++i)
        if (kRates[i] == rate) return i;
    return 3;
}

quint8 formatByte(const StreamTrack& track) {
    return quint8((int(track.coding) << 4) | (rateIndex(track.rate) << 2) | 2 | (track.stereo ? 1 : 0));
}

// --- ADPCM ---------------------------------------------------------------------------------

constexpr int kStepSizes[89] = {
    7,    8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,   28,
    31,   34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,  118,
    130,  143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,  494,
    544,  598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878, 2066,
    2272, 2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845, 8630,
    9493, 10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
const int kIndexShifts[4][16] = {{-1, 2},
                                 {-1, -1, 2, 4},
                                 {-1, -1, -1, -1, 2, 4, 6, 8},
                                 {-1, -1, -1, -1, -1, -1, -1, -1, 1, 2, 4, 6, 8, 10, 13, 16}};

struct AdpcmChannel {
    int predicted = 0;
    int index = 0;
};

// The code for one sample, stepping the channel's state the way the decoder will.
unsigned adpcmCode(AdpcmChannel& channel, int sample, int bits) {
    const unsigned signBit = 1u << (bits - 1);
    int difference = sample - channel.predicted;
    unsigned code = 0;
    if (difference < 0) {
        code = signBit;
        difference = -difference;
    }
    int step = kStepSizes[channel.index];
    int decoded = 0;
    for (unsigned mask = signBit >> 1; mask; mask >>= 1) {
        if (difference >= step) {
            code |= mask;
            difference -= step;
            decoded += step;
        }
        step >>= 1;
    }
    decoded += step;
    channel.predicted =
        std::clamp(channel.predicted + ((code & signBit) ? -decoded : decoded), -32768, 32767);
    channel.index = std::clamp(channel.index + kIndexShifts[bits - 2][code & (signBit - 1)], 0, 88);
    return code;
}

// --- MP3 -----------------------------------------------------------------------------------

// Length in bytes of the layer III frame whose header starts at h, 0 when it is none.
int mp3FrameLength(const unsigned char* h) {
    static const int kBitrates1[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
    static const int kBitrates2[16] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
    static const int kRateTable[4][3] = {
        {11025, 12000, 8000}, {0, 0, 0}, {22050, 24000, 16000}, {44100, 48000, 32000}};
    if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0 || ((h[1] >> 1) & 3) != 1) return 0;
    const int version = (h[1] >> 3) & 3; // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
    const int rateCode = (h[2] >> 2) & 3;
    if (version == 1 || rateCode == 3) return 0;
    const int bitrate = (version == 3 ? kBitrates1 : kBitrates2)[h[2] >> 4] * 1000;
    const int rate = kRateTable[version][rateCode];
    if (bitrate == 0) return 0;
    return (version == 3 ? 144 : 72) * bitrate / rate + ((h[2] >> 1) & 1);
}

std::vector<QByteArray> mp3Frames(const QByteArray& file) {
    std::vector<QByteArray> frames;
    qsizetype at = 0;
    while (at + 4 <= file.size()) {
        const int length = mp3FrameLength(reinterpret_cast<const unsigned char*>(file.constData() + at));
        if (length <= 0) {
            ++at;
            continue;
        }
        frames.push_back(file.mid(at, length));
        at += length;
    }
    return frames;
}

// lame, asked for no tag frame and no resampling, at a bitrate each rate allows.
std::optional<QByteArray> encodeMp3(const std::vector<qint16>& interleaved, int rate, bool stereo,
                                    QString* error) {
    const QString lame = QStandardPaths::findExecutable(QStringLiteral("lame"));
    if (lame.isEmpty()) {
        if (error) *error = QStringLiteral("lame is not installed");
        return std::nullopt;
    }
    QTemporaryDir dir;
    QFile raw(dir.filePath(QStringLiteral("in.raw")));
    if (!raw.open(QIODevice::WriteOnly)) return std::nullopt;
    raw.write(reinterpret_cast<const char*>(interleaved.data()), qint64(interleaved.size() * 2));
    raw.close();
    const QString khz = QString::number(rate / 1000.0, 'f', 3);
    const QString bitrate = QString::number(rate >= 32000 ? 128 : rate >= 16000 ? 64 : 32);
    QProcess process;
    process.start(lame, {QStringLiteral("--quiet"), QStringLiteral("-r"), QStringLiteral("-s"), khz,
                         QStringLiteral("--resample"), khz, QStringLiteral("--bitwidth"),
                         QStringLiteral("16"), QStringLiteral("--signed"), QStringLiteral("--little-endian"),
                         QStringLiteral("-m"), stereo ? QStringLiteral("j") : QStringLiteral("m"),
                         QStringLiteral("-b"), bitrate, QStringLiteral("-t"),
                         dir.filePath(QStringLiteral("in.raw")), dir.filePath(QStringLiteral("out.mp3"))});
    if (!process.waitForFinished(600000) || process.exitCode() != 0) {
        if (error) *error = QStringLiteral("lame failed");
        return std::nullopt;
    }
    QFile mp3(dir.filePath(QStringLiteral("out.mp3")));
    if (!mp3.open(QIODevice::ReadOnly)) return std::nullopt;
    return mp3.readAll();
}

QByteArray le16(int value) {
    Writer w;
    w.u16(value & 0xffff);
    return w.data();
}

} // namespace

double storedFrameRate(double frameRate) {
    return qRound(frameRate * 256) / 256.0;
}

qint64 StreamTrack::blockStart(int frame, double frameRate) const {
    const double fps = storedFrameRate(frameRate);
    if (roundedBlocks) return qint64(frame) * qint64(std::floor(exactRate(rate) / fps));
    return qint64(std::floor(frame * exactRate(rate) / fps));
}

QByteArray encodeAdpcm(const std::vector<qint16>& interleaved, int channels, int bits) {
    Writer writer;
    writer.ubits(quint32(bits - 2), 2);
    AdpcmChannel state[2];
    const size_t frames = interleaved.size() / size_t(channels);
    for (size_t i = 0; i < frames; ++i) {
        if (i % 4096 == 0) {
            for (int c = 0; c < channels; ++c) {
                state[c].predicted = interleaved[i * size_t(channels) + size_t(c)];
                writer.ubits(quint16(qint16(state[c].predicted)), 16);
                writer.ubits(quint32(state[c].index), 6);
            }
            continue;
        }
        for (int c = 0; c < channels; ++c)
            writer.ubits(adpcmCode(state[c], interleaved[i * size_t(channels) + size_t(c)], bits), bits);
    }
    return writer.data();
}

StreamTrack markedTrack(SoundCoding coding, int rate, bool stereo, double frameRate,
                        const std::vector<bool>& hasBlock, const std::vector<int>& markedFrames,
                        bool roundedBlocks) {
    StreamTrack track;
    track.coding = coding;
    track.rate = rate;
    track.stereo = stereo;
    track.hasBlock = hasBlock;
    track.roundedBlocks = roundedBlocks;
    const int frames = int(hasBlock.size());
    const int channels = track.channels();
    const double sampleRate = exactRate(rate);
    track.samples.assign(size_t(track.blockStart(frames, frameRate)) * size_t(channels), 0);
    const double quiet = 2 * std::numbers::pi * 220 / sampleRate;
    const double loud = 2 * std::numbers::pi * std::min(1000.0, sampleRate / 8) / sampleRate;
    for (int frame = 0; frame < frames; ++frame) {
        if (!hasBlock[size_t(frame)]) continue;
        for (qint64 i = track.blockStart(frame, frameRate); i < track.blockStart(frame + 1, frameRate); ++i)
            for (int c = 0; c < channels; ++c)
                track.samples[size_t(i * channels + c)] = qint16(600 * std::sin(quiet * double(i)));
    }
    for (int marked : markedFrames) {
        const qint64 from = track.blockStart(marked, frameRate);
        const qint64 to = std::min<qint64>(track.blockStart(marked + 2, frameRate),
                                           qint64(track.samples.size()) / channels);
        for (qint64 i = from; i < to; ++i)
            for (int c = 0; c < channels; ++c)
                track.samples[size_t(i * channels + c)] =
                    qint16(kMarkerLevel * std::sin(loud * double(i - from)));
    }
    return track;
}

qint64 markerOnset(const std::vector<qint16>& interleavedStereo, qint64 from, qint64 to) {
    to = std::min<qint64>(to, qint64(interleavedStereo.size() / 2));
    for (qint64 i = std::max<qint64>(0, from); i < to; ++i)
        if (std::abs(interleavedStereo[size_t(2 * i)]) > kMarkerLevel / 2) return i;
    return -1;
}

std::optional<StreamTags> streamTags(const StreamTrack& track, double frameRate, QString* error) {
    const int channels = track.channels();
    const int frames = int(track.hasBlock.size());
    const double fps = storedFrameRate(frameRate);
    auto part = [&](qint64 from, qint64 to) {
        from = std::clamp<qint64>(from, 0, qint64(track.samples.size()) / channels);
        to = std::clamp<qint64>(to, from, qint64(track.samples.size()) / channels);
        return std::vector<qint16>(track.samples.begin() + from * channels,
                                   track.samples.begin() + to * channels);
    };
    StreamTags tags;
    tags.blocks.resize(size_t(frames));
    const quint8 format = formatByte(track);
    const int perFrame = int(std::lround(exactRate(track.rate) / fps));
    for (int first = 0; first < frames;) {
        if (!track.hasBlock[size_t(first)]) {
            ++first;
            continue;
        }
        int end = first;
        while (end < frames && track.hasBlock[size_t(end)])
            ++end;
        if (track.coding != SoundCoding::Mp3) {
            for (int frame = first; frame < end; ++frame) {
                const std::vector<qint16> samples =
                    part(track.blockStart(frame, fps), track.blockStart(frame + 1, fps));
                QByteArray block;
                if (track.coding == SoundCoding::Adpcm) {
                    block = encodeAdpcm(samples, channels);
                } else {
                    block.resize(qsizetype(samples.size() * 2));
                    for (size_t i = 0; i < samples.size(); ++i) {
                        block[qsizetype(2 * i)] = char(samples[i] & 0xff);
                        block[qsizetype(2 * i + 1)] = char((samples[i] >> 8) & 0xff);
                    }
                }
                tags.blocks[size_t(frame)] = block;
            }
            first = end;
            continue;
        }
        // MP3: each run of frames with blocks is one encoded sound. A block takes the MP3
        // frames that begin before its frame's end; its seek samples say how far into them
        // the frame's sound begins (the encoder's delay on the first).
        const qint64 runStart = track.blockStart(first, fps);
        const auto encoded =
            encodeMp3(part(runStart, track.blockStart(end, fps)), track.rate, track.stereo, error);
        if (!encoded) return std::nullopt;
        const std::vector<QByteArray> mp3 = mp3Frames(*encoded);
        const qint64 perMp3Frame = track.rate >= 32000 ? 1152 : 576;
        tags.mp3Delay = kLameDelay;
        size_t next = 0;
        for (int frame = first; frame < end; ++frame) {
            const size_t firstMp3 = next;
            const qint64 frameEnd = track.blockStart(frame + 1, fps) - runStart + kLameDelay;
            while (next < mp3.size() && (qint64(next) * perMp3Frame < frameEnd || frame + 1 == end))
                ++next;
            QByteArray block = le16(int((next - firstMp3) * perMp3Frame));
            block += le16(
                int(track.blockStart(frame, fps) - runStart + kLameDelay - qint64(firstMp3) * perMp3Frame));
            for (size_t i = firstMp3; i < next; ++i)
                block += mp3[i];
            tags.blocks[size_t(frame)] = block;
        }
        first = end;
    }
    tags.head = QByteArray(1, char(format & 0x0f)) + char(format) + le16(perFrame);
    if (track.coding == SoundCoding::Mp3) tags.head += le16(tags.mp3Delay);
    return tags;
}

} // namespace swftest

namespace swftest {

std::optional<QByteArray> streamMovie(const StreamTrack& track, double frameRate, QString* error) {
    constexpr int kStreamHead2 = 45;
    constexpr int kStreamBlock = 19;
    const auto tags = streamTags(track, frameRate, error);
    if (!tags) return std::nullopt;
    SwfBuilder builder(6, QSize(64, 48), frameRate);
    builder.rawTag(kStreamHead2, tags->head);
    for (const auto& block : tags->blocks) {
        if (block) builder.rawTag(kStreamBlock, *block, true);
        builder.showFrame();
    }
    return builder.finish();
}

} // namespace swftest
