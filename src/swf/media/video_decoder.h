// Embedded video pictures through libavcodec: one decoder per stream instance, fed coded
// pictures in order, with the last one converted to a premultiplied ARGB image on demand.
#pragma once

#include <QByteArrayView>
#include <QImage>
#include <QString>

#include <memory>

namespace swf::media {

// Larger pictures are refused before libavcodec allocates for them; embedded video of the
// era stays far below.
constexpr int kMaxVideoDimension = 4096;
constexpr qint64 kMaxVideoPixels = qint64(kMaxVideoDimension) * 2304;

class VideoDecoder {
  public:
    // codec: a format::VideoCodec value as the stream definition gives it.
    explicit VideoDecoder(int codec);
    ~VideoDecoder();
    VideoDecoder(const VideoDecoder&) = delete;
    VideoDecoder& operator=(const VideoDecoder&) = delete;

    // False for codecs this build cannot decode; decode() then always fails.
    bool isSupported() const;
    // Decodes one picture on top of those decoded since the last reset; keyFrame as the
    // stream's headers tell it. False when it cannot be decoded (problem says why); the
    // picture shown stays the one before.
    // Without presentationMs the picture shows at once. With it (H.264, whose pictures come
    // out of the decoder in another order than they go in), the pictures the packet completes
    // wait to be shown by present().
    bool decode(QByteArrayView packet, bool keyFrame, QString& problem, qint64 presentationMs = -1);
    // Shows the last waiting picture due by timeMs; before any has been shown, the first one
    // waiting whatever its time. True when the picture changed.
    bool present(qint64 timeMs);
    // The stream has no more packets: the pictures the decoder held back to reorder come out
    // and wait to be shown.
    void finish();
    // The codec's configuration from the container (H.264's decoder configuration record);
    // pictures decoded before it are forgotten.
    void configure(QByteArrayView extradata);
    // Forgets every picture: the next packet has to stand on its own.
    void reset();
    // The last picture decoded; null before the first. Alpha only from VP6 with alpha.
    QImage picture();
    // The deblocking asked for, as Video.deblocking and the stream's flags number it: 0 as
    // each picture says (Sorenson's picture header), 1 never, 2 the fast filter, 3 to 5
    // stronger for VP6. Blocking is smoothed when pictures are converted for showing.
    void setDeblocking(int level);

  private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace swf::media
