// Short clips coded with libavcodec's own encoders, as embedded video packets, and movies
// that show them one picture per frame.
#pragma once

#include "swf_builder.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <optional>
#include <vector>

namespace swftest {

struct EncodedClip {
    std::vector<QByteArray> packets;
    std::vector<bool> keyFrames; // as the encoder marked them
    QString error;               // empty when every picture was coded
    // H.264: the decoder configuration record, and packets of length-prefixed units, as FLV
    // files carry them. AAC: the AudioSpecificConfig.
    QByteArray configuration;
    // Each packet's time, in pictures (or samples, for sound): shown, and decoded. They
    // differ where the encoder reorders pictures (H.264 with B-frames).
    std::vector<qint64> shownAt, decodedAt;
};

// codec as a DefineVideoStream names it: 2 Sorenson H.263, 3 screen video, 6 screen video 2,
// 7 H.264 (as in FLV files).
bool canEncode(int codec);
// A key frame every keyInterval pictures (the first always is one); H.264 may put up to
// bFrames pictures between its references, coded out of order. H.263 codes with the fixed
// quantizer given (1 fine to 31 coarse).
EncodedClip encodeClip(int codec, const std::vector<QImage>& pictures, int keyInterval, int bFrames = 0,
                       int quantizer = 2);

// Mono 16-bit sound coded as AAC (low complexity), a packet per 1024 samples.
bool canEncodeAac();
EncodedClip encodeAac(const std::vector<qint16>& samples, int rate);

// count pictures of size with a gradient and shapes that move and change colour from one to
// the next, so that no picture looks like another and inter frames carry real changes.
std::vector<QImage> movingPictures(QSize size, int count);

struct VideoMovie {
    QSize stage;
    QSize box; // the stream's declared size
    QPointF origin;
    bool smoothing = false;
    int deblocking = 0; // the stream's flag
    std::optional<ColorTransformValues> colorTransform;
    QColor background = Qt::white;
};
// A movie with the stream placed at the origin, one VideoFrame and one ratio per frame.
QByteArray videoMovie(int codec, const std::vector<QByteArray>& packets, const VideoMovie& layout);

// FLV files written tag by tag, as NetStream reads them.
class FlvWriter {
  public:
    FlvWriter(bool audio, bool video);
    // type: 8 sound, 9 video, 18 script data.
    void tag(int type, qint64 timeMs, const QByteArray& body);
    const QByteArray& bytes() const { return m_bytes; }

  private:
    QByteArray m_bytes;
};

// An MP4 file with an H.264 track (times in milliseconds) and an AAC track (times in
// samples at rate), one sample a chunk; the index (moov) before or after the samples.
struct Mp4Track {
    QByteArray configuration; // avcC, or the AudioSpecificConfig
    std::vector<QByteArray> samples;
    std::vector<qint64> decodedAt, shownAt; // in the track's time scale
    std::vector<bool> keys;
    int timeScale = 1000;
    QSize size; // pictures; empty for sound
};
QByteArray mp4File(const Mp4Track& video, const Mp4Track& sound, bool indexFirst);

// Big-endian bytes of value, as FLV and AMF write numbers.
QByteArray bigEndian(quint32 value, int bytes);

} // namespace swftest
