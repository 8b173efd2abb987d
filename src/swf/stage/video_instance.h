// An embedded video on the stage: its placement's ratio names the stream's frame to show.
// Pictures are decoded when asked for, in order from the last one decoded while the ratio
// moves forward, else from the key frame at or before the one wanted.
#pragma once

#include "swf/stage/display_object.h"

#include <QImage>

#include <memory>
#include <optional>

namespace swf::media {
class VideoDecoder;
}

namespace swf::stage {

// Pictures from outside the movie's own stream (a NetStream's), shown while attached.
class VideoSource {
  public:
    virtual ~VideoSource() = default;
    // The picture to show now; null before the first.
    virtual QImage currentPicture() const = 0;
    // Counts the pictures decoded, so a cleared video knows when a new one came.
    virtual quint64 pictureCount() const = 0;
};

class VideoInstance final : public DisplayObject {
  public:
    // Inter frames decoded to reach one picture at most: a stream whose key frames are
    // further apart than this shows that picture built on a partial history instead of
    // stalling the player.
    static constexpr int kMaxCatchUpFrames = 3000;

    VideoInstance(StageContext& context, const movie::VideoCharacter& video,
                  const movie::MovieDefinition& movie);
    ~VideoInstance() override;

    const movie::VideoCharacter& video() const { return *m_video; }
    // The picture of the frame the ratio names, or of the last frame before it the stream
    // has; null when none could be decoded. Decoding is a cache of the stream, so drawing
    // (which holds the stage const) may ask.
    QImage picture() const;
    // The frame number picture() showed last; -1 before any.
    int decodedFrame() const { return m_decodedFrame; }
    // attachVideo: the source's pictures show instead of the stream's; null detaches.
    void attach(std::shared_ptr<const VideoSource> source) {
        m_source = std::move(source);
        m_cleared = false;
    }
    const VideoSource* source() const { return m_source.get(); }
    // Video.clear(): nothing shows until the source has a new picture.
    void clear();
    // As the stream asks, until a script says otherwise.
    bool smoothing() const { return m_smoothing.value_or(m_video->stream.smoothing); }
    void setSmoothing(bool smooth) { m_smoothing = smooth; }
    int deblocking() const { return m_deblocking.value_or(m_video->stream.deblocking); }
    void setDeblocking(int deblocking) { m_deblocking = deblocking; }
    // Lets a script object that outlives the video know it has gone.
    std::weak_ptr<VideoInstance*> handle() const { return m_self; }

  private:
    void feed(int index) const;

    const movie::VideoCharacter* m_video;
    mutable std::unique_ptr<media::VideoDecoder> m_decoder;
    mutable int m_decodedFrame = -1; // frame number of the last packet fed
    mutable bool m_notedUnsupported = false;
    std::shared_ptr<const VideoSource> m_source;
    std::shared_ptr<VideoInstance*> m_self;
    std::optional<bool> m_smoothing;
    std::optional<int> m_deblocking;
    bool m_cleared = false;
    quint64 m_clearedAt = 0; // the source's picture count when cleared
};

} // namespace swf::stage
