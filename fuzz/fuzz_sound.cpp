// Sound data of every coding through the decoders, the stream decoder and the mixer.
// Byte 0 is the format byte of DefineSound (coding, rate, size, channels); byte 1 chooses
// how the sound is played (below); the rest is the sound's data as DefineSound holds it.
// The same data also arrives as a stream, cut into SoundStreamBlock bodies.
#include "swf/media/mixer.h"
#include "swf/media/sound_format.h"
#include "swf/media/stream_decoder.h"

#include <cstdint>
#include <cstdlib>

namespace {

using namespace swf::media;

// Byte 1.
constexpr int kLoopsMask = 0x03;     // 1 to 4 loops
constexpr int kBlockShift = 2;       // two bits: stream block size
constexpr int kEnvelope = 0x10;      // a volume envelope
constexpr int kInOutPoints = 0x20;   // in and out points, and a declared sample count
constexpr int kNoMultiple = 0x40;    // started twice, the second time only if not playing
constexpr int kStreamRestart = 0x80; // the stream jumps halfway (a goto)

constexpr qsizetype kBlockSizes[4] = {64, 417, 1152, 4096};
constexpr int kPull = 2048;
constexpr int kPulls = 4;

void check(bool condition) {
    if (!condition) std::abort();
}

void checkShape(const PcmBuffer& pcm) {
    check(pcm.channels == 1 || pcm.channels == 2);
    check(pcm.samples.size() % std::size_t(pcm.channels) == 0);
    check(pcm.frames() <= kMaxDecodedFrames);
}

// One SoundStreamBlock body: MP3 blocks carry a sample count and seek samples first.
QByteArray streamBlock(const SoundFormat& format, QByteArrayView head, QByteArrayView chunk) {
    QByteArray block;
    if (format.codec == Codec::Mp3) {
        block.append(char(0x40)).append(char(0x02)); // 576 samples
        block.append(head.first(std::min<qsizetype>(2, head.size())).toByteArray());
        while (block.size() < 4)
            block.append('\0');
    }
    block.append(chunk.toByteArray());
    return block;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const SoundFormat format = parseFormatByte(data[0]);
    const int options = data[1];
    const QByteArrayView body(reinterpret_cast<const char*>(data + 2), qsizetype(size - 2));
    const quint32 declared = (options & kInOutPoints) ? quint32(body.size()) : 0;

    const PcmBuffer decoded = decodeSound(format, body, declared);
    checkShape(decoded);
    if (format.codec == Codec::PcmNative || format.codec == Codec::PcmLittleEndian) {
        // Every whole sample frame of PCM is a frame of sound, no more, no less.
        const std::int64_t whole = body.size() / ((format.is16Bit ? 2 : 1) * format.channels());
        check(decoded.frames() == (declared ? std::min<std::int64_t>(whole, declared) : whole));
    }
    auto sound = std::make_shared<PcmBuffer>(decoded);

    Mixer mixer;
    SoundInfo info;
    info.loops = (options & kLoopsMask) + 1;
    if (options & kInOutPoints) {
        info.inPoint44 = 300;
        info.outPoint44 = 9000;
    }
    if (options & kEnvelope) info.envelope = {{0, 0, 32768}, {2000, 32768, 0}, {6000, 16384, 16384}};
    info.noMultiple = (options & kNoMultiple) != 0;
    const int voice = mixer.startEvent(2, sound, info);
    mixer.startEvent(2, sound, info, 100);
    mixer.setVoiceGain(voice, 0.5f, 1.0f);

    // The stream: data after the MP3 seek samples, cut into blocks.
    const QByteArrayView head =
        format.codec == Codec::Mp3 ? body.first(std::min<qsizetype>(2, body.size())) : QByteArrayView();
    const QByteArrayView frames = body.sliced(head.size());
    const qsizetype blockSize = kBlockSizes[(options >> kBlockShift) & 3];
    StreamDecoder stream(format);
    std::vector<qint16> out(std::size_t(kPull) * 2);
    for (qsizetype at = 0, index = 0; at < frames.size(); at += blockSize, ++index) {
        if ((options & kStreamRestart) && at >= frames.size() / 2 && at < frames.size() / 2 + blockSize) {
            stream.restart();
            mixer.streamStop(1);
        }
        const StreamBlockSound block = stream.decodeBlock(
            streamBlock(format, head, frames.sliced(at, std::min(blockSize, frames.size() - at))));
        checkShape(block.samples);
        // Every other block is placed at a frame time of 12 fps, moved by its lead-in.
        if (index % 2)
            mixer.streamPlace(1, block.samples, index / 12.0 - block.leadIn / 44100.0, 0.04);
        else
            mixer.streamAppend(1, block.samples);
        if (index % 4 == 3) mixer.mix(out.data(), kPull / 4);
    }
    for (int i = 0; i < kPulls; ++i)
        mixer.mix(out.data(), kPull);
    mixer.voicePositionMs(voice);
    mixer.stopSound(2);
    mixer.mix(out.data(), kPull);
    return 0;
}
