// Decodes a timeline's stream sound block by block (SoundStreamBlock), keeping the MP3
// decoder's state between blocks so frames split across blocks decode whole.
#pragma once

#include "swf/media/mp3_decoder.h"
#include "swf/media/sound_format.h"

#include <memory>

namespace swf::media {

class CodecAudioDecoder;

// One block's samples, and where they start against the time of the frame that holds them.
struct StreamBlockSound {
    PcmBuffer samples;
    // Samples that come before the frame's time: an MP3 block's seek samples (the encoder's
    // lead-in on the first block, the rest of an MP3 frame begun in the frame before on
    // later ones); negative when the block's sound starts after the frame's time.
    int leadIn = 0;
};

class StreamDecoder {
  public:
    explicit StreamDecoder(const SoundFormat& format);
    ~StreamDecoder();

    const SoundFormat& format() const { return m_format; }
    // The samples of one block; empty (with a diagnostic) for codings not supported.
    StreamBlockSound decodeBlock(QByteArrayView block);
    // The stream starts again somewhere else (a jump): the next MP3 block is decoded from a
    // clean state.
    void restart();

  private:
    SoundFormat m_format;
    std::unique_ptr<Mp3Decoder> m_mp3;
    std::unique_ptr<CodecAudioDecoder> m_codec;
};

} // namespace swf::media
