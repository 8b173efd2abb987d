// The decoders for a whole sound, by its declared coding.
#pragma once

#include "swf/format/sound_records.h"
#include "swf/media/pcm_buffer.h"

#include <QByteArrayView>

namespace swf::media {

using format::Codec;
using format::parseFormatByte;
using format::SoundFormat;

// Decodes a whole sound (DefineSound's data). sampleCount is the declared count per
// channel and only trims; it is never trusted for allocation. Unsupported codings and
// broken data give silence (no samples) with a diagnostic, never noise.
PcmBuffer decodeSound(const SoundFormat& format, QByteArrayView data, quint32 sampleCount);

// The individual decoders, for the stream decoder and the tests.
PcmBuffer decodePcm(const SoundFormat& format, QByteArrayView data);
PcmBuffer decodeAdpcm(const SoundFormat& format, QByteArrayView data);

} // namespace swf::media
