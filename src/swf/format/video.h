// Records of embedded video: DefineVideoStream (a stream's size, codec and drawing flags) and
// VideoFrame (one coded picture of a stream), and which coded pictures stand on their own.
#pragma once

#include "swf/io/reader.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace swf::format {

// The codec ids a DefineVideoStream may name; others are kept but not decoded.
enum class VideoCodec : int {
    SorensonH263 = 2,
    ScreenVideo = 3,
    Vp6 = 4,
    Vp6Alpha = 5,
    ScreenVideo2 = 6,
    Avc = 7, // H.264, in FLV files played through NetStream
};

struct VideoStreamDefinition {
    quint16 id = 0;
    quint16 frameCount = 0;
    quint16 width = 0, height = 0; // pixels: the box the pictures are scaled into
    // 0: as each picture says; 1: off; 2 and up: filter strengths the codec may honour.
    int deblocking = 0;
    bool smoothing = false;
    int codec = 0; // a VideoCodec value, or whatever the movie wrote
};

struct VideoFrameRecord {
    quint16 streamId = 0;
    quint16 frameNumber = 0;
    QByteArray data; // the codec's packet as stored
};

// Each returns false when the record is broken; the tag is then skipped.
bool readDefineVideoStream(io::Reader& reader, VideoStreamDefinition& out);
bool readVideoFrame(io::Reader& reader, VideoFrameRecord& out);

// Whether a packet can be decoded without the pictures before it, read from its header
// alone. Undecided (unknown codec, broken header) counts as not: seeking then starts from an
// earlier picture, which costs time but never shows a wrong one.
bool isVideoKeyFrame(int codec, QByteArrayView packet);

} // namespace swf::format
