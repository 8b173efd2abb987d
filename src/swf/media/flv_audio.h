// The sound of an FLV file, decoded whole for the mixer: each tag's samples are placed at
// its time stamp, so the sound keeps to the pictures over gaps and codec rounding.
#pragma once

#include "swf/format/flv.h"
#include "swf/media/pcm_buffer.h"

#include <memory>
#include <optional>

namespace swf::media {

class CodecAudioDecoder;
class Mp3Decoder;

// The same, tag by tag, for a file still loading: the decoders keep their state from one
// tag to the next, so sound that spans tags (MP3's bit reservoir) decodes as in one piece.
class FlvAudioDecoder {
  public:
    FlvAudioDecoder();
    ~FlvAudioDecoder();
    FlvAudioDecoder(const FlvAudioDecoder&) = delete;
    FlvAudioDecoder& operator=(const FlvAudioDecoder&) = delete;

    // Tags that are not sound are passed over.
    void feed(const format::FlvTag& tag);
    // What is decoded so far; its diagnostic says why it stopped or is silent.
    const PcmBuffer& sound() const { return m_out; }
    // Call when no more tags will come: a file without sound then says so.
    void finish();

  private:
    void feedAac(const format::FlvTag& tag);
    void append(qint64 timeMs, const PcmBuffer& part);

    PcmBuffer m_out;
    std::optional<quint8> m_first;
    std::unique_ptr<Mp3Decoder> m_mp3;
    std::unique_ptr<CodecAudioDecoder> m_codec;
    bool m_rateKnown = false;
    bool m_stopped = false;
};

// Audio tags in the coding of the first one; others add nothing. Empty, with a diagnostic saying why, when
// there is no sound to play.
PcmBuffer decodeFlvAudio(const std::vector<format::FlvTag>& tags);

} // namespace swf::media
