// MP3 through libmpg123, fed in pieces: a whole DefineSound, or a stream's blocks one by
// one with the decoder's state carried between them.
#pragma once

#include "swf/media/pcm_buffer.h"

#include <QByteArrayView>

#include <memory>

namespace swf::media {

class Mp3Decoder {
  public:
    Mp3Decoder();
    ~Mp3Decoder();
    Mp3Decoder(const Mp3Decoder&) = delete;
    Mp3Decoder& operator=(const Mp3Decoder&) = delete;

    bool isValid() const;
    // Feeds bytes and appends every sample they complete to out (which takes the decoded
    // rate and channel count). Broken frames are skipped; returns false once the decoder
    // has given up on the data.
    bool feed(QByteArrayView bytes, PcmBuffer& out);

  private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// A whole MP3 sound: seekSamples from the start are the encoder's delay and are dropped;
// sampleCount (per channel) trims the padding at the end.
PcmBuffer decodeMp3Sound(QByteArrayView frames, int seekSamples, quint32 sampleCount, int declaredRate,
                         int declaredChannels);

} // namespace swf::media
