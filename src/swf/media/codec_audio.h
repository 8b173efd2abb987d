// The sound codings libmpg123 and our own decoders do not cover (Nellymoser, Speex, AAC), through
// libavcodec, for whole sounds, stream blocks and FLV audio alike.
#pragma once

#include "swf/media/pcm_buffer.h"
#include "swf/media/sound_format.h"

#include <QByteArrayView>

#include <memory>

namespace swf::media {

// Whether codec is one of these codings.
bool isCodecAudio(Codec codec);
// The rate such a coding really runs at: the Nellymoser variants and Speex carry a fixed
// rate whatever the format byte says.
int codecAudioRate(const SoundFormat& format);

class CodecAudioDecoder {
  public:
    explicit CodecAudioDecoder(const SoundFormat& format);
    // AAC as FLV files carry it, set up by the AudioSpecificConfig of the file's first sound
    // tag; its rate and channels (one or two) are the configuration's.
    static std::unique_ptr<CodecAudioDecoder> aac(QByteArrayView audioSpecificConfig);
    ~CodecAudioDecoder();
    CodecAudioDecoder(const CodecAudioDecoder&) = delete;
    CodecAudioDecoder& operator=(const CodecAudioDecoder&) = delete;

    // False when this build's libavcodec lacks the decoder; feed() then gives nothing.
    bool isSupported() const;
    // Decodes one packet (a stream block, an FLV tag's body, or a whole sound's data) and
    // appends its samples to out, which takes the coding's rate and channel count. Broken
    // packets add nothing and give false.
    bool feed(QByteArrayView packet, PcmBuffer& out);

  private:
    CodecAudioDecoder();
    struct Impl;
    std::unique_ptr<Impl> d;
};

// A whole sound in one of these codings; silence with a diagnostic when it cannot be decoded.
PcmBuffer decodeCodecAudio(const SoundFormat& format, QByteArrayView data);

} // namespace swf::media
