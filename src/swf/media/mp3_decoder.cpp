#include "swf/media/mp3_decoder.h"

#include <mpg123.h>

#include <QCoreApplication>

#include <algorithm>
#include <mutex>

namespace swf::media {
namespace {

// libmpg123 needs one global initialisation before any handle.
bool initialiseLibrary() {
    static std::once_flag once;
    static bool ok = false;
    std::call_once(once, [] { ok = mpg123_init() == MPG123_OK; });
    return ok;
}

constexpr size_t kOutputChunk = 16384;

} // namespace

struct Mp3Decoder::Impl {
    mpg123_handle* handle = nullptr;
    bool failed = false;
};

Mp3Decoder::Mp3Decoder() : d(std::make_unique<Impl>()) {
    if (!initialiseLibrary()) return;
    int error = 0;
    d->handle = mpg123_new(nullptr, &error);
    if (!d->handle) return;
    mpg123_param(d->handle, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    mpg123_param(d->handle, MPG123_ADD_FLAGS, MPG123_FORCE_STEREO, 0);
    mpg123_format_none(d->handle);
    for (long rate : {8000L, 11025L, 12000L, 16000L, 22050L, 24000L, 32000L, 44100L, 48000L})
        mpg123_format(d->handle, rate, MPG123_STEREO, MPG123_ENC_SIGNED_16);
    if (mpg123_open_feed(d->handle) != MPG123_OK) {
        mpg123_delete(d->handle);
        d->handle = nullptr;
    }
}

Mp3Decoder::~Mp3Decoder() {
    if (d->handle) mpg123_delete(d->handle);
}

bool Mp3Decoder::isValid() const {
    return d->handle != nullptr && !d->failed;
}

bool Mp3Decoder::feed(QByteArrayView bytes, PcmBuffer& out) {
    if (!isValid()) return false;
    unsigned char buffer[kOutputChunk];
    const auto* input = reinterpret_cast<const unsigned char*>(bytes.data());
    size_t inputSize = size_t(bytes.size());
    for (int guard = 0; guard < 1'000'000; ++guard) {
        size_t produced = 0;
        const int result = mpg123_decode(d->handle, input, inputSize, buffer, sizeof buffer, &produced);
        input = nullptr;
        inputSize = 0;
        if (result == MPG123_NEW_FORMAT) {
            long rate = 0;
            int channels = 0;
            int encoding = 0;
            mpg123_getformat(d->handle, &rate, &channels, &encoding);
            out.rate = int(rate);
            out.channels = 2;
        }
        if (produced > 0) {
            if (out.frames() >= kMaxDecodedFrames) return false;
            const auto* samples = reinterpret_cast<const std::int16_t*>(buffer);
            out.samples.insert(out.samples.end(), samples, samples + produced / 2);
        }
        if (result == MPG123_NEED_MORE || result == MPG123_DONE) return true;
        if (result == MPG123_ERR) {
            // A broken frame: the decoder resyncs on the next feed; give up only when it cannot.
            if (mpg123_errcode(d->handle) == MPG123_OUT_OF_MEM) d->failed = true;
            return !d->failed;
        }
    }
    return true;
}

PcmBuffer decodeMp3Sound(QByteArrayView frames, int seekSamples, quint32 sampleCount, int declaredRate,
                         int declaredChannels) {
    PcmBuffer out;
    out.rate = declaredRate;
    out.channels = 2;
    Mp3Decoder decoder;
    if (!decoder.isValid()) {
        out.diagnostic = QStringLiteral("MP3 decoder unavailable");
        return out;
    }
    decoder.feed(frames, out);
    // The declared count is per channel of the declared layout; mono sounds were widened.
    Q_UNUSED(declaredChannels);
    const std::int64_t skip = std::clamp<std::int64_t>(seekSamples, 0, out.frames());
    out.samples.erase(out.samples.begin(), out.samples.begin() + skip * out.channels);
    if (sampleCount > 0 && std::int64_t(sampleCount) < out.frames())
        out.samples.resize(size_t(sampleCount) * size_t(out.channels));
    if (out.samples.empty() && !frames.isEmpty())
        out.diagnostic = QStringLiteral("no MP3 frame could be decoded");
    return out;
}

} // namespace swf::media
