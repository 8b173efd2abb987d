// MP4 files (the ISO base media format) as NetStream plays them, beside FLV: the first H.264
// track and the first AAC or MP3 track, their samples turned into the FLV tags the stream
// already plays (a configuration tag each, then one tag a sample in time order) and an
// onMetaData call made from the file's index.
#pragma once

#include "swf/format/flv.h"

#include <QByteArrayView>

#include <optional>

namespace swf::format {

// Nothing when the bytes do not start like an MP4 file. A file whose index (the moov box)
// has not all come yet gives no tags and is incomplete; one still loading gives the samples,
// in time order, up to the first whose bytes have not come. whole says the bytes are all the
// file has: its loading has ended.
std::optional<FlvFile> readMp4(QByteArrayView bytes, bool whole);
// More of the same file, its start included: the tags it completes are added.
int readMoreMp4(QByteArrayView bytes, FlvFile& file, bool whole);

// Either kind of file NetStream plays, told apart by their first bytes.
std::optional<FlvFile> readStreamFile(QByteArrayView bytes, bool whole);
int readMoreStreamFile(QByteArrayView bytes, FlvFile& file, bool whole);
// Whether the file can start playing: an FLV at once, an MP4 once its index has come.
bool canStartPlaying(const FlvFile& file);

} // namespace swf::format
