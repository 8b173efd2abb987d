// The sound of an FLV file, decoded whole for the mixer: each tag's samples are placed at
// its time stamp, so the sound keeps to the pictures over gaps and codec rounding.
#pragma once

#include "swf/format/flv.h"
#include "swf/media/pcm_buffer.h"

namespace swf::media {

// Audio tags in the coding of the first one; others (and AAC, which is not decoded) add
// nothing. Empty, with a diagnostic saying why, when there is no sound to play.
PcmBuffer decodeFlvAudio(const std::vector<format::FlvTag>& tags);

} // namespace swf::media
