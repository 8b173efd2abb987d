// Decodes a timeline's stream sound block by block (SoundStreamBlock), keeping the MP3
// decoder's state between blocks so frames split across blocks decode whole.
#pragma once

#include "swf/media/mp3_decoder.h"
#include "swf/media/sound_format.h"

#include <memory>

namespace swf::media {

class CodecAudioDecoder;

class StreamDecoder {
  public:
    explicit StreamDecoder(const SoundFormat& format);
    ~StreamDecoder();

    const SoundFormat& format() const { return m_format; }
    // The samples of one block; empty (with a diagnostic) for codings not supported.
    PcmBuffer decodeBlock(QByteArrayView block);
    // The stream starts again somewhere else (a jump): the next MP3 block is decoded from a
    // clean state and its seek samples, the encoder's lead-in before this frame's sound,
    // are dropped so the sound lines up with the frame.
    void restart();

  private:
    SoundFormat m_format;
    std::unique_ptr<Mp3Decoder> m_mp3;
    std::unique_ptr<CodecAudioDecoder> m_codec;
    bool m_restarted = true;
};

} // namespace swf::media
